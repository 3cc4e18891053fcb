#include "zel/platform/replace.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace zel::platform {
namespace {

// The folder that `path` starts from: `folder`, or the current directory.
int At(int folder) { return folder >= 0 ? folder : AT_FDCWD; }

// Writes all of `len` bytes at `offset`; false with errno set on failure.
bool WriteAllAt(int fd, const char* data, size_t len, off_t offset) {
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

}  // namespace

int NativeReplaceServices::Inspect(int folder, const std::string& path, bool follow,
                                  ReplaceTarget& out) {
  out = ReplaceTarget();
  struct stat st {};
  if (::fstatat(At(folder), path.c_str(), &st, follow ? 0 : AT_SYMLINK_NOFOLLOW) != 0) return errno;
  out.kind = S_ISREG(st.st_mode)   ? ReplaceTarget::Kind::kRegular
             : S_ISDIR(st.st_mode) ? ReplaceTarget::Kind::kDirectory
             : S_ISLNK(st.st_mode) ? ReplaceTarget::Kind::kSymlink
                                   : ReplaceTarget::Kind::kOther;
  out.mode = static_cast<uint32_t>(st.st_mode & 07777);
  out.owner = st.st_uid;
  out.group = st.st_gid;
  out.links = st.st_nlink;
  return 0;
}

int NativeReplaceServices::CheckWritable(int folder, const std::string& path, bool effective_ids) {
  return ::faccessat(At(folder), path.c_str(), W_OK, effective_ids ? AT_EACCESS : 0) == 0 ? 0
                                                                                          : errno;
}

int NativeReplaceServices::ReadLink(const std::string& path, std::string& text) {
  std::string buf(4096, '\0');
  const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
  if (n < 0) return errno;
  buf.resize(static_cast<size_t>(n));
  text = std::move(buf);
  return 0;
}

int NativeReplaceServices::RandomBytes(void* out, size_t len) {
  const ssize_t n = ::getrandom(out, len, 0);
  if (n == static_cast<ssize_t>(len)) return 0;
  return n < 0 ? errno : EAGAIN;
}

int NativeReplaceServices::CreateExclusive(int folder, const std::string& path, uint32_t mode,
                                          int& fd) {
  fd = ::openat(At(folder), path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                static_cast<mode_t>(mode));
  return fd < 0 ? errno : 0;
}

int NativeReplaceServices::OpenAnonymous(int& fd) {
  fd = ::open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  return fd < 0 ? errno : 0;
}

int NativeReplaceServices::OpenTruncating(const std::string& path, int& fd) {
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? errno : 0;
}

int NativeReplaceServices::OpenForRewrite(int folder, const std::string& path, bool no_follow,
                                         int& fd) {
  fd = ::openat(At(folder), path.c_str(), O_WRONLY | O_CLOEXEC | (no_follow ? O_NOFOLLOW : 0));
  return fd < 0 ? errno : 0;
}

int NativeReplaceServices::CopyOver(int from, int to) {
  char buf[1 << 16];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = ::pread(from, buf, sizeof buf, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    if (!WriteAllAt(to, buf, static_cast<size_t>(n), offset)) return errno;
    offset += n;
  }
  if (::ftruncate(to, offset) != 0 || ::fsync(to) != 0) return errno;
  return 0;
}

int NativeReplaceServices::SetOwner(int fd, uint32_t owner, uint32_t group) {
  return ::fchown(fd, owner, group) == 0 ? 0 : errno;
}

int NativeReplaceServices::SetMode(int fd, uint32_t mode) {
  return ::fchmod(fd, static_cast<mode_t>(mode & 07777)) == 0 ? 0 : errno;
}

int NativeReplaceServices::Rename(int folder, const std::string& from, const std::string& to) {
  return ::renameat(At(folder), from.c_str(), At(folder), to.c_str()) == 0 ? 0 : errno;
}

int NativeReplaceServices::Remove(int folder, const std::string& path) {
  return ::unlinkat(At(folder), path.c_str(), 0) == 0 ? 0 : errno;
}

int NativeReplaceServices::SyncFolder(int folder) { return ::fsync(folder) == 0 ? 0 : errno; }

int NativeReplaceServices::SyncFolderNamed(const std::string& path) {
  const int dir = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return errno;
  const int err = ::fsync(dir) == 0 ? 0 : errno;
  ::close(dir);
  return err;
}

ReplaceServices& NativeReplace() {
  static NativeReplaceServices replace;
  return replace;
}

}  // namespace zel::platform
