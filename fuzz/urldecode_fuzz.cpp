// URLDecode and URLEncode on arbitrary text, against a reference decoder that
// follows the rule step by step with bounds-checked access: the results agree,
// decoding never grows the text, and decoding an encoded text undoes exactly
// one of the two decoding passes.
#include <cstddef>
#include <cstdint>

#include "html_fuzz_support.h"
#include "zel/htmlsupport/htmlhelpers.h"

namespace {

bool Hex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
int Val(char16_t c) { return c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10; }

zel::String ReferenceOnce(const zel::String& s) {
  zel::String out;
  size_t i = 0;
  while (i < s.size()) {
    if (s.at(i) == u'%' && i + 2 < s.size() && Hex(s.at(i + 1)) && Hex(s.at(i + 2))) {
      out.push_back(static_cast<char16_t>(Val(s.at(i + 1)) * 16 + Val(s.at(i + 2))));
      i += 3;
    } else {
      out.push_back(s.at(i++));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zel_fuzz::Check;
  const zel::String text = zel_fuzz::FuzzText(data, size);
  const zel::String decoded = zel::URLDecode(text);
  Check(decoded == ReferenceOnce(ReferenceOnce(text)), "URLDecode matches the reference");
  Check(decoded.size() <= text.size(), "decoding never grows the text");
  const zel::String encoded = zel::URLEncode(text);
  Check(encoded.size() >= text.size(), "encoding never shrinks the text");
  Check(zel::URLDecode(encoded) == ReferenceOnce(text), "decode(encode(s)) = one pass over s");
  if (text.find(u'%') == zel::String::npos) Check(decoded == text, "no escape, no change");
  return 0;
}
