// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/environment.h"

#include <cerrno>

namespace zel::platform {

namespace {
class Unavailable final : public Environment {
 public:
  std::vector<std::string> Entries() override { return {}; }
  std::optional<std::string> Get(std::string_view) override { return {}; }
};
}  // namespace

Environment& NativeEnvironment() {
  static Unavailable native;
  return native;
}

}  // namespace zel::platform
