// Colour model conversions: worked examples, Python colorsys as an independent
// oracle (scripts/gen_colorsys_vectors.py), exhaustive round trips, hostile
// inputs.
#include "zel/colors/colormodels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "zel/runtime/random.h"

namespace zel {
namespace {

constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ColorModels, Blending) {
  const TColor a = 0xAA102030u, b = 0x55F0E0D0u;
  struct Case {
    TColor got, want;
  } cases[] = {
      {InterpolateColor(a, b, -5), 0x102030u},
      {InterpolateColor(a, b, 7), 0xF0E0D0u},
      {InterpolateColor(a, b, kNaN), 0xF0E0D0u},
      {InterpolateColor(RGB(0, 0, 0), RGB(255, 255, 255), 0.5), RGB(127, 127, 127)},
      {InterpolateColor(RGB(255, 0, 0), RGB(0, 0, 0), 0.999), RGB(0, 0, 0)},  // trunc(0.255)
      {MeanColor(RGB(10, 20, 30), RGB(11, 40, 31)), RGB(10, 30, 30)},
      {Interpolate3Colors(a, b, 0x77123456u, 0), 0x102030u},
      {Interpolate3Colors(a, b, 0x77123456u, 0.5), 0xF0E0D0u},
      {Interpolate3Colors(a, b, 0x77123456u, 1), 0x123456u},
      {Interpolate3Colors(0, RGB(200, 0, 0), RGB(200, 100, 0), 0.75), RGB(200, 50, 0)},
      {ReverseRGBColor(0x00112233u), 0x00332211u},
      {ReverseRGBColor(0xFF112233u), 0x00332211u},
      {InvertColor(0xFF000000u), 0xFFFFFFu},
      {InvertColor(RGB(1, 2, 3)), RGB(254, 253, 252)},
      {AdjustColorIntSat(RGB(255, 0, 0), 0, 0), RGB(255, 0, 0)},
      {AdjustColorIntSat(RGB(255, 0, 0), -1, 0), RGB(85, 85, 85)},
      {AdjustColorIntSat(RGB(10, 20, 30), 0, 5), RGB(128, 255, 255)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cases[i].got, cases[i].want);
  }
}

TEST(ColorModels, WorkedExamplesToHue) {
  struct Case {
    int r, g, b;
    double hl, sl, l;   // HSL
    double hv, sv, v;   // HSV
    double hi, si, in;  // HSI
  } cases[] = {
      {255, 0, 0, 0, 1, 0.5, 0, 1, 1, 0, 1, 1.0 / 3},
      {0, 0, 255, 240, 1, 0.5, 240, 1, 1, 240, 1, 1.0 / 3},
      {255, 0, 128, 329.88235294117646, 1, 0.5, 329.88235294117646, 1, 1, 329.88235294117646, 1,
       383.0 / 765},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {128, 128, 128, 0, 0, 128.0 / 255, -1, 0, 128.0 / 255, -1, 0, 128.0 / 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
    double h, s, x;
    RGBtoHSL(c.r, c.g, c.b, h, s, x);
    EXPECT_NEAR(h, c.hl, 1e-9);
    EXPECT_NEAR(s, c.sl, 1e-12);
    EXPECT_NEAR(x, c.l, 1e-12);
    ColorToHSV(RGB(c.r, c.g, c.b) | 0xFF000000u, h, s, x);
    EXPECT_NEAR(h, c.hv, 1e-9);
    EXPECT_NEAR(s, c.sv, 1e-12);
    EXPECT_NEAR(x, c.v, 1e-12);
    RGBtoHSI(c.r, c.g, c.b, h, s, x);
    EXPECT_NEAR(h, c.hi, 1e-9);
    EXPECT_NEAR(s, c.si, 1e-12);
    EXPECT_NEAR(x, c.in, 1e-12);
  }
  double h, s, l;
  RGBtoHSL(300, -20, 0, h, s, l);  // channels outside 0..255 are cut
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 1);
  EXPECT_EQ(l, 0.5);
}

TEST(ColorModels, HueToRGBWithHostileHues) {
  // Hues out of range or not numbers never leave the sector table.
  struct Case {
    double h;
    TColor hsl, hsi, hsv;  // at S = 1, L/I/V = 0.5, 1/3, 1
  } cases[] = {
      {0, RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0)},
      {360, RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0)},
      {-360, RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0)},
      {720, RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0)},
      {-120, RGB(0, 0, 255), RGB(0, 0, 255), RGB(255, 0, 0)},
      {480, RGB(0, 255, 0), RGB(0, 255, 0), RGB(255, 0, 0)},
      {1e300, HSLtoColor(std::fmod(1e300, 360.0), 1, 0.5),
       HSItoColor(std::fmod(1e300, 360.0), 1, 1.0 / 3), RGB(255, 0, 0)},
      {-3600240, RGB(0, 255, 0), RGB(0, 255, 0), RGB(255, 0, 0)},
      {kNaN, RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0)},
      {kInf, RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0)},
      {-kInf, RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0)},
      {-1e-300, RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0)},
      {std::nextafter(360.0, 0.0), RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.h);
    EXPECT_EQ(HSLtoColor(c.h, 1, 0.5), c.hsl);
    EXPECT_EQ(HSItoColor(c.h, 1, 1.0 / 3), c.hsi);
    EXPECT_EQ(HSVtoColor(c.h, 1, 1), c.hsv);
  }
  // Components out of range are clamped; NaN counts as 1.
  EXPECT_EQ(HSLtoColor(120, 5, kNaN), RGB(255, 255, 255));
  EXPECT_EQ(HSVtoColor(120, kNaN, -3), RGB(0, 0, 0));
  EXPECT_EQ(HSVtoColor(-1, 0, 0.5), RGB(128, 128, 128));  // 127.5 rounds to even
  EXPECT_EQ(HSItoColor(0, 1, 1), RGB(255, 0, 0));         // C = 3, cut at 1
  EXPECT_EQ(HSItoColor(60, 1, 1), RGB(255, 255, 0));
}

TEST(ColorModels, CmyCmykGray) {
  double c = 0.2, m = 0.5, y = 0.9, k = -1;
  CMYtoCMYK(c, m, y, k);
  EXPECT_DOUBLE_EQ(k, 0.2);
  EXPECT_NEAR(c, 0, 1e-15);
  EXPECT_NEAR(m, 0.3, 1e-15);
  EXPECT_NEAR(y, 0.7, 1e-15);
  CMYKtoCMY(c, m, y, k);
  EXPECT_NEAR(c, 0.2, 1e-15);
  EXPECT_NEAR(m, 0.5, 1e-15);
  EXPECT_NEAR(y, 0.9, 1e-15);
  c = -3, m = kNaN, y = 0.5;
  CMYtoCMYK(c, m, y, k);
  EXPECT_EQ(k, 0);
  EXPECT_EQ(m, 1);
  for (int v = 0; v < 256; ++v) {
    double cc, mm, yy;
    RGBtoCMY(static_cast<Byte>(v), 0, 255, cc, mm, yy);
    Byte r, g, b;
    CMYtoRGB(cc, mm, yy, r, g, b);
    ASSERT_EQ(r, v);
    ASSERT_EQ(g, 0);
    ASSERT_EQ(b, 255);
  }
  Byte r, g, b;
  CMYtoRGB(-1, 2, kNaN, r, g, b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 0);

  EXPECT_EQ(RGBtoGray(255, 255, 255), 255);
  EXPECT_EQ(RGBtoGray(0, 0, 0), 0);
  EXPECT_EQ(RGBtoGray(5, 0, 0), 2);   // 1.5 rounds to even
  EXPECT_EQ(RGBtoGray(15, 0, 0), 4);  // 4.5 rounds to even
  EXPECT_EQ(ColorToGrayColor(0xFF0000FFu), RGB(76, 76, 76));
  EXPECT_EQ(ContrastBWColor(RGB(140, 140, 140)), 0u);
  EXPECT_EQ(ContrastBWColor(RGB(139, 139, 139)), 0xFFFFFFu);
  EXPECT_EQ(RGBColorDistance(0, 0xFFFFFF), 1.0);
  EXPECT_EQ(RGBColorDistance(0xFF123456u, 0x123456u), 0.0);
}

TEST(ColorModels, Wavelength) {
  struct Case {
    int nm;
    double gamma;
    TColor want;
  } cases[] = {
      {380, 1, RGB(76, 0, 76)},
      {780, 1, 0},
      {379, 1, 0},
      {550, 1, RGB(146, 255, 0)},
      {440, 1, RGB(0, 0, 255)},
      {700, 1, RGB(255, 0, 0)},
      {779, 1, RGB(79, 0, 0)},
      {500, 0.8, RGB(0, 255, 146)},
      {600, -3, RGB(255, 255, 0)},  // a negative gamma saturates instead of wrapping
      {600, kNaN, 0},
      {-5, 1, 0},
      {1 << 30, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.nm << " nm, gamma " << c.gamma);
    EXPECT_EQ(WavelengthToColor(c.nm, c.gamma), c.want);
  }
}

TEST(ColorModels, RandomColorsFollowTheSeed) {
  RandSeed = 12345;
  const int32_t b = Random(256), g = Random(256), r = Random(256);
  RandSeed = 12345;
  EXPECT_EQ(RandomColor(), RGB(r, g, b));
  RandSeed = 12345;
  const int32_t b2 = 10 + Random(11), g2 = 0 + Random(1), r2 = 200 + Random(56);
  RandSeed = 12345;
  EXPECT_EQ(RandomColor(200, 255, 0, 0, 10, 20), RGB(r2, g2, b2));
  // Bounds the wrong way round: the range between them.
  RandSeed = 777;
  for (int i = 0; i < 2000; ++i) {
    const TColor c = RandomColor(250, 5, 30, 20, 0, 255);
    ASSERT_GE(c & 0xFF, 5u);
    ASSERT_LE(c & 0xFF, 250u);
    ASSERT_GE((c >> 8) & 0xFF, 20u);
    ASSERT_LE((c >> 8) & 0xFF, 30u);
    ASSERT_EQ(c >> 24, 0u);
  }
}

// Every 24-bit colour survives RGB -> HSV -> RGB and RGB -> HSL -> RGB; every
// 17th step survives HSI.
TEST(ColorModels, RoundTripsOverTheCube) {
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        const TColor c = RGB(r, g, b);
        double h, s, x;
        ColorToHSV(c, h, s, x);
        ASSERT_EQ(HSVtoColor(h, s, x), c);
        ColorToHSL(c, h, s, x);
        ASSERT_EQ(HSLtoColor(h, s, x), c);
        if (r % 17 == 0 && g % 17 == 0 && b % 17 == 0) {
          ColorToHSI(c, h, s, x);
          ASSERT_EQ(HSItoColor(h, s, x), c) << r << "," << g << "," << b;
        }
      }
}

TEST(ColorModels, AgreesWithPythonColorsys) {
  const auto path = std::filesystem::path(ZEL_TEST_SOURCE_DIR) / "colors" / "data" / "colorsys_vectors.txt";
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    SCOPED_TRACE(line);
    std::istringstream ss(line);
    std::string kind;
    double a, b, c, x, y, z;
    ASSERT_TRUE(ss >> kind >> a >> b >> c >> x >> y >> z);
    ++count;
    if (kind == "hsv" || kind == "hsl") {
      double h, s, v;
      if (kind == "hsv")
        RGBtoHSV(int(a), int(b), int(c), h, s, v);
      else
        RGBtoHSL(int(a), int(b), int(c), h, s, v);
      // colorsys reports hue 0 for every gray; HSV marks grays with -1.
      if (kind == "hsv" && s == 0 && v != 0)
        EXPECT_EQ(h, -1);
      else
        EXPECT_NEAR(h, x, 1e-9);
      EXPECT_NEAR(s, y, 1e-12);
      EXPECT_NEAR(v, z, 1e-12);
    } else {
      int32_t r, g, bl;
      if (kind == "hsv2rgb")
        HSVtoRGB(a, b, c, r, g, bl);
      else
        HSLtoRGB(a, b, c, r, g, bl);
      EXPECT_LE(std::fabs(r - x), 0.5 + 1e-9);
      EXPECT_LE(std::fabs(g - y), 0.5 + 1e-9);
      EXPECT_LE(std::fabs(bl - z), 0.5 + 1e-9);
    }
  }
  EXPECT_GT(count, 2800);
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

// Channel fractions come from a table; they must be the quotients a
// division gives, for every channel and for values outside 0..255.
TEST(ColorModels, ChannelFractionsAreQuotients) {
  for (int v = -300; v <= 600; ++v) {
    double h, s, x;
    RGBtoHSV(v, 0, 0, h, s, x);
    ASSERT_EQ(x, std::max(v, 0) / 255.0) << v;
    RGBtoHSL(0, 0, v, h, s, x);
    ASSERT_EQ(x, std::clamp(v / 255.0, 0.0, 1.0) / 2) << v;
  }
}

}  // namespace
}  // namespace zel
