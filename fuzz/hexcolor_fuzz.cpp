// The hexadecimal colour reader: HexStrToColor must agree with a plain
// reference reading of the same text, read back every form it writes, and
// ColorFromName and the shared position-based reader must stay in bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "zel/colors/colornames.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Spaces trimmed, one "$" allowed first (blanks may follow it), then hexadecimal digits up to the
// first other character; the last 8 digits count.
uint32_t Reference(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == u'$') s.remove_prefix(1);
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);  // blanks after "$" too
  uint64_t v = 0;
  for (char16_t c : s) {
    int d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (c >= u'a' && c <= u'f')
      d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
      d = c - u'A' + 10;
    else
      break;
    v = ((v << 4) | static_cast<uint64_t>(d)) & 0xFFFFFFFFu;
  }
  return static_cast<uint32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zel::String text(data, data + size);  // one character per byte
  const zel::TColor c = zel::HexStrToColor(text);
  Check(c == Reference(text));
  Check(zel::HexStrToColor(zel::ColorToHexStr(c)) == c);
  Check(zel::HexStrToColor(u"$" + zel::ColorToHexStr(c)) == c);
  zel::TColor named = 0;
  if (zel::ColorFromName(zel::ObtainColorName(c, true), named)) Check(named == c);
  zel::TColor any = 0;
  (void)zel::ColorFromName(text, any);
  for (size_t start = 0; start <= text.size() + 1; start += 1 + text.size() / 8) {
    size_t pos = start, digits = 0;
    (void)zel::internal::ParseHexColor(text, pos, &digits);
    Check(pos >= 1 && pos <= text.size() + 1 && digits <= text.size());
  }
  return 0;
}
