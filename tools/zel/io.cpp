#include "io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <vector>

#include "zel/platform/descriptors.h"
#include "zel/platform/read_file.h"
#include "zel/platform/scratch.h"
#include "zel/platform/sysinfo.h"
#include "zel/platform/terminal.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/utf8.h"

namespace zel_tool {

namespace {

std::string FileReason(const std::string& name) {
  std::error_code ec;
  const auto st = std::filesystem::status(name, ec);
  if (ec || !std::filesystem::exists(st)) return "No such file or directory";
  if (std::filesystem::is_directory(st)) return "Is a directory";
  if (const int err = zel::platform::Descriptors().CheckReadable(name); err != 0)
    return ErrnoText(err);
  return "read error";
}

bool g_write_failed = false;
bool g_write_reported = false;
int g_write_errno = 0;

void NoteWriteFailure() {
  if (g_write_failed) return;
  g_write_failed = true;
  g_write_errno = errno;
}

// Standard output: std::cout writes into this buffer, which the platform's
// terminal concern writes out to the standard output stream. The errno of a
// failed write is kept, so the reason is known however long ago it happened;
// after a failure nothing more is written. At a terminal every line goes out
// when it is complete, elsewhere the buffer is written when full or flushed.
int WriteStdout(const char* data, size_t len) {
  const int err =
      zel::platform::Terminal().WriteStandard(zel::platform::kStandardOutput, data, len);
  if (err != 0 && !g_write_failed) {
    g_write_failed = true;
    g_write_errno = err;
  }
  return err;
}

class StdoutBuf : public std::streambuf {
 public:
  explicit StdoutBuf(bool line_buffered) : line_buffered_(line_buffered) {
    setp(buffer_, buffer_ + sizeof buffer_);
  }

 protected:
  int_type overflow(int_type ch) override {
    if (Drain() != 0) return traits_type::eof();
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
    if (line_buffered_ && ch == '\n' && Drain() != 0) return traits_type::eof();
    return ch;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (g_write_failed) return 0;
    const auto len = static_cast<size_t>(n);
    const auto room = static_cast<size_t>(epptr() - pptr());
    if (len <= room) {
      std::memcpy(pptr(), s, len);
      pbump(static_cast<int>(len));
    } else {
      if (Drain() != 0) return 0;
      if (len >= sizeof buffer_) {
        if (WriteStdout(s, len) != 0) return 0;
        return n;
      }
      std::memcpy(pptr(), s, len);
      pbump(static_cast<int>(len));
    }
    if (line_buffered_ && std::memchr(s, '\n', len) != nullptr && Drain() != 0) return 0;
    return n;
  }
  int sync() override { return Drain() == 0 ? 0 : -1; }

 private:
  // Writes what the buffer holds and empties it; after a failure the bytes
  // are dropped and every call fails.
  int Drain() {
    const size_t len = static_cast<size_t>(pptr() - pbase());
    setp(buffer_, buffer_ + sizeof buffer_);
    if (g_write_failed) return -1;
    return len == 0 ? 0 : WriteStdout(buffer_, len);
  }

  bool line_buffered_;
  char buffer_[64 * 1024];
};

}  // namespace

void InstallOutput() {
  zel::platform::Terminal().PrepareConsole();
  // Never destroyed: std::cout flushes through it at exit, after every
  // static object of ours is gone.
  alignas(StdoutBuf) static unsigned char storage[sizeof(StdoutBuf)];
  std::cout.flush();
  auto* buf = new (storage)
      StdoutBuf(zel::platform::Terminal().IsTerminal(zel::platform::kStandardOutput));
  std::cout.rdbuf(buf);
}

void FailFile(const std::string& file, const std::string& reason) { throw FileError{file, reason}; }

void FailOutput(int err) {
  if (!g_write_failed) {
    g_write_failed = true;
    g_write_errno = err;
  }
  throw OutputError{};
}

std::string ErrnoText(int err) { return err != 0 ? std::strerror(err) : "Input/output error"; }

bool ReadInputBlocks(const std::string& name,
                     const std::function<void(const uint8_t* data, size_t len)>& consume,
                     std::string& reason) {
  if (name != "-") {
    if (zel::internal::ReadFileInBlocks(name, consume)) return true;
    reason = FileReason(name);
    return false;
  }
  std::vector<uint8_t> block(zel::internal::kReadFileBlock);
  for (;;) {
    const size_t n = std::fread(block.data(), 1, block.size(), stdin);
    if (n > 0) consume(block.data(), n);
    if (n < block.size()) {
      if (!std::ferror(stdin)) return true;
      reason = ErrnoText(errno);
      return false;
    }
  }
}

bool ReadInput(const std::string& name, std::string& bytes, std::string& reason) {
  bytes.clear();
  return ReadInputBlocks(
      name,
      [&bytes](const uint8_t* d, size_t n) { bytes.append(reinterpret_cast<const char*>(d), n); },
      reason);
}

std::string ReadInputOrFail(const std::string& name) {
  std::string bytes, reason;
  if (!ReadInput(name, bytes, reason)) FailFile(name, reason);
  return bytes;
}

SeekableInput::SeekableInput(const std::string& name) : name_(name), path_(name) {
  if (name != "-") {
    zel::platform::FileIdentity id;
    if (const int err = zel::platform::Descriptors().Identify(name, id); err != 0)
      FailFile(name, ErrnoText(err));
    if (id.directory) FailFile(name, "Is a directory");
    if (id.regular) return;
  }
  // Read once into a temporary file that can be read again, in the system's
  // temporary folder ($TMPDIR when it names a folder, else /tmp on Linux).
  const std::string dir = zel::platform::SysInfo().TempDirectory();
  int fd = -1;
#ifdef _WIN32
  // Windows reaches no file through a descriptor: the copy is a file named
  // "input" in a private folder, and both go when the destructor runs.
  if (const int err =
          zel::platform::Scratch().MakePrivateFolder(dir.empty() ? "." : dir, "zel-in-", folder_);
      err != 0)
    FailFile(name, "cannot create a temporary folder: " + ErrnoText(err));
  path_ = folder_ + "\\input";
  if (const int err =
          zel::platform::Descriptors().OpenFile(path_, zel::platform::OpenFor::kCreating, fd);
      err != 0) {
    Discard();
    FailFile(name, "cannot create a temporary file: " + ErrnoText(err));
  }
#else
  // The file has no name, so nothing is left behind even when the process is
  // killed; the copy is reopened through the descriptor's /proc name.
  if (const int err =
          zel::platform::Scratch().OpenNamelessFile(dir.empty() ? "/tmp" : dir, "zel-in-", fd);
      err != 0)
    FailFile(name, "cannot create a temporary file: " + ErrnoText(err));
  path_ = "/proc/self/fd/" + std::to_string(fd);
#endif
  fd_ = fd;
  std::string reason;
  int write_err = 0;
  const bool ok = ReadInputBlocks(
      name,
      [&](const uint8_t* d, size_t n) {
        if (write_err == 0) write_err = zel::platform::Descriptors().WriteAll(fd, d, n);
      },
      reason);
#ifdef _WIN32
  // Closed at once, so the library opens the copy without sharing it.
  if (const int err = zel::platform::Descriptors().Close(fd_); err != 0 && write_err == 0)
    write_err = err;
  fd_ = -1;
#endif
  if (!ok || write_err != 0) {
    Discard();  // no destructor runs when the constructor throws
    if (!ok) FailFile(name, reason);
    FailFile(name, "cannot keep a copy of the input: " + ErrnoText(write_err));
  }
}

void SeekableInput::Discard() {
  if (fd_ != -1) zel::platform::Descriptors().Close(fd_);
  fd_ = -1;
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::remove(std::u8string(path_.begin(), path_.end()), ec);
    std::filesystem::remove(std::u8string(folder_.begin(), folder_.end()), ec);
    folder_.clear();
  }
}

SeekableInput::~SeekableInput() { Discard(); }

zel::String SeekableInput::FileName() const { return zel::PathToFileName(path_); }

std::string NameBytes(const zel::String& name) {
  std::string path;
  // Only a name holding U+0000 has no path; no file system returns one.
  return zel::FileNameToPath(name, path) ? path : zel::StringToUtf8(name);
}

void WriteOutputFile(const std::string& name, const std::string& bytes) {
  WriteOutputFiles({{name, bytes}});
}

void WriteOutputFiles(const std::vector<OutputFile>& outputs) {
  // The same file under two names (or twice the same name) would keep only
  // the last contents written.
  std::vector<std::pair<uint64_t, uint64_t>> seen;
  for (size_t i = 0; i < outputs.size(); ++i) {
    const std::string& name = outputs[i].name;
    if (name == "-") continue;
    for (size_t k = 0; k < i; ++k)
      if (outputs[k].name == name) FailFile(name, "named as two outputs; nothing written");
    zel::platform::FileIdentity file;
    if (zel::platform::Descriptors().Identify(name, file) == 0 && file.regular) {
      const std::pair<uint64_t, uint64_t> id{file.device, file.inode};
      if (std::find(seen.begin(), seen.end(), id) != seen.end())
        FailFile(name, "the same file as another output; nothing written");
      seen.push_back(id);
    }
  }
  // 1. Every file to its temporary, flushed to the disk, so that the renames
  //    are all that is left.
  std::vector<std::unique_ptr<zel::TSafeFileStream>> files(outputs.size());
  for (size_t i = 0; i < outputs.size(); ++i) {
    const OutputFile& o = outputs[i];
    if (o.name == "-") continue;
    int err = 0;
    files[i] = std::make_unique<zel::TSafeFileStream>(zel::PathToFileName(o.name), err);
    if (err != 0) FailFile(o.name, ErrnoText(err));
    try {
      files[i]->WriteBuffer(o.bytes.data(), static_cast<int64_t>(o.bytes.size()));
    } catch (const zel::Exception&) {
      FailFile(o.name, ErrnoText(errno));
    }
    if (!files[i]->WritesDirectly())
      if (const int err = zel::platform::Descriptors().Sync(files[i]->Handle()); err != 0)
        FailFile(o.name, ErrnoText(err));
  }
  // 2. Standard output, checked.
  bool to_stdout = false;
  for (const OutputFile& o : outputs)
    if (o.name == "-") {
      WriteOutput(o.bytes);
      to_stdout = true;
    }
  if (to_stdout && !FinishOutput()) throw OutputError{};
  // 3. The renames.
  for (size_t i = 0; i < outputs.size(); ++i) {
    if (!files[i]) continue;
    const int err = files[i]->TryCommit();
    if (err != 0) FailFile(outputs[i].name, ErrnoText(err));
  }
}

void WriteThroughFile(const std::string& name,
                      const std::function<void(const zel::String& file)>& write) {
  if (name != "-") {
    write(zel::PathToFileName(name));
    return;
  }
  std::string bytes;
  const int err = zel::platform::Scratch().CaptureAnonymousFile(
      "zel-out", [&](const std::string& path) { write(zel::PathToFileName(path)); }, bytes);
  if (err != 0) FailFile(name, "cannot create a temporary file: " + ErrnoText(err));
  if (!WriteOutput(bytes)) throw OutputError{};
}

bool WriteOutput(const char* data, size_t len) {
  if (len == 0 || g_write_failed) return !g_write_failed;
  std::cout.write(data, static_cast<std::streamsize>(len));
  if (!std::cout) NoteWriteFailure();
  return !g_write_failed;
}

bool FinishOutput(const char* /*command*/) {
  if (!g_write_failed) {
    errno = 0;
    std::cout.flush();
    if (!std::cout) NoteWriteFailure();
  }
  if (g_write_failed && !g_write_reported) {
    g_write_reported = true;
    std::cerr << "zel: write error: " << ErrnoText(g_write_errno) << "\n";
  }
  return !g_write_failed;
}

}  // namespace zel_tool
