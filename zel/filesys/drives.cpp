#include "zel/filesys/drives.h"

#include <algorithm>
#include <string>
#include <vector>

#include "zel/filesys/internal/pathutil.h"
#include "zel/filesys/paths.h"
#include "zel/platform/drives.h"
#include "zel/platform/files.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

#ifdef _WIN32
// Windows: drive number d is the letter 'A' + d, and the drives are the
// letters present (their type and volume as the platform reports them).
std::vector<platform::MountEntry> DriveMounts() {
  std::vector<platform::MountEntry> table;
  platform::Drives().MountTable(table);
  return table;
}

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool DriveMount(uint8_t drive, platform::MountEntry& out) {
  if (drive > 25) return false;
  for (const auto& m : DriveMounts()) {
    if (m.device.size() == 2 && UpperLetter(m.device[0]) == 'A' + drive && m.device[1] == ':') {
      out = m;
      return true;
    }
  }
  return false;
}

int32_t TypeOf(const platform::MountEntry& m) { return m.drive_type; }

// The drive holding `path`; a path on a network share (\\server\share)
// is on a remote drive of its own.
bool MountOf(const String& path, platform::MountEntry& out) {
  std::string real;
  if (path.empty() ||
      platform::Files().RealPath(internal::NativePath(ExpandFileName(path)), real) != 0)
    return false;
  if (real.rfind("\\\\?\\UNC\\", 0) == 0)
    real = "\\" + real.substr(7);
  else if (real.rfind("\\\\?\\", 0) == 0)
    real.erase(0, 4);
  if (real.rfind("\\\\", 0) == 0) {
    out = platform::MountEntry{};
    out.device = real;
    out.drive_type = 4;
    return true;
  }
  const char letter = real.size() >= 2 && real[1] == ':' ? UpperLetter(real[0]) : '\0';
  return letter >= 'A' && letter <= 'Z' && DriveMount(static_cast<uint8_t>(letter - 'A'), out);
}
#else
bool UnderFolder(const std::string& path, const std::string& folder) {
  return path == folder || (path.rfind(folder + "/", 0) == 0);
}

bool IsPseudo(const platform::MountEntry& m) {
  static const char* const kPseudo[] = {
      "proc",    "sysfs",   "devtmpfs",    "devpts",     "cgroup", "cgroup2",   "securityfs",
      "debugfs", "tracefs", "pstore",      "bpf",        "mqueue", "hugetlbfs", "configfs",
      "fusectl", "autofs",  "binfmt_misc", "rpc_pipefs", "nsfs",   "efivarfs",  "selinuxfs"};
  for (const char* t : kPseudo) {
    if (m.fs_type == t) return true;
  }
  return UnderFolder(m.mount_point, "/proc") || UnderFolder(m.mount_point, "/sys") ||
         UnderFolder(m.mount_point, "/dev");
}

// The drives in mount order; a later mount on the same point replaces the
// properties but keeps the place.
std::vector<platform::MountEntry> DriveMounts() {
  std::vector<platform::MountEntry> table, out;
  platform::Drives().MountTable(table);
  for (auto& m : table) {
    if (IsPseudo(m)) continue;
    auto same = std::find_if(out.begin(), out.end(),
                             [&m](const auto& o) { return o.mount_point == m.mount_point; });
    if (same != out.end()) {
      *same = m;
    } else {
      out.push_back(m);
    }
  }
  return out;
}

bool DriveMount(uint8_t drive, platform::MountEntry& out) {
  const auto mounts = DriveMounts();
  if (drive >= mounts.size()) return false;
  out = mounts[drive];
  return true;
}

int32_t TypeOf(const platform::MountEntry& m) {
  const std::string& t = m.fs_type;
  static const char* const kRemote[] = {"nfs", "nfs4", "cifs",      "smb3",       "smbfs", "9p",
                                        "afs", "ceph", "glusterfs", "fuse.sshfs", "davfs"};
  for (const char* r : kRemote) {
    if (t == r) return 4;
  }
  if (t == "iso9660" || t == "udf") return 5;
  if (t == "tmpfs" || t == "ramfs") return 6;
  if (m.device.rfind("/dev/", 0) == 0) return platform::Drives().Removable(m.device) ? 2 : 3;
  if (t == "overlay" || t == "btrfs" || t == "zfs" || t == "xfs" || t == "ext4") return 3;
  return 0;
}

// The mount holding `path` (the longest mount point above it).
bool MountOf(const String& path, platform::MountEntry& out) {
  std::string real;
  if (path.empty() ||
      platform::Files().RealPath(internal::NativePath(ExpandFileName(path)), real) != 0)
    return false;
  std::vector<platform::MountEntry> table;
  platform::Drives().MountTable(table);
  size_t best = 0;
  bool found = false;
  for (const auto& m : table) {
    const bool above = m.mount_point == "/" || UnderFolder(real, m.mount_point);
    if (above && m.mount_point.size() >= best) {
      best = m.mount_point.size();
      out = m;
      found = true;
    }
  }
  return found;
}

#endif

}  // namespace

void BuildDriveList(TStringList& List) {
  List.Clear();
#ifdef _WIN32
  for (const auto& m : DriveMounts()) List.Add(Utf8ToString(m.device));
#else
  for (const auto& m : DriveMounts()) List.Add(PathToFileName(m.mount_point));
#endif
}

bool DiskIsReadOnly(uint8_t Drive) {
  platform::MountEntry m;
  if (!DriveMount(Drive, m)) return true;
  bool ro = true;
  return platform::Drives().ReadOnly(m.mount_point, ro) != 0 || ro;
}

bool DiskIsReadOnly(const String& Path) {
  bool ro = true;
  return Path.empty() ||
         platform::Drives().ReadOnly(internal::NativePath(ExpandFileName(Path)), ro) != 0 || ro;
}

int32_t GetDiskDriveType(uint8_t Drive) {
  if (Drive > 25) return 0;
  platform::MountEntry m;
  return DriveMount(Drive, m) ? TypeOf(m) : 1;
}

int32_t GetDiskDriveType(const String& Path) {
  platform::MountEntry m;
  return MountOf(Path, m) ? TypeOf(m) : 1;
}

double DiskFreeExtended(uint8_t Drive) {
  platform::MountEntry m;
  if (!DriveMount(Drive, m)) return -1;
  platform::SpaceInfo space;
  if (platform::Drives().Space(m.mount_point, space) != 0) return -1;
  return static_cast<double>(space.available);
}

double DiskFreeExtended(const String& Path) {
  platform::SpaceInfo space;
  if (Path.empty() ||
      platform::Drives().Space(internal::NativePath(ExpandFileName(Path)), space) != 0)
    return -1;
  return static_cast<double>(space.available);
}

}  // namespace zel
