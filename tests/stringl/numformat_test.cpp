#include "zel/stringl/numformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "zel/runtime/realstr.h"
#include "zel/runtime/utf8.h"
#include "zel/stringl/wordseps.h"

namespace zel {
namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct FixedCase {
  long double v;
  int w, d;
  const char16_t* text;
};

TEST(Strff, WorkedExamples) {
  const FixedCase cases[] = {
      {1.5L, 10, -2, u" 1.500E+00"},
      {-1.5L, 10, -2, u"-1.500E+00"},
      {1e100L, 10, -2, u"**********"},
      {1e-300L, 12, -2, u"************"},
      {1e99L, 10, -2, u" 1.000E+99"},
      {-1e-99L, 10, -2, u"-1.000E-99"},
      {9.9996e99L, 10, -2, u"**********"},  // rounds up to 1.000E+100
      {123.456L, 10, -2, u" 1.235E+02"},
      {-123.456L, 10, -2, u"-1.235E+02"},
      {3.14159L, 8, 3, u"   3.142"},
      {3.14159L, -8, 3, u"0003.142"},
      {-3.14159L, -8, 3, u"-003.142"},
      {-3.5L, -8, 2, u"-0003.50"},
      {42, -5, 0, u"00042"},
      {12345.678L, 3, 1, u"12345.7"},
      {0, 0, 0, u"0"},
      {1.5L, -10, -2, u"01.500E+00"},
      {-1.5L, -10, -2, u"-1.500E+00"},
      {1.5L, 6, -2, u" 1.5E+00"},
      {1.5L, 3, -2, u" 1.5E+00"},     // narrower than the smallest exponent text
      {1.5L, 10, -3, u" 1.5E+0000"},  // other negative counts: StrReal's form
  };
  for (const FixedCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(strff(c.v, c.w, c.d), c.text);
  }
}

TEST(Strff, BadInput) {
  const long double inf = std::numeric_limits<long double>::infinity();
  EXPECT_EQ(strff(inf, -6, 2), u"   Inf");  // never zero padded
  EXPECT_EQ(strff(-inf, 10, -2), u"      -Inf");
  EXPECT_EQ(strff(std::nanl(""), -5, -2), u"  NaN");
  EXPECT_EQ(strff(1, INT32_MIN, 0).size(), size_t(kMaxRealStrWidth));
  EXPECT_EQ(strff(1, INT32_MAX, -2).size(), size_t(kMaxRealStrWidth) - 2);
  EXPECT_EQ(strff(1, 0, INT32_MAX).size(), size_t(kMaxRealStrWidth) + 2);
}

TEST(StrffForcePlus, WorkedExamples) {
  const FixedCase cases[] = {
      {0, 0, 0, u"+0"},
      {2, -4, 0, u"+002"},
      {-2, 4, 0, u"  -2"},
      {3.5L, 5, 2, u"+3.50"},
      {3.5L, -7, 2, u"+003.50"},
      {3.5L, 0, 2, u"+3.50"},
      {0.5L, 0, 1, u"+0.5"},
      {-0.0L, 0, 0, u"+0"},
      {1.5L, 10, -2, u"+1.500E+00"},
      {-1.5L, 10, -2, u"-1.500E+00"},
  };
  for (const FixedCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(strffForcePlus(c.v, c.w, c.d), c.text);
  }
  EXPECT_EQ(strffForcePlus(std::nanl(""), 0, 2), u"+NaN");
  EXPECT_EQ(strffForcePlus(std::numeric_limits<long double>::infinity(), 0, 2), u"+Inf");
}

TEST(FormatData, SwitchOverAtEveryDecimalCount) {
  static const double kUpper[9] = {999999999, 9999999.9, 999999.99, 99999.999, 9999.9999,
                                   999.99999, 99.999999, 9.9999999, 0.99999999};
  static const double kLower[9] = {1, 0.1, 0.01, 0.001, 0.0001, 1e-05, 1e-06, 1e-07, 1e-08};
  static const char16_t* kUpperText[9] = {u" 999999999", u" 9999999.9", u" 999999.99",
                                          u" 99999.999", u" 9999.9999", u" 999.99999",
                                          u" 99.999999", u" 9.9999999", u"0.99999999"};
  static const char16_t* kLowerText[9] = {u"        -1", u"      -0.1", u"     -0.01",
                                          u"    -0.001", u"   -0.0001", u"  -0.00001",
                                          u" -0.000001", u"-0.0000001", u"-0.00000001"};
  static const char16_t* kBelowText[9] = {
      u" 1.000000000E+00", u" 1.000000000E-01", u" 1.000000000E-02",
      u" 1.000000000E-03", u" 1.000000000E-04", u" 1.000000000E-05",
      u" 1.000000000E-06", u" 1.000000000E-07", u" 1.000000000E-08"};
  for (int k = 0; k < 9; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(FormatData(kUpper[k], 10, k), kUpperText[k]);
    EXPECT_EQ(FormatData(-kLower[k], 10, k), kLowerText[k]);
    EXPECT_EQ(FormatData(std::nextafter(kLower[k], 0.0), 10, k), kBelowText[k]);
    const String above = FormatData(std::nextafter(kUpper[k], kInf), 10, k);
    EXPECT_EQ(above.size(), 16u);
    EXPECT_EQ(above.substr(0, 8), u" 9.99999");
    String zero = k == 0 ? String(u"0") : u"0." + String(static_cast<size_t>(k), u'0');
    if (zero.size() < 4) zero.insert(0, 4 - zero.size(), u' ');
    EXPECT_EQ(FormatData(0, 4, k), zero);
  }
}

TEST(FormatData, WorkedExamples) {
  EXPECT_EQ(FormatData(0.5, 6, 0), u" 5.00000E-01");
  EXPECT_EQ(FormatData(0.25, 6, 0), u" 2.50000E-01");
  EXPECT_EQ(FormatData(0, 6, 0), u"     0");
  EXPECT_EQ(FormatData(1234567890, 12, 0), u" 1.23456789000E+09");
  EXPECT_EQ(FormatData(1.5, 6, 9), u" 1.50000E+00");  // 9 decimals: always exponent form
  EXPECT_EQ(FormatData(1.5, 6, -1), u" 1.50000E+00");
  EXPECT_EQ(FormatData(1.25, 6, 2), u"  1.25");
  EXPECT_EQ(FormatData(1e200, 6, 2), u"************");
  EXPECT_EQ(FormatData(kNaN, 6, 2), u"         NaN");
  EXPECT_EQ(FormatData(-kInf, 4, 2), u"      -Inf");
  EXPECT_EQ(FormatData(1, INT32_MAX, 2).size(), size_t(kMaxRealStrWidth));
  EXPECT_EQ(FormatData(1e20, INT32_MAX, 2).size(), size_t(kMaxRealStrWidth) - 2);
}

TEST(SigDigStr, Examples) {
  struct C {
    double v;
    int w, sig;
    const char16_t* text;
  };
  const C cases[] = {
      {123.456, 8, 3, u"     123"},
      {123.456, 10, 6, u"   123.456"},
      {0.00123, 8, 3, u" 0.00123"},
      {0.00123, 5, 3, u" 1.23E-03"},
      {0.00123, 10, 6, u" 1.23000E-03"},
      {1e6, 8, 3, u" 1000000"},
      {1e6, 5, 3, u" 1.00E+06"},
      {0.1, 8, 3, u"   0.100"},
      {0.1, 5, 3, u" 1.00E-01"},
      {0, 8, 3, u"    0.00"},
      {0, 8, 0, u"       0"},
      {0, 4, -5, u"   0"},
      {-2.5, 6, 2, u"  -2.5"},
      {123456.0, 5, 2, u" 1.2E+05"},
      {1.5e100, 8, 3, u"*********"},
      // The digit count comes from ln / 2.302585092994046 in extended
      // precision, which counts exact powers of ten one digit short.
      {10, 8, 3, u"   10.00"},
      {100, 8, 3, u"   100.0"},
      {1000, 8, 3, u"    1000"},
      {99.99, 8, 3, u"   100.0"},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(SigDigStr(c.v, c.w, c.sig), c.text);
  }
}

TEST(SigDigStr, SwitchOverPoints) {
  // sig >= e: plain while e >= sig - width + 3.
  for (int sig = 1; sig <= 10; ++sig) {
    SCOPED_TRACE(sig);
    const int width = 10;
    // The smallest e that still fits: e = sig - width + 3.
    const int e = sig - width + 3;
    const double fits = std::pow(10.0, e - 1) * 2;   // e digits before the point
    const double below = std::pow(10.0, e - 2) * 2;  // one digit less
    EXPECT_EQ(SigDigStr(fits, width, sig).find(u'E'), String::npos);
    EXPECT_NE(SigDigStr(below, width, sig).find(u'E'), String::npos);
  }
  EXPECT_EQ(SigDigStr(200, 10, 10), u"200.0000000");  // e = 3: sign, digit, point counted
  EXPECT_EQ(SigDigStr(0.02, 10, 5), u"  0.020000");   // e = -1 >= 5 - 10 + 3
  EXPECT_EQ(SigDigStr(0.002, 8, 5), u" 2.0000E-03");
  // sig < e: plain without decimals while e <= width - 1.
  EXPECT_EQ(SigDigStr(123456789.0, 10, 3), u" 123456789");
  EXPECT_EQ(SigDigStr(1234567890.0, 10, 3), u" 1.235E+09");  // max(width, sig + 6) characters
  EXPECT_EQ(SigDigStr(1234567890.0, 11, 3), u" 1234567890");
}

TEST(SigDigStr, NonFiniteAndTrim) {
  EXPECT_EQ(SigDigStr(kNaN, 4, 3), u"      NaN");
  EXPECT_EQ(SigDigStr(kInf, 12, 3), u"         Inf");
  EXPECT_EQ(SigDigStr(-kInf, 12, 3, true), u"-Inf");
  EXPECT_EQ(SigDigStr(123.456, 10, 6, true), u"123.456");
  EXPECT_EQ(SigDigStr(0.00123, 5, 3, true), u"1.23E-03");
  EXPECT_EQ(SigDigStr(1, INT32_MAX, INT32_MAX).size(), size_t(kMaxRealStrWidth) - 2);
  EXPECT_EQ(SigDigStr(5e-324, 8, 3), u"*********");
}

TEST(AutoFormatData, Examples) {
  struct C {
    double v;
    int sig;
    const char16_t* text;
  };
  const C cases[] = {
      {0.5, 4, u"0.500"},      {12.5, 4, u"12.50"},       {0.05, 4, u"5.000E-02"},
      {1234, 4, u"1.234E+03"}, {-12.5, 4, u"-12.50"},     {0, 3, u"0.00"},
      {0, 1, u"0.0"},          {1.5, 1, u"1.5"},          {0.1, 4, u"1.000E-01"},
      {999.4, 4, u"999.4"},    {1e300, 4, u"**********"}, {0.099, 4, u"9.900E-02"},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(AutoFormatData(c.v, c.sig), c.text);
  }
  EXPECT_EQ(AutoFormatData(1.0 / 3, 40), AutoFormatData(1.0 / 3, 16));
  EXPECT_EQ(AutoFormatData(1.0 / 3, 16),
            u"0.333333333333333");  // 15 decimals for 16 digits below 1
  EXPECT_EQ(AutoFormatData(1.0 / 3, 1), AutoFormatData(1.0 / 3, 2));
  EXPECT_EQ(AutoFormatData(1.5, 3, true), u"1,50");
  EXPECT_EQ(AutoFormatData(0.05, 4, true), u"5,000E-02");
  EXPECT_EQ(AutoFormatData(kNaN, 4), u"NaN");
  EXPECT_EQ(AutoFormatData(-kInf, 4), u"-Inf");
}

TEST(AutoFormatData, PowersOfTenSitOnTheSwitchOverPoints) {
  // log10 of an exact power of ten is integral: 10^(sig-1) and 0.1 are in
  // exponent form, the powers in between have exactly sig digits.
  struct C {
    double v;
    int sig;
    const char16_t* text;
  };
  const C cases[] = {
      {10, 3, u"10.0"},         {100, 3, u"1.00E+02"},
      {1000, 4, u"1.000E+03"},  {1, 4, u"1.000"},
      {100, 4, u"100.0"},       {0.1, 3, u"1.00E-01"},
      {-0.01, 3, u"-1.00E-02"}, {1e14, 16, u"100000000000000.0"},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(AutoFormatData(c.v, c.sig), c.text);
  }
}

TEST(IntToStrGrouped, Examples) {
  EXPECT_EQ(IntToStrGrouped(1234567, u','), u"1,234,567");
  EXPECT_EQ(IntToStrGrouped(-123456, u','), u"-123,456");
  EXPECT_EQ(IntToStrGrouped(999, u','), u"999");
  EXPECT_EQ(IntToStrGrouped(0, u'.'), u"0");
  EXPECT_EQ(IntToStrGrouped(-1000, u'.'), u"-1.000");
  EXPECT_EQ(IntToStrGrouped(INT64_MIN, u'\u2009'),
            u"-9\u2009223\u2009372\u2009036\u2009854\u2009775\u2009808");
  EXPECT_EQ(IntToStrGrouped(INT64_MAX, u' '), u"9 223 372 036 854 775 807");
}

TEST(BoolTexts, AllStyles) {
  const char16_t* kTrue[] = {u"TRUE", u"T", u".T.", u"1", u"-1", u"FF", u"YES", u"GOOD"};
  const char16_t* kFalse[] = {u"FALSE", u"F", u".F.", u"0", u"0", u"00", u"NO", u"BAD"};
  for (int s = 0; s < 8; ++s) {
    SCOPED_TRACE(s);
    EXPECT_EQ(BoolToStr(true, s), kTrue[s]);
    EXPECT_EQ(BoolToStr(false, s), kFalse[s]);
  }
  EXPECT_EQ(BoolToStr(true, 99), u"TRUE");
  EXPECT_EQ(BoolToStr(false, -1), u"FALSE");
  EXPECT_EQ(BinString(true, u"on", u"off"), u"on");
  EXPECT_EQ(BinString(false, u"on", u"off"), u"off");
}

TEST(TimeString, AllFormats) {
  const double t = 5 * 3600 + 7 * 60 + 9.25;
  EXPECT_EQ(TimeString(t, 0), u"05:07:09.25");
  EXPECT_EQ(TimeString(t, 1), u"05:07:09");
  EXPECT_EQ(TimeString(t, 2), u" 5h07");
  EXPECT_EQ(TimeString(t, 3), u" 5h07'09\"");
  EXPECT_EQ(TimeString(t, 4), u"05:07");
  EXPECT_EQ(TimeString(t, 5), u" 5:07a");
  EXPECT_EQ(TimeString(t, 6), u"");
  EXPECT_EQ(TimeString(t, 255), u"");
  EXPECT_EQ(TimeString(-5, 1), u"00:00:00");
  EXPECT_EQ(TimeString(kNaN, 0), u"00:00:00.00");
  EXPECT_EQ(TimeString(3600.0 * 100, 1), u"100:00:00");
  EXPECT_EQ(TimeString(0, 5), u"12:00a");
  EXPECT_EQ(TimeString(12 * 3600, 5), u"12:00p");
  EXPECT_EQ(TimeString(13 * 3600 + 60, 5), u" 1:01p");
  EXPECT_EQ(TimeString(23 * 3600 + 59 * 60, 5), u"11:59p");
  EXPECT_EQ(TimeString(3600.0 * 70000, 1), u"70000:00:00");  // no wrap at 65536
  EXPECT_EQ(TimeString(kInf, 4), u"1000000000000:00");
}

// Hundredths are cut from the decimal value written, not from its binary
// approximation (4.35 is 4.34999... in binary).
TEST(TimeString, HundredthsOfTheDecimalValue) {
  const struct {
    double seconds;
    const char16_t* want;
  } cases[] = {{4.35, u"00:00:04.35"},
               {0.29, u"00:00:00.29"},
               {4.359, u"00:00:04.35"},
               {0.07, u"00:00:00.07"},
               {1.1, u"00:00:01.10"},
               {59.999, u"00:00:59.99"},
               {3599.99, u"00:59:59.99"},
               {86399.57, u"23:59:59.57"},
               {1e-300, u"00:00:00.00"},
               {0.5, u"00:00:00.50"},
               {3600.0 * 100 + 0.01, u"100:00:00.01"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(TimeString(c.seconds, 0), c.want);
  }
}

TEST(SortableNumericString, Columns) {
  EXPECT_EQ(SortableNumericString(u"  3.25 ", u'.', 4), u"  3.25");
  EXPECT_EQ(SortableNumericString(u"123.5", u'.', 4), u"123.5");
  EXPECT_EQ(SortableNumericString(u"1234.5", u'.', 4), u"1234.5");
  EXPECT_EQ(SortableNumericString(u"12", u'.', 3), u"   12");
  EXPECT_EQ(SortableNumericString(u"1,5", u',', 3), u" 1,5");
  EXPECT_EQ(SortableNumericString(u"", u'.', 2), u"  ");
  EXPECT_EQ(SortableNumericString(u"1.5", u'.', -3), u"1.5");
  EXPECT_EQ(SortableNumericString(u"1.5", u'.', INT32_MAX).size(), 4096u - 2 + 3);
}

TEST(WordSeps, InitialMembers) {
  const int kMembers[] = {0,  10, 13, 32, 34, 35, 37, 39, 40, 41, 42, 43,  44,
                          45, 46, 47, 58, 59, 60, 61, 62, 91, 92, 93, 123, 125};
  TByteSet expected;
  for (int c : kMembers) expected.set(static_cast<size_t>(c));
  EXPECT_EQ(WordSeps, expected);
  EXPECT_EQ(WordSeps.count(), 26u);
  EXPECT_TRUE(IsWordSep(u' '));
  EXPECT_FALSE(IsWordSep(u'a'));
  EXPECT_FALSE(IsWordSep(static_cast<Char>(0x100 + ' ')));  // above 255: never
}

}  // namespace
}  // namespace zel
