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

// Standard output goes through a stdio stream whose write function keeps the
// errno of a failed write, so the reason is known however long ago it
// happened; std::cout writes into the same stream, so C and C++ output keep
// their order.
int WriteStdout(const char* data, size_t len) {
  const int err = zel::platform::Descriptors().WriteAll(zel::platform::kStandardOutput, data, len);
  if (err != 0 && !g_write_failed) {
    g_write_failed = true;
    g_write_errno = err;
  }
  return err;
}

class StdoutBuf : public std::streambuf {
 protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    return std::fputc(ch, stdout) == EOF ? traits_type::eof() : ch;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<size_t>(n), stdout));
  }
  int sync() override { return std::fflush(stdout) == 0 ? 0 : -1; }
};

}  // namespace

void InstallOutput() {
  // Never destroyed: std::cout flushes through it at exit, after every
  // static object of ours is gone.
  alignas(StdoutBuf) static unsigned char storage[sizeof(StdoutBuf)];
  auto* buf = new (storage) StdoutBuf;
  std::fflush(stdout);
  std::FILE* out = zel::platform::Descriptors().OpenWriteFunctionStream(WriteStdout);
  if (out == nullptr) return;  // keep the plain stream
  std::setvbuf(
      out, nullptr,
      zel::platform::Terminal().IsTerminal(zel::platform::kStandardOutput) ? _IOLBF : _IOFBF,
      64 * 1024);
  stdout = out;
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
  // Read once into a temporary file that can be read again.
  // The system's temporary folder: $TMPDIR when it names a folder, else /tmp.
  const std::string dir = zel::platform::SysInfo().TempDirectory();
  // The file has no name, so nothing is left behind even when the process is
  // killed; the copy is reopened through the descriptor's /proc name.
  int fd = -1;
  if (const int err =
          zel::platform::Scratch().OpenNamelessFile(dir.empty() ? "/tmp" : dir, "zel-in-", fd);
      err != 0)
    FailFile(name, "cannot create a temporary file: " + ErrnoText(err));
  fd_ = fd;
  path_ = "/proc/self/fd/" + std::to_string(fd);
  std::string reason;
  int write_err = 0;
  const bool ok = ReadInputBlocks(
      name,
      [&](const uint8_t* d, size_t n) {
        if (write_err == 0) write_err = zel::platform::Descriptors().WriteAll(fd, d, n);
      },
      reason);
  if (!ok || write_err != 0) {
    zel::platform::Descriptors().Close(fd_);  // no destructor runs when the constructor throws
    fd_ = -1;
    if (!ok) FailFile(name, reason);
    FailFile(name, "cannot keep a copy of the input: " + ErrnoText(write_err));
  }
}

SeekableInput::~SeekableInput() {
  if (fd_ >= 0) zel::platform::Descriptors().Close(fd_);
}

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
  if (!g_write_failed) {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) NoteWriteFailure();
  }
  if (g_write_failed && !g_write_reported) {
    g_write_reported = true;
    std::cerr << "zel: write error: " << ErrnoText(g_write_errno) << "\n";
  }
  return !g_write_failed;
}

}  // namespace zel_tool
