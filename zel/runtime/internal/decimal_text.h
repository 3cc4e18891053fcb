// Decimal number text to binary floating point, the same on every system and
// under every process locale: the text is converted by std::from_chars, which
// never consults the locale and rounds correctly. Below the normal range
// from_chars may refuse a subnormal result (the standard library's long
// double form does); those texts are read by a stream in the classic locale,
// which gives the correctly rounded subnormal or zero.
//
// The text is what the library's number scanners build: an optional sign,
// digits with at most one '.', an optional exponent ('e' or 'E', optional
// sign, digits). A leading '+' is accepted (from_chars itself refuses it).
// Beyond the type's range the result is the infinity of the text's sign;
// below its smallest subnormal, the zero of that sign, as strtod gives them.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

namespace zel::internal {

// The decimal exponent of the first non-zero digit of a number text with an
// out-of-range value (positive: too large, negative: too small). Saturates
// far beyond any floating-point range.
inline int64_t DecimalMagnitude(std::string_view text) {
  size_t i = 0;
  bool seen = false, point = false;
  int64_t int_digits = 0, frac_zeros = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      point = true;
    } else if (c >= '0' && c <= '9') {
      if (!point) {
        if (seen || c != '0') {
          seen = true;
          if (int_digits < 100000) ++int_digits;
        }
      } else if (!seen) {
        if (c != '0')
          seen = true;
        else if (frac_zeros < 100000)
          ++frac_zeros;
      }
    } else if (c == 'e' || c == 'E') {
      break;
    }
  }
  // The first non-zero digit's power of ten, before the exponent.
  const int64_t lead = int_digits > 0 ? int_digits - 1 : -(frac_zeros + 1);
  int64_t exponent = 0;
  bool negative = false;
  if (i < text.size()) {  // at the 'e'
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      if (exponent < 100000000) exponent = exponent * 10 + (text[i] - '0');
  }
  return lead + (negative ? -exponent : exponent);
}

// Converts the whole number text to Value. False (Value untouched) when the
// text does not start with a number; a partial parse converts the longest
// number at the start, as strtod does.
template <class Float>
bool DecimalTextToFloat(std::string_view text, Float& Value) {
  bool negative = false;
  std::string_view body = text;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
    // A second sign is no number ("+-1").
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) return false;
  }
  Float v{};
  const auto r =
      std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return false;
  if (r.ec == std::errc::result_out_of_range) {
    const std::string_view used(body.data(), static_cast<size_t>(r.ptr - body.data()));
    if (DecimalMagnitude(used) > 0) {
      v = std::numeric_limits<Float>::infinity();
    } else {
      std::istringstream in{std::string(used)};
      in.imbue(std::locale::classic());
      Float tiny = 0;
      in >> tiny;
      v = in.fail() ? Float(0) : tiny;
    }
  }
  Value = negative ? -v : v;
  return true;
}

}  // namespace zel::internal
