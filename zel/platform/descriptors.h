// Open file descriptors and the identity of files: writing all of a block,
// flushing to the disk, closing, and telling whether two names reach one
// file.
//
// The tool writes its standard output and its temporary copies through these
// operations. Every operation returns 0 or the errno value of the failure and
// never raises. The implementation in force is Descriptors(); tests
// substitute one with SetDescriptorsBackend (see backend.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "zel/export.h"

namespace zel::platform {

// What identifies a file, and its kind.
struct FileIdentity {
  uint64_t device = 0;  // the file system holding it
  uint64_t inode = 0;   // the file within that file system
  bool regular = false;
  bool directory = false;
};

// The descriptor concern.
class ZEL_API DescriptorServices {
 public:
  virtual ~DescriptorServices();
  // Writes all `len` bytes at `data` to the open descriptor `fd`, going on
  // after interrupted and partial writes.
  virtual int WriteAll(int fd, const void* data, size_t len) = 0;
  // Flushes what was written to `fd` to the disk.
  virtual int Sync(int fd) = 0;
  // Closes `fd`; not retried when interrupted (the descriptor is gone then).
  virtual int Close(int fd) = 0;
  // The identity of the file `path` names (links followed) into `id`.
  virtual int Identify(const std::string& path, FileIdentity& id) = 0;
  // Whether this process may read the file `path` names: 0 when it may.
  virtual int CheckReadable(const std::string& path) = 0;
};

// The Linux implementation (write, fsync, close, stat, access).
class ZEL_API LinuxDescriptorServices : public DescriptorServices {
 public:
  int WriteAll(int fd, const void* data, size_t len) override;
  int Sync(int fd) override;
  int Close(int fd) override;
  int Identify(const std::string& path, FileIdentity& id) override;
  int CheckReadable(const std::string& path) override;
};

// The process's Linux implementation (built on first use).
ZEL_API DescriptorServices& LinuxDescriptors();
// The implementation in force, which the modules and the tool call.
ZEL_API DescriptorServices& Descriptors();
// Installs backend (nullptr: the Linux implementation) and returns the one
// that was in force before.
ZEL_API DescriptorServices* SetDescriptorsBackend(DescriptorServices* backend);

}  // namespace zel::platform
