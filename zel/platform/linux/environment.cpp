#include "zel/platform/environment.h"

#include <unistd.h>

#include <cerrno>
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

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

int SetVariable(const std::string& name, const std::optional<std::string>& value) {
  if (name.empty() || name.find('=') != std::string::npos) return EINVAL;
  const int rc = value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
  return rc == 0 ? 0 : errno;
}

Environment& NativeEnvironment() {
  static NativeEnv env;
  return env;
}

}  // namespace zel::platform
