// Files and directories: status and identity, the three time stamps, listing,
// creation, copying of data, renaming and removal.
//
// Paths are byte strings as the kernel takes them (UTF-8 by convention).
// Every operation returns 0 on success or the errno value of the failure and
// never raises, so the modules decide what a failure means to their callers.
// A path that is empty or holds a NUL byte gives ENOENT.
// Descriptors opened here are close-on-exec (Windows: handles that are not
// inherited) and belong to the caller, who closes them with Close().
//
// The implementation in force is Files(); tests install a subclass of
// NativeFileSystem that overrides one operation (a write that reports ENOSPC, a
// rename that reports EACCES) with SetFilesBackend or ScopedBackend (see
// backend.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zel/export.h"

namespace zel::platform {

// A point in time as the kernel keeps it: seconds and nanoseconds since
// 1970-01-01 00:00 UTC.
struct FileTimeSpec {
  int64_t sec = 0;   // whole seconds (negative before 1970)
  int32_t nsec = 0;  // nanoseconds within the second, 0 to 999999999
};

// What a name refers to: nothing (kMissing), a regular file, a directory, a
// symbolic link, or anything else (device, pipe, socket).
enum class FileKind : uint8_t { kMissing, kRegular, kDirectory, kSymlink, kOther };

// What the file system records about one file.
struct FileStatus {
  FileKind kind = FileKind::kMissing;  // kMissing when the status could not be read
  uint32_t mode = 0;                   // permission bits (07777)
  uint64_t size = 0;                   // bytes (for a link: the length of its target)
  uint64_t device = 0;                 // device and inode together identify the file
  uint64_t inode = 0;                  // the file's number on its device
  FileTimeSpec access;                 // last access
  FileTimeSpec modify;                 // last modification of the data
  FileTimeSpec change;     // last change of the data or of the status (mode, owner, links)
  FileTimeSpec birth;      // creation; valid only when has_birth
  bool has_birth = false;  // the file system records a creation time

  // Whether this status and other describe the same existing file (same
  // device and inode); false when either is kMissing.
  bool SameFile(const FileStatus& other) const {
    return kind != FileKind::kMissing && other.kind != FileKind::kMissing &&
           device == other.device && inode == other.inode;
  }
};

// What Access tests; they combine with |.
inline constexpr int kAccessExists = 0;   // the name exists
inline constexpr int kAccessExecute = 1;  // may be executed (a folder: entered)
inline constexpr int kAccessWrite = 2;    // may be written
inline constexpr int kAccessRead = 4;     // may be read

// The owner's permission bits of FileStatus::mode.
inline constexpr uint32_t kOwnerRead = 0400;     // the owner may read
inline constexpr uint32_t kOwnerWrite = 0200;    // the owner may write
inline constexpr uint32_t kOwnerExecute = 0100;  // the owner may execute (enter)
inline constexpr uint32_t kOwnerAll = 0700;  // read, write and execute

// One entry of a directory listing.
struct DirEntry {
  std::string name;                  // the entry's name, without folder
  FileKind kind = FileKind::kOther;  // of the entry itself (a link is kSymlink)
};

// The files concern: every file and directory operation the modules need.
class ZEL_API FileSystem {
 public:
  virtual ~FileSystem();

  // Status of `path`, stored in `out`; `follow` decides whether a final
  // symbolic link is followed. A missing file gives ENOENT (kind stays
  // kMissing); on any failure `out` is reset.
  virtual int Status(const std::string& path, bool follow, FileStatus& out) = 0;
  // Status of the open descriptor fd, stored in `out` (reset on failure;
  // EBADF for a descriptor that is not open).
  virtual int StatusOf(int fd, FileStatus& out) = 0;
  // Replaces `out` with the entries of the directory `dir` except "." and
  // "..", in the order the file system returns them. Returns ENOTDIR,
  // ENOENT, EACCES... when it cannot be opened (`out` empty), or the error
  // of a failed read (`out` then holds the entries read before it).
  virtual int List(const std::string& dir, std::vector<DirEntry>& out) = 0;
  // Tests `path` for `how` (kAccessWrite, kAccessExecute, kAccessRead, or
  // kAccessExists for existence) with the
  // effective ids; 0 when allowed, else EACCES, ENOENT... It also reports a
  // read-only mount (EROFS) for kAccessWrite.
  virtual int Access(const std::string& path, int how) = 0;
  // Absolute path of `path` without "." "..", or symbolic links, stored in
  // `out`; the file must exist (ENOENT otherwise; `out` unchanged on
  // failure).
  virtual int RealPath(const std::string& path, std::string& out) = 0;
  // The absolute path of the current directory, stored in `out` (unchanged
  // on failure, for example ENOENT when the directory was removed).
  virtual int CurrentDir(std::string& out) = 0;

  // Opens `path` for reading (close-on-exec, never as controlling terminal)
  // and stores the descriptor in `fd`, which is -1 on failure (ENOENT,
  // EACCES, ...).
  virtual int OpenRead(const std::string& path, int& fd) = 0;
  // Closes the descriptor fd. An interrupted close counts as done (the
  // descriptor is released all the same); EBADF for one that is not open.
  virtual int Close(int fd) = 0;
  // Reads up to `len` bytes from `fd` into `buf`, retrying after an
  // interruption; `got` = 0 at the end of the file (and on failure).
  virtual int Read(int fd, void* buf, size_t len, size_t& got) = 0;
  // Writes all `len` bytes of `buf` to `fd`, looping over short writes and
  // interruptions. Returns the first error (ENOSPC, EIO, ...); some of the
  // bytes may have been written by then.
  virtual int Write(int fd, const void* buf, size_t len) = 0;
  // Copies up to `len` bytes from the current position of `in` to that of
  // `out` inside the kernel (no copy through user memory); `copied` = 0 at
  // the end of the file. ENOSYS, EXDEV, EINVAL or EOPNOTSUPP on the first
  // call mean "not possible between these two files": use Read and Write.
  virtual int CopyRange(int in, int out, size_t len, size_t& copied) = 0;
  // Allocates `size` bytes of disk space for the file open as `fd` up front,
  // so a disk too full for it is found before anything is written (ENOSPC).
  // The file's length is unchanged: it grows only as bytes are written, so a
  // writer that ends early never leaves zeros behind its data.
  // EOPNOTSUPP where the file system cannot do it, EFBIG for a size beyond
  // the largest file offset.
  virtual int Reserve(int fd, uint64_t size) = 0;
  // Sets the permission bits of the file open as fd to mode (only 07777 is
  // used); EPERM when the caller does not own the file.
  virtual int SetMode(int fd, uint32_t mode) = 0;
  // Access and modification times of the file open as `fd`, or of the file
  // at `path` (a symbolic link is followed); a null `access` or `modify`
  // leaves that time alone. Returns EPERM/EACCES when the times may not be
  // set, ENOENT for a missing path.
  virtual int SetTimes(int fd, const FileTimeSpec* access, const FileTimeSpec* modify) = 0;
  virtual int SetTimes(const std::string& path, const FileTimeSpec* access,
                       const FileTimeSpec* modify) = 0;

  // Renames from to to, replacing a file that has the name `to` (atomic on
  // one file system; EXDEV across file systems).
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Renames `from` to `to` but fails with EEXIST instead of replacing
  // another file. Where the file system cannot refuse atomically, the name is
  // tested first (a narrow race, but never a silent replacement of a file
  // that was there before the call).
  virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;
  // Removes `path`, a name that is not a directory (a symbolic link itself,
  // never its target); EISDIR or EPERM for a directory.
  virtual int Unlink(const std::string& path) = 0;
  // Removes the empty directory path; ENOTEMPTY when it holds entries.
  virtual int RemoveDir(const std::string& path) = 0;
  // Creates the directory path with the permission bits mode (less the
  // process's umask); EEXIST when the name is taken, ENOENT when its parent
  // is missing.
  virtual int MakeDir(const std::string& path, uint32_t mode) = 0;
  // The text of the symbolic link path, whatever its length, stored in
  // target (unchanged on failure; EINVAL when path is not a link).
  virtual int ReadLink(const std::string& path, std::string& target) = 0;
  // Creates path as a symbolic link whose text is target (which need not
  // exist); EEXIST when the name is taken.
  virtual int MakeSymlink(const std::string& target, const std::string& path) = 0;

  // Entries of an open folder. Tree walks (see tree_walk.h) open each folder
  // once and reach its entries through the folder's descriptor `dir`, never
  // by resolving a path again, so a folder renamed or replaced during the
  // walk cannot redirect them. `name` is a single entry name: one holding "/"
  // or a NUL byte, "", "." and ".." give EINVAL. None of these follows a
  // symbolic link named by `name` unless `follow` says so.
  //
  // Opens the folder `path` (following a final link when `follow`, ELOOP
  // otherwise; ENOTDIR for anything else) and stores its descriptor in `fd`
  // (-1 on failure).
  virtual int OpenFolder(const std::string& path, bool follow, int& fd) = 0;
  // Opens the sub-folder `name` of `dir` and stores its descriptor in `fd`
  // (-1 on failure; ELOOP or ENOTDIR for a link or any other kind of entry).
  virtual int OpenFolderAt(int dir, const std::string& name, int& fd) = 0;
  // Opens the folder above `dir` (`dir` itself at the root of the system)
  // and stores its descriptor in `fd` (-1 on failure).
  virtual int OpenParent(int dir, int& fd) = 0;
  // Replaces `out` with the entries of the open folder `dir`, as List gives
  // them; `dir` keeps its position and stays open.
  virtual int ListAt(int dir, std::vector<DirEntry>& out) = 0;
  // Status of the entry `name` of `dir`, stored in `out`, following a link
  // only when `follow` (see Status).
  virtual int StatusAt(int dir, const std::string& name, bool follow, FileStatus& out) = 0;
  // Opens the entry `name` of `dir` for reading and stores the descriptor
  // in `fd` (-1 on failure; ELOOP for a link).
  virtual int OpenReadAt(int dir, const std::string& name, int& fd) = 0;
  // Removes the entry `name` of `dir`: the empty folder when `folder`
  // (ENOTDIR when it is none, ENOTEMPTY), otherwise any other entry (a link
  // itself; EISDIR for a folder).
  virtual int UnlinkAt(int dir, const std::string& name, bool folder) = 0;
  // Creates the folder `name` in `dir` with the permission bits mode (less
  // the umask); EEXIST when the name is taken, by whatever kind of entry.
  virtual int MakeDirAt(int dir, const std::string& name, uint32_t mode) = 0;
  // Renames the entry `from` of `dir` to `to` in the same folder; with
  // `replace` false it fails with EEXIST instead of replacing an entry (see
  // RenameNoReplace).
  virtual int RenameAt(int dir, const std::string& from, const std::string& to, bool replace) = 0;
  // The text of the symbolic link `name` of `dir`, stored in `target` (see
  // ReadLink).
  virtual int ReadLinkAt(int dir, const std::string& name, std::string& target) = 0;
  // Creates the entry `name` of `dir` as a symbolic link whose text is
  // `target` (see MakeSymlink).
  virtual int MakeSymlinkAt(const std::string& target, int dir, const std::string& name) = 0;
};

// The native implementation. Linux: statx (for the creation time), getdents
// through opendir, copy_file_range, fallocate, renameat2 and utimensat; the
// entries of open folders through openat, unlinkat, mkdirat, readlinkat and
// symlinkat with O_NOFOLLOW.
// Windows: descriptors hold handles from CreateFileW, shared for reading,
// writing and deletion and not inherited; the volume serial number and file
// index are the device and inode; the mode has the owner-write bit from the
// read-only attribute (SetMode sets that attribute); symbolic links and
// junctions are kSymlink and are removed, renamed and read as links
// (FSCTL_GET_REPARSE_POINT, CreateSymbolicLinkW); CopyRange reports ENOSYS;
// Rename refuses to replace a read-only file (EACCES). Open folders are
// handles that never follow a link; their entries are reached through the
// folder's final path, and an entry found outside that folder gives
// kEntryReplaced.
class ZEL_API NativeFileSystem : public FileSystem {
 public:
  int Status(const std::string& path, bool follow, FileStatus& out) override;
  int StatusOf(int fd, FileStatus& out) override;
  int List(const std::string& dir, std::vector<DirEntry>& out) override;
  int Access(const std::string& path, int how) override;
  int RealPath(const std::string& path, std::string& out) override;
  int CurrentDir(std::string& out) override;
  int OpenRead(const std::string& path, int& fd) override;
  int Close(int fd) override;
  int Read(int fd, void* buf, size_t len, size_t& got) override;
  int Write(int fd, const void* buf, size_t len) override;
  int CopyRange(int in, int out, size_t len, size_t& copied) override;
  int Reserve(int fd, uint64_t size) override;
  int SetMode(int fd, uint32_t mode) override;
  int SetTimes(int fd, const FileTimeSpec* access, const FileTimeSpec* modify) override;
  int SetTimes(const std::string& path, const FileTimeSpec* access,
               const FileTimeSpec* modify) override;
  int Rename(const std::string& from, const std::string& to) override;
  int RenameNoReplace(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
  int RemoveDir(const std::string& path) override;
  int MakeDir(const std::string& path, uint32_t mode) override;
  int ReadLink(const std::string& path, std::string& target) override;
  int MakeSymlink(const std::string& target, const std::string& path) override;
  int OpenFolder(const std::string& path, bool follow, int& fd) override;
  int OpenFolderAt(int dir, const std::string& name, int& fd) override;
  int OpenParent(int dir, int& fd) override;
  int ListAt(int dir, std::vector<DirEntry>& out) override;
  int StatusAt(int dir, const std::string& name, bool follow, FileStatus& out) override;
  int OpenReadAt(int dir, const std::string& name, int& fd) override;
  int UnlinkAt(int dir, const std::string& name, bool folder) override;
  int MakeDirAt(int dir, const std::string& name, uint32_t mode) override;
  int RenameAt(int dir, const std::string& from, const std::string& to, bool replace) override;
  int ReadLinkAt(int dir, const std::string& name, std::string& target) override;
  int MakeSymlinkAt(const std::string& target, int dir, const std::string& name) override;
};

// The process's native implementation (built on first use).
ZEL_API FileSystem& NativeFiles();
// The implementation in force, which the modules call.
ZEL_API FileSystem& Files();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API FileSystem* SetFilesBackend(FileSystem* backend);

}  // namespace zel::platform
