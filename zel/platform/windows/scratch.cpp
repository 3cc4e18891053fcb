// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/scratch.h"

#include <cerrno>

namespace zel::platform {

int NativeScratchSpace::OpenNamelessFile(const std::string&, const std::string&, int&) { return ENOSYS; }
int NativeScratchSpace::MakePrivateFolder(const std::string&, const std::string&, std::string&) { return ENOSYS; }
int NativeScratchSpace::CaptureAnonymousFile(const std::string&, const std::function<void(const std::string& path)>&, std::string&) { return ENOSYS; }

ScratchSpace& NativeScratch() {
  static NativeScratchSpace native;
  return native;
}

}  // namespace zel::platform
