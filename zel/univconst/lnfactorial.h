// The table of ln(n!) for n = 0..1000.
//
// Entry n is the double nearest ln(n!); entries 0 and 1 are exactly 0.0 and
// entry 1000 is 5912.128178488163. The table is constant data, ready at load
// without any start-up work.
#pragma once

#include <array>

#include "zel/export.h"

namespace zel {

// uc_LnFactorial[n] is ln(n!) for n = 0..1000.
ZEL_API extern const std::array<double, 1001> uc_LnFactorial;

}  // namespace zel
