// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/store.h"

#include <cerrno>

namespace zel::platform {

namespace {
class Unavailable final : public ConfigStore {
 public:
  bool KeyExists(std::string_view, std::string_view) override { return {}; }
  void CreateKey(std::string_view, std::string_view) override { }
  bool DeleteKey(std::string_view, std::string_view) override { return {}; }
  std::vector<std::string> SubKeyNames(std::string_view, std::string_view) override { return {}; }
  std::vector<std::string> ValueNames(std::string_view, std::string_view) override { return {}; }
  std::optional<StoreValue> ReadValue(std::string_view, std::string_view, std::string_view) override { return {}; }
  void WriteValue(std::string_view, std::string_view, std::string_view, const StoreValue&) override { }
  bool DeleteValue(std::string_view, std::string_view, std::string_view) override { return {}; }
  std::string DatabaseFile(std::string_view) override { return {}; }
};
}  // namespace

std::string StoreDirectory() { return {}; }

ConfigStore& NativeStore() {
  static Unavailable native;
  return native;
}

}  // namespace zel::platform
