// A set of UTF-16 code units given as a few ranges, for the vectorised scans
// of find_unit.h.
#pragma once

#include <array>

#include "zel/runtime/types.h"

namespace zel::internal {

// Up to kMaxUnitRanges ranges [lo, hi] of code units (inclusive bounds).
inline constexpr int kMaxUnitRanges = 4;
struct UnitRanges {
  int count = 0;
  std::array<Char, kMaxUnitRanges> lo{}, hi{};
};

}  // namespace zel::internal
