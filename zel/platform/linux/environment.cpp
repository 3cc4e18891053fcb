#include "zel/platform/environment.h"

#include <unistd.h>

#include <cstdlib>

namespace zel::platform {

namespace {

class NativeEnv final : public Environment {
 public:
  std::vector<std::string> Entries() override {
    std::vector<std::string> entries;
    for (char** e = environ; e && *e; ++e) entries.emplace_back(*e);
    return entries;
  }
  std::optional<std::string> Get(std::string_view name) override {
    const std::string n(name);
    if (const char* v = std::getenv(n.c_str())) return std::string(v);
    return std::nullopt;
  }
};

}  // namespace

Environment& NativeEnvironment() {
  static NativeEnv env;
  return env;
}

}  // namespace zel::platform
