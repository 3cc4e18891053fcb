// Open file descriptors and the identity of files: opening a file, reading,
// moving the position, writing, setting the size, flushing to the disk,
// closing, and telling whether two names reach one file.
//
// The runtime's file streams and text files, the file services' text files,
// and the tool's
// standard output and temporary copies, go through these operations. Paths are
// native paths (bytes, no NUL); descriptors are opened close-on-exec. Every operation returns 0 or
// the errno value of the failure and never raises. The implementation in force is Descriptors();
// tests substitute one with SetDescriptorsBackend (see backend.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "zel/export.h"

namespace zel::platform {

// What identifies a file, and its kind.
struct FileIdentity {
  uint64_t device = 0;     // the file system holding it
  uint64_t inode = 0;      // the file within that file system
  bool regular = false;    // a regular file
  bool directory = false;  // a directory
  uint64_t size = 0;       // in bytes (meaningful for a regular file)
};

// How OpenFile opens a file.
enum class OpenFor : uint8_t {
  kReading,    // read only
  kAppending,  // write only, every write at the end; the file must exist
  kWriting,    // write only, from the start, nothing cut; the file must exist
  kUpdating,   // read and write, nothing cut; the file must exist
  kCreating,   // read and write, created (mode 0666 less the umask) or cut
               // to empty
};

// Where Seek counts the offset from.
enum class SeekFrom : uint8_t { kStart, kCurrent, kEnd };

// Writes all `len` bytes at `data` to where a stream's bytes go; returns 0 or
// the errno value of the failure.
using WriteFunction = int (*)(const char* data, size_t len);

// The descriptor concern.
class ZEL_API DescriptorServices {
 public:
  virtual ~DescriptorServices();
  // Opens the existing file `path` as `how` says; `fd` receives the
  // descriptor (-1 on failure). A directory opens for reading like a file
  // (its reads fail with EISDIR); Identify tells it apart.
  virtual int OpenFile(const std::string& path, OpenFor how, int& fd) = 0;
  // Reads at most `len` bytes from `fd` into `buffer`, going on after an
  // interrupted read; `got` receives the count, 0 at the end of the file.
  virtual int Read(int fd, void* buffer, size_t len, size_t& got) = 0;
  // Moves the position of `fd` back to the start of the file; fails (ESPIPE)
  // for pipes and terminals.
  virtual int Rewind(int fd) = 0;
  // Moves the position of `fd` to `offset` counted from `from`; `position`
  // receives the new position (-1 on failure).
  virtual int Seek(int fd, int64_t offset, SeekFrom from, int64_t& position) = 0;
  // Writes at most `len` bytes at `data` to `fd` in one write, going on after
  // an interrupted one; `written` receives the count. On failure errno holds
  // the error too (Linux: set by write; Windows: set to match).
  virtual int WriteSome(int fd, const void* data, size_t len, size_t& written) = 0;
  // Sets the size of the file open as `fd` to `size` bytes.
  virtual int Truncate(int fd, uint64_t size) = 0;
  // Writes all `len` bytes at `data` to the open descriptor `fd`, going on
  // after interrupted and partial writes (EIO when the system writes
  // nothing).
  virtual int WriteAll(int fd, const void* data, size_t len) = 0;
  // Flushes what was written to `fd` to the disk.
  virtual int Sync(int fd) = 0;
  // Closes `fd`; not retried when interrupted (the descriptor is gone then).
  virtual int Close(int fd) = 0;
  // The identity of the file `path` names (links followed) into `id`.
  virtual int Identify(const std::string& path, FileIdentity& id) = 0;
  // The identity of the file open as `fd` into `id`.
  virtual int IdentifyOpen(int fd, FileIdentity& id) = 0;
  // Whether this process may read the file `path` names: 0 when it may.
  virtual int CheckReadable(const std::string& path) = 0;
  // A stdio stream for writing whose bytes go to `write` (in the pieces the
  // stream's buffering makes); a failed `write` fails the stream's write with
  // errno set to its result. Null when no such stream can be made. The
  // stream lives until it is closed.
  virtual std::FILE* OpenWriteFunctionStream(WriteFunction write) = 0;
};

// The native implementation. Linux: open, read, lseek, write, ftruncate,
// fsync, close, stat, fstat, access; fopencookie for the function stream.
// Windows: CreateFileW handles in the descriptors (0, 1 and 2 are the
// standard handles), ReadFile, SetFilePointerEx, WriteFile, the end of file
// set by handle, FlushFileBuffers, CloseHandle, GetFileInformationByHandle;
// there is no function stream (OpenWriteFunctionStream gives null).
class ZEL_API NativeDescriptorServices : public DescriptorServices {
 public:
  int OpenFile(const std::string& path, OpenFor how, int& fd) override;
  int Read(int fd, void* buffer, size_t len, size_t& got) override;
  int Rewind(int fd) override;
  int Seek(int fd, int64_t offset, SeekFrom from, int64_t& position) override;
  int WriteSome(int fd, const void* data, size_t len, size_t& written) override;
  int Truncate(int fd, uint64_t size) override;
  int WriteAll(int fd, const void* data, size_t len) override;
  int Sync(int fd) override;
  int Close(int fd) override;
  int Identify(const std::string& path, FileIdentity& id) override;
  int IdentifyOpen(int fd, FileIdentity& id) override;
  int CheckReadable(const std::string& path) override;
  std::FILE* OpenWriteFunctionStream(WriteFunction write) override;
};

// The process's native implementation (built on first use).
ZEL_API DescriptorServices& NativeDescriptors();
// The implementation in force, which the modules and the tool call.
ZEL_API DescriptorServices& Descriptors();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API DescriptorServices* SetDescriptorsBackend(DescriptorServices* backend);

}  // namespace zel::platform
