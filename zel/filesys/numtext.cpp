#include "zel/filesys/numtext.h"

#include <limits>
#include <string>

#include "zel/runtime/stream.h"
#include "zel/streams/primitives.h"

namespace zel {

int32_t ScanTextDecimal(const String& Text) {
  size_t i = 0;
  while (i < Text.size() && Text[i] == u' ') ++i;
  bool negative = false;
  if (i < Text.size() && (Text[i] == u'+' || Text[i] == u'-')) negative = Text[i++] == u'-';
  // Accumulate the magnitude as a negative number, which reaches INT32_MIN.
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  int64_t value = 0;
  for (; i < Text.size() && Text[i] >= u'0' && Text[i] <= u'9'; ++i) {
    value = value * 10 - (Text[i] - u'0');
    if (value < kMin) value = kMin - 1;  // saturated; stays below the range
  }
  if (negative)
    return value < kMin ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(value);
  return -value > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                      : static_cast<int32_t>(-value);
}

double ScanTextFPNum(const String& Text, bool AllowExp, int32_t DecPChar) {
  size_t i = 0;
  while (i < Text.size() && Text[i] == u' ') ++i;
  // Hand the number's characters to the stream scanner as bytes: the
  // characters it knows are ASCII, every other one stops it like a letter.
  // The copy ends after the first character that no number contains.
  std::string bytes;
  for (; i < Text.size(); ++i) {
    const Char c = Text[i];
    const bool part = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' ||
                      c == u',' || c == u'e' || c == u'E';
    // A blank the stream scanner would skip before the number is not a
    // number here.
    if (bytes.empty() && !part) return 0.0;
    bytes.push_back(
        part || c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' ? static_cast<char>(c) : '#');
    if (!part) break;
  }
  TStringStream stream(bytes);
  return ScanStreamFPNum(stream, AllowExp, DecPChar);
}

}  // namespace zel
