// Stands in until this concern has its Windows implementation: reading finds
// nothing; SetVariable changes the block through the C runtime (_putenv_s).
#include "zel/platform/environment.h"

#include <cerrno>
#include <cstdlib>

namespace zel::platform {

namespace {
class Unavailable final : public Environment {
 public:
  std::vector<std::string> Entries() override { return {}; }
  std::optional<std::string> Get(std::string_view) override { return {}; }
};
}  // namespace

int SetVariable(const std::string& name, const std::optional<std::string>& value) {
  if (name.empty() || name.find('=') != std::string::npos) return EINVAL;
  // An empty value removes the variable.
  return _putenv_s(name.c_str(), value ? value->c_str() : "");
}

Environment& NativeEnvironment() {
  static Unavailable native;
  return native;
}

}  // namespace zel::platform
