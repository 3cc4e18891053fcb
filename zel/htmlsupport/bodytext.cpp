// ConvertHTMLBodyToText: a single pass over the markup that writes the text
// runs and turns block structure into line and paragraph breaks.
#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "zel/htmlsupport/htmlhelpers.h"
#include "zel/htmlsupport/internal/htmlscan.h"
#include "zel/stringl/charclass.h"

namespace zel {

namespace {

using internal::IsHTMLSpace;

enum class Role : uint8_t { kInline, kLine, kParagraph, kBreak, kCell, kPre, kDrop };

struct TagRole {
  std::u16string_view name;
  Role role;
};

constexpr std::array<TagRole, 45> kRoles = {{
    {u"address", Role::kLine},    {u"article", Role::kLine},
    {u"aside", Role::kLine},      {u"blockquote", Role::kParagraph},
    {u"br", Role::kBreak},        {u"caption", Role::kLine},
    {u"center", Role::kLine},     {u"dd", Role::kLine},
    {u"details", Role::kLine},    {u"dialog", Role::kLine},
    {u"div", Role::kLine},        {u"dl", Role::kParagraph},
    {u"dt", Role::kLine},         {u"fieldset", Role::kLine},
    {u"figcaption", Role::kLine}, {u"figure", Role::kLine},
    {u"footer", Role::kLine},     {u"form", Role::kParagraph},
    {u"h1", Role::kParagraph},    {u"h2", Role::kParagraph},
    {u"h3", Role::kParagraph},    {u"h4", Role::kParagraph},
    {u"h5", Role::kParagraph},    {u"h6", Role::kParagraph},
    {u"head", Role::kDrop},       {u"header", Role::kLine},
    {u"hr", Role::kParagraph},    {u"li", Role::kLine},
    {u"main", Role::kLine},       {u"nav", Role::kLine},
    {u"ol", Role::kParagraph},    {u"option", Role::kLine},
    {u"p", Role::kParagraph},     {u"pre", Role::kPre},
    {u"script", Role::kDrop},     {u"section", Role::kLine},
    {u"style", Role::kDrop},      {u"summary", Role::kLine},
    {u"table", Role::kParagraph}, {u"td", Role::kCell},
    {u"template", Role::kDrop},   {u"th", Role::kCell},
    {u"title", Role::kDrop},      {u"tr", Role::kLine},
    {u"ul", Role::kParagraph},
}};

Role RoleOf(std::u16string_view name) {
  const auto it =
      std::lower_bound(kRoles.begin(), kRoles.end(), name,
                       [](const TagRole& r, std::u16string_view n) { return r.name < n; });
  return (it != kRoles.end() && it->name == name) ? it->role : Role::kInline;
}

bool IsNameChar(Char C) noexcept { return IsDigitLetter(C) || C == u'-' || C == u':'; }

// Collects the text and the breaks between its pieces.
class TextWriter {
 public:
  explicit TextWriter(bool crlf) : eol_(crlf ? u"\r\n" : u"\n") {}

  // A character that is written as it is (not white space of the markup).
  void Put(Char c) {
    Flush();
    out_.push_back(c);
  }
  void PutCodePoint(char32_t cp) {
    Flush();
    internal::AppendCodePoint(out_, cp);
  }
  // White space of the markup outside pre: at most one blank between words.
  void Space() { space_ = true; }
  // Level 1 starts a new line, level 2 leaves an empty line.
  void Break(int level) {
    pending_ = std::max(pending_, level);
    space_ = false;
  }
  // A forced line end (<br>): adds to the breaks already pending.
  void LineEnd() {
    pending_ = std::min(pending_ + 1, 2);
    space_ = false;
  }
  // Between table cells of one row.
  void Cell() {
    if (pending_ == 0 && !AtLineStart()) {
      out_.push_back(u'\t');
      space_ = false;
    }
  }
  // Line end and white space inside pre, written as they are.
  void PreLineEnd() {
    Flush();
    out_ += eol_;
  }

  String Finish() {
    const auto is_space = [](Char c) {
      return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    };
    size_t b = 0;
    size_t e = out_.size();
    while (b < e && is_space(out_[b])) ++b;
    while (e > b && is_space(out_[e - 1])) --e;
    return out_.substr(b, e - b);
  }

 private:
  bool AtLineStart() const { return out_.empty() || out_.back() == u'\n'; }
  void Flush() {
    if (!out_.empty()) {
      if (pending_ > 0) {
        if (!AtLineStart()) out_ += eol_;
        if (pending_ > 1) out_ += eol_;
      } else if (space_ && !AtLineStart() && out_.back() != u'\t') {
        out_.push_back(u' ');
      }
    }
    pending_ = 0;
    space_ = false;
  }

  std::u16string_view eol_;
  String out_;
  int pending_ = 0;
  bool space_ = false;
};

// Remembers where the end tag of each dropped element kind was found, so a
// search is not repeated over the same text: after a head that the body
// ended, the next head reuses the "</head" found before (or its absence).
class EndTagCache {
 public:
  size_t Find(std::u16string_view s, size_t from, std::u16string_view name) {
    for (Entry& e : entries_) {
      if (e.name != name) continue;
      if (from >= e.from && (e.at == std::u16string_view::npos || e.at >= from)) return e.at;
      e.from = from;
      e.at = internal::FindTag(s, from, name);
      return e.at;
    }
    entries_.push_back({String(name), from, internal::FindTag(s, from, name)});
    return entries_.back().at;
  }

 private:
  struct Entry {
    String name;
    size_t from;
    size_t at;
  };
  std::vector<Entry> entries_;  // one per name searched: at most six
};

}  // namespace

String ConvertHTMLBodyToText(const String& S, bool CRLF) {
  const std::u16string_view s(S);
  const size_t n = s.size();
  TextWriter w(CRLF);
  EndTagCache end_tags;
  int pre_depth = 0;
  bool skip_first_lf = false;  // a line end right after <pre> is not content
  size_t i = 0;
  while (i < n) {
    const Char c = s[i];
    if (c == u'<' && i + 1 < n) {
      const Char next = s[i + 1];
      if (next == u'!') {
        if (s.substr(i, 4) == u"<!--") {
          const size_t close = s.find(u"-->", i + 2);
          i = close == std::u16string_view::npos ? n : close + 3;
        } else {
          const size_t close = s.find(u'>', i + 2);
          i = close == std::u16string_view::npos ? n : close + 1;
        }
        continue;
      }
      if (next == u'?') {
        const size_t close = s.find(u'>', i + 2);
        i = close == std::u16string_view::npos ? n : close + 1;
        continue;
      }
      const bool end_tag = next == u'/';
      const size_t name_at = i + (end_tag ? 2 : 1);
      if (name_at < n && IsLetter(s[name_at])) {
        // The name in lower case; names longer than any known one stay unknown.
        Char name_buf[12];
        size_t len = 0;
        size_t j = name_at;
        while (j < n && IsNameChar(s[j])) {
          if (len < std::size(name_buf)) {
            const Char ch = s[j];
            name_buf[len] = (ch >= u'A' && ch <= u'Z') ? static_cast<Char>(ch + 32) : ch;
          }
          ++len;
          ++j;
        }
        const Role role =
            len <= std::size(name_buf) ? RoleOf(std::u16string_view(name_buf, len)) : Role::kInline;
        i = internal::SkipTag(s, i);
        switch (role) {
          case Role::kInline:
            break;
          case Role::kLine:
            w.Break(1);
            break;
          case Role::kParagraph:
            w.Break(2);
            break;
          case Role::kBreak:
            if (!end_tag) w.LineEnd();
            break;
          case Role::kCell:
            if (!end_tag) w.Cell();
            break;
          case Role::kPre:
            w.Break(2);
            if (end_tag) {
              pre_depth = std::max(pre_depth - 1, 0);
            } else {
              ++pre_depth;
              skip_first_lf = true;
            }
            break;
          case Role::kDrop:
            if (!end_tag) {
              // Everything up to the element's end tag goes, markup included.
              String close_name(u"/");
              close_name.append(name_buf, len);
              const size_t close = end_tags.Find(s, i, close_name);
              // The head's end tag may be left out: the body then ends it.
              const size_t body =
                  close_name == u"/head" ? end_tags.Find(s, i, u"body") : std::u16string_view::npos;
              if (body < close)
                i = body;
              else
                i = close == std::u16string_view::npos ? n : internal::SkipTag(s, close);
            }
            break;
        }
        continue;
      }
      // A "<" that starts no tag is text.
    }
    if (c == u'&') {
      char32_t cp = 0;
      if (const size_t len = internal::ReadHTMLEntity(s, i, cp); len > 0) {
        w.PutCodePoint(cp);
        i += len;
        skip_first_lf = false;
        continue;
      }
    }
    if (IsHTMLSpace(c)) {
      if (pre_depth == 0) {
        w.Space();
      } else if (c == u'\r' || c == u'\n') {
        if (c == u'\r' && i + 1 < n && s[i + 1] == u'\n') ++i;
        if (!skip_first_lf) w.PreLineEnd();
      } else {
        w.Put(c);
      }
      skip_first_lf = false;
      ++i;
      continue;
    }
    w.Put(c);
    skip_first_lf = false;
    ++i;
  }
  return w.Finish();
}

}  // namespace zel
