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
//
// MinGW's from_chars reads a long double through a double (ranges and
// digits of a double), so there the extent of the number is found by
// from_chars and its value read by strtold from a text without a decimal
// point ("123e-2" for "1.23"), which no locale changes.
#pragma once

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

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

#if defined(__MINGW32__)
// The number text `used` (digits with at most one '.', an optional
// exponent) as digits and an exponent without a point: "1.25e3" gives
// "125e1". Empty when it holds anything else (infinity or NaN words).
inline std::string PointlessDecimalText(std::string_view used) {
  std::string out;
  out.reserve(used.size() + 12);
  int64_t fraction_digits = 0;
  bool point = false;
  size_t i = 0;
  for (; i < used.size() && used[i] != 'e' && used[i] != 'E'; ++i) {
    const char c = used[i];
    if (c == '.') {
      point = true;
    } else if (c >= '0' && c <= '9') {
      out += c;
      if (point && fraction_digits < 1000000000) ++fraction_digits;
    } else {
      return {};
    }
  }
  int64_t exponent = 0;
  bool negative = false;
  if (i < used.size()) {  // at the 'e'
    ++i;
    if (i < used.size() && (used[i] == '+' || used[i] == '-')) negative = used[i++] == '-';
    for (; i < used.size(); ++i) {
      if (used[i] < '0' || used[i] > '9') return {};
      if (exponent < 1000000000) exponent = exponent * 10 + (used[i] - '0');
    }
  }
  // Both parts saturate far beyond any floating-point range.
  const int64_t total = (negative ? -exponent : exponent) - fraction_digits;
  if (out.empty()) return {};
  out += 'e';
  out += std::to_string(total);
  return out;
}
#endif

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
#if defined(__MINGW32__)
  if constexpr (std::is_same_v<Float, long double> &&
                std::numeric_limits<long double>::digits > std::numeric_limits<double>::digits) {
    double probe = 0;
    const auto r =
        std::from_chars(body.data(), body.data() + body.size(), probe, std::chars_format::general);
    if (r.ec == std::errc::invalid_argument) return false;
    const std::string text = PointlessDecimalText(
        std::string_view(body.data(), static_cast<size_t>(r.ptr - body.data())));
    // Beyond the range strtold gives the infinity, below it the correctly
    // rounded subnormal or zero.
    const int saved_errno = errno;
    v = text.empty() ? static_cast<long double>(probe) : std::strtold(text.c_str(), nullptr);
    errno = saved_errno;
    Value = negative ? -v : v;
    return true;
  }
#endif
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
