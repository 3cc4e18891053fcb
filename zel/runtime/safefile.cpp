#include "zel/runtime/safefile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/utf8.h"

namespace zel {

namespace {

String Reason(int err) { return Utf8ToString(std::strerror(err)); }

[[noreturn]] void RaiseCreate(const String& name, int err) {
  throw EFCreateError(u"Cannot create file \"" + name + u"\". " + Reason(err));
}

std::string DirName(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links from `path` to the file they finally name (which
// need not exist yet). Gives up after 40 links, as the kernel does (ELOOP).
// `via_proc` tells whether the chain went through /proc (/dev/stdout is a
// link to /proc/self/fd/1): such a name stands for an open descriptor, whose
// file must be written, not replaced under it.
bool ResolveLinks(std::string& path, bool& via_proc, int& err) {
  via_proc = path.rfind("/proc/", 0) == 0;
  for (int hops = 0; hops < 40; ++hops) {
    std::string buf(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return true;  // not a link, or nothing there yet: this is the file
    buf.resize(static_cast<size_t>(n));
    if (buf.empty() || buf[0] != '/') {
      const std::string dir = DirName(path);
      buf = (dir == "/" ? "/" : dir + "/") + buf;
    }
    path = std::move(buf);
    if (path.rfind("/proc/", 0) == 0) via_proc = true;
  }
  err = ELOOP;
  return false;
}

// ".name.tmp-XXXXXX" beside the target (relative to the folder `dir`),
// created exclusively with `mode`.
int CreateTemporary(int dir, const std::string& target, mode_t mode, std::string& temp_path) {
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const std::string folder = DirName(target);
  const std::string prefix =
      (folder == "/" ? "/" : folder + "/") + "." + BaseName(target) + ".tmp-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[6];
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
      for (auto& b : random) b = static_cast<unsigned char>(attempt * 37 + (&b - random));
    }
    std::string name = prefix;
    for (unsigned char b : random) name += kAlphabet[b % (sizeof kAlphabet - 1)];
    const int fd =
        ::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) {
      temp_path = std::move(name);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Writes all of `len` bytes at `offset`; false with errno set on failure.
bool WriteAll(int fd, const char* data, size_t len, off_t offset) {
  while (len > 0) {
    const ssize_t n = ::pwrite(fd, data, len, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    len -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

// Copies the whole of `from` over the start of `to` and cuts `to` to length.
bool CopyInto(int from, int to) {
  char buf[1 << 16];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = ::pread(from, buf, sizeof buf, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    if (!WriteAll(to, buf, static_cast<size_t>(n), offset)) return false;
    offset += n;
  }
  return ::ftruncate(to, offset) == 0 && ::fsync(to) == 0;
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

int TSafeFileStream::Dir() const noexcept { return folder_ >= 0 ? folder_ : AT_FDCWD; }

int TSafeFileStream::OpenInFolder() {
  if (!FileNameToPath(file_name_, target_) || target_.empty() || target_ == "." ||
      target_ == ".." || target_.find('/') != std::string::npos)
    return EINVAL;
  struct stat st {};
  if (::fstatat(folder_, target_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(st.st_mode)) return ELOOP;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return EEXIST;
    existed_ = true;
    if (::faccessat(folder_, target_.c_str(), W_OK, AT_EACCESS) != 0) return errno;
    // Never rewritten in place: the file may have names outside the folder
    // (hard links), which must not change.
  } else if (errno != ENOENT) {
    return errno;
  }
  return MakeTemporary(st);
}

int TSafeFileStream::Open() {
  // A name with U+0000 would be cut short by the system: refused.
  if (!FileNameToPath(file_name_, target_)) return EINVAL;
  const std::string given = target_;

  struct stat st {};
  const bool exists = ::stat(given.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return EISDIR;
  bool via_proc = false;
  int err = 0;
  if (!ResolveLinks(target_, via_proc, err)) return err;
  if (exists && (!S_ISREG(st.st_mode) || via_proc)) {
    // Devices, FIFOs, terminals, sockets, and names of open descriptors
    // (/dev/stdout, also when it is redirected to a file): written as they
    // are, through the name given (the system follows its links).
    mode_ = Mode::kDirect;
    do {
      handle_ = ::open(given.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    } while (handle_ < 0 && errno == EINTR);
    return handle_ < 0 ? errno : 0;
  }
  if (exists) {
    existed_ = true;
    // A file the caller may not write stays as it is, as an in-place write
    // would have been refused.
    if (::access(target_.c_str(), W_OK) != 0) return errno;
    if (st.st_nlink > 1) mode_ = Mode::kRewriteInPlace;
  }
  return MakeTemporary(st);
}

int TSafeFileStream::MakeTemporary(const struct stat& st) {
  // The temporary of an existing file is readable by its owner only until it
  // has the file's mode and owner, so no one else can open it in between and
  // read the new contents of a private file. A new file gets 0666 less the
  // umask, as any newly created file does.
  handle_ = CreateTemporary(Dir(), target_, existed_ ? 0600 : 0666, temp_);
  if (handle_ < 0) {
    int err = errno;
    // A folder that refuses new files may still hold a writable file (one
    // with no other names, for an entry of an open folder).
    if (existed_ && (err == EACCES || err == EPERM) && (folder_ < 0 || st.st_nlink == 1)) {
      mode_ = Mode::kRewriteInPlace;
      handle_ = ::open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
      if (handle_ >= 0) return 0;
      err = errno;
    }
    return err;
  }
  if (existed_) {
    // The new file looks like the old one: owner where allowed, permissions.
    (void)::fchown(handle_, st.st_uid, st.st_gid);
    if (::fchmod(handle_, st.st_mode & 07777) != 0) {
      const int err = errno;
      Discard();
      ::close(handle_);
      handle_ = -1;
      return err;
    }
  }
  return 0;
}

TSafeFileStream::~TSafeFileStream() {
  if (!committed_) Discard();
  if (handle_ >= 0) ::close(handle_);
}

String TSafeFileStream::ClassName() const { return u"TSafeFileStream"; }

void TSafeFileStream::Discard() noexcept {
  if (!temp_.empty()) {
    ::unlinkat(Dir(), temp_.c_str(), 0);
    temp_.clear();
  }
}

void TSafeFileStream::Commit() {
  const int err = TryCommit();
  if (err != 0) throw EWriteError(u"Cannot write file \"" + file_name_ + u"\". " + Reason(err));
}

int TSafeFileStream::TryCommit() noexcept {
  if (committed_) return 0;
  if (handle_ < 0) return EBADF;
  const int fd = Handle();  // settles any read-ahead on the logical position
  auto fail = [&](int err) {
    Discard();
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
    return err;
  };
  switch (mode_) {
    case Mode::kDirect:
      break;
    case Mode::kReplace:
      if (existed_ && ::fsync(fd) != 0) return fail(errno);
      break;
    case Mode::kRewriteInPlace: {
      const int target = ::openat(Dir(), target_.c_str(),
                                  O_WRONLY | O_CLOEXEC | (folder_ >= 0 ? O_NOFOLLOW : 0));
      if (target < 0) return fail(errno);
      const bool ok = CopyInto(fd, target);
      const int err = errno;
      if (::close(target) != 0 && ok) return fail(errno);
      if (!ok) return fail(err);
      break;
    }
  }
  handle_ = -1;
  if (::close(fd) != 0) return fail(errno);
  if (mode_ == Mode::kReplace) {
    if (::renameat(Dir(), temp_.c_str(), Dir(), target_.c_str()) != 0) return fail(errno);
    temp_.clear();
    if (existed_) {
      // The rename itself reaches the disk with the folder (best effort:
      // the contents are in place whatever this gives).
      if (folder_ >= 0) {
        ::fsync(folder_);
      } else {
        const int dir = ::open(DirName(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
          ::fsync(dir);
          ::close(dir);
        }
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
