// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/trash.h"

#include <cerrno>

namespace zel::platform {

std::string NativeTrashSystem::MountTop(const std::string&, uint64_t) { return {}; }
int NativeTrashSystem::MoveToTrash(const std::string&, std::string&) { return ENOSYS; }
std::string NativeTrashSystem::HomeTrash() { return {}; }

TrashSystem& NativeTrash() {
  static NativeTrashSystem native;
  return native;
}

}  // namespace zel::platform
