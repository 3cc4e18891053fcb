#include "zel/platform/glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

#include "zel/platform/internal/font_sizes.h"

namespace zel::platform {
namespace {

using internal::kMaxPixelHeight;
using internal::TenPointPixels;

int32_t Round26_6(FT_Pos v) {
  return static_cast<int32_t>(v >= 0 ? (v + 32) >> 6 : -((-v + 32) >> 6));
}

// The FreeType library; every face opened with it keeps it alive.
struct Library {
  FT_Library library = nullptr;
  Library() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  ~Library() {
    if (library != nullptr) FT_Done_FreeType(library);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
};

// Sets the face's size (see GlyphSize::height).
bool SetPixelHeight(FT_Face face, int32_t height, int32_t ppi) {
  if (height == 0) height = -TenPointPixels(ppi);
  const bool cell = height > 0;
  const int32_t pixels = std::clamp(
      cell ? height : (height == INT32_MIN ? kMaxPixelHeight : -height), 1, kMaxPixelHeight);
  if (FT_IS_SCALABLE(face)) {
    FT_Size_RequestRec req{};
    req.type = cell ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
    req.height = static_cast<FT_Long>(pixels) * 64;
    return FT_Request_Size(face, &req) == 0;
  }
  if (face->num_fixed_sizes <= 0) return false;
  int best = 0;
  for (int i = 1; i < face->num_fixed_sizes; ++i) {
    if (std::abs(face->available_sizes[i].height - pixels) <
        std::abs(face->available_sizes[best].height - pixels))
      best = i;
  }
  return FT_Select_Size(face, best) == 0;
}

class FreeTypeFace : public GlyphFace {
 public:
  explicit FreeTypeFace(std::shared_ptr<Library> library) : library_(std::move(library)) {}
  ~FreeTypeFace() override {
    if (face_ != nullptr) FT_Done_Face(face_);
  }
  FreeTypeFace(const FreeTypeFace&) = delete;
  FreeTypeFace& operator=(const FreeTypeFace&) = delete;

  bool Open(const FontFace& found, const GlyphSize& size) {
    if (FT_New_Face(library_->library, found.file.c_str(), found.index, &face_) != 0) {
      face_ = nullptr;
      return false;
    }
    FT_Select_Charmap(face_, FT_ENCODING_UNICODE);
    if (!SetPixelHeight(face_, size.height, size.ppi)) return false;
    const FT_Size_Metrics& m = face_->size->metrics;
    metrics_.ascent = static_cast<int32_t>((m.ascender + 63) >> 6);
    metrics_.descent = static_cast<int32_t>((-m.descender + 63) >> 6);
    if (FT_IS_SCALABLE(face_)) {
      metrics_.underline_offset =
          std::max(1, Round26_6(-FT_MulFix(face_->underline_position, m.y_scale)));
      metrics_.line_thickness =
          std::max(1, Round26_6(FT_MulFix(face_->underline_thickness, m.y_scale)));
      const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
      metrics_.strikeout_offset = os2 != nullptr && os2->yStrikeoutPosition > 0
                                      ? Round26_6(FT_MulFix(os2->yStrikeoutPosition, m.y_scale))
                                      : metrics_.ascent * 3 / 10;
    } else {
      metrics_.underline_offset = std::max(1, metrics_.descent / 2);
      metrics_.strikeout_offset = metrics_.ascent * 3 / 10;
    }
    embolden_ = size.bold && !found.has_bold;
    slant_ = size.italic && !found.has_italic;
    bold_strength_ = std::max<FT_Pos>(64, m.y_ppem * 64 / 24) & ~FT_Pos{63};
    return true;
  }

  const GlyphFaceMetrics& Metrics() const override { return metrics_; }

  bool Render(char32_t code, GlyphCoverage coverage, GlyphBitmap& out) override {
    const bool mono = coverage == GlyphCoverage::kMono;
    const FT_UInt index = FT_Get_Char_Index(face_, code);
    const bool synth = embolden_ || slant_;
    const FT_Int32 target = mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    if (FT_Load_Glyph(face_, index, target | (synth ? FT_LOAD_NO_BITMAP : 0)) != 0) return false;
    FT_GlyphSlot slot = face_->glyph;
    FT_Pos advance = slot->advance.x;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (embolden_) {
        FT_Outline_EmboldenXY(&slot->outline, bold_strength_, 0);
        advance += bold_strength_;
      }
      if (slant_) {
        FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // x += 0.2 y
        FT_Outline_Transform(&slot->outline, &shear);
      }
    }
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
      return false;
    const FT_Bitmap& bm = slot->bitmap;
    GlyphBitmap g;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int32_t>(bm.width);
    g.rows = static_cast<int32_t>(bm.rows);
    g.advance = Round26_6(advance);
    g.coverage.assign(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows), 0);
    const uint8_t full = mono ? 1 : 255;
    for (int32_t y = 0; y < g.rows; ++y) {
      const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      uint8_t* dst = g.coverage.data() + static_cast<size_t>(y) * static_cast<size_t>(g.width);
      for (int32_t x = 0; x < g.width; ++x) {
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          dst[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0 ? full : 0;
        else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
          dst[x] = mono ? (row[x] >= 128 ? 1 : 0) : row[x];
      }
    }
    out = std::move(g);
    return true;
  }

 private:
  std::shared_ptr<Library> library_;
  FT_Face face_ = nullptr;
  bool embolden_ = false;
  bool slant_ = false;
  FT_Pos bold_strength_ = 0;  // 26.6
  GlyphFaceMetrics metrics_;
};

// FreeType's glyphs, from one FreeType library.
class FreeTypeGlyphs : public GlyphServices {
 public:
  FreeTypeGlyphs() : library_(std::make_shared<Library>()) {}
  std::unique_ptr<GlyphFace> OpenFace(const FontFace& face, const GlyphSize& size) override {
    if (library_->library == nullptr) return nullptr;
    auto opened = std::make_unique<FreeTypeFace>(library_);
    if (!opened->Open(face, size)) return nullptr;
    return opened;
  }

 private:
  std::shared_ptr<Library> library_;
};

}  // namespace

GlyphServices& NativeGlyphs() {
  static FreeTypeGlyphs native;
  return native;
}

}  // namespace zel::platform
