#include "zel/platform/drives.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace zel::platform {
namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
        s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

int NativeDriveSystem::MountTable(std::vector<MountEntry>& out) {
  out.clear();
  std::ifstream in("/proc/self/mountinfo");
  if (!in) return errno != 0 ? errno : ENOENT;
  std::string line;
  while (std::getline(in, line)) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::istringstream words(line);
    std::string id, parent, devno, root, point, options, word;
    if (!(words >> id >> parent >> devno >> root >> point >> options)) continue;
    while (words >> word && word != "-") {
    }
    MountEntry e;
    std::string source;
    if (!(words >> e.fs_type)) continue;
    words >> source;
    e.device = Unescape(source);
    e.mount_point = Unescape(point);
    e.read_only = options == "ro" || options.rfind("ro,", 0) == 0;
    out.push_back(std::move(e));
  }
  return 0;
}

int NativeDriveSystem::Space(const std::string& path, SpaceInfo& out) {
  out = SpaceInfo{};
  struct statvfs v {};
  if (path.empty() || ::statvfs(path.c_str(), &v) != 0) return path.empty() ? ENOENT : errno;
  out.total = uint64_t{v.f_blocks} * v.f_frsize;
  out.available = uint64_t{v.f_bavail} * v.f_frsize;
  return 0;
}

int NativeDriveSystem::ReadOnly(const std::string& path, bool& read_only) {
  read_only = false;
  struct statvfs v {};
  if (path.empty() || ::statvfs(path.c_str(), &v) != 0) return path.empty() ? ENOENT : errno;
  read_only = (v.f_flag & ST_RDONLY) != 0;
  return 0;
}

bool NativeDriveSystem::Removable(const std::string& device) {
  struct stat st {};
  if (device.rfind("/dev/", 0) != 0 || ::stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
    return false;
  // The whole disk of a partition is the parent folder of its sysfs entry.
  const std::string base = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" +
                           std::to_string(minor(st.st_rdev));
  for (const char* rel : {"/removable", "/../removable"}) {
    std::ifstream f(base + rel);
    int v = 0;
    if (f >> v) return v == 1;
  }
  return false;
}

DriveSystem& NativeDrives() {
  static NativeDriveSystem drives;
  return drives;
}

}  // namespace zel::platform
