// Small numeric helpers shared by the colour functions.
#pragma once

#include <cmath>
#include <cstdint>

#include "zel/runtime/types.h"

namespace zel::internal {

inline int32_t RedOf(TColor c) noexcept { return static_cast<int32_t>(c & 0xFFu); }
inline int32_t GreenOf(TColor c) noexcept { return static_cast<int32_t>((c >> 8) & 0xFFu); }
inline int32_t BlueOf(TColor c) noexcept { return static_cast<int32_t>((c >> 16) & 0xFFu); }

// Packs the low byte of each channel; the flag byte is 0.
inline TColor PackRGB(int32_t r, int32_t g, int32_t b) noexcept {
  return (static_cast<uint32_t>(r) & 0xFFu) | ((static_cast<uint32_t>(g) & 0xFFu) << 8) |
         ((static_cast<uint32_t>(b) & 0xFFu) << 16);
}

// Below 0 gives 0; above 1 or not a number gives 1.
inline double Clamp01(double x) noexcept {
  if (x < 0.0) return 0.0;
  if (!(x <= 1.0)) return 1.0;
  return x;
}

// Nearest integer, halves to even, for |x| < 2^31 (the caller's values are
// channel sized). Adding and subtracting 1.5 * 2^52 rounds in the FPU's
// default mode, which is to nearest with ties to even (x86-64 and the other
// targets evaluate doubles without excess precision).
inline int32_t RoundChannel(double x) noexcept {
  if (!(x > -2147483648.0 && x < 2147483648.0)) return x > 0 ? INT32_MAX : (x < 0 ? INT32_MIN : 0);
  constexpr double kMagic = 6755399441055744.0;  // 1.5 * 2^52
  return static_cast<int32_t>((x + kMagic) - kMagic);
}

// Nearest integer, halves to even, limited to the int64_t range (not a
// number gives 0).
inline int64_t RoundHalfEven(double x) noexcept {
  const double r = std::nearbyint(x);
  if (!(r > -9.2e18 && r < 9.2e18)) return r > 0 ? INT64_MAX : (r < 0 ? INT64_MIN : 0);
  return static_cast<int64_t>(r);
}

// x - trunc(x), keeping the sign of x.
inline double FracOf(double x) noexcept { return x - std::trunc(x); }

}  // namespace zel::internal
