// The XML tag scanning steps shared by the string, stream and text-file forms
// of the tag scanner and by the text label's reader, written once over a
// character source.
//
// A Source offers `bool Next(Char& c)`: the next character, false at the end.
// Every step reads each character once, so the scanners are linear in their
// input; the closing tag is recognised as a suffix of the growing contents
// (it ends with the only '>' it holds, so the first occurrence of "</name>"
// always completes at a '>' just appended).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zel/runtime/textfile.h"
#include "zel/runtime/types.h"

namespace zel::internal {

inline Char XmlLower(Char c) noexcept { return (c >= u'A' && c <= u'Z') ? Char(c + 32) : c; }

inline String XmlLowerString(String s) {
  for (Char& c : s) c = XmlLower(c);
  return s;
}

inline String XmlStripBlanks(const String& s, size_t from, size_t to) {
  while (from < to && s[from] == u' ') ++from;
  while (to > from && s[to - 1] == u' ') --to;
  return s.substr(from, to - from);
}

// Reads the next tag text: skips to a '<', then collects up to and including
// the next '>' (the end of the input also ends it). Tags beginning with '!'
// (comments, declarations, CDATA) or '?' (processing instructions) are
// skipped. Returns false when no '<' was found (Tag is then empty).
// BeforeTag, when given, receives every character read before the returned
// tag's '<' (skipped tags included).
template <class Source>
bool NextXmlTagText(Source& src, String& Tag, String* BeforeTag = nullptr) {
  Char c = 0;
  for (;;) {
    Tag.clear();
    bool found = false;
    while (src.Next(c)) {
      if (c == u'<') {
        found = true;
        break;
      }
      if (BeforeTag) BeforeTag->push_back(c);
    }
    if (!found) return false;
    while (src.Next(c)) {
      Tag.push_back(c);
      if (c == u'>') break;
    }
    if (!Tag.empty() && (Tag[0] == u'!' || Tag[0] == u'?')) {
      if (BeforeTag) {
        BeforeTag->push_back(u'<');
        BeforeTag->append(Tag);
      }
      continue;
    }
    return true;
  }
}

struct XmlTagParts {
  String Name;         // lower-cased
  String Attributes;   // stripped of blanks at both ends
  bool Empty = false;  // the tag text holds "/>"
};

// Splits a tag text into its name, attribute text and the empty-element mark.
inline XmlTagParts SplitXmlTag(const String& Tag) {
  XmlTagParts r;
  const size_t blank = Tag.find(u' ');
  const bool closed = !Tag.empty() && Tag.back() == u'>';
  // "/>" can only stand at the end: the first '>' ends the tag text.
  r.Empty = Tag.size() >= 2 && closed && Tag[Tag.size() - 2] == u'/';
  const size_t body_end = Tag.size() - (r.Empty ? 2 : (closed ? 1 : 0));
  if (blank != String::npos) {  // blank < body_end: the end marks hold no blank
    r.Name = Tag.substr(0, blank);
    r.Attributes = XmlStripBlanks(Tag, blank + 1, body_end);
  } else {
    r.Name = Tag.substr(0, body_end);
  }
  r.Name = XmlLowerString(std::move(r.Name));
  return r;
}

// Index of Name in the tag list: the first equal entry before the last,
// otherwise the last (the catch-all). -1 for an empty list.
inline int32_t XmlTagIndex(const String& Name, const std::vector<String>& TagList) {
  if (TagList.empty()) return -1;
  const size_t last = TagList.size() - 1;
  for (size_t i = 0; i < last; ++i)
    if (TagList[i] == Name) return static_cast<int32_t>(i);
  return static_cast<int32_t>(last);
}

// True when Text ends with "</" LowerName ">" (ASCII case ignored).
inline bool EndsWithClosingTag(const String& Text, const String& LowerName) {
  const size_t n = LowerName.size() + 3;
  if (Text.size() < n) return false;
  const size_t at = Text.size() - n;
  if (Text[at] != u'<' || Text[at + 1] != u'/' || Text.back() != u'>') return false;
  // Compare from the end: a mismatch shows up before any earlier '>'.
  for (size_t i = LowerName.size(); i-- > 0;)
    if (XmlLower(Text[at + 2 + i]) != LowerName[i]) return false;
  return true;
}

// Reads the contents of element LowerName up to its closing tag, which is
// consumed and not returned. If the input ends first the contents are all
// that was read, or, with UpToLastGt, all up to the last '>' read.
template <class Source>
void ReadXmlContents(Source& src, const String& LowerName, String& Contents, bool UpToLastGt) {
  Contents.clear();
  size_t kept = 0;  // length up to the last '>'
  Char c = 0;
  while (src.Next(c)) {
    Contents.push_back(c);
    if (c != u'>') continue;
    kept = Contents.size();
    if (EndsWithClosingTag(Contents, LowerName)) {
      Contents.resize(Contents.size() - LowerName.size() - 3);
      return;
    }
  }
  if (UpToLastGt) Contents.resize(kept);
}

// The whole "read next tag" step: returns the tag list index and fills the
// attribute and contents texts.
template <class Source>
int32_t ReadNextXmlTag(Source& src, const std::vector<String>& TagList, String& Attributes,
                       String& Contents, bool UpToLastGt) {
  Attributes.clear();
  Contents.clear();
  String tag;
  NextXmlTagText(src, tag);
  XmlTagParts parts = SplitXmlTag(tag);
  Attributes = std::move(parts.Attributes);
  if (!parts.Empty && !parts.Name.empty() && parts.Name[0] != u'/')
    ReadXmlContents(src, parts.Name, Contents, UpToLastGt);
  return XmlTagIndex(parts.Name, TagList);
}

// Steps over tags until one named LowerTag (any depth); reads its contents.
// Returns false (texts empty) when the input ends first.
template <class Source>
bool ScanForXmlTag(Source& src, const String& LowerTag, String& Attributes, String& Contents) {
  Attributes.clear();
  Contents.clear();
  String tag;
  while (NextXmlTagText(src, tag)) {
    XmlTagParts parts = SplitXmlTag(tag);
    if (parts.Name != LowerTag) continue;
    Attributes = std::move(parts.Attributes);
    if (!parts.Empty && !parts.Name.empty() && parts.Name[0] != u'/')
      ReadXmlContents(src, parts.Name, Contents, false);
    return true;
  }
  return false;
}

// Character sources.

// Characters of a string from a 0-based index on.
struct XmlStringSource {
  const String& text;
  size_t pos;
  bool Next(Char& c) {
    if (pos >= text.size()) return false;
    c = text[pos++];
    return true;
  }
};

// Characters of an open text file.
struct TextFileSource {
  TextFile& file;
  bool Next(Char& c) {
    if (file.Eof()) return false;
    c = file.ReadChar();
    return true;
  }
};

}  // namespace zel::internal
