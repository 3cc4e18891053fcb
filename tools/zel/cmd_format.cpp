// zel format: number formatting with exact widths on the command line.
//
//   zel format VALUE --decimals D [--width W]   strff: plain form with D decimals,
//                                               D = -2 for the exponent form;
//                                               a negative W pads with zeros
//   zel format VALUE --sig N [--width W]        SigDigStr: N significant digits
//   zel format VALUE [--width W]                the value in each of the forms
//
// VALUE is a decimal number with "." (exponent allowed), or nan, inf, -inf;
// anything else, and a value beyond the range of long double (1e5000, or
// 1e-5000 which would read as 0), is a usage error.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <string>

#include "command.h"
#include "zel/runtime/utf8.h"
#include "zel/stringl/extracting.h"
#include "zel/stringl/numformat.h"

namespace {

using zel_tool::Args;
using zel_tool::Fail;

// A decimal number: optional sign, digits with an optional ".", an optional
// exponent; or nan, inf, infinity with an optional sign (any case).
bool IsDecimal(const std::string& t) {
  size_t i = 0, digits = 0;
  const size_t n = t.size();
  auto digit = [&](size_t k) { return k < n && t[k] >= '0' && t[k] <= '9'; };
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  std::string word = t.substr(i);
  for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (word == "nan" || word == "inf" || word == "infinity") return true;
  while (digit(i)) ++i, ++digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (digit(i)) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    if (!digit(i)) return false;
    while (digit(i)) ++i;
  }
  return i == n;
}

long double ParseValue(const std::string& text) {
  // Hexadecimal ("0x10"), blanks and other forms strtold would take are not
  // numbers here.
  if (!IsDecimal(text)) Fail("'" + text + "' is not a decimal number");
  // The tool never sets a locale, so strtold reads "." as decimal point.
  errno = 0;
  char* end = nullptr;
  const long double v = std::strtold(text.c_str(), &end);
  if (errno == ERANGE && (std::isinf(v) || v == 0)) Fail("'" + text + "' is out of range");
  return v;
}

int32_t ParseInt(const std::string& name, const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || v < INT32_MIN ||
      v > INT32_MAX)
    Fail("--" + name + " needs an integer, got '" + text + "'");
  return static_cast<int32_t>(v);
}

std::string U8(const zel::String& s) { return zel::StringToUtf8(s); }

int RunFormat(Args& args) {
  const auto width_opt = args.Option("width");
  const auto decimals_opt = args.Option("decimals");
  const auto sig_opt = args.Option("sig");
  args.RejectUnknownOptions();
  if (args.Rest().size() != 1) Fail("expected one VALUE");
  if (decimals_opt && sig_opt) Fail("--decimals and --sig exclude each other");
  const long double value = ParseValue(args.Rest()[0]);
  const int32_t width = width_opt ? ParseInt("width", *width_opt) : 0;
  // The forms other than strff work on double: a value beyond its range
  // would print as Inf or 0.
  const long double mag = std::fabs(value);
  if (!decimals_opt && std::isfinite(value) &&
      (mag > std::numeric_limits<double>::max() ||
       (mag != 0 && mag < std::numeric_limits<double>::denorm_min())))
    Fail("'" + args.Rest()[0] + "' is out of range for this form (use --decimals)");
  if (decimals_opt) {
    std::cout << U8(zel::strff(value, width, ParseInt("decimals", *decimals_opt))) << "\n";
  } else if (sig_opt) {
    std::cout << U8(zel::SigDigStr(static_cast<double>(value), width, ParseInt("sig", *sig_opt)))
              << "\n";
  } else {
    const int32_t w = width_opt ? width : 12;
    const double d = static_cast<double>(value);
    const std::string ws = std::to_string(w);
    auto line = [](const std::string& label, const zel::String& text) {
      std::cout << label << std::string(label.size() < 24 ? 24 - label.size() : 1, ' ') << "|"
                << U8(text) << "|\n";
    };
    line("strff(x, " + ws + ", 3)", zel::strff(value, w, 3));
    line("strff(x, " + ws + ", -2)", zel::strff(value, w, -2));
    line("FormatData(x, " + ws + ", 2)", zel::FormatData(d, w, 2));
    line("SigDigStr(x, " + ws + ", 4)", zel::SigDigStr(d, w, 4));
    line("AutoFormatData(x, 6)", zel::AutoFormatData(d, 6));
  }
  return 0;
}

ZEL_TOOL_COMMAND(format, "format a number with exact widths (strff, SigDigStr)",
                 "zel format VALUE [--width W] [--decimals D | --sig N]\n"
                 "  --decimals D  plain form with D decimals (-2: exponent form)\n"
                 "  --sig N       N significant digits\n"
                 "  --width W     field width (a minimum; negative: zero padding)\n"
                 "  without --decimals or --sig: the value in each form",
                 RunFormat);

void DemoFormat(std::ostream& out) {
  out << "strff(3.14159, 8, 3)         |" << U8(zel::strff(3.14159L, 8, 3)) << "|\n"
      << "strff(-3.5, -8, 2)           |" << U8(zel::strff(-3.5L, -8, 2)) << "|\n"
      << "strff(6.02214076e23, 10, -2) |" << U8(zel::strff(6.02214076e23L, 10, -2)) << "|\n"
      << "FormatData(0.5, 6, 0)        |" << U8(zel::FormatData(0.5, 6, 0)) << "|\n"
      << "IntToStrGrouped(1234567)     " << U8(zel::IntToStrGrouped(1234567, u',')) << "\n";
  std::vector<zel::String> tokens;
  const int n = zel::Tokenize(u"red,green\\,blue,gold", u",", u'\\', tokens);
  out << "Tokenize(\"red,green\\,blue,gold\") -> " << n << " tokens:";
  for (const auto& t : tokens) out << " [" << U8(t) << "]";
  out << "\n";
}
ZEL_TOOL_DEMO(20, "Number formatting and tokenising", DemoFormat);

}  // namespace
