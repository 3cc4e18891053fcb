#include "zel/platform/environment.h"

#include <unistd.h>

#include <cstdlib>

#include "zel/platform/backend.h"

namespace zel::platform {

Environment::~Environment() = default;

namespace {

class LinuxEnv final : public Environment {
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

BackendSlot<Environment>& Slot() {
  static BackendSlot<Environment> slot(&LinuxEnvironment);
  return slot;
}

}  // namespace

Environment& LinuxEnvironment() {
  static LinuxEnv env;
  return env;
}
Environment& Env() { return Slot().Get(); }
Environment* SetEnvironmentBackend(Environment* backend) { return Slot().Set(backend); }

}  // namespace zel::platform
