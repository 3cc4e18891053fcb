// Decimal number text to floating point without the C library's locale
// functions: the conversion must give exactly what strtod/strtold gave under
// the "C" locale for every text the number scanners build.
#include "zel/runtime/internal/decimal_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <locale.h>  // strtod_l, strtold_l: the conversion used before
#endif

#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

template <class Float>
bool SameFloat(Float a, Float b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return a == b && std::signbit(a) == std::signbit(b);
}

#if defined(__GLIBC__)
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}
// The old conversion: strtod under the C locale. False when it read nothing.
template <class Float>
bool OldConvert(const std::string& text, Float& v) {
  char* end = nullptr;
  if constexpr (sizeof(Float) == sizeof(double))
    v = strtod_l(text.c_str(), &end, CLocale());
  else
    v = strtold_l(text.c_str(), &end, CLocale());
  return end != text.c_str();
}
#endif

struct Row {
  const char* text;
  bool ok;                // a number was read
  double value;           // its value (as a double)
  bool as_strtod = true;  // strtod reads the same
};

// Every form the scanners build: sign, digits, point, exponent, and the
// extremes of the double range.
const Row kRows[] = {
    {"0", true, 0.0},
    {"-0", true, -0.0},
    {"+0", true, 0.0},
    {"1.5", true, 1.5},
    {"-1.5", true, -1.5},
    {"+7", true, 7.0},
    {"5.", true, 5.0},
    {".5", true, 0.5},
    {"-.25", true, -0.25},
    {"0001.2500", true, 1.25},
    {"1e5", true, 1e5},
    {"1E5", true, 1e5},
    {"1e+5", true, 1e5},
    {"1e-5", true, 1e-5},
    {"5.E3", true, 5e3},
    {"12.5E2", true, 1250.0},
    {"0.1", true, 0.1},
    {"123456789012345678901234567890", true, 123456789012345678901234567890.0},
    {"1.7976931348623157e308", true, 1.7976931348623157e308},
    {"1.7e308", true, 1.7e308},
    {"2.2250738585072014e-308", true, 2.2250738585072014e-308},  // smallest normal
    {"4.9406564584124654e-324", true, 4.9406564584124654e-324},  // smallest subnormal
    {"1e-310", true, 1e-310},                                    // subnormal
    {"-1e-310", true, -1e-310},
    {"1e400", true, std::numeric_limits<double>::infinity()},  // overflow
    {"-1e400", true, -std::numeric_limits<double>::infinity()},
    {"1.7976931348623159e308", true, std::numeric_limits<double>::infinity()},
    {"1e-400", true, 0.0},  // underflow
    {"-1e-400", true, -0.0},
    {"0.000001e-330", true, 0.0},
    {"100000e-330", true, 0.0},                 // below half the smallest subnormal
    {"3e-324", true, 4.9406564584124654e-324},  // above half: the smallest subnormal
    {"0e999999", true, 0.0},
    {"1e4200", true, std::numeric_limits<double>::infinity()},
    {"1e", true, 1.0},  // partial: the exponent mark without digits is not used
    {"1e+", true, 1.0},
    {"7x", true, 7.0},            // partial: stops at the first character that does not fit
    {"0x1p3", true, 0.0, false},  // decimal only: read as its leading 0 (strtod: 8)
    {"", false, 0.0},
    {".", false, 0.0},
    {"-", false, 0.0},
    {"+", false, 0.0},
    {"+-1", false, 0.0},
    {"-+1", false, 0.0},
    {".e5", false, 0.0},
    {"-.E5", false, 0.0},
    {"e5", false, 0.0},
    {"x", false, 0.0},
    {" 1", false, 0.0},  // the scanners skip blanks themselves
};

TEST(DecimalText, TableToDouble) {
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.text);
    double v = 12345.0;
    const bool ok = internal::DecimalTextToFloat(r.text, v);
    EXPECT_EQ(ok, r.ok);
    if (!ok) {
      EXPECT_EQ(v, 12345.0);  // untouched
      continue;
    }
#if defined(__GLIBC__)
    double old = 0;
    ASSERT_TRUE(OldConvert(r.text, old));
    if (r.as_strtod) {
      EXPECT_TRUE(SameFloat(v, old)) << v << " vs " << old;
    }
#endif
    EXPECT_TRUE(SameFloat(v, r.value)) << v;
  }
}

TEST(DecimalText, TableToLongDouble) {
  static_assert(std::numeric_limits<long double>::digits == 64, "x87 extended");
  const char* const texts[] = {
      "0",       "-0",      "1.5",      "-1.5",      "+7",     "5.",
      ".5",      "0.1",     "1e4932",   "1.18e4932", "1e4933", "-1e4933",
      "1e-4950", "1e-4952", "-1e-4960", "1e308",     "1e309",  "3.36210314311209350626e-4932"};
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    long double v = 0;
    ASSERT_TRUE(internal::DecimalTextToFloat(t, v));
#if defined(__GLIBC__)
    long double old = 0;
    ASSERT_TRUE(OldConvert(t, old));
    EXPECT_TRUE(SameFloat(v, old));
#endif
  }
  long double v = 0;
  ASSERT_TRUE(internal::DecimalTextToFloat("1e5000", v));
  EXPECT_TRUE(std::isinf(v) && v > 0);
  ASSERT_TRUE(internal::DecimalTextToFloat("-1e-5000", v));
  EXPECT_TRUE(v == 0 && std::signbit(v));
  ASSERT_TRUE(internal::DecimalTextToFloat("0.1", v));
  EXPECT_EQ(v, 0.1L);
}

// The x87 extended values of texts around both ends of the range and of
// partial texts, bit for bit as strtold under the C locale gives them on
// Linux: every system's conversion must give the same.
TEST(DecimalText, LongDoubleBitsOnEverySystem) {
  static_assert(std::numeric_limits<long double>::digits == 64, "x87 extended");
  const struct {
    const char* text;
    uint16_t sign_exponent;
    uint64_t mantissa;
  } rows[] = {
      {"0", 0x0000, 0x0000000000000000},
      {"-0", 0x8000, 0x0000000000000000},
      {"1.5", 0x3fff, 0xc000000000000000},
      {"0.1", 0x3ffb, 0xcccccccccccccccd},
      {"1e308", 0x43fe, 0x8e679c2f5e44ff8f},
      {"1e309", 0x4401, 0xb201833b35d63f73},
      {"1e4932", 0x7ffe, 0xd72cb2a95c7ef6cd},
      {"1.18e4932", 0x7ffe, 0xfde7f18a68067525},
      {"1.18973149535723176502E+4932", 0x7ffe, 0xffffffffffffffff},  // the largest
      {"1e4933", 0x7fff, 0x8000000000000000},                        // infinity
      {"-1e4933", 0xffff, 0x8000000000000000},
      {"1e5000", 0x7fff, 0x8000000000000000},
      {"3.36210314311209350626e-4932", 0x0001, 0x8000000000000000},  // smallest normal
      {"1e-4950", 0x0000, 0x0000000000000003},                       // subnormal
      {"3.6e-4951", 0x0000, 0x0000000000000001},                     // smallest subnormal
      {"1.9e-4951", 0x0000, 0x0000000000000001},                     // above half of it
      {"1.82e-4951", 0x0000, 0x0000000000000000},                    // below half of it
      {"1e-4952", 0x0000, 0x0000000000000000},
      {"-1e-4960", 0x8000, 0x0000000000000000},
      {"0.000001e-4960", 0x0000, 0x0000000000000000},
      {"0e999999", 0x0000, 0x0000000000000000},
      {"7x", 0x4001, 0xe000000000000000},
      {"1e+", 0x3fff, 0x8000000000000000},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    long double v = 0;
    ASSERT_TRUE(internal::DecimalTextToFloat(r.text, v));
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &v, sizeof v);
    uint64_t mantissa = 0;
    uint16_t sign_exponent = 0;
    std::memcpy(&mantissa, bytes, 8);
    std::memcpy(&sign_exponent, bytes + 8, 2);
    EXPECT_EQ(sign_exponent, r.sign_exponent);
    EXPECT_EQ(mantissa, r.mantissa);
  }
}

// Random texts of the scanners' grammar, with mantissas longer than a double
// holds and exponents around both ends of the range: every result must be
// the one strtod under the C locale gave, bit for bit.
template <class Float>
void CompareRandomTexts(int exponent_span) {
#if defined(__GLIBC__)
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 134775813u + 1;
    return static_cast<uint32_t>((uint64_t{seed} * n) >> 32);
  };
  for (int i = 0; i < 20000; ++i) {
    std::string t;
    const uint32_t sign = next(3);
    if (sign == 1) t += '-';
    if (sign == 2) t += '+';
    const uint32_t digits = 1 + next(i % 10 == 0 ? 60 : 20);
    const uint32_t point = next(digits + 2);  // digits + 1: no point
    for (uint32_t d = 0; d < digits; ++d) {
      if (d == point) t += '.';
      t += static_cast<char>('0' + next(10));
    }
    if (point == digits) t += '.';
    if (next(4) != 0) {
      t += next(2) ? 'e' : 'E';
      const int e = static_cast<int>(next(2 * exponent_span + 1)) - exponent_span;
      if (e >= 0 && next(2)) t += '+';
      t += std::to_string(e);
    }
    Float v = 0, old = 0;
    ASSERT_TRUE(internal::DecimalTextToFloat(t, v)) << t;
    ASSERT_TRUE(OldConvert(t, old)) << t;
    ASSERT_TRUE(SameFloat(v, old)) << t;
  }
#else
  (void)exponent_span;
  GTEST_SKIP() << "the C library's locale conversion is a glibc function";
#endif
}

TEST(DecimalText, RandomDoublesMatchTheOldConversion) { CompareRandomTexts<double>(340); }
TEST(DecimalText, RandomLongDoublesMatchTheOldConversion) { CompareRandomTexts<long double>(4960); }

// TryStrToFloat reads the same values as before, whatever the process locale.
TEST(DecimalText, TryStrToFloatTable) {
  struct T {
    const char16_t* text;
    bool ok;
    const char* number;  // the number as the old conversion saw it
  };
  const T rows[] = {
      {u"1.5", true, "1.5"},   {u"  -2.25  ", true, "-2.25"},
      {u"+3", true, "3"},      {u"5.", true, "5."},
      {u".5", true, ".5"},     {u"1E3", true, "1e3"},
      {u"1e+3", true, "1e+3"}, {u"1e-4951", true, "1e-4951"},
      {u"1e-5000", true, "0"}, {u"1e4932", true, "1e4932"},
      {u"1e4933", false, ""},  {u"-1e4933", false, ""},
      {u"0x1p3", false, ""},   {u"inf", false, ""},
      {u"nan", false, ""},     {u"1,5", false, ""},
      {u"1e", false, ""},      {u".", false, ""},
      {u"", false, ""},        {u"- 1", false, ""},
      {u"1.5x", false, ""},
  };
  for (const T& r : rows) {
    SCOPED_TRACE(StringToUtf8(r.text));
    long double v = 99;
    ASSERT_EQ(TryStrToFloat(r.text, v), r.ok);
    if (!r.ok) {
      EXPECT_EQ(v, 0.0L);
      continue;
    }
#if defined(__GLIBC__)
    long double old = 0;
    ASSERT_TRUE(OldConvert(r.number, old));
    EXPECT_TRUE(SameFloat(v, old));
#endif
  }
}

TEST(DecimalText, IgnoresTheProcessLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  bool switched = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252"})
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      switched = true;
      break;
    }
  double d = 0;
  long double ld = 0;
  const bool ok = internal::DecimalTextToFloat("2.5", d) && TryStrToFloat(u"2.5", ld);
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_TRUE(ok);
  EXPECT_EQ(d, 2.5);
  EXPECT_EQ(ld, 2.5L);
}

}  // namespace
}  // namespace zel
