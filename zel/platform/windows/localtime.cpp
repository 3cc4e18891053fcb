#include "zel/platform/localtime.h"

namespace zel::platform {

bool LocalTime(std::time_t Seconds, std::tm& Local) {
  Local = std::tm{};
  if (localtime_s(&Local, &Seconds) == 0) return true;
  Local = std::tm{};
  return false;
}

}  // namespace zel::platform
