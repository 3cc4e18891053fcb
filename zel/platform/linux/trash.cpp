#include "zel/platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "zel/platform/internal/fd_closer.h"

namespace zel::platform {
namespace {

// Creates every missing folder of `path` with `mode`.
int MakeDirs(const std::string& path, mode_t mode) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    const int err = MakeDirs(path.substr(0, slash), mode);
    if (err != 0) return err;
  }
  if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST) return errno;
  return 0;
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Percent-encoding of a path as the trash entries keep it: unreserved
// characters and "/" stay, every other byte becomes %XX.
std::string EncodePath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : path) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '/' || c == '-' || c == '_' || c == '.' || c == '!' || c == '~' ||
                      c == '*' || c == '\'' || c == '(' || c == ')';
    if (keep) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string DeletionDate() {
  const time_t now = ::time(nullptr);
  struct tm local {};
  ::localtime_r(&now, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
  return buf;
}

// Whether `dir` is a trash folder that only the caller can reach: a real
// folder (not a link) owned by the caller with no access for anyone else.
// It is created (mode 0700) when missing.
bool PrivateFolder(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 077) == 0;
}

// `trash` (a private folder, see above) made ready: its files/ and info/
// folders exist as real folders.
bool TrashReady(const std::string& trash) {
  for (const char* sub : {"/files", "/info"}) {
    const std::string dir = trash + sub;
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  }
  return true;
}

// The trash folder for a file on the mount whose top folder is `top`, made
// ready; empty when the mount offers none. The shared $top/.Trash is used
// only when it is a real sticky folder and the caller's folder in it is
// private to the caller; otherwise the caller's own $top/.Trash-$uid.
// Another user can create names in a sticky folder but cannot remove or
// rename the caller's, so a folder checked here stays the caller's.
std::string MountTrash(const std::string& top) {
  const std::string uid = std::to_string(::getuid());
  const std::string base = top == "/" ? "" : top;
  struct stat st {};
  const std::string shared = base + "/.Trash";
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) {
    const std::string mine = shared + "/" + uid;
    if (PrivateFolder(mine) && TrashReady(mine)) return mine;
  }
  const std::string own = base + "/.Trash-" + uid;
  if (PrivateFolder(own) && TrashReady(own)) return own;
  return {};
}

using internal::FdCloser;

}  // namespace

std::string NativeTrashSystem::HomeTrash() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/Trash";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return std::string(home) + "/.local/share/Trash";
}

std::string NativeTrashSystem::MountTop(const std::string& folder, uint64_t device) {
  // The highest ancestor on the same device.
  std::string top = folder;
  while (top != "/") {
    const std::string up = ParentOf(top);
    struct stat st {};
    if (::stat(up.c_str(), &st) != 0 || st.st_dev != device) break;
    top = up;
  }
  return top;
}

int NativeTrashSystem::MoveToTrash(const std::string& path, std::string& trashed_as) {
  trashed_as.clear();
  if (path.empty() || path.find('\0') != std::string::npos) return EINVAL;
  // A path ending in "/", "." or ".." names no entry of its own to move.
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return EINVAL;
  // The folder holding the entry is resolved by the file system (links and
  // ".." in it included) and held open, so the entry acted on is the one in
  // the folder the path designates, even if names change meanwhile.
  const std::string parent =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int dir = ::open(parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return errno;
  const FdCloser closer{dir};
  char* real = ::realpath(parent.c_str(), nullptr);
  if (real == nullptr) return errno;
  const std::string folder = real;
  std::free(real);
  struct stat held {};
  struct stat named {};
  if (::fstat(dir, &held) != 0) return errno;
  if (::stat(folder.c_str(), &named) != 0) return errno;
  if (held.st_dev != named.st_dev || held.st_ino != named.st_ino) return EAGAIN;  // moved meanwhile
  const std::string full = folder == "/" ? "/" + name : folder + "/" + name;

  struct stat file {};
  if (::fstatat(dir, name.c_str(), &file, AT_SYMLINK_NOFOLLOW) != 0) return errno;

  std::string trash = HomeTrash();
  std::string recorded = full;  // the original path as the entry keeps it
  struct stat home {};
  const bool home_ok = !trash.empty() && MakeDirs(trash + "/files", 0700) == 0 &&
                       MakeDirs(trash + "/info", 0700) == 0 && ::stat(trash.c_str(), &home) == 0;
  if (!home_ok || home.st_dev != file.st_dev) {
    const std::string top = MountTop(folder, file.st_dev);
    trash = MountTrash(top);
    if (trash.empty()) return home_ok ? EXDEV : EACCES;
    recorded = top == "/" ? full.substr(1) : full.substr(top.size() + 1);
  }

  const std::string body =
      "[Trash Info]\nPath=" + EncodePath(recorded) + "\nDeletionDate=" + DeletionDate() + "\n";
  for (int n = 1; n < 100000; ++n) {
    const std::string candidate = n == 1 ? name : name + "." + std::to_string(n);
    const std::string info = trash + "/info/" + candidate + ".trashinfo";
    const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    const ssize_t written = ::write(fd, body.data(), body.size());
    const int write_err = written < 0 ? errno : 0;
    const int close_err = ::close(fd) == 0 ? 0 : errno;
    if (written != static_cast<ssize_t>(body.size()) || close_err != 0) {
      const int err = write_err != 0 ? write_err : (close_err != 0 ? close_err : ENOSPC);
      ::unlink(info.c_str());
      return err;
    }
    const std::string target = trash + "/files/" + candidate;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {  // a stray file without entry
      ::unlink(info.c_str());
      continue;
    }
    if (::renameat(dir, name.c_str(), AT_FDCWD, target.c_str()) != 0) {
      const int err = errno;
      ::unlink(info.c_str());
      return err;
    }
    trashed_as = target;
    return 0;
  }
  return EEXIST;
}

TrashSystem& NativeTrash() {
  static NativeTrashSystem trash;
  return trash;
}

}  // namespace zel::platform
