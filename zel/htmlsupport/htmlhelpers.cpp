#include "zel/htmlsupport/htmlhelpers.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "zel/base/htmlentities.h"
#include "zel/htmlsupport/internal/htmlscan.h"
#include "zel/stringl/charclass.h"
#include "zel/stringl/wordseps.h"

namespace zel {

namespace {

using internal::AppendCodePoint;
using internal::ReadHTMLEntity;

constexpr std::u16string_view kHexDigits = u"0123456789ABCDEF";

// The 19 characters URLEncode writes as "%XX" (all below 128).
constexpr std::array<bool, 128> kUrlEncoded = [] {
  std::array<bool, 128> t{};
  for (const char c : std::string_view("!*();:@&=+$,/?%#[] "))
    t[static_cast<unsigned char>(c)] = true;
  return t;
}();

int HexValue(Char C) noexcept {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  return C - u'a' + 10;  // callers test IsHexChar first
}

// One left-to-right decoding pass of URLDecode over S into Out. Returns
// whether Out holds a "%" (only then can a second pass change anything).
bool DecodeOnce(const String& S, String& Out) {
  const size_t n = S.size();
  Out.resize(n);
  Char* out = Out.data();
  const Char* s = S.data();
  size_t k = 0;
  bool percent = false;
  for (size_t i = 0; i < n;) {
    const Char c = s[i];
    if (c == u'%' && i + 2 < n && IsHexChar(s[i + 1]) && IsHexChar(s[i + 2])) {
      const Char v = static_cast<Char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
      out[k++] = v;
      percent |= v == u'%';
      i += 3;
    } else {
      out[k++] = c;
      percent |= c == u'%';
      ++i;
    }
  }
  Out.resize(k);
  return percent;
}

void AppendDecimal(String& Out, uint32_t V) {
  Char buf[10];
  int k = 0;
  do {
    buf[k++] = static_cast<Char>(u'0' + V % 10);
    V /= 10;
  } while (V != 0);
  while (k > 0) Out.push_back(buf[--k]);
}

void AppendNumericReference(String& Out, uint32_t CodePoint) {
  Out += u"&#";
  AppendDecimal(Out, CodePoint);
  Out.push_back(u';');
}

bool IsSurrogate(Char C) noexcept { return C >= 0xD800 && C <= 0xDFFF; }

// The entity text of C, or empty when C is written as it stands.
std::u16string_view MarkupEntity(Char C) noexcept {
  switch (C) {
    case u'&':
      return u"&amp;";
    case u'<':
      return u"&lt;";
    case u'>':
      return u"&gt;";
    case u'"':
      return u"&quot;";
    case u'\'':
      return u"&#39;";
    default:
      return {};
  }
}

// True when AnsiToHTMLEntity writes C as an entity.
bool NeedsEntity(Char C) noexcept {
  if (C < 127) return C == u'&' || C == u'<' || C == u'>' || C == u'"' || C == u'\'';
  return !IsSurrogate(C);
}

void AppendEntity(String& Out, Char C) {
  if (C < 127) {
    const std::u16string_view e = MarkupEntity(C);
    if (e.empty())
      Out.push_back(C);
    else
      Out += e;
  } else if (C >= kHTMLLat1First && C <= 255) {
    Out += HTMLLat1Entity(C);
  } else if (IsSurrogate(C)) {
    Out.push_back(C);
  } else {
    AppendNumericReference(Out, C);
  }
}

}  // namespace

int32_t CountWordsHTML(const String& Text, bool SkipNumbers, bool& InTag) {
  // The separators as a byte table: one load per character instead of a bit
  // test through the set.
  std::array<uint8_t, 256> sep;
  for (size_t c = 0; c < 256; ++c) sep[c] = WordSeps[c];
  int64_t count = 0;  // a text of more than 6 G characters could pass 2^31 words
  size_t word_len = 0;
  Char first = 0;
  bool in_tag = InTag;
  const auto end_word = [&] {
    if (word_len >= 2 && !(SkipNumbers && IsDigit(first))) ++count;
    word_len = 0;
  };
  for (const Char c : Text) {
    if (c == u'<') {
      in_tag = true;
      continue;
    }
    if (in_tag) {
      if (c != u'>') continue;
      in_tag = false;
    }
    if (c < 256 && sep[c]) {
      end_word();
    } else {
      if (word_len == 0) first = c;
      ++word_len;
    }
  }
  end_word();
  InTag = in_tag;
  return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
}

String ExtractHTTPPath(const String& URL) {
  static constexpr std::u16string_view kHttp = u"http://";
  size_t start = 0;
  for (size_t i = 0; i + kHttp.size() <= URL.size(); ++i) {
    size_t k = 0;
    while (k < kHttp.size()) {
      Char c = URL[i + k];
      if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
      if (c != kHttp[k]) break;
      ++k;
    }
    if (k == kHttp.size()) {
      start = i + kHttp.size();
      break;
    }
  }
  const size_t slash = URL.rfind(u'/');
  if (slash == String::npos || slash < start) return URL.substr(start);
  return URL.substr(start, slash + 1 - start);
}

String URLEncode(const String& S) {
  const auto encoded = [](Char c) { return c < 128 && kUrlEncoded[c]; };
  size_t extra = 0;
  for (const Char c : S) extra += encoded(c) ? 2 : 0;
  String out(S.size() + extra, u'\0');
  Char* o = out.data();
  for (const Char c : S) {
    if (encoded(c)) {
      *o++ = u'%';
      *o++ = kHexDigits[c >> 4];
      *o++ = kHexDigits[c & 15];
    } else {
      *o++ = c;
    }
  }
  return out;
}

String URLDecode(const String& S) {
  if (S.find(u'%') == String::npos) return S;
  String once;
  if (!DecodeOnce(S, once)) return once;
  String twice;
  DecodeOnce(once, twice);
  return twice;
}

String AnsiToHTMLEntity(Char C) {
  String out;
  AppendEntity(out, C);
  return out;
}

String MakeStringHTMLCompatible(const String& S) {
  String out;
  out.reserve(S.size() + S.size() / 8);
  const size_t n = S.size();
  size_t from = 0;
  for (size_t i = 0; i < n; ++i) {
    const Char c = S[i];
    if (!NeedsEntity(c)) {
      // A surrogate pair names one code point and becomes one reference;
      // unpaired halves stay as they are.
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && S[i + 1] >= 0xDC00 && S[i + 1] <= 0xDFFF) {
        out.append(S, from, i - from);
        AppendNumericReference(out, 0x10000 + ((uint32_t{c} - 0xD800) << 10) + (S[i + 1] - 0xDC00));
        from = ++i + 1;
      }
      continue;
    }
    out.append(S, from, i - from);
    AppendEntity(out, c);
    from = i + 1;
  }
  out.append(S, from, String::npos);
  return out;
}

String ResolveHTMLEntities(const String& S) {
  size_t amp = S.find(u'&');
  if (amp == String::npos) return S;
  String out;
  out.reserve(S.size());
  size_t from = 0;
  while (amp != String::npos) {
    char32_t cp = 0;
    const size_t len = ReadHTMLEntity(S, amp, cp);
    if (len == 0) {
      amp = S.find(u'&', amp + 1);
      continue;
    }
    out.append(S, from, amp - from);
    AppendCodePoint(out, cp);
    from = amp + len;
    amp = S.find(u'&', from);
  }
  out.append(S, from, String::npos);
  return out;
}

Char HTMLEntityToAnsi(const String& Entity) {
  String text;
  text.reserve(Entity.size() + 2);
  if (Entity.empty() || Entity.front() != u'&') text.push_back(u'&');
  text += Entity;
  if (text.back() != u';') text.push_back(u';');
  char32_t cp = 0;
  if (ReadHTMLEntity(text, 0, cp) != text.size() || cp > 0xFFFF) return 0;
  return static_cast<Char>(cp);
}

String DefaultHTMLHead(const String& Title, const String& Charset, const String& StyleSheet,
                       const String& Style, bool OpenBody) {
  String out = u"<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"";
  out += Charset.empty() ? String(u"utf-8") : MakeStringHTMLCompatible(Charset);
  out += u"\">\n<title>";
  out += Title.empty() ? String(u"Untitled") : MakeStringHTMLCompatible(Title);
  out += u"</title>\n";
  if (!StyleSheet.empty()) {
    out += u"<link rel=\"stylesheet\" href=\"";
    out += MakeStringHTMLCompatible(StyleSheet);
    out += u"\">\n";
  }
  if (!Style.empty()) {
    out += u"<style>\n";
    size_t from = 0;
    for (size_t at = Style.find(u"</"); at != String::npos; at = Style.find(u"</", from)) {
      out.append(Style, from, at - from);
      out += u"<\\/";
      from = at + 2;
    }
    out.append(Style, from, String::npos);
    if (Style.back() != u'\n') out.push_back(u'\n');
    out += u"</style>\n";
  }
  out += u"</head>\n";
  if (OpenBody) out += u"<body>\n";
  return out;
}

String DefaultHTMLFoot(bool CloseBody) {
  return CloseBody ? String(u"</body>\n</html>\n") : String(u"</html>\n");
}

String ExtractHTMLBody(const String& S) {
  using internal::FindTag;
  using internal::SkipTag;
  const size_t n = S.size();
  size_t start = 0;
  size_t at = FindTag(S, 0, u"body");
  if (at != String::npos) {
    start = SkipTag(S, at);
  } else if ((at = FindTag(S, 0, u"/head")) != String::npos) {
    start = SkipTag(S, at);
  } else if ((at = FindTag(S, 0, u"html")) != String::npos) {
    start = SkipTag(S, at);
  }
  if (start >= n) return String();
  size_t end = FindTag(S, start, u"/body");
  if (end == String::npos) end = FindTag(S, start, u"/html");
  if (end == String::npos) end = n;
  return S.substr(start, end - start);
}

}  // namespace zel
