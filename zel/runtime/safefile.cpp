#include "zel/runtime/safefile.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include "zel/platform/descriptors.h"
#include "zel/platform/replace.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/utf8.h"

namespace zel {

namespace {

using platform::ReplaceTarget;

String Reason(int err) { return Utf8ToString(std::strerror(err)); }

[[noreturn]] void RaiseCreate(const String& name, int err) {
  throw EFCreateError(u"Cannot create file \"" + name + u"\". " + Reason(err));
}

#ifdef _WIN32
// Windows paths separate their parts with "\" or "/", and start from a
// drive ("C:") or a server ("\\server").
constexpr const char* kSeparators = "\\/";
constexpr char kSeparator = '\\';
constexpr bool kDrives = true;
bool IsAbsolute(const std::string& path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
  return path.size() >= 3 && path[1] == ':' && (path[2] == '/' || path[2] == '\\');
}
#else
constexpr const char* kSeparators = "/";
constexpr char kSeparator = '/';
constexpr bool kDrives = false;
bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }
#endif

// The folder part of `path`: "." for a bare name; a root ("/", "C:\\")
// keeps its separator.
std::string DirName(const std::string& path) {
  const size_t slash = path.find_last_of(kSeparators);
  if (slash == std::string::npos) return ".";
  if (slash == 0 || (kDrives && slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of(kSeparators);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// `name` within the folder `dir` (as DirName gives it).
std::string InFolder(const std::string& dir, const std::string& name) {
  if (dir == ".") return name;
  if (!dir.empty() && std::string_view(kSeparators).find(dir.back()) != std::string_view::npos)
    return dir + name;
  return dir + kSeparator + name;
}

// Follows symbolic links from `path` to the file they finally name (which
// need not exist yet). Gives up after 40 links, as the kernel does (ELOOP).
// `via_proc` tells whether the chain went through /proc (/dev/stdout is a
// link to /proc/self/fd/1): such a name stands for an open descriptor, whose
// file must be written, not replaced under it.
bool ResolveLinks(std::string& path, bool& via_proc, int& err) {
  via_proc = path.rfind("/proc/", 0) == 0;
  for (int hops = 0; hops < 40; ++hops) {
    std::string buf;
    // Not a link, or nothing there yet: this is the file.
    if (platform::Replace().ReadLink(path, buf) != 0) return true;
    if (!IsAbsolute(buf)) buf = InFolder(DirName(path), buf);
    path = std::move(buf);
    if (path.rfind("/proc/", 0) == 0) via_proc = true;
  }
  err = ELOOP;
  return false;
}

// ".name.tmp-XXXXXX" beside the target (of the open folder `dir`, or of the
// current directory when `dir` is negative), created exclusively with `mode`;
// 0 or the errno value, `fd` receiving the temporary's descriptor.
int CreateTemporary(int dir, const std::string& target, uint32_t mode, std::string& temp_path,
                    int& fd) {
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const std::string folder = DirName(target);
  const std::string prefix = InFolder(folder, "." + BaseName(target) + ".tmp-");
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[6];
    if (platform::Replace().RandomBytes(random, sizeof random) != 0) {
      for (auto& b : random) b = static_cast<unsigned char>(attempt * 37 + (&b - random));
    }
    std::string name = prefix;
    for (unsigned char b : random) name += kAlphabet[b % (sizeof kAlphabet - 1)];
    const int err = platform::Replace().CreateExclusive(dir, name, mode, fd);
    if (err == 0) {
      temp_path = std::move(name);
      return 0;
    }
    if (err != EEXIST) return err;
  }
  return EEXIST;
}

}  // namespace

TSafeFileStream::TSafeFileStream(const String& FileName) : THandleStream(-1), file_name_(FileName) {
  const int err = Open();
  if (err != 0) RaiseCreate(file_name_, err);
}

TSafeFileStream::TSafeFileStream(const String& FileName, int& ErrorCode)
    : THandleStream(-1), file_name_(FileName) {
  ErrorCode = Open();
}

TSafeFileStream::TSafeFileStream(int Folder, const String& Name, int& ErrorCode)
    : THandleStream(-1), file_name_(Name), folder_(Folder) {
  ErrorCode = Folder < 0 ? EBADF : OpenInFolder();
}

int TSafeFileStream::OpenInFolder() {
  if (!FileNameToPath(file_name_, target_) || target_.empty() || target_ == "." ||
      target_ == ".." || target_.find_first_of(kSeparators) != std::string::npos)
    return EINVAL;
  auto& system = platform::Replace();
  ReplaceTarget st;
  const int err = system.Inspect(folder_, target_, false, st);
  if (err == 0) {
    if (st.kind == ReplaceTarget::Kind::kSymlink) return ELOOP;
    if (st.kind == ReplaceTarget::Kind::kDirectory) return EISDIR;
    if (st.kind != ReplaceTarget::Kind::kRegular) return EEXIST;
    existed_ = true;
    if (const int denied = system.CheckWritable(folder_, target_, true)) return denied;
    // Never rewritten in place: the file may have names outside the folder
    // (hard links), which must not change.
  } else if (err != ENOENT) {
    return err;
  }
  return MakeTemporary(st);
}

int TSafeFileStream::Open() {
  // A name with U+0000 would be cut short by the system: refused.
  if (!FileNameToPath(file_name_, target_)) return EINVAL;
  const std::string given = target_;

  auto& system = platform::Replace();
  ReplaceTarget st;
  const bool exists = system.Inspect(-1, given, true, st) == 0;
  if (exists && st.kind == ReplaceTarget::Kind::kDirectory) return EISDIR;
  bool via_proc = false;
  int err = 0;
  if (!ResolveLinks(target_, via_proc, err)) return err;
  if (exists && (st.kind != ReplaceTarget::Kind::kRegular || via_proc)) {
    // Devices, FIFOs, terminals, sockets, and names of open descriptors
    // (/dev/stdout, also when it is redirected to a file): written as they
    // are, through the name given (the system follows its links).
    mode_ = Mode::kDirect;
    return system.OpenTruncating(given, handle_);
  }
  if (exists) {
    existed_ = true;
    // A file the caller may not write stays as it is, as an in-place write
    // would have been refused.
    if (const int denied = system.CheckWritable(-1, target_, false)) return denied;
    if (st.links > 1) mode_ = Mode::kRewriteInPlace;
  }
  return MakeTemporary(st);
}

int TSafeFileStream::MakeTemporary(const platform::ReplaceTarget& st) {
  // The temporary of an existing file is readable by its owner only until it
  // has the file's mode and owner, so no one else can open it in between and
  // read the new contents of a private file. A new file gets 0666 less the
  // umask, as any newly created file does.
  auto& system = platform::Replace();
  int err = CreateTemporary(folder_, target_, existed_ ? 0600 : 0666, temp_, handle_);
  if (err != 0) {
    handle_ = -1;
    // A folder that refuses new files may still hold a writable file (one
    // with no other names, for an entry of an open folder).
    if (existed_ && (err == EACCES || err == EPERM) && (folder_ < 0 || st.links == 1)) {
      mode_ = Mode::kRewriteInPlace;
      err = system.OpenAnonymous(handle_);
      if (err == 0) return 0;
      handle_ = -1;
    }
    return err;
  }
  if (existed_) {
    // The new file looks like the old one: owner where allowed, permissions.
    (void)system.SetOwner(handle_, st.owner, st.group);
    err = system.SetMode(handle_, st.mode);
    if (err != 0) {
      Discard();
      platform::Descriptors().Close(handle_);
      handle_ = -1;
      return err;
    }
  }
  return 0;
}

TSafeFileStream::~TSafeFileStream() {
  if (!committed_) Discard();
  if (handle_ >= 0) platform::Descriptors().Close(handle_);
}

String TSafeFileStream::ClassName() const { return u"TSafeFileStream"; }

void TSafeFileStream::Discard() noexcept {
  if (!temp_.empty()) {
    platform::Replace().Remove(folder_, temp_);
    temp_.clear();
  }
}

void TSafeFileStream::Commit() {
  const int err = TryCommit();
  if (err != 0) throw EWriteError(u"Cannot write file \"" + file_name_ + u"\". " + Reason(err));
}

std::string TSafeFileStream::HandOver() {
  if (committed_ || handed_over_ || handle_ < 0 || mode_ == Mode::kRewriteInPlace) return {};
  const int fd = Handle();
  handle_ = -1;  // closed either way; a failed close leaves nothing to commit
  if (platform::Descriptors().Close(fd) != 0) return {};
  handed_over_ = true;
  return mode_ == Mode::kDirect ? target_ : temp_;
}

int TSafeFileStream::TryCommit() noexcept {
  if (committed_) return 0;
  if (handed_over_) {
    // The writer has written and closed the file. What it wrote reaches the
    // disk before it takes an earlier file's place, as in every replacement;
    // then only the rename is left.
    if (mode_ == Mode::kReplace) {
      if (existed_) {
        int fd = -1;
        int err = platform::Replace().OpenForRewrite(folder_, temp_, true, fd);
        if (err == 0) {
          err = platform::Descriptors().Sync(fd);
          const int closed = platform::Descriptors().Close(fd);
          if (err == 0) err = closed;
        }
        if (err != 0) {
          Discard();
          return err;
        }
      }
      if (const int err = platform::Replace().Rename(folder_, temp_, target_)) {
        Discard();
        return err;
      }
      temp_.clear();
      if (existed_) {
        if (folder_ >= 0) {
          (void)platform::Replace().SyncFolder(folder_);
        } else {
          (void)platform::Replace().SyncFolderNamed(DirName(target_));
        }
      }
    }
    committed_ = true;
    return 0;
  }
  if (handle_ < 0) return EBADF;
  auto& system = platform::Replace();
  auto& descriptors = platform::Descriptors();
  const int fd = Handle();  // settles any read-ahead on the logical position
  auto fail = [&](int err) {
    Discard();
    if (handle_ >= 0) descriptors.Close(handle_);
    handle_ = -1;
    return err;
  };
  switch (mode_) {
    case Mode::kDirect:
      break;
    case Mode::kReplace:
      if (existed_) {
        if (const int err = descriptors.Sync(fd)) return fail(err);
      }
      break;
    case Mode::kRewriteInPlace: {
      int target = -1;
      if (const int err = system.OpenForRewrite(folder_, target_, folder_ >= 0, target))
        return fail(err);
      const int copied = system.CopyOver(fd, target);
      const int closed = descriptors.Close(target);
      if (copied != 0) return fail(copied);
      if (closed != 0) return fail(closed);
      break;
    }
  }
  handle_ = -1;
  if (const int err = descriptors.Close(fd)) return fail(err);
  if (mode_ == Mode::kReplace) {
    if (const int err = system.Rename(folder_, temp_, target_)) return fail(err);
    temp_.clear();
    if (existed_) {
      // The rename itself reaches the disk with the folder (best effort:
      // the contents are in place whatever this gives).
      if (folder_ >= 0) {
        (void)system.SyncFolder(folder_);
      } else {
        (void)system.SyncFolderNamed(DirName(target_));
      }
    }
  }
  Discard();
  committed_ = true;
  return 0;
}

void SafeReplaceFile(const String& FileName, const std::function<void(TStream&)>& Write) {
  TSafeFileStream out(FileName);
  Write(out);
  out.Commit();
}

}  // namespace zel
