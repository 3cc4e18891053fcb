// Colour names, tables and the hexadecimal form.
#include "zel/colors/colornames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "zel/runtime/utf8.h"

namespace zel {
namespace {

size_t NameIndex(std::u16string_view name) {
  return static_cast<size_t>(std::find(AllZELColorNames.begin(), AllZELColorNames.end(), name) -
                             AllZELColorNames.begin());
}

TEST(ColorNames, Tables) {
  EXPECT_EQ(AllZELColorNames[0], u"Black");
  EXPECT_EQ(AllZELColorNames[18], u"MedGray");
  EXPECT_EQ(AllZELColorNames[465], u"YellowGreen");
  EXPECT_EQ(AllZELColors[465], 0x32CD9Au);
  EXPECT_EQ(AllZELColors[NameIndex(u"Teal")], 0x808000u);
  EXPECT_EQ(AllZELColors[NameIndex(u"Cyan1")], 0xFFFF00u);
  EXPECT_EQ(AllZELColors[NameIndex(u"RebeccaPurple")], 0x993366u);
  // From entry 19 on the names are in case-insensitive alphabetical order and
  // unique.
  for (size_t i = 20; i < AllZELColorNames.size(); ++i) {
    std::string a = StringToUtf8(String(AllZELColorNames[i - 1]));
    std::string b = StringToUtf8(String(AllZELColorNames[i]));
    for (auto* s : {&a, &b})
      for (char& ch : *s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_LT(a, b) << i;
  }
  // X11Colors: first AliceBlue, the Web* pair near the end, last YellowGreen.
  EXPECT_EQ(X11Colors[0], 0xFFF8F0u);
  EXPECT_EQ(X11Colors[2], X11Colors[20]);  // Aqua, Cyan
  EXPECT_EQ(X11Colors[144], 0x32CD9Au);
  for (TColor c : AllZELColors) EXPECT_EQ(c >> 24, 0u);
  EXPECT_EQ(PredefinedColors[17], 0xF0CAA6u);
  EXPECT_EQ(PredefinedColors[20], 0xFF00000Au);
  EXPECT_EQ(PredefinedColors[46], 0xFF000008u);
  EXPECT_EQ(PredefinedColorNames[40], u"None");
  EXPECT_EQ(PredefinedColors[40], clNone);
  EXPECT_EQ(PredefinedColors[29], clDefault);
  EXPECT_EQ(ColorArray_Rainbow.front(), 0x400020u);
  EXPECT_EQ(ColorArray_Rainbow.back(), 0x000040u);
  EXPECT_EQ(ColorArray_Contrast[13], 0x41E1EEu);
}

TEST(ColorNames, HexForm) {
  EXPECT_EQ(ColorToHexStr(0xFF000005u), u"FF000005");
  EXPECT_EQ(ColorToHexStr(0), u"00000000");
  EXPECT_EQ(ColorToHexStr(0xFF), u"000000FF");
  EXPECT_EQ(ColorToHexStr(0xABCDEF12u), u"ABCDEF12");
  struct Case {
    std::u16string_view text;
    TColor want;
  } cases[] = {
      {u"$FF", 255},   {u"FF", 255},    {u"  ff  ", 255},
      {u"xyz", 0},     {u"12G4", 0x12}, {u"123456789", 0x23456789},
      {u"", 0},        {u"   ", 0},     {u"$", 0},
      {u"  $ff", 255}, {u"$$FF", 0},    {u"FF000005", 0xFF000005u},
      {u"\tFF", 0},    {u"$  ff", 255}, {u"ff ee", 0xFF},
      {u"-1", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(String(c.text)));
    EXPECT_EQ(HexStrToColor(String(c.text)), c.want);
  }
  // Every value reads back from its own form.
  for (uint64_t v = 0; v <= 0xFFFFFFFFu; v += 0x01010101u / 3) {
    const TColor c = static_cast<TColor>(v);
    ASSERT_EQ(HexStrToColor(ColorToHexStr(c)), c);
  }
  // The reader shared with colour-array files: a space in the last position
  // is not skipped; "$" only counts at position 1.
  size_t pos = 1, digits = 9;
  EXPECT_EQ(internal::ParseHexColor(u"   ", pos, &digits), 0u);
  EXPECT_EQ(pos, 3u);
  EXPECT_EQ(digits, 0u);
  pos = 1;
  EXPECT_EQ(internal::ParseHexColor(u"  $FF", pos, &digits), 0u);
  EXPECT_EQ(pos, 3u);
  pos = 1;
  EXPECT_EQ(internal::ParseHexColor(u"$0000ff00;", pos, &digits), 0xFF00u);
  EXPECT_EQ(pos, 10u);
  EXPECT_EQ(digits, 8u);
  Char buf[16];
  EXPECT_EQ(internal::FormatHexDigits(0xABCu, 20, buf), 16u);
  EXPECT_EQ(String(buf, 16), u"0000000000000ABC");
  EXPECT_EQ(internal::FormatHexDigits(0xABCu, 0, buf), 1u);
  EXPECT_EQ(buf[0], u'C');
}

TEST(ColorNames, ObtainAndFindNames) {
  struct Case {
    TColor c;
    std::u16string_view shortName, longName;
  } cases[] = {
      {0x0000FF, u"Red", u"$000000FF (clRed)"},
      {0xFFFF00, u"Aqua", u"$00FFFF00 (clAqua)"},
      {0x123456, u"$00123456", u"$00123456"},
      {0xFF000005u, u"$FF000005", u"$FF000005"},
      {0x701919, u"MidnightBlue", u"$00701919 (clMidnightBlue)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.c);
    EXPECT_EQ(ObtainColorName(c.c), c.shortName);
    EXPECT_EQ(ObtainColorName(c.c, false), c.shortName);
    EXPECT_EQ(ObtainColorName(c.c, true), c.longName);
    TColor back = 0xDEADBEEF;
    EXPECT_TRUE(ColorFromName(String(c.shortName), back));
    EXPECT_EQ(back, c.c);
    back = 0xDEADBEEF;
    EXPECT_TRUE(ColorFromName(String(c.longName), back));
    EXPECT_EQ(back, c.c);
  }
  struct Lookup {
    std::u16string_view name;
    bool found;
    TColor want;
  } lookups[] = {
      {u"Teal", true, 0x808000},
      {u"teal", true, 0x808000},
      {u"clTeal", true, 0x808000},
      {u" CLTEAL ", true, 0x808000},
      {u"BtnFace", true, 0xFF00000F},
      {u"clNone", true, clNone},
      {u"SkyBlue", true, 0xF0CAA6},
      {u"Tealish", false, 0},
      {u"cl", false, 0},
      {u"", false, 0},
      {u"$12345678 junk", false, 0},
      {u"$123456789", false, 0},
      {u"$", false, 0},
  };
  for (const auto& l : lookups) {
    SCOPED_TRACE(StringToUtf8(String(l.name)));
    TColor c = 7;
    EXPECT_EQ(ColorFromName(String(l.name), c), l.found);
    EXPECT_EQ(c, l.found ? l.want : 7u);
  }
}

TEST(ColorNames, SystemColors) {
  EXPECT_EQ(ColorToRGB(0xFF000005u), 0xFFFFFFu);  // Window
  EXPECT_EQ(ColorToRGB(0xFF00000Fu), 0xF0F0F0u);  // BtnFace
  EXPECT_EQ(ColorToRGB(0xFF000018u), 0xE1FFFFu);  // InfoBk
  EXPECT_EQ(ColorToRGB(0xFF000019u), 0x000019u);  // no such system colour
  EXPECT_EQ(ColorToRGB(0x12345678u), 0x345678u);
  EXPECT_EQ(ColorToRGB(clNone), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(clDefault), 0u);
  for (int i = 0; i < kSystemColorCount; ++i) EXPECT_EQ(ColorToRGB(kSystemColorFlag | i) >> 24, 0u);
}

}  // namespace
}  // namespace zel
