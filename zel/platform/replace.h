// Replacing a whole file: the system steps under the runtime's safe
// replacement (TSafeFileStream), which decides what to do with them.
//
// A target is named by a path, or by an entry name within an open folder
// (`folder` >= 0, a descriptor the caller keeps open); a negative `folder`
// means that the path is taken as it is (relative names from the current
// directory). Paths are native paths (bytes, no NUL). Descriptors opened here
// are close-on-exec and belong to the caller, who flushes and closes them with
// Descriptors() (descriptors.h). Every operation returns 0 or the errno value
// of the failure and never raises. The implementation in force is Replace();
// tests substitute one with SetReplaceBackend (see backend.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "zel/export.h"

namespace zel::platform {

// What the replacement needs to know of an existing target.
struct ReplaceTarget {
  // The kinds of entry: a regular file, a folder, a symbolic link (seen only
  // when not following links), anything else (devices, FIFOs, sockets).
  enum class Kind : uint8_t { kRegular, kDirectory, kSymlink, kOther };
  Kind kind = Kind::kOther;  // what the entry is
  uint32_t mode = 0;   // permission bits (07777)
  uint32_t owner = 0;  // user id
  uint32_t group = 0;  // group id
  uint64_t links = 0;  // how many names the file has (hard links)
};

// The replacement concern.
class ZEL_API ReplaceServices {
 public:
  virtual ~ReplaceServices();
  // The status of `path` (of `folder`), following a final symbolic link
  // when `follow`, into `out`; ENOENT when nothing has that name.
  virtual int Inspect(int folder, const std::string& path, bool follow, ReplaceTarget& out) = 0;
  // Whether this process may write the file `path` (of `folder`): 0 when it
  // may. With `effective_ids` the check uses the effective user and group,
  // otherwise the real ones (as an ordinary open of the file would be judged
  // for a program that was not started with other rights).
  virtual int CheckWritable(int folder, const std::string& path, bool effective_ids) = 0;
  // The text of the symbolic link `path` into `text`; EINVAL when `path` is
  // not a link, ENOENT when nothing has that name.
  virtual int ReadLink(const std::string& path, std::string& text) = 0;
  // Fills `len` bytes at `out` with random bytes from the system; EAGAIN (or
  // the failure) when it cannot, and `out` is then unchanged.
  virtual int RandomBytes(void* out, size_t len) = 0;
  // Creates `path` (of `folder`) for reading and writing with the permission
  // bits `mode` (less the umask), exclusively: EEXIST when anything,
  // a symbolic link too, already has that name. `fd` receives the
  // descriptor (-1 on failure).
  virtual int CreateExclusive(int folder, const std::string& path, uint32_t mode, int& fd) = 0;
  // Opens an anonymous file (no name, gone when closed) for reading and
  // writing, readable by its owner only, in the system's temporary folder;
  // `fd` receives the descriptor (-1 on failure).
  virtual int OpenAnonymous(int& fd) = 0;
  // Opens the existing `path` for writing and cuts it to empty, following
  // its links, going on after an interrupted open (devices, FIFOs, the names
  // of open descriptors); `fd` receives the descriptor (-1 on failure).
  virtual int OpenTruncating(const std::string& path, int& fd) = 0;
  // Opens the existing file `path` (of `folder`) for writing without cutting
  // it; with `no_follow` a symbolic link under that name is refused (ELOOP).
  // `fd` receives the descriptor (-1 on failure).
  virtual int OpenForRewrite(int folder, const std::string& path, bool no_follow, int& fd) = 0;
  // Copies the whole of the file open as `from` (from its start, whatever
  // the positions) over the start of the file open as `to`, cuts `to` to that
  // length and flushes it to the disk.
  virtual int CopyOver(int from, int to) = 0;
  // Gives the file open as `fd` the owner and group `owner`/`group`.
  virtual int SetOwner(int fd, uint32_t owner, uint32_t group) = 0;
  // Sets the permission bits of the file open as `fd` to `mode` (07777).
  virtual int SetMode(int fd, uint32_t mode) = 0;
  // Renames `from` to `to`, both of `folder`, replacing what `to` names.
  virtual int Rename(int folder, const std::string& from, const std::string& to) = 0;
  // Removes the name `path` (of `folder`), which is not a folder.
  virtual int Remove(int folder, const std::string& path) = 0;
  // Flushes the entries of the open folder `folder` to the disk.
  virtual int SyncFolder(int folder) = 0;
  // Flushes the entries of the folder `path` to the disk.
  virtual int SyncFolderNamed(const std::string& path) = 0;
};

// The Linux implementation (fstatat, faccessat, readlink, getrandom, openat
// with O_EXCL | O_NOFOLLOW, O_TMPFILE, pread / pwrite, ftruncate, fsync,
// fchown, fchmod, renameat, unlinkat).
// The Windows implementation keeps handles in the descriptors and names an
// entry of an open folder through the folder's final path: CreateFileW with
// CREATE_NEW (which no name, a link neither, lets through), RtlGenRandom,
// FSCTL_GET_REPARSE_POINT for symbolic links and junctions, a delete-on-close
// file in the temporary folder for OpenAnonymous. The mode is the read-only
// attribute (0444 or 0666 as Inspect reports it, read-only set by SetMode
// when no one may write), and CheckWritable refuses a read-only file for
// every account. Rename replaces an existing file with ReplaceFileW, which
// keeps its owner and access list (so SetOwner does nothing), carries its
// hidden, system, archive and not-indexed attributes over, refuses a
// read-only file and reports one open elsewhere without delete sharing
// (EBUSY) without touching it; a new file is moved in place with MoveFileExW
// (MOVEFILE_WRITE_THROUGH). SyncFolder and SyncFolderNamed do nothing: NTFS
// journals its names, and the rename is done once it returns.
class ZEL_API NativeReplaceServices : public ReplaceServices {
 public:
  int Inspect(int folder, const std::string& path, bool follow, ReplaceTarget& out) override;
  int CheckWritable(int folder, const std::string& path, bool effective_ids) override;
  int ReadLink(const std::string& path, std::string& text) override;
  int RandomBytes(void* out, size_t len) override;
  int CreateExclusive(int folder, const std::string& path, uint32_t mode, int& fd) override;
  int OpenAnonymous(int& fd) override;
  int OpenTruncating(const std::string& path, int& fd) override;
  int OpenForRewrite(int folder, const std::string& path, bool no_follow, int& fd) override;
  int CopyOver(int from, int to) override;
  int SetOwner(int fd, uint32_t owner, uint32_t group) override;
  int SetMode(int fd, uint32_t mode) override;
  int Rename(int folder, const std::string& from, const std::string& to) override;
  int Remove(int folder, const std::string& path) override;
  int SyncFolder(int folder) override;
  int SyncFolderNamed(const std::string& path) override;
};

// The process's native implementation (built on first use).
ZEL_API ReplaceServices& NativeReplace();
// The implementation in force, which the runtime's safe replacement calls.
ZEL_API ReplaceServices& Replace();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API ReplaceServices* SetReplaceBackend(ReplaceServices* backend);

}  // namespace zel::platform
