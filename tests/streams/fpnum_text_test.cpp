// ScanStreamFPNum converts the number text its state machine collects with
// the locale-free conversion: the same values as before for every form.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#if defined(__GLIBC__)
#include <locale.h>  // strtod_l: the conversion used before
#endif

#include "zel/runtime/stream.h"
#include "zel/streams/primitives.h"

namespace zel {
namespace {

double Scan(const std::string& bytes, bool allow_exp, int32_t dec) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  return ScanStreamFPNum(s, allow_exp, dec);
}

struct Row {
  const char* bytes;
  bool allow_exp;
  int32_t dec;
  const char* text;  // the number text the machine collects ("" : malformed)
  double value;
};

constexpr double kMax = 1.7e308;

const Row kRows[] = {
    {"12,5E2 ", true, dpsComma, "12.5E2", 1250.0},
    {"12,5E2 ", true, dpsFullStop, "12", 12.0},
    {"5. ", true, dpsFullStop, "5.0", 5.0},
    {"1E ", true, dpsFullStop, "", 0.0},
    {"1E999 ", true, dpsFullStop, "1E999", kMax},
    {"-1E999 ", true, dpsFullStop, "-1E999", -kMax},
    {"1E-999 ", true, dpsFullStop, "1E-999", 0.0},
    {"-1E-999 ", true, dpsFullStop, "-1E-999", -0.0},
    {"1E4200 ", true, dpsFullStop, "1E4200", kMax},
    {"1E4201 ", true, dpsFullStop, "1E420", kMax},
    {"1E-4201 ", true, dpsFullStop, "1E-420", 0.0},
    {"1E99999", true, dpsFullStop, "1E999", kMax},  // exponent digits stop past 4200
    {"1e-99999", true, dpsFullStop, "1E-999", 0.0},
    {"1.7976931348623157e308", true, dpsFullStop, "1.7976931348623157E308", kMax},
    {"4.9406564584124654e-324", true, dpsFullStop, "4.9406564584124654E-324",
     4.9406564584124654e-324},
    {"1e-310", true, dpsFullStop, "1E-310", 1e-310},
    {"  \t\r\n+7;", false, dpsFullStop, "+7", 7.0},
    {"+.5", true, dpsBoth, "+.5", 0.5},
    {"-,25x", true, dpsBoth, "-.25", -0.25},
    {"+. ", true, dpsFullStop, "+.0", 0.0},
    {".E5", true, dpsFullStop, ".E5", 0.0},  // no digit at all: 0
    {"-.E5", true, dpsFullStop, "-.E5", 0.0},
    {"5.E3", true, dpsFullStop, "5.E3", 5000.0},
    {"0x1p3", true, dpsFullStop, "0", 0.0},  // hexadecimal is not read
    {"1.5e+3", true, dpsBoth, "1.5E+3", 1500.0},
    {"0.1", true, dpsFullStop, "0.1", 0.1},
    {"123456789012345678901234567890", true, 0, "123456789012345678901234567890",
     123456789012345678901234567890.0},
    {"-0", true, dpsFullStop, "-0", -0.0},
    {"", true, dpsFullStop, "", 0.0},
    {"inf", true, dpsFullStop, "", 0.0},
    {"nan", true, dpsFullStop, "", 0.0},
};

TEST(ScanStreamFPNumText, Table) {
#if defined(__GLIBC__)
  const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
#endif
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.bytes);
    const double v = Scan(r.bytes, r.allow_exp, r.dec);
    EXPECT_EQ(v, r.value);
    EXPECT_EQ(std::signbit(v), std::signbit(r.value));
#if defined(__GLIBC__)
    if (r.text[0] != '\0') {
      double old = strtod_l(r.text, nullptr, c);
      if (std::isnan(old)) old = kMax;
      old = std::fmax(-kMax, std::fmin(kMax, old));
      EXPECT_EQ(v, old);
      EXPECT_EQ(std::signbit(v), std::signbit(old));
    }
#endif
  }
#if defined(__GLIBC__)
  freelocale(c);
#endif
}

}  // namespace
}  // namespace zel
