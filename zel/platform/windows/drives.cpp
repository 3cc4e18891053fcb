// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/drives.h"

#include <cerrno>

namespace zel::platform {

int NativeDriveSystem::MountTable(std::vector<MountEntry>&) { return ENOSYS; }
int NativeDriveSystem::Space(const std::string&, SpaceInfo&) { return ENOSYS; }
int NativeDriveSystem::ReadOnly(const std::string&, bool&) { return ENOSYS; }
bool NativeDriveSystem::Removable(const std::string&) { return {}; }

DriveSystem& NativeDrives() {
  static NativeDriveSystem native;
  return native;
}

}  // namespace zel::platform
