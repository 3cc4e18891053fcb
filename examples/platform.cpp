// The platform layer: the environment through its interface, and a test
// backend installed in its place for as long as it lives.
#include <zel/platform.h>
#include <zel/platform/environment.h>

#include <iostream>

namespace {
// A fixed environment, as a test would install it.
class FixedEnvironment : public zel::platform::Environment {
 public:
  std::vector<std::string> Entries() override { return {"HOME=/home/example"}; }
  std::optional<std::string> Get(std::string_view name) override {
    if (name == "HOME") return std::string("/home/example");
    return std::nullopt;
  }
};
}  // namespace

int main() {
  std::cout << "PATH is " << (zel::platform::Env().Get("PATH") ? "set" : "not set") << "\n";
  FixedEnvironment fixed;
  zel::platform::Environment* previous = zel::platform::SetEnvironmentBackend(&fixed);
  std::cout << "HOME is " << zel::platform::Env().Get("HOME").value_or("?") << "\n";
  zel::platform::SetEnvironmentBackend(previous);
  return 0;
}
