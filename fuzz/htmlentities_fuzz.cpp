// ResolveHTMLEntities on arbitrary text: resolving never grows the text, is the
// inverse of MakeStringHTMLCompatible for every text, and agrees with
// HTMLEntityToAnsi on each entity it replaces. ExtractHTMLBody and
// ConvertHTMLBodyToText run on the same input: the body is a piece of it and
// the plain text has no blanks or line ends at its ends.
#include <cstddef>
#include <cstdint>

#include "html_fuzz_support.h"
#include "zel/htmlsupport/htmlhelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zel_fuzz::Check;
  const zel::String text = zel_fuzz::FuzzText(data, size);
  const zel::String resolved = zel::ResolveHTMLEntities(text);
  Check(resolved.size() <= text.size(), "resolving never grows the text");
  if (text.find(u'&') == zel::String::npos) Check(resolved == text, "no entity, no change");

  const zel::String compatible = zel::MakeStringHTMLCompatible(text);
  for (const char16_t c : compatible)
    Check(c < 127 || (c >= 0xD800 && c <= 0xDFFF), "compatible text is ASCII");
  Check(zel::ResolveHTMLEntities(compatible) == text, "resolve(compatible(s)) = s");

  // The first entity of the text, read on its own, gives the same character.
  const size_t amp = text.find(u'&');
  const size_t semi = amp == zel::String::npos ? amp : text.find(u';', amp);
  if (semi != zel::String::npos && semi - amp <= 16) {
    const zel::String entity = text.substr(amp, semi + 1 - amp);
    const zel::String alone = zel::ResolveHTMLEntities(entity);
    const char16_t c = zel::HTMLEntityToAnsi(entity);
    if (c != 0) Check(alone == zel::String(1, c), "HTMLEntityToAnsi agrees");
    if (alone.size() == 1 && alone != entity) Check(c == alone[0], "resolved entity agrees");
  }

  const zel::String body = zel::ExtractHTMLBody(text);
  Check(text.find(body) != zel::String::npos, "the body is a piece of the text");
  for (bool crlf : {false, true}) {
    const zel::String plain = zel::ConvertHTMLBodyToText(text, crlf);
    Check(plain.size() <= text.size() * 2, "plain text stays within twice the markup");
    if (!plain.empty()) {
      for (const char16_t end : {plain.front(), plain.back()})
        Check(end != u' ' && end != u'\t' && end != u'\r' && end != u'\n', "trimmed");
    }
  }
  return 0;
}
