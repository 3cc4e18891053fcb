// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/mime.h"

#include <cerrno>

namespace zel::platform {

namespace {
class Unavailable final : public MimeDatabase {
 public:
  std::string TypeOfExtension(std::string_view) override { return {}; }
  std::string OpenCommand(std::string_view) override { return {}; }
};
}  // namespace

MimeDatabase& NativeMime() {
  static Unavailable native;
  return native;
}

}  // namespace zel::platform
