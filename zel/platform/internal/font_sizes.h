// What the fonts and glyphs of both systems share about sizes: the screen
// resolution the environment may set, and the pixel size of a 10-point font.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace zel::platform::internal {

// The largest pixel height a face is opened at; larger requests are clamped.
inline constexpr int32_t kMaxPixelHeight = 4096;

// The resolution ZEL_SCREEN_PPI sets when text (its value) is a whole number
// from 24 to 2400; 0 otherwise (null, empty or anything else).
inline int32_t ScreenPpiSetting(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*end == '\0' && value >= 24 && value <= 2400) return static_cast<int32_t>(value);
  return 0;
}

// The em height in pixels of a 10-point font at ppi, rounded half away from
// zero (from 1 to kMaxPixelHeight).
inline int32_t TenPointPixels(int32_t ppi) {
  const int64_t num = int64_t{10} * ppi;
  const int64_t q = num >= 0 ? (num + 36) / 72 : -((-num + 36) / 72);
  return static_cast<int32_t>(std::clamp<int64_t>(q, 1, kMaxPixelHeight));
}

}  // namespace zel::platform::internal
