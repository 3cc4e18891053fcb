// The attribute machine behind ScanForXMLAttrib, for callers that walk every
// attribute of a tag rather than look one up, and the lookup itself for the
// modules below the stream module (the text label).
#pragma once

#include <cstddef>

#include "zel/base/internal/xmltag_scan.h"
#include "zel/runtime/types.h"

namespace zel::internal {

// Parses the attribute that starts at Pos (0-based) in an attribute text and
// moves Pos after it. Name is returned as written (blanks around it
// included), Value without its quotes. Status 0 ok, 1 '"' in a name, 2 "==",
// 3 '=' in a plain value, 4 nothing left.
inline int ParseXmlAttribute(const String& text, size_t& pos, String& name, String& value) {
  name.clear();
  value.clear();
  if (pos >= text.size()) return 4;
  int state = 0;
  while (pos < text.size()) {
    const Char c = text[pos++];
    switch (state) {
      case 0:
        if (c == u'"') return 1;
        if (c == u'=')
          state = 1;
        else
          name.push_back(c);
        break;
      case 1:
        if (c == u' ') break;
        if (c == u'"') {
          state = 2;
        } else if (c == u'=') {
          return 2;
        } else {
          value.push_back(c);
          state = 3;
        }
        break;
      case 2:
        if (c == u'"') return 0;
        value.push_back(c);
        break;
      default:  // 3: plain value
        if (c == u' ' || c == u'"') return 0;
        if (c == u'=') return 3;
        value.push_back(c);
        break;
    }
  }
  return 0;
}

// The first value of attribute Name (ASCII case ignored) in AttribText; the
// empty text when it is missing or a fault stops the scan before it (the
// rules of ScanForXMLAttrib).
inline String XmlAttribValue(const String& AttribText, const String& Name) {
  const String wanted = XmlLowerString(Name);
  size_t pos = 0;
  String name, value;
  for (;;) {
    if (ParseXmlAttribute(AttribText, pos, name, value) != 0) return String();
    const size_t first = name.find_first_not_of(u' ');
    name = first == String::npos ? String()
                                 : name.substr(first, name.find_last_not_of(u' ') - first + 1);
    if (XmlLowerString(name) == wanted) return value;
  }
}

}  // namespace zel::internal
