// The local time of the system's time zone.
#pragma once

#include <ctime>

#include "zel/export.h"

namespace zel::platform {

// Splits Seconds (since 1970-01-01 00:00 UTC) into the calendar fields of
// the local time zone, daylight saving included, in Local. False (Local
// cleared) when the system cannot represent that time.
ZEL_API bool LocalTime(std::time_t Seconds, std::tm& Local);

}  // namespace zel::platform
