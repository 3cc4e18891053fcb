// Drawing the glyphs of a font face: a face opened at one pixel size, its
// vertical metrics, and one code point rendered to a coverage bitmap. The
// fonts concern (fonts.h) finds the face; this one draws with it. Nothing is
// cached here: the runtime's glyph cache renders each glyph once per face and
// size.
//
// Linux: FreeType. The face's Unicode character map is selected; a scalable
// face is sized by FreeType's size request (the em or the cell height), a
// bitmap-only face takes its strike closest to the height. Bold wanted from
// a face that is not bold widens the outlines by 1/24 of the em (at least
// one pixel, whole pixels) and the advance by as much; italic wanted from an
// upright face shears the outlines by 0.2 (x += 0.2 y). Synthesis applies to
// outlines only, so embedded bitmaps are not used then.
// Windows: GDI. The face is the one FontFace::family names (file and index
// are not used; an empty family opens nothing), created with
// CreateFontIndirectW at GDI's lfHeight (the same meaning as
// GlyphSize::height), outline faces only, and selected into a memory device
// context the face owns. Bold and italic are asked of GDI, which
// synthesises what the face lacks. Metrics come from GetTextMetricsW and
// GetOutlineTextMetricsW; glyphs from GetGlyphOutlineW (GGO_BITMAP for
// kMono, GGO_GRAY8_BITMAP's 65 levels scaled to 0..255 for kGray; a face
// without outlines, should GDI give one, renders nothing). Characters beyond
// U+FFFF are looked up in the face's own character map (its 'cmap' table)
// and drawn by glyph index; GDI's font linking does not apply to them or to
// any other character, so a character the face lacks is its missing-glyph
// shape.
//
// The backend in force is Glyphs(); tests install another one with
// SetGlyphsBackend or ScopedBackend (see backend.h).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "zel/export.h"
#include "zel/platform/fonts.h"

namespace zel::platform {

// The size and style a face is opened at.
struct GlyphSize {
  // Pixel height: negative is the em height, positive the cell height
  // (ascent + descent), 0 the em height of a 10-point font at ppi.
  int32_t height = 0;
  int32_t ppi = 96;     // pixels per inch (only used when height is 0)
  bool bold = false;    // bold wanted (synthesised when the face is not bold)
  bool italic = false;  // italic wanted (synthesised when the face is upright)
};

// Vertical metrics of a face at its size, in whole pixels.
struct GlyphFaceMetrics {
  int32_t ascent = 0;            // above the baseline
  int32_t descent = 0;           // below the baseline
  int32_t underline_offset = 0;  // underline centre below the baseline
  int32_t line_thickness = 1;    // underline and strikeout thickness
  int32_t strikeout_offset = 0;  // strikeout centre above the baseline
};

// How a glyph's pixels are measured.
enum class GlyphCoverage {
  kMono,  // one bit per pixel, no anti-aliasing: values 0 or 1
  kGray,  // anti-aliased: values 0 (empty) to 255 (covered)
};

// One rendered glyph: `rows` x `width` coverage bytes, row after row, its
// top-left corner at (pen x + left, baseline - top); the pen then moves by
// advance pixels.
struct GlyphBitmap {
  int32_t left = 0;               // from the pen to the first column
  int32_t top = 0;                // from the baseline up to the first row
  int32_t width = 0;              // columns
  int32_t rows = 0;               // rows
  int32_t advance = 0;            // pen advance in pixels
  std::vector<uint8_t> coverage;  // rows * width bytes (see GlyphCoverage)
};

// A face opened at one size. Not synchronised: one thread at a time.
class ZEL_API GlyphFace {
 public:
  virtual ~GlyphFace();
  // The face's vertical metrics at its size.
  virtual const GlyphFaceMetrics& Metrics() const = 0;
  // Renders the glyph of code (the face's missing-glyph shape when it has
  // none) into out with the given coverage; false (out unchanged) when the
  // glyph cannot be loaded or rendered.
  virtual bool Render(char32_t code, GlyphCoverage coverage, GlyphBitmap& out) = 0;
};

// The glyphs concern: opening faces to draw with.
class ZEL_API GlyphServices {
 public:
  virtual ~GlyphServices();
  // Opens face (as FontServices::FindFace found it) at size; nullptr when
  // the file cannot be read as a font, the size cannot be set, or the system
  // has no glyph renderer. The face may outlive this object.
  virtual std::unique_ptr<GlyphFace> OpenFace(const FontFace& face, const GlyphSize& size) = 0;
};

// The process's native glyph renderer.
ZEL_API GlyphServices& NativeGlyphs();
// The implementation in force (the native one unless a test installed another).
ZEL_API GlyphServices& Glyphs();
// Installs `backend` (nullptr: the native one); returns the previous one.
ZEL_API GlyphServices* SetGlyphsBackend(GlyphServices* backend);

}  // namespace zel::platform
