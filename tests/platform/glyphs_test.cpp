#include "zel/platform/glyphs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "zel/platform/fonts.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zel::platform {
namespace {

// The regular DejaVu Sans face; false when it is not installed.
bool DejaVu(FontFace& face) {
  return NativeFonts().IsInstalled("DejaVu Sans") &&
         NativeFonts().FindFace({"DejaVu Sans", false, false, false}, face);
}

GlyphBitmap Render(GlyphFace& face, char32_t code, GlyphCoverage coverage) {
  GlyphBitmap g;
  EXPECT_TRUE(face.Render(code, coverage, g));
  EXPECT_EQ(g.coverage.size(), static_cast<size_t>(g.width) * static_cast<size_t>(g.rows));
  return g;
}

TEST(NativeGlyphs, MonoAndGrayCoverage) {
  FontFace found;
  if (!DejaVu(found)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  auto face = NativeGlyphs().OpenFace(found, {-13, 96, false, false});
  ASSERT_NE(face, nullptr);
  const GlyphFaceMetrics& m = face->Metrics();
  EXPECT_GT(m.ascent, 0);
  EXPECT_GT(m.descent, 0);
  EXPECT_GE(m.line_thickness, 1);
  EXPECT_GE(m.underline_offset, 1);
  EXPECT_GT(m.strikeout_offset, 0);
  EXPECT_LT(m.strikeout_offset, m.ascent);

  const GlyphBitmap mono = Render(*face, U'H', GlyphCoverage::kMono);
  ASSERT_GT(mono.width, 0);
  ASSERT_GT(mono.rows, 0);
  EXPECT_GT(mono.advance, mono.width / 2);
  EXPECT_TRUE(std::all_of(mono.coverage.begin(), mono.coverage.end(),
                          [](uint8_t v) { return v <= 1; }));
  EXPECT_NE(std::count(mono.coverage.begin(), mono.coverage.end(), 1), 0);

  // 'O' has curves, so anti-aliasing gives partial coverage somewhere.
  const GlyphBitmap gray = Render(*face, U'O', GlyphCoverage::kGray);
  EXPECT_TRUE(std::any_of(gray.coverage.begin(), gray.coverage.end(),
                          [](uint8_t v) { return v > 0 && v < 255; }));
  EXPECT_EQ(*std::max_element(gray.coverage.begin(), gray.coverage.end()), 255);

  // A space has an advance and covers nothing.
  const GlyphBitmap space = Render(*face, U' ', GlyphCoverage::kMono);
  EXPECT_GT(space.advance, 0);
  EXPECT_EQ(std::count(space.coverage.begin(), space.coverage.end(), 0), space.coverage.size());
  const GlyphBitmap gray_space = Render(*face, U' ', GlyphCoverage::kGray);
  EXPECT_EQ(gray_space.advance, space.advance);
  EXPECT_EQ(std::count(gray_space.coverage.begin(), gray_space.coverage.end(), 0),
            gray_space.coverage.size());

  // Both coverages advance alike.
  EXPECT_EQ(Render(*face, U'O', GlyphCoverage::kMono).advance, gray.advance);
}

// Characters beyond U+FFFF: the face's own glyph where it has one, the
// missing-glyph shape where it has none (the same for every such character).
TEST(NativeGlyphs, CharactersBeyondTheBmp) {
  FontFace found;
  if (!DejaVu(found)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  auto face = NativeGlyphs().OpenFace(found, {-20, 96, false, false});
  ASSERT_NE(face, nullptr);
  const GlyphBitmap smiley = Render(*face, 0x1F600, GlyphCoverage::kMono);  // DejaVu Sans has it
  const GlyphBitmap missing = Render(*face, 0x10400, GlyphCoverage::kMono);  // Deseret: not
  EXPECT_GT(smiley.width, 0);
  EXPECT_NE(std::count(smiley.coverage.begin(), smiley.coverage.end(), 1), 0);
  EXPECT_NE(smiley.coverage, missing.coverage);
  EXPECT_NE(std::count(missing.coverage.begin(), missing.coverage.end(), 1), 0);
  for (char32_t code : {char32_t{0x10401}, char32_t{0xE0000}, char32_t{0x10FFFF},
                        char32_t{0x110000}, char32_t{0xFFFFFFFF}}) {
    SCOPED_TRACE(static_cast<uint32_t>(code));
    const GlyphBitmap g = Render(*face, code, GlyphCoverage::kMono);
    EXPECT_EQ(g.coverage, missing.coverage);
    EXPECT_EQ(g.advance, missing.advance);
  }
}

TEST(NativeGlyphs, HeightsEmCellAndTenPoints) {
  FontFace found;
  if (!DejaVu(found)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  struct Case {
    GlyphSize a, b;  // two ways to ask for the same size
  } cases[] = {
      {{0, 72, false, false}, {-10, 999, false, false}},  // 10 points at 72 ppi
      {{0, 144, false, false}, {-20, 96, false, false}},  // 10 points at 144 ppi
      {{0, 96, false, false}, {-13, 96, false, false}},   // 13.33 rounds to 13
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a.ppi);
    auto fa = NativeGlyphs().OpenFace(found, c.a);
    auto fb = NativeGlyphs().OpenFace(found, c.b);
    ASSERT_TRUE(fa && fb);
    EXPECT_EQ(fa->Metrics().ascent, fb->Metrics().ascent);
    EXPECT_EQ(fa->Metrics().descent, fb->Metrics().descent);
    const GlyphBitmap ga = Render(*fa, U'g', GlyphCoverage::kMono);
    const GlyphBitmap gb = Render(*fb, U'g', GlyphCoverage::kMono);
    EXPECT_EQ(ga.coverage, gb.coverage);
    EXPECT_EQ(ga.advance, gb.advance);
  }
  // A positive height is the cell: ascent + descent, up to rounding.
  auto cell = NativeGlyphs().OpenFace(found, {40, 96, false, false});
  ASSERT_NE(cell, nullptr);
  EXPECT_NEAR(cell->Metrics().ascent + cell->Metrics().descent, 40, 2);
  // Heights beyond the largest size are clamped, not refused.
  EXPECT_NE(NativeGlyphs().OpenFace(found, {INT32_MIN, 96, false, false}), nullptr);
}

#ifndef _WIN32
TEST(NativeGlyphs, BoldAndItalicAreSynthesisedOnlyWhenTheFaceLacksThem) {
  FontFace found;
  if (!DejaVu(found)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  auto regular = NativeGlyphs().OpenFace(found, {-24, 96, false, false});
  auto bold = NativeGlyphs().OpenFace(found, {-24, 96, true, false});
  auto italic = NativeGlyphs().OpenFace(found, {-24, 96, false, true});
  FontFace claims_bold = found;  // a face that says it is bold already
  claims_bold.has_bold = true;
  auto kept = NativeGlyphs().OpenFace(claims_bold, {-24, 96, true, false});
  ASSERT_TRUE(regular && bold && italic && kept);
  const GlyphBitmap r = Render(*regular, U'l', GlyphCoverage::kMono);
  const GlyphBitmap b = Render(*bold, U'l', GlyphCoverage::kMono);
  const GlyphBitmap i = Render(*italic, U'l', GlyphCoverage::kMono);
  const GlyphBitmap k = Render(*kept, U'l', GlyphCoverage::kMono);
  EXPECT_EQ(b.advance, r.advance + 1);  // 24 / 24 = one pixel wider
  EXPECT_GT(b.width, r.width);
  EXPECT_EQ(i.advance, r.advance);  // slanting moves pixels, not the pen
  EXPECT_GT(i.width, r.width);
  EXPECT_EQ(k.coverage, r.coverage);
  EXPECT_EQ(k.advance, r.advance);
}

TEST(NativeGlyphs, UnreadableFilesOpenNothing) {
  FontFace missing;
  missing.file = "/nonexistent/zel-no-font.ttf";
  EXPECT_EQ(NativeGlyphs().OpenFace(missing, GlyphSize{}), nullptr);
  FontFace not_a_font;
  not_a_font.file = "/dev/null";
  EXPECT_EQ(NativeGlyphs().OpenFace(not_a_font, GlyphSize{}), nullptr);
}
#else
// GDI draws the style asked of it, synthesising what the face lacks.
TEST(NativeGlyphs, BoldAndItalicComeFromGdi) {
  FontFace found;
  if (!DejaVu(found)) GTEST_SKIP() << "the DejaVu fonts are not installed";
  EXPECT_EQ(found.family, "DejaVu Sans");
  auto regular = NativeGlyphs().OpenFace(found, {-24, 96, false, false});
  auto bold = NativeGlyphs().OpenFace(found, {-24, 96, true, false});
  auto italic = NativeGlyphs().OpenFace(found, {-24, 96, false, true});
  ASSERT_TRUE(regular && bold && italic);
  const GlyphBitmap r = Render(*regular, U'l', GlyphCoverage::kMono);
  const GlyphBitmap b = Render(*bold, U'l', GlyphCoverage::kMono);
  const GlyphBitmap i = Render(*italic, U'l', GlyphCoverage::kMono);
  EXPECT_GT(b.width, r.width);
  EXPECT_GE(b.advance, r.advance);
  EXPECT_GT(i.width, r.width);
  // A light-only family: GDI emboldens it.
  FontFace light;
  if (NativeFonts().IsInstalled("DejaVu Sans Light") &&
      NativeFonts().FindFace({"DejaVu Sans Light", true, false, false}, light)) {
    auto thin = NativeGlyphs().OpenFace(light, {-24, 96, false, false});
    auto thick = NativeGlyphs().OpenFace(light, {-24, 96, true, false});
    ASSERT_TRUE(thin && thick);
    const GlyphBitmap t = Render(*thin, U'l', GlyphCoverage::kMono);
    const GlyphBitmap k = Render(*thick, U'l', GlyphCoverage::kMono);
    EXPECT_GT(std::count(k.coverage.begin(), k.coverage.end(), 1),
              std::count(t.coverage.begin(), t.coverage.end(), 1));
  }
}

// GDI draws by face name: without one (or with one GDI cannot hold) nothing
// opens; the file is not used.
TEST(NativeGlyphs, FacesNeedANameGdiHolds) {
  FontFace nameless;
  nameless.file = "C:\\Windows\\Fonts\\arial.ttf";
  EXPECT_EQ(NativeGlyphs().OpenFace(nameless, GlyphSize{}), nullptr);
  FontFace too_long;
  too_long.family = std::string(LF_FACESIZE, 'x');
  EXPECT_EQ(NativeGlyphs().OpenFace(too_long, GlyphSize{}), nullptr);
  FontFace not_text;
  not_text.family = "\xff";
  EXPECT_EQ(NativeGlyphs().OpenFace(not_text, GlyphSize{}), nullptr);
}

// Every face holds a device context and a font, and every font query makes
// its own: opening and closing many leaks neither.
TEST(NativeGlyphs, FacesReleaseTheirGdiObjects) {
  FontFace found;
  if (!DejaVu(found)) GTEST_SKIP() << "the DejaVu fonts are not installed";
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (before == 0) GTEST_SKIP() << "this system does not count GDI objects (Wine)";
  for (int i = 0; i < 200; ++i) {
    auto face = NativeGlyphs().OpenFace(found, {-10 - i % 7, 96, i % 2 == 0, i % 3 == 0});
    ASSERT_NE(face, nullptr);
    GlyphBitmap g;
    ASSERT_TRUE(face->Render(U'a', GlyphCoverage::kGray, g));
  }
  FontFace other;
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(NativeFonts().FindFace({"DejaVu Serif", true, true, false}, other));
    EXPECT_TRUE(NativeFonts().IsInstalled("DejaVu Serif"));
    EXPECT_EQ(NativeFonts().FontFormat("DejaVu Serif"), "TrueType");
  }
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before + 2);
}
#endif

}  // namespace
}  // namespace zel::platform
