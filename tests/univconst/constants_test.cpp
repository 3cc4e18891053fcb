#include "zel/univconst/constants.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "zel/univconst/lnfactorial.h"

namespace zel {
namespace {

// Distance in units in the last place between two long doubles.
long double Ulps(long double a, long double b) {
  if (a == b) return 0;
  const long double scale = std::nextafter(a, b) - a;
  return std::fabs((b - a) / scale);
}

struct ConstCase {
  const char* name;
  long double value;
  long double reference;  // computed with the long double library functions
};

TEST(UniversalConstants, AgreeWithLongDoubleMathWithinOneUlp) {
  const long double pi = std::acos(-1.0L);
  const ConstCase cases[] = {
      {"uc_e", uc_e, std::exp(1.0L)},
      {"uc_etom1", uc_etom1, std::exp(-1.0L)},
      {"uc_lg2", uc_lg2, std::log10(2.0L)},
      {"uc_lg5", uc_lg5, std::log10(5.0L)},
      {"uc_lge", uc_lge, 1.0L / std::log(10.0L)},
      {"uc_lgPi", uc_lgPi, std::log10(pi)},
      {"uc_ln10", uc_ln10, std::log(10.0L)},
      {"uc_ln2", uc_ln2, std::log(2.0L)},
      {"uc_lnPi", uc_lnPi, std::log(pi)},
      {"uc_PiH", uc_PiH, pi / 2},
      {"uc_PiSqr", uc_PiSqr, pi * pi},
      {"uc_Pitom1", uc_Pitom1, 1 / pi},
      {"uc_sqrt2", uc_sqrt2, std::sqrt(2.0L)},
      {"uc_sqrt2pi", uc_sqrt2pi, std::sqrt(2 * pi)},
      {"uc_sqrt2pitom1", uc_sqrt2pitom1, 1 / std::sqrt(2 * pi)},
      {"uc_GoldenR", uc_GoldenR, (1 + std::sqrt(5.0L)) / 2},
      {"uc_lnMaxInt64", uc_lnMaxInt64, 63 * std::log(2.0L)},
      {"uc_lnMinDouble", uc_lnMinDouble, std::log(5.0E-324L)},
      {"uc_lnMaxDouble", uc_lnMaxDouble, std::log(1.7E+308L)},
      // 3.6E-4951 itself is a denormal with few significant bits.
      {"uc_lnMinExtended", uc_lnMinExtended, std::log(3.6L) - 4951 * std::log(10.0L)},
      {"uc_lnMaxExtended", uc_lnMaxExtended, std::log(1.1E+4932L)},
      {"uc_lnMinReal", uc_lnMinReal, std::log(2.9E-39L)},
      {"uc_lnMaxReal", uc_lnMaxReal, std::log(1.7E+38L)},
      {"uc_lnMinSingle", uc_lnMinSingle, std::log(1.5E-45L)},
      {"uc_lnMaxSingle", uc_lnMaxSingle, std::log(3.4E+38L)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The library functions themselves may be off by an ulp; the stored
    // values are exact to the last bit (checked below for a few).
    EXPECT_LE(Ulps(c.value, c.reference), 2.0L);
  }
}

TEST(UniversalConstants, KnownBitPatterns) {
  // e and pi/2 to the last bit of the 64-bit significand.
  EXPECT_EQ(uc_e, 0xADF85458A2BB4A9Bp-62L);
  EXPECT_EQ(uc_PiH, 0xC90FDAA22168C235p-63L);
  EXPECT_EQ(uc_PiH * 2, 0xC90FDAA22168C235p-62L);  // pi rounded to 64 bits
  EXPECT_EQ(uc_ln2, 0xB17217F7D1CF79ACp-64L);
  EXPECT_EQ(uc_e, std::exp(1.0L));
}

TEST(UniversalConstants, PublishedDecimalValues) {
  struct Dec {
    const char* name;
    long double value;
    long double text;
  } cases[] = {
      {"uc_e", uc_e, 2.718281828459045235L},
      {"uc_etom1", uc_etom1, 0.3678794411714423216L},
      {"uc_PiSqr", uc_PiSqr, 9.869604401089358619L},
      {"uc_sqrt2pi", uc_sqrt2pi, 2.506628274631000502L},
      {"uc_sqrt2pitom1", uc_sqrt2pitom1, 0.3989422804014326779L},
      {"uc_GoldenR", uc_GoldenR, 1.618033988749894848L},
      {"uc_lnMinDouble", uc_lnMinDouble, -744.4281322176367013L},
      {"uc_lnMaxDouble", uc_lnMaxDouble, 709.7268368932282411L},
      {"uc_lnMinExtended", uc_lnMinExtended, -11398.81786156805812L},
      {"uc_lnMaxExtended", uc_lnMaxExtended, 11356.44498882643764L},
      {"uc_lnMaxInt64", uc_lnMaxInt64, 43.66827237527655449L},
      {"uc_lnMinReal", uc_lnMinReal, -88.73610788977535333L},
      {"uc_lnMaxReal", uc_lnMaxReal, 88.02886178483590639L},
      {"uc_lnMinSingle", uc_lnMinSingle, -103.2108640766238914L},
      {"uc_lnMaxSingle", uc_lnMaxSingle, 88.72200896539585170L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The published texts have 19 significant digits: agree to about 1e-18.
    EXPECT_LE(std::fabs(c.value - c.text), std::fabs(c.text) * 1e-18L);
  }
}

// The published texts are the stored values rounded to 19 significant
// digits, so printing a value that way gives its text back digit for digit
// (uc_lnMinDouble is one unit in the last place away from the value nearest
// ln(5.0E-324), whose rounding would end in ...7012).
TEST(UniversalConstants, PublishedTextsAreTheStoredValuesRounded) {
  struct Text {
    long double value;
    const char* text;
  } cases[] = {
      {uc_e, "2.718281828459045235"},
      {uc_etom1, "0.3678794411714423216"},
      {uc_PiSqr, "9.869604401089358619"},
      {uc_sqrt2pi, "2.506628274631000502"},
      {uc_sqrt2pitom1, "0.3989422804014326779"},
      {uc_GoldenR, "1.618033988749894848"},
      {uc_lnMinDouble, "-744.4281322176367013"},
      {uc_lnMaxDouble, "709.7268368932282411"},
      {uc_lnMinExtended, "-11398.81786156805812"},
      {uc_lnMaxExtended, "11356.44498882643764"},
      {uc_lnMaxInt64, "43.66827237527655449"},
      {uc_lnMinReal, "-88.73610788977535333"},
      {uc_lnMaxReal, "88.02886178483590639"},
      {uc_lnMinSingle, "-103.2108640766238914"},
      {uc_lnMaxSingle, "88.72200896539585170"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    char printed[64];
    std::snprintf(printed, sizeof printed, "%#.19Lg", c.value);
    EXPECT_STREQ(printed, c.text);
  }
}

TEST(UniversalConstants, LimitsAreTheDecimalNumbers) {
  EXPECT_EQ(uc_MinReal, 2.9E-39L);
  EXPECT_EQ(uc_MaxReal, 1.7E+38L);
  EXPECT_EQ(uc_MinSingle, 1.5E-45L);
  EXPECT_EQ(uc_MaxSingle, 3.4E+38L);
  EXPECT_EQ(uc_MinDouble, 5.0E-324L);
  EXPECT_EQ(uc_MaxDouble, 1.7E+308L);
  EXPECT_NE(uc_MaxDouble, static_cast<long double>(DBL_MAX));  // not the largest double
  EXPECT_EQ(uc_MaxExtended, 1.1E+4932L);
  EXPECT_EQ(uc_MaxInt64, std::numeric_limits<int64_t>::max());
}

TEST(UniversalConstants, MinExtendedIsTheSmallestDenormal) {
  EXPECT_EQ(uc_MinExtended, std::numeric_limits<long double>::denorm_min());
  EXPECT_GT(uc_MinExtended, 0.0L);
  EXPECT_EQ(uc_MinExtended / 2, 0.0L);
  // Bit image: significand 1, exponent field 0, sign 0.
  unsigned char bytes[sizeof(long double)] = {};
  const long double v = uc_MinExtended;
  std::memcpy(bytes, &v, 10);
  const unsigned char expected[10] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes, expected, 10), 0);
  EXPECT_NEAR(static_cast<double>(uc_MinExtended * 1e4931L * 1e20L), 3.6452, 1e-4);
}

TEST(LnFactorial, KnownEntries) {
  ASSERT_EQ(uc_LnFactorial.size(), 1001u);
  EXPECT_EQ(uc_LnFactorial[0], 0.0);
  EXPECT_EQ(uc_LnFactorial[1], 0.0);
  EXPECT_EQ(uc_LnFactorial[2], std::log(2.0));
  EXPECT_EQ(uc_LnFactorial[3], std::log(6.0));
  EXPECT_EQ(uc_LnFactorial[10], std::log(3628800.0));
  EXPECT_EQ(uc_LnFactorial[1000], 5912.128178488163);
}

TEST(LnFactorial, EveryEntryWithinOneUlpOfLgamma) {
  for (int n = 2; n <= 1000; ++n) {
    SCOPED_TRACE(n);
    const long double ref = std::lgamma(static_cast<long double>(n) + 1);
    const double got = uc_LnFactorial[static_cast<size_t>(n)];
    const double ulp = std::nextafter(got, INFINITY) - got;
    EXPECT_LE(std::fabs(static_cast<long double>(got) - ref), static_cast<long double>(ulp));
  }
}

TEST(LnFactorial, RecurrenceHolds) {
  for (int n = 2; n <= 1000; ++n) {
    SCOPED_TRACE(n);
    EXPECT_NEAR(uc_LnFactorial[static_cast<size_t>(n)] - uc_LnFactorial[static_cast<size_t>(n - 1)],
                std::log(static_cast<double>(n)),
                1e-12 * uc_LnFactorial[static_cast<size_t>(n)] + 1e-15);
  }
}

}  // namespace
}  // namespace zel
