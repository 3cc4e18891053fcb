#include "zel/runtime/internal/glyph_cache.h"

#ifndef _WIN32  // glyphs through FreeType; Windows builds have no glyphs yet
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#endif

#include <algorithm>
#include <cstdlib>
#include <list>
#include <memory>
#include <unordered_map>

#include "zel/platform/fonts.h"
#include "zel/runtime/utf8.h"

namespace zel::internal {

#ifndef _WIN32

namespace {

constexpr int32_t kMaxPixelHeight = 4096;
// Faces kept at once; the least recently used one goes when a new one comes.
constexpr size_t kMaxFaces = 48;

int32_t Round26_6(FT_Pos v) {
  return static_cast<int32_t>(v >= 0 ? (v + 32) >> 6 : -((-v + 32) >> 6));
}

}  // namespace

class SizedFace {
 public:
  FT_Face face = nullptr;
  bool embolden = false;
  bool slant = false;
  FT_Pos bold_strength = 0;  // 26.6
  FaceMetrics metrics;
  std::unordered_map<char32_t, Glyph> glyphs;
  std::string key;

  ~SizedFace() {
    if (face != nullptr) FT_Done_Face(face);
  }
};

struct GlyphCache::State {
  FT_Library library = nullptr;
  // Faces by font key, most recently used first.
  std::list<std::unique_ptr<SizedFace>> faces;
  std::unordered_map<std::string, std::list<std::unique_ptr<SizedFace>>::iterator> by_key;
};

GlyphCache& GlyphCache::Instance() {
  // Kept for the life of the process: canvases may draw text during static
  // destruction of their owners.
  static GlyphCache* cache = new GlyphCache;
  return *cache;
}

GlyphCache::GlyphCache() : state_(new State) {
  if (FT_Init_FreeType(&state_->library) != 0) state_->library = nullptr;
}

GlyphCache::~GlyphCache() {
  state_->by_key.clear();
  state_->faces.clear();
  if (state_->library != nullptr) FT_Done_FreeType(state_->library);
  delete state_;
}

namespace {

// Sets the face's size: a negative height is the em height, a positive one
// the cell height (ascent + descent), 0 the size of a 10-point font.
bool SetPixelHeight(FT_Face face, int32_t height, int32_t ppi) {
  if (height == 0) height = -std::max(1, MulDiv(10, ppi, 72));
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

std::string KeyOf(const TFont& font) {
  std::string key = StringToUtf8(font.Name());
  key.push_back('\0');
  key += std::to_string(font.Height());
  key.push_back('/');
  key += std::to_string(font.PixelsPerInch());
  key.push_back('/');
  key += std::to_string(font.Style().Mask());
  key.push_back('/');
  key += std::to_string(static_cast<int>(font.Pitch()));
  return key;
}

}  // namespace

SizedFace* GlyphCache::Face(const TFont& Font) {
  if (state_->library == nullptr) return nullptr;
  const std::string key = KeyOf(Font);
  if (auto it = state_->by_key.find(key); it != state_->by_key.end()) {
    state_->faces.splice(state_->faces.begin(), state_->faces, it->second);
    return state_->faces.front().get();
  }
  platform::FontRequest request;
  request.family = StringToUtf8(Font.Name());
  request.bold = Font.Style().Contains(fsBold);
  request.italic = Font.Style().Contains(fsItalic);
  request.fixed_pitch = Font.Pitch() == fpFixed;
  platform::FontFace found;
  if (!platform::Fonts().FindFace(request, found)) return nullptr;

  auto sized = std::make_unique<SizedFace>();
  if (FT_New_Face(state_->library, found.file.c_str(), found.index, &sized->face) != 0) {
    sized->face = nullptr;
    return nullptr;
  }
  FT_Select_Charmap(sized->face, FT_ENCODING_UNICODE);
  if (!SetPixelHeight(sized->face, Font.Height(), Font.PixelsPerInch())) return nullptr;
  const FT_Size_Metrics& m = sized->face->size->metrics;
  FaceMetrics& fm = sized->metrics;
  fm.ascent = static_cast<int32_t>((m.ascender + 63) >> 6);
  fm.descent = static_cast<int32_t>((-m.descender + 63) >> 6);
  if (FT_IS_SCALABLE(sized->face)) {
    fm.underline_offset =
        std::max(1, Round26_6(-FT_MulFix(sized->face->underline_position, m.y_scale)));
    fm.line_thickness =
        std::max(1, Round26_6(FT_MulFix(sized->face->underline_thickness, m.y_scale)));
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(sized->face, FT_SFNT_OS2));
    fm.strikeout_offset = os2 != nullptr && os2->yStrikeoutPosition > 0
                              ? Round26_6(FT_MulFix(os2->yStrikeoutPosition, m.y_scale))
                              : fm.ascent * 3 / 10;
  } else {
    fm.underline_offset = std::max(1, fm.descent / 2);
    fm.strikeout_offset = fm.ascent * 3 / 10;
  }
  sized->embolden = request.bold && !found.has_bold;
  sized->slant = request.italic && !found.has_italic;
  sized->bold_strength = std::max<FT_Pos>(64, m.y_ppem * 64 / 24) & ~FT_Pos{63};
  sized->key = key;

  state_->faces.push_front(std::move(sized));
  state_->by_key[key] = state_->faces.begin();
  if (state_->faces.size() > kMaxFaces) {
    state_->by_key.erase(state_->faces.back()->key);
    state_->faces.pop_back();
  }
  return state_->faces.front().get();
}

const FaceMetrics& GlyphCache::Metrics(const SizedFace& Face) const { return Face.metrics; }

const Glyph& GlyphCache::GlyphOf(SizedFace& Face, char32_t Code) {
  if (auto it = Face.glyphs.find(Code); it != Face.glyphs.end()) return it->second;
  Glyph& g = Face.glyphs[Code];
  FT_Face face = Face.face;
  const FT_UInt index = FT_Get_Char_Index(face, Code);
  const bool synth = Face.embolden || Face.slant;
  if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO | (synth ? FT_LOAD_NO_BITMAP : 0)) != 0)
    return g;
  FT_GlyphSlot slot = face->glyph;
  FT_Pos advance = slot->advance.x;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (Face.embolden) {
      FT_Outline_EmboldenXY(&slot->outline, Face.bold_strength, 0);
      advance += Face.bold_strength;
    }
    if (Face.slant) {
      FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // x += 0.2 y
      FT_Outline_Transform(&slot->outline, &shear);
    }
  }
  ++renderings_;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int32_t>(bm.width);
  g.rows = static_cast<int32_t>(bm.rows);
  g.advance = Round26_6(advance);
  g.bits.assign(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows), 0);
  for (int32_t y = 0; y < g.rows; ++y) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    uint8_t* out = g.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(g.width);
    for (int32_t x = 0; x < g.width; ++x) {
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
        out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
      else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
        out[x] = row[x] >= 128 ? 1 : 0;
    }
  }
  return g;
}

#else
class SizedFace {
 public:
  FaceMetrics metrics;
  Glyph none;
};

struct GlyphCache::State {};

GlyphCache& GlyphCache::Instance() {
  static GlyphCache* cache = new GlyphCache;
  return *cache;
}
GlyphCache::GlyphCache() : state_(new State) {}
GlyphCache::~GlyphCache() { delete state_; }
SizedFace* GlyphCache::Face(const TFont&) { return nullptr; }
const FaceMetrics& GlyphCache::Metrics(const SizedFace& Face) const { return Face.metrics; }
const Glyph& GlyphCache::GlyphOf(SizedFace& Face, char32_t) { return Face.none; }
#endif

std::u32string ToCodePoints(const String& Text) {
  std::u32string out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    const char16_t c = Text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 &&
        Text[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((char32_t(c) - 0xD800) << 10) + (Text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out.push_back(0xFFFD);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace zel::internal
