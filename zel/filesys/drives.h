// Drives: the mounted file systems, their type, free space and read-only
// state.
//
// Windows: drive number d is the drive letter 'A' + d; BuildDriveList lists
// the letters present ("A:", "C:", "D:"), and the type is the system's type
// of the drive (a path on a network share is remote, 4).
//
// Linux has no drive letters. A "drive" is a mount point of a real
// file system (pseudo file systems such as proc, sysfs, cgroup and the
// mounts below /proc, /sys and /dev are left out), and drive number d is the
// d-th entry (from 0) of the list BuildDriveList fills, in mount order. The
// functions that take a drive number also come with a path form, which
// answers for the file system holding that path, which is usually what a
// program here wants.
//
// None of them raises.
#pragma once

#include <cstdint>

#include "zel/runtime/types.h"

namespace zel {

class TStringList;

// Clears List and adds the mount point of every drive, in mount order
// ("/", "/home", "/media/usb"). A mount point hidden by a later mount on the
// same place is listed once, where it was first mounted.
ZEL_API void BuildDriveList(TStringList& List);

// True when the file system of Drive (or the one holding Path) is mounted
// read-only (asked of the file system; nothing is written); also when there
// is no such drive.
ZEL_API bool DiskIsReadOnly(uint8_t Drive);
ZEL_API bool DiskIsReadOnly(const String& Path);

// 0 unknown, 1 no such drive (or path), 2 removable, 3 fixed, 4 remote
// (network file systems), 5 CD-ROM (iso9660, udf), 6 RAM disk (tmpfs,
// ramfs). Drive numbers above 25 give 0.
ZEL_API int32_t GetDiskDriveType(uint8_t Drive);
ZEL_API int32_t GetDiskDriveType(const String& Path);

// Bytes the caller can still write on Drive (or the file system holding Path):
// blocks available to unprivileged users times the block size; -1 when it
// cannot be asked.
ZEL_API double DiskFreeExtended(uint8_t Drive);
ZEL_API double DiskFreeExtended(const String& Path);

}  // namespace zel
