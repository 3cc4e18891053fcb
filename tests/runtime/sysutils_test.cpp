#include "zel/runtime/sysutils.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

std::string U8(const String& s) { return StringToUtf8(s); }

// ---- integers -------------------------------------------------------------------

TEST(SysUtils, StrToIntAcceptsDecimalAndHex) {
  const struct {
    String text;
    int32_t value;
  } cases[] = {{u"0", 0},
               {u"-17", -17},
               {u"+5", 5},
               {u"  42", 42},
               {u"2147483647", 2147483647},
               {u"-2147483648", INT32_MIN},
               {u"$FF", 255},
               {u"0x7fffffff", 2147483647},
               {u"$FFFFFFFF", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.text));
    EXPECT_EQ(StrToInt(c.text), c.value);
  }
}

TEST(SysUtils, StrToIntRejectsBadTextWithMessage) {
  const String bad[] = {u"",           u" ",          u"-",           u"12a",
                        u"1.5",        u"2147483648", u"-2147483649", u"$",
                        u"$1FFFFFFFF", u"42 ",        u"\uff11"};
  for (const auto& s : bad) {
    SCOPED_TRACE(U8(s));
    try {
      StrToInt(s);
      FAIL() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), u"\"" + s + u"\" is not a valid integer value");
    }
  }
}

TEST(SysUtils, IntToStrAndHex) {
  EXPECT_EQ(IntToStr(0), u"0");
  EXPECT_EQ(IntToStr(INT64_MIN), u"-9223372036854775808");
  EXPECT_EQ(IntToStr(INT64_MAX), u"9223372036854775807");
  EXPECT_EQ(IntToHex(255, 4), u"00FF");
  EXPECT_EQ(IntToHex(0xABCDEF, 2), u"ABCDEF");
  EXPECT_EQ(IntToHex(-1, 1), u"FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(0, 0), u"0");
}

// ---- rounding ---------------------------------------------------------------------

TEST(SysUtils, RoundHalvesToEven) {
  const struct {
    long double x;
    int64_t r;
  } cases[] = {{0.5L, 0},
               {1.5L, 2},
               {2.5L, 2},
               {3.5L, 4},
               {-0.5L, 0},
               {-1.5L, -2},
               {-2.5L, -2},
               {2.4999L, 2},
               {2.5001L, 3},
               {1e18L, 1000000000000000000},
               {-9223372036854775808.0L, INT64_MIN}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.x));
    EXPECT_EQ(Round(c.x), c.r);
  }
}

TEST(SysUtils, RoundAndTruncRaiseOutsideInt64) {
  const long double bad[] = {9223372036854775808.0L, -9223372036854777856.0L,
                             std::numeric_limits<long double>::infinity(),
                             std::numeric_limits<long double>::quiet_NaN()};
  for (const auto x : bad) {
    EXPECT_THROW(Round(x), EIntOverflow);
    EXPECT_THROW(Trunc(x), EIntOverflow);
  }
}

TEST(SysUtils, TruncAndFrac) {
  EXPECT_EQ(Trunc(2.9L), 2);
  EXPECT_EQ(Trunc(-2.9L), -2);
  EXPECT_EQ(Trunc(-0.1L), 0);
  EXPECT_EQ(Frac(2.75L), 0.75L);
  EXPECT_EQ(Frac(-2.75L), -0.75L);
  EXPECT_EQ(Frac(5.0L), 0.0L);
}

// ---- floating-point text ----------------------------------------------------------------

TEST(SysUtils, StrToFloatReadsDecimalText) {
  const struct {
    String text;
    long double value;
  } cases[] = {{u"0", 0.0L},
               {u"1.5", 1.5L},
               {u"-1.5", -1.5L},
               {u"+2", 2.0L},
               {u" 3.25 ", 3.25L},
               {u".5", 0.5L},
               {u"5.", 5.0L},
               {u"1e3", 1000.0L},
               {u"1E-3", 1e-3L},
               {u"2.5e+2", 250.0L},
               {u"0.1", 0.1L},
               {u"1.18973149535723176502E+4932", std::numeric_limits<long double>::max()},
               {u"1e-5000", 0.0L}};
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.text));
    EXPECT_EQ(StrToFloat(c.text), c.value);
  }
}

TEST(SysUtils, StrToFloatRejectsBadText) {
  const String bad[] = {u"",  u" ",  u"abc", u"1,5", u"1.5x", u"--1",    u"1e",   u"1e+",
                        u".", u"e5", u"1 2", u"INF", u"NAN",  u"1e5000", u"0x10", u"1.2.3"};
  for (const auto& s : bad) {
    SCOPED_TRACE(U8(s));
    try {
      StrToFloat(s);
      FAIL() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), u"\"" + s + u"\" is not a valid floating point value");
    }
    long double v = 7;
    EXPECT_FALSE(TryStrToFloat(s, v));
    EXPECT_EQ(v, 0.0L);
  }
}

TEST(SysUtils, FloatTextFollowsFormatSettingsNotTheLocale) {
  TFormatSettings comma;
  comma.DecimalSeparator = u',';
  EXPECT_EQ(StrToFloat(u"1,5", comma), 1.5L);
  EXPECT_THROW(StrToFloat(u"1.5", comma), EConvertError);
  EXPECT_EQ(FloatToStr(1.5L, comma), u"1,5");
  // A process locale with a comma changes nothing.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    EXPECT_EQ(StrToFloat(u"2.25"), 2.25L);
    EXPECT_EQ(FloatToStr(2.25L), u"2.25");
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(SysUtils, FloatToStrGeneralFormat) {
  const struct {
    long double x;
    String text;
  } cases[] = {
      {0.0L, u"0"},
      {-0.0L, u"0"},
      {1.0L, u"1"},
      {-1.5L, u"-1.5"},
      {0.1, u"0.1"},  // the double nearest 0.1
      {1.0L / 3, u"0.333333333333333"},
      {2.0L / 3, u"0.666666666666667"},
      {123456789012345.0L, u"123456789012345"},
      {999999999999999.0L, u"999999999999999"},
      {1e15L, u"1E15"},
      {1234567890123456.0L, u"1.23456789012346E15"},
      {0.00001L, u"1E-5"},
      {0.0001L, u"0.0001"},
      {0.000123L, u"0.000123"},
      {1.5e-6L, u"1.5E-6"},
      {1e20L, u"1E20"},
      {-2.5e-300L, u"-2.5E-300"},
      {3.14159265358979323846L, u"3.14159265358979"},
      {9.999999999999999e22L, u"1E23"},
      {0.99999999999999999L, u"1"},
      {std::numeric_limits<long double>::infinity(), u"INF"},
      {-std::numeric_limits<long double>::infinity(), u"-INF"},
      {std::numeric_limits<long double>::quiet_NaN(), u"NAN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.text));
    EXPECT_EQ(FloatToStr(c.x), c.text);
  }
}

TEST(SysUtils, FloatToStrRoundTripsFifteenDigits) {
  const double values[] = {1.0 / 7, 12345.678901234, -9.87654321e-100, 6.02214076e23, 42.0};
  for (const double v : values) {
    SCOPED_TRACE(v);
    const long double back = StrToFloat(FloatToStr(v));
    EXPECT_NEAR(static_cast<double>(back), v, std::fabs(v) * 1e-14);
  }
}

TEST(SysUtils, ValReportsFirstUnusablePosition) {
  const struct {
    String text;
    long double value;
    int code;
  } cases[] = {
      {u"12.5", 12.5L, 0}, {u"  -3", -3.0L, 0}, {u"1e2", 100.0L, 0}, {u"1.5x", 0, 4},
      {u"", 0, 1},         {u"   ", 0, 4},      {u"abc", 0, 1},      {u"1e", 0, 3},
      {u"12 ", 0, 3},      {u"1,5", 0, 2},      {u"-", 0, 2},        {u"1e5000", 0, 1},
      {u"  1e5000", 0, 3}, {u"5.", 5.0L, 0},    {u".5", 0.5L, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.text));
    long double v = 99;
    int code = -1;
    Val(c.text, v, code);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(v, c.value);
  }
}

// ---- case folding -----------------------------------------------------------------

TEST(SysUtils, AsciiCaseFoldingLeavesOtherLetters) {
  EXPECT_EQ(UpperCase(u"abc\u00e4z"), u"ABC\u00e4Z");
  EXPECT_EQ(LowerCase(u"ABC\u00c4Z"), u"abc\u00c4z");
}

TEST(SysUtils, AnsiCaseFoldingCoversTheBmp) {
  const struct {
    String lower;
    String upper;
  } pairs[] = {{u"\u00e4\u00f6\u00fc", u"\u00c4\u00d6\u00dc"},
               {u"\u00e9t\u00e9", u"\u00c9T\u00c9"},
               {u"\u03c3\u03b1", u"\u03a3\u0391"},
               {u"\u0434\u0430", u"\u0414\u0410"},
               {u"\u00ff", u"\u0178"},
               {u"abc", u"ABC"}};
  for (const auto& p : pairs) {
    SCOPED_TRACE(U8(p.lower));
    EXPECT_EQ(AnsiUpperCase(p.lower), p.upper);
    EXPECT_EQ(AnsiLowerCase(p.upper), p.lower);
  }
  // No one-to-one mapping: kept, length unchanged.
  EXPECT_EQ(AnsiUpperCase(u"stra\u00dfe"), u"STRA\u00dfE");
  EXPECT_EQ(AnsiUpperCaseChar(u'1'), u'1');
  EXPECT_EQ(AnsiLowerCaseChar(0xD800), 0xD800);
  EXPECT_EQ(AnsiUpperCase(u"\U0001F600"), u"\U0001F600");
}

// ---- dates and times ----------------------------------------------------------------

TEST(SysUtils, EncodeAndDecodeDates) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
  int y, m, d;
  DecodeDate(-1.25, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
  DecodeDate(36585.75, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20000229);
  EXPECT_EQ(DayOfWeek(0), 7);      // Saturday
  EXPECT_EQ(DayOfWeek(36585), 3);  // Tuesday
  EXPECT_EQ(DayOfWeek(-1), 6);
  const int bad[][3] = {{0, 1, 1}, {10000, 1, 1}, {2001, 2, 29}, {2000, 13, 1}, {2000, 4, 31}};
  for (const auto& b : bad) EXPECT_THROW(EncodeDate(b[0], b[1], b[2]), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
  EXPECT_THROW(DecodeDate(std::nan(""), y, m, d), EConvertError);
  EXPECT_THROW(DecodeDate(1e300, y, m, d), EConvertError);
}

TEST(SysUtils, DecodeTimeRoundsToTheMillisecond) {
  int h, n, s, ms;
  DecodeTime(EncodeTime(13, 45, 30, 250), h, n, s, ms);
  EXPECT_EQ(h, 13);
  EXPECT_EQ(n, 45);
  EXPECT_EQ(s, 30);
  EXPECT_EQ(ms, 250);
  // Just before midnight rounds to the next day at 00:00.
  const double almost = 1.0 - 1e-10;
  DecodeTime(almost, h, n, s, ms);
  EXPECT_EQ(h * 1000 + n + s + ms, 0);
  int y, m, d;
  DecodeDate(almost, y, m, d);
  EXPECT_EQ(d, 31);  // 1899-12-31
  DecodeDate(-1.0 - almost, y, m, d);
  EXPECT_EQ(d, 28);  // -2.0 is 1899-12-28
}

TEST(SysUtils, FormatDateTimePatterns) {
  const TDateTime dt = EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 4, 32);
  const struct {
    String format;
    String text;
  } cases[] = {
      {u"yyyy-mm-dd", u"2026-03-07"},
      {u"yy/m/d", u"26/3/7"},
      {u"dd.mm.yyyy hh:nn:ss.zzz", u"07.03.2026 09:05:04.032"},
      {u"h:n:s.z", u"9:5:4.32"},
      {u"hh:mm", u"09:05"},  // mm after an hour is minutes
      {u"mmm mmmm", u"Mar March"},
      {u"ddd dddd", u"Sat Saturday"},
      {u"\"yyyy is\" yyyy", u"yyyy is 2026"},
      {u"'d' d", u"d 7"},
      {u"h am/pm", u"9 am"},
      {u"hh AM/PM", u"09 AM"},
      {u"h a/p", u"9 a"},
      {u"YYYY-MM-DD", u"2026-03-07"},
      {u"[x]", u"[x]"},
      {u"\"open", u"open"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.format));
    EXPECT_EQ(FormatDateTime(c.format, dt), c.text);
  }
  EXPECT_EQ(FormatDateTime(u"h:nn am/pm", EncodeTime(0, 30, 0, 0)), u"12:30 am");
  EXPECT_EQ(FormatDateTime(u"h:nn am/pm", EncodeTime(13, 0, 0, 0)), u"1:00 pm");
  EXPECT_EQ(FormatDateTime(u"yyyy", EncodeDate(5, 1, 1)), u"0005");
  TFormatSettings s;
  s.DateSeparator = u'-';
  s.TimeSeparator = u'.';
  EXPECT_EQ(FormatDateTime(u"yyyy/mm/dd hh:nn", dt, s), u"2026-03-07 09.05");
  EXPECT_THROW(FormatDateTime(u"yyyy", 1e9), EConvertError);
}

TEST(SysUtils, NowIsToday) {
  const TDateTime now = Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_LT(now, EncodeDate(2200, 1, 1));
}

}  // namespace
}  // namespace zel
