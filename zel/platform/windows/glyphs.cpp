// No glyph renderer on Windows yet (the Windows graphics work draws them with
// GDI): no face opens, so text draws nothing and measures 0.
#include "zel/platform/glyphs.h"

namespace zel::platform {
namespace {

class NoGlyphs : public GlyphServices {
 public:
  std::unique_ptr<GlyphFace> OpenFace(const FontFace&, const GlyphSize&) override {
    return nullptr;
  }
};

}  // namespace

GlyphServices& NativeGlyphs() {
  static NoGlyphs native;
  return native;
}

}  // namespace zel::platform
