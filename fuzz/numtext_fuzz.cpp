// ScanTextDecimal and ScanTextFPNum on arbitrary text. The decimal reader is
// checked against a plain model (spaces, sign, digits, saturation at the
// 32-bit limits); the floating-point reader against ScanStreamFPNum on the
// same bytes, which must agree whenever the text does not open with a blank
// other than the space (the one place where the two forms differ). The bytes
// are read as Latin-1 text and, in a second pass, as UTF-16 units.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "zel/filesys/numtext.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/utf8.h"
#include "zel/streams/primitives.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

int32_t ModelDecimal(const zel::String& t) {
  size_t i = 0;
  while (i < t.size() && t[i] == u' ') ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) neg = t[i++] == u'-';
  long double v = 0;
  for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i)
    v = std::min(v * 10 + (t[i] - u'0'), 1e12L);
  if (neg) v = -v;
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

void CheckText(const zel::String& text) {
  Check(zel::ScanTextDecimal(text) == ModelDecimal(text));
  size_t first = 0;
  while (first < text.size() && text[first] == u' ') ++first;
  const bool blank_start =
      first < text.size() && (text[first] == u'\t' || text[first] == u'\n' || text[first] == u'\r');
  // The stream form reads bytes: characters above 255 become a byte that
  // fits no rule, as they do in the text form.
  std::string bytes;
  for (zel::Char c : text) bytes.push_back(c < 256 ? static_cast<char>(c) : '#');
  for (bool exp : {false, true})
    for (int32_t dec : {0, 1, 2, 3}) {
      const double v = zel::ScanTextFPNum(text, exp, dec);
      Check(!std::isnan(v) && std::fabs(v) <= 1.7e308);
      if (blank_start) {
        Check(v == 0.0);
      } else {
        zel::TStringStream stream(bytes);
        Check(v == zel::ScanStreamFPNum(stream, exp, dec));
      }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckText(zel::BytesToString(bytes));
  zel::String units;
  for (size_t i = 0; i + 1 < size; i += 2)
    units.push_back(static_cast<zel::Char>(data[i] | (data[i + 1] << 8)));
  CheckText(units);
  return 0;
}
