// Filling a colour scale from support colours, the work behind
// TColorArray::FillByInterpolation.
#pragma once

#include <cstdint>

#include "zel/runtime/types.h"

namespace zel::internal {

// Entry i (1..n) of Out becomes the blend of support colours idx and idx + 1
// (of Support[0..h]) at t, with k = i (Levels <= 0) or the quantised k of
// Levels bands, idx = trunc(h (k - 1) / n) kept within 0..h - 1 and
// t = h k / n - idx. n >= 1, h >= 1.
//
// FillScaleReference computes every entry on its own; FillScale gives the
// same results faster: without levels it walks the scale one support
// interval at a time (the division that finds idx happens once per interval,
// not per entry, and the inner loop has no table look-ups), and with levels
// it computes each band once. It falls back to the reference where products
// could exceed the exact range of a double.
ZEL_API void FillScaleReference(TColor* Out, int64_t n, const TColor* Support, int64_t h,
                                int32_t Levels) noexcept;
ZEL_API void FillScale(TColor* Out, int64_t n, const TColor* Support, int64_t h,
                       int32_t Levels) noexcept;

// One support interval of the fill without levels: entry j (0..Count-1) of
// Out is the blend of a and b at t = clamp(h (k0 + j) / n - base) with
// channels trunc(a + d t). All values are exact integers as doubles.
struct IntervalBlend {
  double h, n, base, k0;
  double ar, ag, ab;  // channels of the first colour
  double dr, dg, db;  // second minus first
};
void FillIntervalPortable(TColor* Out, int64_t Count, const IntervalBlend& B) noexcept;
void FillIntervalAvx2(TColor* Out, int64_t Count, const IntervalBlend& B) noexcept;

}  // namespace zel::internal
