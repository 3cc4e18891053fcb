// Drives: the mount table, free space and the read-only flag of a mounted
// file system.
//
// Paths are byte strings (UTF-8 by convention); operations return 0 or the
// errno value of the failure and never raise. The implementation in force is
// Drives(); tests substitute one with SetDrivesBackend (see backend.h), for
// example a mount table with a read-only or remote file system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zel/runtime/export.h"

namespace zel::platform {

struct MountEntry {
  std::string device;       // "/dev/vda1", "tmpfs", "server:/export"
  std::string mount_point;  // "/", "/home"
  std::string fs_type;      // "ext4", "nfs4", "fuse.sshfs"
  bool read_only = false;   // mounted read-only
};

struct SpaceInfo {
  uint64_t total = 0;      // bytes of the file system
  uint64_t available = 0;  // bytes an unprivileged caller may still use
};

class ZEL_API DriveSystem {
 public:
  virtual ~DriveSystem();
  // The mounts of this process, in mount order (later mounts hide earlier
  // ones on the same point).
  virtual int MountTable(std::vector<MountEntry>& out) = 0;
  // Space of the file system holding `path`.
  virtual int Space(const std::string& path, SpaceInfo& out) = 0;
  // Whether the file system holding `path` is mounted read-only.
  virtual int ReadOnly(const std::string& path, bool& read_only) = 0;
  // Whether the block device behind `device` ("/dev/sdb1") is removable;
  // false where that cannot be told.
  virtual bool Removable(const std::string& device) = 0;
};

// Reads /proc/self/mountinfo and asks statvfs.
class ZEL_API LinuxDriveSystem : public DriveSystem {
 public:
  int MountTable(std::vector<MountEntry>& out) override;
  int Space(const std::string& path, SpaceInfo& out) override;
  int ReadOnly(const std::string& path, bool& read_only) override;
  bool Removable(const std::string& device) override;
};

ZEL_API DriveSystem& LinuxDrives();
ZEL_API DriveSystem& Drives();
ZEL_API DriveSystem* SetDrivesBackend(DriveSystem* backend);

}  // namespace zel::platform
