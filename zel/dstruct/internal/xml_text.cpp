#include "zel/dstruct/internal/xml_text.h"

#include <cstdint>

#include "zel/runtime/sysutils.h"

namespace zel::internal {

namespace {

void AppendCodePoint(uint32_t cp, String& out) {
  if (cp > 0xFFFF) {
    cp -= 0x10000;
    out += static_cast<Char>(0xD800 + (cp >> 10));
    out += static_cast<Char>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<Char>(cp);
  }
}

// Decodes the reference whose name (between "&" and ";") is name; false when
// it is not one.
bool DecodeReference(const String& name, String& out, SurrogateRefs Surrogates) {
  if (name == u"amp") {
    out += u'&';
  } else if (name == u"lt") {
    out += u'<';
  } else if (name == u"gt") {
    out += u'>';
  } else if (name == u"quot") {
    out += u'"';
  } else if (name == u"apos") {
    out += u'\'';
  } else if (name.size() >= 2 && name[0] == u'#') {
    const bool hex = name[1] == u'x' || name[1] == u'X';
    const size_t start = hex ? 2 : 1;
    if (start >= name.size()) return false;
    uint32_t cp = 0;
    for (size_t k = start; k < name.size(); ++k) {
      const Char d = name[k];
      uint32_t v;
      if (d >= u'0' && d <= u'9')
        v = d - u'0';
      else if (hex && d >= u'a' && d <= u'f')
        v = d - u'a' + 10;
      else if (hex && d >= u'A' && d <= u'F')
        v = d - u'A' + 10;
      else
        return false;
      cp = cp * (hex ? 16 : 10) + v;
      if (cp > 0x10FFFF) return false;
    }
    if (cp >= 0xD800 && cp <= 0xDFFF && Surrogates == SurrogateRefs::kRefuse) return false;
    AppendCodePoint(cp, out);
  } else {
    return false;
  }
  return true;
}

// Shared walk: Strict fails on the first fault, otherwise faults are copied.
bool Unescape(const String& s, String& out, bool Strict, SurrogateRefs Surrogates) {
  out.clear();
  out.reserve(s.size());
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    const Char ch = s[i];
    if (ch == u'<' && Strict) return false;
    if (ch != u'&') {
      out += ch;
      continue;
    }
    const size_t semi = s.find(u';', i + 1);
    if (semi != String::npos && semi - i <= 12 &&
        DecodeReference(s.substr(i + 1, semi - i - 1), out, Surrogates)) {
      i = semi;
      continue;
    }
    if (Strict) return false;
    out += ch;
  }
  return true;
}

}  // namespace

String XmlEscapeAscii(const String& s) {
  String out;
  out.reserve(s.size());
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    const Char ch = s[i];
    switch (ch) {
      case u'&':
        out += u"&amp;";
        continue;
      case u'<':
        out += u"&lt;";
        continue;
      case u'>':
        out += u"&gt;";
        continue;
      case u'"':
        out += u"&quot;";
        continue;
      default:
        break;
    }
    if (ch >= 0x20 && ch <= 0x7E) {
      out += ch;
      continue;
    }
    uint32_t cp = ch;
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((ch - 0xD800u) << 10) + (s[i + 1] - 0xDC00u);
      ++i;
    }
    out += u"&#";
    out += IntToStr(cp);
    out += u';';
  }
  return out;
}

bool XmlUnescape(const String& s, String& out, SurrogateRefs Surrogates) {
  return Unescape(s, out, true, Surrogates);
}

String XmlUnescapeLenient(const String& s) {
  String out;
  Unescape(s, out, false, SurrogateRefs::kAccept);
  return out;
}

}  // namespace zel::internal
