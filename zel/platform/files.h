// Files and directories: status and identity, the three time stamps, listing,
// creation, copying of data, renaming and removal.
//
// Paths are byte strings as the kernel takes them (UTF-8 by convention).
// Every operation returns 0 on success or the errno value of the failure and
// never raises, so the modules decide what a failure means to their callers.
// Descriptors opened here are close-on-exec and belong to the caller, who
// closes them with Close().
//
// The implementation in force is Files(); tests install a subclass of
// LinuxFileSystem that overrides one operation (a write that reports ENOSPC, a
// rename that reports EACCES) with SetFilesBackend or ScopedBackend (see
// backend.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zel/runtime/export.h"

namespace zel::platform {

// A point in time as the kernel keeps it: seconds and nanoseconds since
// 1970-01-01 00:00 UTC.
struct FileTimeSpec {
  int64_t sec = 0;
  int32_t nsec = 0;
};

enum class FileKind : uint8_t { kMissing, kRegular, kDirectory, kSymlink, kOther };

struct FileStatus {
  FileKind kind = FileKind::kMissing;
  uint32_t mode = 0;  // permission bits (07777)
  uint64_t size = 0;
  uint64_t device = 0;  // device and inode together identify the file
  uint64_t inode = 0;
  FileTimeSpec access, modify, change, birth;
  bool has_birth = false;  // the file system records a creation time

  bool SameFile(const FileStatus& other) const {
    return kind != FileKind::kMissing && other.kind != FileKind::kMissing &&
           device == other.device && inode == other.inode;
  }
};

struct DirEntry {
  std::string name;
  FileKind kind = FileKind::kOther;  // of the entry itself (a link is kSymlink)
};

class ZEL_API FileSystem {
 public:
  virtual ~FileSystem();

  // Status of `path`; `follow` decides whether a final symbolic link is
  // followed. A missing file gives ENOENT (kind stays kMissing).
  virtual int Status(const std::string& path, bool follow, FileStatus& out) = 0;
  virtual int StatusOf(int fd, FileStatus& out) = 0;
  // The entries of a directory except "." and "..", in the order the file
  // system returns them.
  virtual int List(const std::string& dir, std::vector<DirEntry>& out) = 0;
  // W_OK/X_OK/R_OK test with the effective ids; also reports a read-only
  // mount (EROFS).
  virtual int Access(const std::string& path, int how) = 0;
  // Absolute path without "." "..", or symbolic links.
  virtual int RealPath(const std::string& path, std::string& out) = 0;
  virtual int CurrentDir(std::string& out) = 0;

  virtual int OpenRead(const std::string& path, int& fd) = 0;
  virtual int Close(int fd) = 0;
  // Reads up to `len` bytes; `got` = 0 at the end of the file.
  virtual int Read(int fd, void* buf, size_t len, size_t& got) = 0;
  // Writes all `len` bytes.
  virtual int Write(int fd, const void* buf, size_t len) = 0;
  // Copies up to `len` bytes from the current position of `in` to that of
  // `out` inside the kernel (no copy through user memory); `copied` = 0 at
  // the end of the file. ENOSYS, EXDEV, EINVAL or EOPNOTSUPP on the first
  // call mean "not possible between these two files": use Read and Write.
  virtual int CopyRange(int in, int out, size_t len, size_t& copied) = 0;
  // Allocates `size` bytes of disk space for the file up front, so a disk
  // too full for it is found before anything is written (ENOSPC).
  // EOPNOTSUPP where the file system cannot do it.
  virtual int Reserve(int fd, uint64_t size) = 0;
  virtual int SetMode(int fd, uint32_t mode) = 0;
  // Access and modification times; a null pointer leaves that time alone.
  virtual int SetTimes(int fd, const FileTimeSpec* access, const FileTimeSpec* modify) = 0;
  virtual int SetTimes(const std::string& path, const FileTimeSpec* access,
                       const FileTimeSpec* modify) = 0;

  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Rename that fails with EEXIST instead of replacing another file.
  virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;
  // Removes a name that is not a directory (a symbolic link itself, never
  // its target).
  virtual int Unlink(const std::string& path) = 0;
  virtual int RemoveDir(const std::string& path) = 0;
  virtual int MakeDir(const std::string& path, uint32_t mode) = 0;
  virtual int ReadLink(const std::string& path, std::string& target) = 0;
  virtual int MakeSymlink(const std::string& target, const std::string& path) = 0;
};

// The Linux implementation: statx (for the creation time), getdents through
// opendir, copy_file_range, fallocate, renameat2 and utimensat.
class ZEL_API LinuxFileSystem : public FileSystem {
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
};

ZEL_API FileSystem& LinuxFiles();
ZEL_API FileSystem& Files();
ZEL_API FileSystem* SetFilesBackend(FileSystem* backend);

}  // namespace zel::platform
