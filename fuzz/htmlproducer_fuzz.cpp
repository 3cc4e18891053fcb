// THtmlProducer::Convert on arbitrary templates, against a reference converter
// written with bounds-checked access (so it cannot read outside the template),
// with a handler that replaces every tag by its name and parameters. Without a
// handler the page equals the template; tag names carry no upper-case letter
// and parameters no leading or trailing blank; the tag texts handed to the
// handler and the text between them make up the template exactly.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "html_fuzz_support.h"
#include "zel/htmlsupport/htmlproducer.h"

namespace {

using zel::String;

String Reference(const String& t) {
  String out;
  size_t i = 0;
  while (i < t.size()) {
    if (t.at(i) != u'<' || i + 1 >= t.size() || t.at(i + 1) != u'#') {
      out.push_back(t.at(i++));
      continue;
    }
    size_t e = i;
    while (e < t.size() && t.at(e) != u'>') ++e;
    const size_t inner_end = e;  // position of ">" or the end
    size_t b = i + 2;
    while (b < inner_end && t.at(b) != u' ') ++b;
    String name;
    for (size_t k = i + 2; k < b; ++k) {
      char16_t c = t.at(k);
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
      name.push_back(c);
    }
    String params;
    for (size_t k = b + 1; k < inner_end; ++k) params.push_back(t.at(k));
    while (!params.empty() && params.front() == u' ') params.erase(0, 1);
    while (!params.empty() && params.back() == u' ') params.pop_back();
    out += u"[" + name + u"|" + params + u"]";
    i = e < t.size() ? e + 1 : t.size();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zel_fuzz::Check;
  if (size > 4096) return 0;  // the reference's trimming is quadratic
  const String tmpl = zel_fuzz::FuzzText(data, size);
  zel::THtmlProducer p(nullptr);
  p.SetTemplate(tmpl);
  Check(p.Convert() == tmpl, "without a handler the page is the template");

  String rebuilt;
  size_t removed = 0;
  p.SetOnHTMLTag([&](zel::TObject*, const String& name, const String& params, String& repl) {
    for (const char16_t c : name) Check(!(c >= u'A' && c <= u'Z'), "lower-case name");
    Check(params.empty() || (params.front() != u' ' && params.back() != u' '), "trimmed");
    Check(repl.size() >= 2 && repl[0] == u'<' && repl[1] == u'#', "tag text");
    removed += repl.size();
    rebuilt += repl;
    repl = u"[" + name + u"|" + params + u"]";
  });
  const String page = p.Convert();
  Check(page == Reference(tmpl), "matches the reference");
  Check(page == p.ConvertedHTML(), "ConvertedHTML");

  removed = 0;
  p.SetOnHTMLTag([&](zel::TObject*, const String&, const String&, String& repl) {
    removed += repl.size();
    repl.clear();
  });
  Check(p.Convert().size() + removed == tmpl.size(), "tags and text make up the template");
  (void)rebuilt;
  return 0;
}
