// Drives: the mount table, free space and the read-only flag of a mounted
// file system. On Windows the mount table is the list of drive letters.
//
// Paths are byte strings (UTF-8 by convention); operations return 0 or the
// errno value of the failure and never raise. The implementation in force is
// Drives(); tests substitute one with SetDrivesBackend (see backend.h), for
// example a mount table with a read-only or remote file system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zel/export.h"

namespace zel::platform {

// One line of the mount table.
struct MountEntry {
  std::string device;       // "/dev/vda1", "tmpfs", "server:/export"
  std::string mount_point;  // "/", "/home"
  std::string fs_type;      // "ext4", "nfs4", "fuse.sshfs"
  bool read_only = false;   // mounted read-only
  // Windows: GetDriveTypeW's code for the drive (1 no root folder, 2
  // removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk); 0 unknown, and
  // always 0 on Linux, where the type follows from fs_type and device.
  uint8_t drive_type = 0;
};

// The size of a file system and the room left on it.
struct SpaceInfo {
  uint64_t total = 0;      // bytes of the file system
  uint64_t available = 0;  // bytes an unprivileged caller may still use
};

// The drives concern: the mount table and the file systems behind paths.
class ZEL_API DriveSystem {
 public:
  virtual ~DriveSystem();
  // Replaces `out` with the mounts of this process, in mount order (later
  // mounts hide earlier ones on the same point). Device and mount-point
  // names are unescaped; lines that cannot be parsed are skipped. Returns 0,
  // or the errno value when the table cannot be read (`out` then empty).
  virtual int MountTable(std::vector<MountEntry>& out) = 0;
  // Space of the file system holding `path`, stored in `out` (zeroed on
  // failure). Returns 0, or the errno value (ENOENT for an empty path).
  virtual int Space(const std::string& path, SpaceInfo& out) = 0;
  // Whether the file system holding `path` is mounted read-only, stored in
  // `read_only` (false on failure). Returns 0, or the errno value (ENOENT for
  // an empty path).
  virtual int ReadOnly(const std::string& path, bool& read_only) = 0;
  // Whether the block device behind `device` ("/dev/sdb1"; Windows: the
  // drive "E:") is removable (Windows: a removable or CD-ROM drive); false
  // where that cannot be told.
  virtual bool Removable(const std::string& device) = 0;
};

// Linux: reads /proc/self/mountinfo and asks statvfs. Windows: one entry
// per drive letter (GetLogicalDriveStringsW): mount_point "C:\\", device
// "C:", fs_type and read_only from GetVolumeInformationW (empty and false for
// a drive without a medium), drive_type from GetDriveTypeW; Space asks
// GetDiskFreeSpaceExW and ReadOnly the volume's FILE_READ_ONLY_VOLUME flag,
// for the volume holding `path`.
class ZEL_API NativeDriveSystem : public DriveSystem {
 public:
  int MountTable(std::vector<MountEntry>& out) override;
  int Space(const std::string& path, SpaceInfo& out) override;
  int ReadOnly(const std::string& path, bool& read_only) override;
  bool Removable(const std::string& device) override;
};

// The process's native implementation (built on first use).
ZEL_API DriveSystem& NativeDrives();
// The implementation in force, which the modules call.
ZEL_API DriveSystem& Drives();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API DriveSystem* SetDrivesBackend(DriveSystem* backend);

}  // namespace zel::platform
