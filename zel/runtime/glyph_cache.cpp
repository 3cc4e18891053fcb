#include "zel/runtime/internal/glyph_cache.h"

#include <list>
#include <memory>
#include <unordered_map>

#include "zel/platform/fonts.h"
#include "zel/platform/glyphs.h"
#include "zel/runtime/utf8.h"

namespace zel::internal {

namespace {

// Faces kept at once; the least recently used one goes when a new one comes.
constexpr size_t kMaxFaces = 48;

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

class SizedFace {
 public:
  std::unique_ptr<platform::GlyphFace> face;
  FaceMetrics metrics;
  std::unordered_map<char32_t, Glyph> glyphs;
  std::string key;
};

struct GlyphCache::State {
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

GlyphCache::GlyphCache() : state_(new State) {}

GlyphCache::~GlyphCache() { delete state_; }

SizedFace* GlyphCache::Face(const TFont& Font) {
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
  platform::GlyphSize size;
  size.height = Font.Height();
  size.ppi = Font.PixelsPerInch();
  size.bold = request.bold;
  size.italic = request.italic;
  auto sized = std::make_unique<SizedFace>();
  sized->face = platform::Glyphs().OpenFace(found, size);
  if (!sized->face) return nullptr;
  const platform::GlyphFaceMetrics& m = sized->face->Metrics();
  sized->metrics = {m.ascent, m.descent, m.underline_offset, m.line_thickness, m.strikeout_offset};
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
  platform::GlyphBitmap bitmap;
  ++renderings_;
  if (Face.face->Render(Code, platform::GlyphCoverage::kMono, bitmap)) {
    g.left = bitmap.left;
    g.top = bitmap.top;
    g.width = bitmap.width;
    g.rows = bitmap.rows;
    g.advance = bitmap.advance;
    g.bits = std::move(bitmap.coverage);
  }
  return g;
}

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
