// Glyphs of the canvas fonts: faces found by the platform's fonts concern and
// opened by its glyphs concern (zel/platform/glyphs.h), each glyph rendered
// once (one bit per pixel, no anti-aliasing) and kept per face and pixel size
// for the life of the process.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "zel/runtime/font.h"

namespace zel::internal {

// One rendered glyph: `rows` x `width` coverage bytes (0 or 1), its top-left
// corner at (pen x + left, baseline - top), and the pen advance in pixels.
struct Glyph {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t rows = 0;
  int32_t advance = 0;
  std::vector<uint8_t> bits;
};

// Vertical metrics of a face at one pixel size, in pixels.
struct FaceMetrics {
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t underline_offset = 0;  // below the baseline
  int32_t line_thickness = 1;
  int32_t strikeout_offset = 0;  // above the baseline
};

class SizedFace;

// The process's glyph cache. Everything is done under Lock(); the returned
// references stay valid while the lock is held.
class ZEL_API GlyphCache {
 public:
  static GlyphCache& Instance();

  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }

  // The face that draws the font at its pixel height (nullptr when no font
  // at all is available). Needs the lock.
  SizedFace* Face(const TFont& Font);

  // Glyph of a character; rendered on first use. Needs the lock.
  const Glyph& GlyphOf(SizedFace& Face, char32_t Code);
  const FaceMetrics& Metrics(const SizedFace& Face) const;

  // Number of glyph renderings so far (for tests of the cache).
  uint64_t Renderings() const noexcept { return renderings_; }

 private:
  GlyphCache();
  ~GlyphCache();
  std::mutex mutex_;
  uint64_t renderings_ = 0;
  struct State;
  State* state_;
};

// Decodes UTF-16 to code points (an unpaired surrogate becomes U+FFFD).
ZEL_API std::u32string ToCodePoints(const String& Text);

}  // namespace zel::internal
