// Glyphs through GDI: a logical font selected into a memory device context,
// metrics from GetTextMetricsW and GetOutlineTextMetricsW, glyph bitmaps from
// GetGlyphOutlineW.
#include "zel/platform/glyphs.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <memory>
#include <vector>

#include "zel/platform/internal/font_sizes.h"
#include "zel/platform/windows/internal/gdi.h"
#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {
namespace {

using internal::kMaxPixelHeight;
using windows::FontHandle;
using windows::MemoryDc;

// GDI's lfHeight for a size: the same meaning (negative em, positive cell),
// 0 made the em of 10 points at ppi, and clamped to kMaxPixelHeight.
LONG GdiHeight(const GlyphSize& size) {
  if (size.height == 0) return -internal::TenPointPixels(size.ppi);
  if (size.height > 0) return std::min(size.height, kMaxPixelHeight);
  return size.height < -kMaxPixelHeight ? -kMaxPixelHeight : size.height;
}

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t Be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The glyph index of a code point beyond U+FFFF in a face's 'cmap' table
// (its segmented coverage subtable, format 12, for Unicode); 0 (the
// missing-glyph shape) when the table has none or does not map it.
// GetGlyphOutlineW and GetGlyphIndicesW take UTF-16 units, so they cannot
// name such characters themselves.
uint32_t GlyphIndexBeyondBmp(const std::vector<uint8_t>& cmap, char32_t code) {
  const size_t size = cmap.size();
  if (size < 4) return 0;
  const uint8_t* t = cmap.data();
  const size_t tables = Be16(t + 2);
  for (size_t i = 0; i < tables && 4 + 8 * (i + 1) <= size; ++i) {
    const uint8_t* rec = t + 4 + 8 * i;
    const uint16_t platform = Be16(rec), encoding = Be16(rec + 2);
    const bool unicode = (platform == 3 && encoding == 10) || (platform == 0 && encoding >= 4);
    const size_t offset = Be32(rec + 4);
    if (!unicode || offset > size || size - offset < 16 || Be16(t + offset) != 12) continue;
    const uint8_t* sub = t + offset;
    const size_t groups = Be32(sub + 12);
    if (groups > (size - offset - 16) / 12) continue;  // truncated table
    // Groups are sorted by start code: binary search.
    size_t lo = 0, hi = groups;
    while (lo < hi) {
      const size_t mid = lo + (hi - lo) / 2;
      const uint8_t* g = sub + 16 + 12 * mid;
      if (code < Be32(g)) {
        hi = mid;
      } else if (code > Be32(g + 4)) {
        lo = mid + 1;
      } else {
        return Be32(g + 8) + (code - Be32(g));
      }
    }
    return 0;
  }
  return 0;
}

class GdiFace : public GlyphFace {
 public:
  bool Open(const FontFace& found, const GlyphSize& size) {
    WCHAR name[LF_FACESIZE];
    if (!windows::FaceName(found.family, name) || name[0] == L'\0') return false;
    const LOGFONTW lf =
        windows::LogicalFont(found.family, GdiHeight(size), size.bold, size.italic, false);
    font_ = std::make_unique<FontHandle>(CreateFontIndirectW(&lf));
    dc_ = std::make_unique<MemoryDc>();
    TEXTMETRICW tm{};
    if (!dc_->Select(font_->get()) || !GetTextMetricsW(dc_->get(), &tm)) return false;
    metrics_.ascent = tm.tmAscent;
    metrics_.descent = tm.tmDescent;
    const UINT need = GetOutlineTextMetricsW(dc_->get(), 0, nullptr);
    std::vector<uint8_t> buffer(need >= sizeof(OUTLINETEXTMETRICW) ? need : 0);
    const auto* otm = reinterpret_cast<const OUTLINETEXTMETRICW*>(buffer.data());
    if (!buffer.empty() &&
        GetOutlineTextMetricsW(dc_->get(), need,
                               reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data())) != 0) {
      metrics_.underline_offset = std::max(1, -otm->otmsUnderscorePosition);
      metrics_.line_thickness = std::max(1, static_cast<int32_t>(otm->otmsUnderscoreSize));
      metrics_.strikeout_offset =
          otm->otmsStrikeoutPosition > 0 ? otm->otmsStrikeoutPosition : metrics_.ascent * 3 / 10;
    } else {  // a face without outlines: places that look right for most
      metrics_.underline_offset = std::max(1, metrics_.descent / 2);
      metrics_.line_thickness = 1;
      metrics_.strikeout_offset = metrics_.ascent * 3 / 10;
    }
    return true;
  }

  const GlyphFaceMetrics& Metrics() const override { return metrics_; }

  bool Render(char32_t code, GlyphCoverage coverage, GlyphBitmap& out) override {
    const bool mono = coverage == GlyphCoverage::kMono;
    UINT format = mono ? GGO_BITMAP : GGO_GRAY8_BITMAP;
    UINT which = static_cast<UINT>(code);
    if (code > 0xFFFF) {
      format |= GGO_GLYPH_INDEX;
      which = GlyphIndexBeyondBmp(Cmap(), code);
    }
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GLYPHMETRICS gm{};
    const DWORD need = GetGlyphOutlineW(dc_->get(), which, format, &gm, 0, nullptr, &identity);
    if (need == GDI_ERROR) return false;
    std::vector<uint8_t> bits(need);
    if (need > 0 &&
        GetGlyphOutlineW(dc_->get(), which, format, &gm, need, bits.data(), &identity) == GDI_ERROR)
      return false;
    GlyphBitmap g;
    g.advance = gm.gmCellIncX;
    if (need > 0) {  // an empty glyph (a space) covers nothing
      const size_t width = gm.gmBlackBoxX, rows = gm.gmBlackBoxY;
      // Rows start on 32-bit boundaries: bits for GGO_BITMAP, bytes of 0..64
      // for GGO_GRAY8_BITMAP.
      const size_t pitch = mono ? (width + 31) / 32 * 4 : (width + 3) / 4 * 4;
      if (width > INT32_MAX || rows > INT32_MAX || (rows > 0 && pitch > need / rows)) return false;
      g.left = gm.gmptGlyphOrigin.x;
      g.top = gm.gmptGlyphOrigin.y;
      g.width = static_cast<int32_t>(width);
      g.rows = static_cast<int32_t>(rows);
      g.coverage.assign(width * rows, 0);
      for (size_t y = 0; y < rows; ++y) {
        const uint8_t* row = bits.data() + y * pitch;
        uint8_t* dst = g.coverage.data() + y * width;
        for (size_t x = 0; x < width; ++x) {
          if (mono)
            dst[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
          else  // 65 levels: 0 stays 0, 64 becomes 255
            dst[x] = static_cast<uint8_t>((std::min<unsigned>(row[x], 64) * 255 + 32) / 64);
        }
      }
    }
    out = std::move(g);
    return true;
  }

 private:
  // The face's 'cmap' table, read on first need (empty when it has none).
  const std::vector<uint8_t>& Cmap() {
    if (!cmap_read_) {
      cmap_read_ = true;
      constexpr DWORD kCmapTag = 'c' | ('m' << 8) | ('a' << 16) | (DWORD{'p'} << 24);
      const DWORD size = GetFontData(dc_->get(), kCmapTag, 0, nullptr, 0);
      if (size != GDI_ERROR && size > 0) {
        cmap_.resize(size);
        if (GetFontData(dc_->get(), kCmapTag, 0, cmap_.data(), size) != size) cmap_.clear();
      }
    }
    return cmap_;
  }

  // The font before the context it is selected into: the context puts its
  // first font back and goes first.
  std::unique_ptr<FontHandle> font_;
  std::unique_ptr<MemoryDc> dc_;
  GlyphFaceMetrics metrics_;
  bool cmap_read_ = false;
  std::vector<uint8_t> cmap_;
};

class GdiGlyphs : public GlyphServices {
 public:
  std::unique_ptr<GlyphFace> OpenFace(const FontFace& face, const GlyphSize& size) override {
    auto opened = std::make_unique<GdiFace>();
    if (!opened->Open(face, size)) return nullptr;
    return opened;
  }
};

}  // namespace

GlyphServices& NativeGlyphs() {
  static GdiGlyphs native;
  return native;
}

}  // namespace zel::platform
