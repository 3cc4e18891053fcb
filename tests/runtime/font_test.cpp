#include "zel/runtime/font.h"

#include <gtest/gtest.h>

#include <climits>

#include "zel/runtime/exception.h"

namespace zel {
namespace {

TEST(FontStyles, SetOperations) {
  TFontStyles s{fsBold, fsItalic};
  EXPECT_TRUE(s.Contains(fsBold));
  EXPECT_FALSE(s.Contains(fsUnderline));
  EXPECT_EQ(s.Mask(), 0x3);
  s.Exclude(fsBold).Include(fsStrikeOut);
  EXPECT_EQ(s, (TFontStyles{fsItalic, fsStrikeOut}));
  EXPECT_EQ(s + TFontStyles({fsBold}), TFontStyles::FromMask(0xB));
  EXPECT_EQ(s - TFontStyles({fsItalic}), TFontStyles({fsStrikeOut}));
  EXPECT_EQ(s * TFontStyles({fsItalic, fsBold}), TFontStyles({fsItalic}));
  EXPECT_TRUE(TFontStyles::FromMask(0xF0).Empty());
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndClamps) {
  struct Case {
    int32_t v, n, d, want;
  } cases[] = {
      {10, 96, 72, 13},
      {-10, 96, 72, -13},
      {3, 1, 2, 2},
      {-3, 1, 2, -2},
      {3, -1, 2, -2},
      {3, 1, -2, -2},
      {1, 1, 0, -1},
      {INT32_MAX, INT32_MAX, 1, INT32_MAX},
      {INT32_MIN, INT32_MAX, 1, INT32_MIN},
      {INT32_MIN, -1, 1, INT32_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << " * " << c.n << " / " << c.d);
    EXPECT_EQ(MulDiv(c.v, c.n, c.d), c.want);
  }
}

TEST(Font, DefaultsAndSizeHeightConversion) {
  TFont f;
  EXPECT_EQ(f.ClassName(), u"TFont");
  EXPECT_EQ(f.Name(), u"Sans");
  EXPECT_EQ(f.PixelsPerInch(), 96);
  EXPECT_EQ(f.Height(), -13);
  EXPECT_EQ(f.Size(), 10);
  EXPECT_EQ(f.Color(), 0u);
  EXPECT_TRUE(f.Style().Empty());
  EXPECT_EQ(f.Pitch(), fpDefault);

  struct Case {
    int32_t ppi, size, height, size_back;
  } cases[] = {
      {96, 8, -11, 8},
      {96, 12, -16, 12},
      {300, 10, -42, 10},
      {72, 9, -9, 9},
      {96, 0, 0, 0},
      {96, -10, 13, -10},
      {7200, INT32_MAX, -INT32_MAX, 21474836},  // the height clamps
      {96, INT32_MIN, INT32_MAX, -1610612735},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " pt at " << c.ppi);
    TFont g;
    g.SetPixelsPerInch(c.ppi);
    g.SetSize(c.size);
    EXPECT_EQ(g.Height(), c.height);
    EXPECT_EQ(g.Size(), c.size_back);
  }
}

TEST(Font, SettersFireOnlyOnChange) {
  TFont f;
  int fired = 0;
  f.SetOnChange([&](TObject* sender) {
    EXPECT_EQ(sender, &f);
    ++fired;
  });
  f.SetName(u"Sans");
  f.SetSize(10);
  f.SetColor(0);
  f.SetStyle({});
  f.SetPitch(fpDefault);
  f.SetPixelsPerInch(96);
  f.SetPixelsPerInch(0);
  f.SetPixelsPerInch(-5);
  f.SetPitch(static_cast<zel::TFontPitch>(7));  // not a pitch
  EXPECT_EQ(fired, 0);
  f.SetName(u"DejaVu Serif");
  f.SetSize(12);
  f.SetHeight(-20);
  f.SetColor(0xFF);
  f.SetStyle({fsBold});
  f.SetPitch(fpFixed);
  EXPECT_EQ(fired, 6);
  f.SetPixelsPerInch(300);  // keeps 15 pt: -20 px at 96 -> 15 pt -> -63 px at 300
  EXPECT_EQ(fired, 7);
  EXPECT_EQ(f.Height(), -63);
  EXPECT_EQ(f.Size(), 15);
}

TEST(Font, AssignCopiesAttributesKeepsResolutionAndHandler) {
  TFont screen, printer;
  screen.SetName(u"DejaVu Sans Mono");
  screen.SetSize(12);
  screen.SetColor(0x123456);
  screen.SetStyle({fsItalic, fsUnderline});
  screen.SetPitch(fpFixed);
  int src_fired = 0, dst_fired = 0;
  screen.SetOnChange([&](TObject*) { ++src_fired; });
  printer.SetPixelsPerInch(300);
  printer.SetOnChange([&](TObject*) { ++dst_fired; });

  printer.Assign(&screen);
  EXPECT_EQ(dst_fired, 1);
  EXPECT_EQ(printer.Name(), u"DejaVu Sans Mono");
  EXPECT_EQ(printer.Size(), 12);
  EXPECT_EQ(printer.Height(), -50);
  EXPECT_EQ(printer.PixelsPerInch(), 300);
  EXPECT_EQ(printer.Color(), 0x123456u);
  EXPECT_EQ(printer.Style(), (TFontStyles{fsItalic, fsUnderline}));
  EXPECT_EQ(printer.Pitch(), fpFixed);
  printer.Assign(&screen);  // nothing changes: no notification
  printer.Assign(&printer);
  EXPECT_EQ(dst_fired, 1);

  TFont same_res;
  screen.SetHeight(7);  // a cell height: copied as it is at the same resolution
  same_res.Assign(&screen);
  EXPECT_EQ(same_res.Height(), 7);
  EXPECT_FALSE(same_res.OnChange());
  EXPECT_EQ(src_fired, 1);

  TPersistent other;
  try {
    printer.Assign(&other);
    FAIL() << "no conversion error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a TPersistent to a TFont");
  }
}

}  // namespace
}  // namespace zel
