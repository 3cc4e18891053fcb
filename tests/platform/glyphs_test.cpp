#include "zel/platform/glyphs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "zel/platform/fonts.h"

namespace zel::platform {
namespace {

#ifdef _WIN32
TEST(NativeGlyphs, NoRendererYet) {
  FontFace face;
  face.file = "C:\\Windows\\Fonts\\arial.ttf";
  EXPECT_EQ(NativeGlyphs().OpenFace(face, GlyphSize{}), nullptr);
}
#else

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

#endif

}  // namespace
}  // namespace zel::platform
