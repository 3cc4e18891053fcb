// The library's decimal scanner: the state machine that reads a
// floating-point number one byte at a time, written once over a byte source.
// ScanStreamFPNum runs it on a stream; the text label runs it on attribute
// values.
//
// A Source offers `int Next()`: the next byte (0..255), or -1 at the end.
// Leading blanks, TABs, LF and CR are skipped; then an optional sign, digits,
// a decimal separator per DecPChar (1 '.', 2 ',', 3 either, anything else
// none), fraction digits and, with AllowExp, an exponent "E" or "e" with an
// optional sign. The byte that ends the number (or the malformed byte) is
// consumed. A malformed number gives 0. Exponent digits stop being copied once
// the exponent passes 4200; the result is clamped to +-1.7e308 and is never
// NaN.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "zel/runtime/internal/decimal_text.h"

namespace zel::internal {

inline constexpr double kScanMaxDouble = 1.7e308;  // uc_MaxDouble

template <class Source>
double ScanFPNumber(Source& src, bool AllowExp, int32_t DecPChar) {
  enum { kEnd = 100, kError = 101 };
  constexpr uint32_t kExpLimit = 4200;
  std::string number;
  uint32_t exponent = 0;  // saturates far above the limit
  int state = 1;
  for (;;) {
    int b = src.Next();  // -1 at the end: a letter that fits no rule
    if (b >= 'a' && b <= 'z') b -= 32;
    const bool sep = (b == '.' && (DecPChar == 1 || DecPChar == 3)) ||
                     (b == ',' && (DecPChar == 2 || DecPChar == 3));
    const bool blank = b == ' ' || b == 9 || b == 10 || b == 13;
    const bool sign = b == '+' || b == '-';
    const bool digit = b >= '0' && b <= '9';
    const bool e = b == 'E';
    const int after_mantissa = AllowExp ? 6 : kEnd;
    int next;
    switch (state) {
      case 1:
        next = sep ? 4 : blank ? 1 : sign ? 2 : digit ? 3 : kError;
        break;
      case 2:
        next = sep ? 4 : digit ? 3 : kError;
        break;
      case 3:
        next = sep ? 4 : digit ? 3 : e ? after_mantissa : kEnd;
        break;
      case 4:
      case 5:
        next = sep ? kError : digit ? 5 : e ? after_mantissa : kEnd;
        break;
      case 6:
        next = sep ? kError : sign ? 7 : digit ? 8 : kError;
        break;
      case 7:
        next = sep ? kError : digit ? 8 : kError;
        break;
      default:  // 8
        next = sep ? kEnd : digit ? 8 : kEnd;
        break;
    }
    if (next == kError) return 0.0;
    if (next == kEnd) break;
    if (next == 8) exponent = std::min<uint32_t>(exponent * 10 + uint32_t(b - '0'), 1000000);
    if (next >= 2 && b > 32 && exponent <= kExpLimit)
      number.push_back(b == ',' ? '.' : static_cast<char>(b));
    state = next;
  }
  if (number.empty()) return 0.0;  // cannot happen: "end" needs state 3 or above
  if (number.back() == '.') number.push_back('0');
  double v = 0.0;  // a text without digits (".E5") reads as 0
  DecimalTextToFloat(number, v);
  if (std::isnan(v)) return kScanMaxDouble;
  return std::clamp(v, -kScanMaxDouble, kScanMaxDouble);
}

}  // namespace zel::internal
