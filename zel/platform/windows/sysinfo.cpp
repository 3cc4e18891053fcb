// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/sysinfo.h"

#include <cerrno>

namespace zel::platform {

namespace {
class Unavailable final : public SystemInfo {
 public:
  std::string SystemDirectory() override { return {}; }
  std::string OsDirectory() override { return {}; }
  std::string TempDirectory() override { return {}; }
  bool PhysicalMemory(uint64_t&, uint64_t&) override { return {}; }
  int64_t AllocatedBytes() override { return {}; }
  void SecureRandom(void*, size_t) override { }
};
}  // namespace

SystemInfo& NativeSystemInfo() {
  static Unavailable native;
  return native;
}

}  // namespace zel::platform
