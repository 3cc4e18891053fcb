#include "zel/platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "zel/platform/internal/write_all.h"

namespace zel::platform {
namespace {

// A path the kernel cannot take (empty or holding a NUL byte).
bool BadPath(const std::string& path) {
  return path.empty() || path.find('\0') != std::string::npos;
}

// An entry name of an open folder: one component, not "." or "..".
bool BadName(const std::string& name) {
  return name.empty() || name == "." || name == ".." ||
         name.find_first_of(std::string("/\0", 2)) != std::string::npos;
}

int OpenRetrying(int dir, const char* path, int flags, int& fd) {
  do {
    fd = ::openat(dir, path, flags | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? errno : 0;
}

FileTimeSpec FromStatx(const struct statx_timestamp& t) {
  return FileTimeSpec{t.tv_sec, static_cast<int32_t>(t.tv_nsec)};
}

FileKind KindOf(uint32_t mode) {
  switch (mode & S_IFMT) {
    case S_IFREG:
      return FileKind::kRegular;
    case S_IFDIR:
      return FileKind::kDirectory;
    case S_IFLNK:
      return FileKind::kSymlink;
    default:
      return FileKind::kOther;
  }
}

int StatxInto(int dirfd, const char* path, int flags, FileStatus& out) {
  out = FileStatus{};
  struct statx sx {};
  if (::statx(dirfd, path, flags | AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx) !=
      0)
    return errno;
  out.kind = KindOf(sx.stx_mode);
  out.mode = sx.stx_mode & 07777;
  out.size = sx.stx_size;
  out.device = (uint64_t{sx.stx_dev_major} << 32) | sx.stx_dev_minor;
  out.inode = sx.stx_ino;
  out.access = FromStatx(sx.stx_atime);
  out.modify = FromStatx(sx.stx_mtime);
  out.change = FromStatx(sx.stx_ctime);
  out.has_birth = (sx.stx_mask & STATX_BTIME) != 0;
  if (out.has_birth) out.birth = FromStatx(sx.stx_btime);
  return 0;
}

timespec ToTimespec(const FileTimeSpec* t) {
  timespec ts{};
  if (t == nullptr) {
    ts.tv_nsec = UTIME_OMIT;
  } else {
    ts.tv_sec = static_cast<time_t>(t->sec);
    ts.tv_nsec = t->nsec;
  }
  return ts;
}

// Lists the folder open as `fd` into `out` and closes `fd`.
int ListAndClose(int fd, std::vector<DirEntry>& out) {
  DIR* d = ::fdopendir(fd);
  if (d == nullptr) {
    const int err = errno;
    ::close(fd);
    return err;
  }
  int err = 0;
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(d);
    if (e == nullptr) {
      err = errno;
      break;
    }
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    DirEntry entry;
    entry.name = n;
    switch (e->d_type) {
      case DT_REG:
        entry.kind = FileKind::kRegular;
        break;
      case DT_DIR:
        entry.kind = FileKind::kDirectory;
        break;
      case DT_LNK:
        entry.kind = FileKind::kSymlink;
        break;
      case DT_UNKNOWN: {
        struct stat st {};
        entry.kind =
            ::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) == 0 ? KindOf(st.st_mode) : FileKind::kOther;
        break;
      }
      default:
        entry.kind = FileKind::kOther;
    }
    out.push_back(std::move(entry));
  }
  ::closedir(d);
  return err;
}

// readlinkat of any length into `target` (unchanged on failure).
int ReadLinkIn(int dir, const char* path, std::string& target) {
  std::string buf(256, '\0');
  for (;;) {
    const ssize_t n = ::readlinkat(dir, path, buf.data(), buf.size());
    if (n < 0) return errno;
    if (static_cast<size_t>(n) < buf.size()) {
      buf.resize(static_cast<size_t>(n));
      target = std::move(buf);
      return 0;
    }
    buf.resize(buf.size() * 2);
  }
}

// renameat, or renameat2 refusing to replace an entry unless `replace`.
int RenameIn(int from_dir, const char* from, int to_dir, const char* to, bool replace) {
  if (replace) return ::renameat(from_dir, from, to_dir, to) == 0 ? 0 : errno;
  if (::renameat2(from_dir, from, to_dir, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // File systems without the flag: test first (a narrow race, but never a
  // silent replacement of a file that was there before the call).
  struct stat st {};
  if (::fstatat(to_dir, to, &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
  return ::renameat(from_dir, from, to_dir, to) == 0 ? 0 : errno;
}

}  // namespace

int NativeFileSystem::Status(const std::string& path, bool follow, FileStatus& out) {
  if (BadPath(path)) {
    out = FileStatus{};
    return ENOENT;
  }
  return StatxInto(AT_FDCWD, path.c_str(), follow ? 0 : AT_SYMLINK_NOFOLLOW, out);
}

int NativeFileSystem::StatusOf(int fd, FileStatus& out) {
  return StatxInto(fd, "", AT_EMPTY_PATH, out);
}

int NativeFileSystem::List(const std::string& dir, std::vector<DirEntry>& out) {
  out.clear();
  if (BadPath(dir)) return ENOENT;
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  return ListAndClose(fd, out);
}

static_assert(kAccessExists == F_OK && kAccessExecute == X_OK && kAccessWrite == W_OK &&
              kAccessRead == R_OK);
static_assert(kOwnerRead == S_IRUSR && kOwnerWrite == S_IWUSR && kOwnerExecute == S_IXUSR &&
              kOwnerAll == S_IRWXU);

int NativeFileSystem::Access(const std::string& path, int how) {
  if (BadPath(path)) return ENOENT;
  return ::faccessat(AT_FDCWD, path.c_str(), how, AT_EACCESS) == 0 ? 0 : errno;
}

int NativeFileSystem::RealPath(const std::string& path, std::string& out) {
  if (BadPath(path)) return ENOENT;
  std::unique_ptr<char, decltype(&std::free)> p(::realpath(path.c_str(), nullptr), &std::free);
  if (!p) return errno;
  out = p.get();
  return 0;
}

int NativeFileSystem::CurrentDir(std::string& out) {
  std::unique_ptr<char, decltype(&std::free)> p(::getcwd(nullptr, 0), &std::free);
  if (!p) return errno;
  out = p.get();
  return 0;
}

int NativeFileSystem::OpenRead(const std::string& path, int& fd) {
  fd = -1;
  if (BadPath(path)) return ENOENT;
  fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  return fd < 0 ? errno : 0;
}

int NativeFileSystem::Close(int fd) { return ::close(fd) == 0 || errno == EINTR ? 0 : errno; }

int NativeFileSystem::Read(int fd, void* buf, size_t len, size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buf, len);
    if (n >= 0) {
      got = static_cast<size_t>(n);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

int NativeFileSystem::Write(int fd, const void* buf, size_t len) {
  return internal::WriteAllTo(fd, buf, len);
}

int NativeFileSystem::CopyRange(int in, int out, size_t len, size_t& copied) {
  copied = 0;
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, len, 0);
    if (n >= 0) {
      copied = static_cast<size_t>(n);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

int NativeFileSystem::Reserve(int fd, uint64_t size) {
  if (size > static_cast<uint64_t>(INT64_MAX)) return EFBIG;
  for (;;) {
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

int NativeFileSystem::SetMode(int fd, uint32_t mode) {
  return ::fchmod(fd, static_cast<mode_t>(mode & 07777)) == 0 ? 0 : errno;
}

int NativeFileSystem::SetTimes(int fd, const FileTimeSpec* access, const FileTimeSpec* modify) {
  const timespec ts[2] = {ToTimespec(access), ToTimespec(modify)};
  return ::futimens(fd, ts) == 0 ? 0 : errno;
}

int NativeFileSystem::SetTimes(const std::string& path, const FileTimeSpec* access,
                              const FileTimeSpec* modify) {
  if (BadPath(path)) return ENOENT;
  const timespec ts[2] = {ToTimespec(access), ToTimespec(modify)};
  return ::utimensat(AT_FDCWD, path.c_str(), ts, 0) == 0 ? 0 : errno;
}

int NativeFileSystem::Rename(const std::string& from, const std::string& to) {
  if (BadPath(from) || BadPath(to)) return ENOENT;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int NativeFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  if (BadPath(from) || BadPath(to)) return ENOENT;
  return RenameIn(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), false);
}

int NativeFileSystem::Unlink(const std::string& path) {
  if (BadPath(path)) return ENOENT;
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int NativeFileSystem::RemoveDir(const std::string& path) {
  if (BadPath(path)) return ENOENT;
  return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

int NativeFileSystem::MakeDir(const std::string& path, uint32_t mode) {
  if (BadPath(path)) return ENOENT;
  return ::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0 ? 0 : errno;
}

int NativeFileSystem::ReadLink(const std::string& path, std::string& target) {
  if (BadPath(path)) return ENOENT;
  return ReadLinkIn(AT_FDCWD, path.c_str(), target);
}

int NativeFileSystem::MakeSymlink(const std::string& target, const std::string& path) {
  if (BadPath(path) || target.find('\0') != std::string::npos) return ENOENT;
  return ::symlink(target.c_str(), path.c_str()) == 0 ? 0 : errno;
}

int NativeFileSystem::OpenFolder(const std::string& path, bool follow, int& fd) {
  fd = -1;
  if (BadPath(path)) return ENOENT;
  return OpenRetrying(AT_FDCWD, path.c_str(),
                      O_RDONLY | O_DIRECTORY | O_NOCTTY | (follow ? 0 : O_NOFOLLOW), fd);
}

int NativeFileSystem::OpenFolderAt(int dir, const std::string& name, int& fd) {
  fd = -1;
  if (BadName(name)) return EINVAL;
  return OpenRetrying(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NOCTTY, fd);
}

int NativeFileSystem::OpenParent(int dir, int& fd) {
  return OpenRetrying(dir, "..", O_RDONLY | O_DIRECTORY, fd);
}

int NativeFileSystem::ListAt(int dir, std::vector<DirEntry>& out) {
  out.clear();
  // A descriptor of its own, so the listing starts at the first entry and
  // leaves the position of `dir` alone.
  int fd = -1;
  const int err = OpenRetrying(dir, ".", O_RDONLY | O_DIRECTORY, fd);
  return err != 0 ? err : ListAndClose(fd, out);
}

int NativeFileSystem::StatusAt(int dir, const std::string& name, bool follow, FileStatus& out) {
  if (BadName(name)) {
    out = FileStatus{};
    return EINVAL;
  }
  return StatxInto(dir, name.c_str(), follow ? 0 : AT_SYMLINK_NOFOLLOW, out);
}

int NativeFileSystem::OpenReadAt(int dir, const std::string& name, int& fd) {
  fd = -1;
  if (BadName(name)) return EINVAL;
  return OpenRetrying(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY, fd);
}

int NativeFileSystem::UnlinkAt(int dir, const std::string& name, bool folder) {
  if (BadName(name)) return EINVAL;
  return ::unlinkat(dir, name.c_str(), folder ? AT_REMOVEDIR : 0) == 0 ? 0 : errno;
}

int NativeFileSystem::MakeDirAt(int dir, const std::string& name, uint32_t mode) {
  if (BadName(name)) return EINVAL;
  return ::mkdirat(dir, name.c_str(), static_cast<mode_t>(mode)) == 0 ? 0 : errno;
}

int NativeFileSystem::RenameAt(int dir, const std::string& from, const std::string& to,
                              bool replace) {
  if (BadName(from) || BadName(to)) return EINVAL;
  return RenameIn(dir, from.c_str(), dir, to.c_str(), replace);
}

int NativeFileSystem::ReadLinkAt(int dir, const std::string& name, std::string& target) {
  if (BadName(name)) return EINVAL;
  return ReadLinkIn(dir, name.c_str(), target);
}

int NativeFileSystem::MakeSymlinkAt(const std::string& target, int dir, const std::string& name) {
  if (BadName(name)) return EINVAL;
  if (target.find('\0') != std::string::npos) return ENOENT;
  return ::symlinkat(target.c_str(), dir, name.c_str()) == 0 ? 0 : errno;
}

FileSystem& NativeFiles() {
  static NativeFileSystem files;
  return files;
}

}  // namespace zel::platform
