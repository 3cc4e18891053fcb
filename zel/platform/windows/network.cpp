// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/network.h"

#include <cerrno>

namespace zel::platform {

namespace {
class Unavailable final : public Network {
 public:
  int Adapters(std::vector<NetAdapter>&) override { return ENOSYS; }
};
}  // namespace

Network& NativeNetwork() {
  static Unavailable native;
  return native;
}

}  // namespace zel::platform
