#include "zel/stringl/searching.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "zel/runtime/sysutils.h"
#include "zel/stringl/charclass.h"
#include "zel/stringl/internal/search_util.h"
#include "zel/stringl/internal/substring_search.h"

namespace zel {

using std::u16string_view;
using Searcher = internal::SubstringSearcher<char16_t>;
using BackwardSearcher = internal::SubstringSearcher<char16_t, true>;

int32_t NumberedPos(const String& Sub, const String& Text, int32_t Start, int32_t N,
                    bool IgnoreCase) {
  if (N <= 0 || Sub.empty()) return 0;
  const internal::Folded sub(Sub, IgnoreCase), text(Text, IgnoreCase);
  const Searcher searcher(sub.view());
  size_t from = Start < 1 ? 0 : static_cast<size_t>(Start) - 1;
  for (;;) {
    const size_t f = searcher.Find(text.view(), from);
    if (f == u16string_view::npos) return 0;
    if (--N == 0) return static_cast<int32_t>(f + 1);
    from = f + Sub.size();
  }
}

int32_t NumberedPosBw(const String& Sub, const String& Text, int32_t Start, int32_t N,
                      bool IgnoreCase) {
  if (N <= 0 || Sub.empty() || Text.empty()) return 0;
  const internal::Folded sub(Sub, IgnoreCase), text(Text, IgnoreCase);
  const size_t start = static_cast<size_t>(std::clamp<int64_t>(Start, 1, Text.size()));
  const BackwardSearcher searcher(sub.view());
  size_t end = start;
  for (;;) {
    const size_t f = searcher.FindLast(text.view(), end);
    if (f == u16string_view::npos) return 0;
    if (--N == 0) return static_cast<int32_t>(f + 1);
    end = f;
  }
}

int32_t PosLast(const String& Sub, const String& Text) {
  if (Sub.empty()) return 0;
  const Searcher searcher(Sub);
  size_t last = u16string_view::npos;
  for (size_t f = searcher.Find(Text); f != String::npos; f = searcher.Find(Text, f + Sub.size()))
    last = f;
  return last == u16string_view::npos ? 0 : static_cast<int32_t>(last + 1);
}

int32_t StringIx(const String& Text, const std::vector<String>& List) {
  const auto it = std::find(List.begin(), List.end(), Text);
  return it == List.end() ? 0 : static_cast<int32_t>(it - List.begin() + 1);
}

int32_t StringIx(const String& Text, bool CaseSensitive, const std::vector<String>& List) {
  if (CaseSensitive) return StringIx(Text, List);
  const String t = LowerCase(Text);
  for (size_t i = 0; i < List.size(); ++i)
    if (List[i].size() == t.size() && LowerCase(List[i]) == t) return static_cast<int32_t>(i + 1);
  return 0;
}

int32_t CountStringInString(const String& Sub, const String& Text, bool CaseSensitive) {
  if (Sub.empty()) return 0;
  const internal::Folded sub(Sub, !CaseSensitive), text(Text, !CaseSensitive);
  const Searcher searcher(sub.view());
  int32_t n = 0;
  for (size_t f = searcher.Find(text.view()); f != u16string_view::npos;
       f = searcher.Find(text.view(), f + Sub.size()))
    ++n;
  return n;
}

int32_t CountCharInString(Char Ch, const String& Text, bool CaseSensitive) {
  if (CaseSensitive) return static_cast<int32_t>(std::count(Text.begin(), Text.end(), Ch));
  const Char up = UpperCaseChar(Ch);
  return static_cast<int32_t>(
      std::count_if(Text.begin(), Text.end(), [up](Char c) { return UpperCaseChar(c) == up; }));
}

String ReplaceStringInString(const String& Text, const String& OldStr, const String& NewStr,
                             bool IgnoreCase) {
  if (OldStr.empty()) return Text;
  // Searching the unchanged rest of the folded text behind each occurrence is
  // the same as searching behind the inserted text of the result.
  const internal::Folded text(Text, IgnoreCase), old(OldStr, IgnoreCase);
  const Searcher searcher(old.view());
  String out;
  size_t from = 0;
  for (size_t f = searcher.Find(text.view()); f != u16string_view::npos;
       f = searcher.Find(text.view(), from)) {
    out.append(Text, from, f - from);
    out += NewStr;
    from = f + OldStr.size();
  }
  if (from == 0) return Text;
  out.append(Text, from, String::npos);
  return out;
}

namespace {

std::array<bool, 256> CharSetTable(const String& Set) {
  // Expanded texts hold no "/", so no abbreviation can arise from an
  // expansion and one pass replaces everything that repeated rounds would.
  struct Abbrev {
    u16string_view name;
    int from, to;
    const char16_t* chars;
  };
  static constexpr Abbrev kAbbrevs[] = {{u"//dig", 0, 0, u"0123456789"},
                                        {u"//lc", 0, 0, u"abcdefghijklmnopqrstuvwxyz"},
                                        {u"//uc", 0, 0, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
                                        {u"//31dwn", 0, 31, nullptr},
                                        {u"//128up", 128, 255, nullptr}};
  std::array<bool, 256> table{};
  const u16string_view s(Set);
  for (size_t i = 0; i < s.size();) {
    bool expanded = false;
    if (s[i] == u'/') {
      for (const Abbrev& a : kAbbrevs) {
        if (s.substr(i, a.name.size()) != a.name) continue;
        if (a.chars != nullptr)
          for (const char16_t* c = a.chars; *c != 0; ++c) table[*c] = true;
        else
          for (int c = a.from; c <= a.to; ++c) table[static_cast<size_t>(c)] = true;
        i += a.name.size();
        expanded = true;
        break;
      }
    }
    if (!expanded) {
      if (s[i] < 256) table[s[i]] = true;
      ++i;
    }
  }
  return table;
}

}  // namespace

bool StringContains(const String& Text, const String& CharSet) {
  const auto table = CharSetTable(CharSet);
  return std::any_of(Text.begin(), Text.end(), [&](Char c) { return c < 256 && table[c]; });
}

bool StringContainsOtherThan(const String& Text, const String& CharSet) {
  const auto table = CharSetTable(CharSet);
  return std::any_of(Text.begin(), Text.end(), [&](Char c) { return c >= 256 || !table[c]; });
}

int32_t FindFirstNonBlank(const String& Text) {
  const size_t f = Text.find_first_not_of(u' ');
  return f == String::npos ? 0 : static_cast<int32_t>(f + 1);
}

int32_t FindFirstDigit(const String& Text) {
  const auto it = std::find_if(Text.begin(), Text.end(), IsDigit);
  return it == Text.end() ? 0 : static_cast<int32_t>(it - Text.begin() + 1);
}

bool IsAbbreviation(const String& Text) {
  size_t longest = 0, run = 0, others = 0;
  for (Char c : Text) {
    if (c >= u'A' && c <= u'Z') {
      longest = std::max(longest, ++run);
    } else {
      run = 0;
      if ((c >= u'a' && c <= u'z') || IsDigit(c)) ++others;
    }
  }
  return longest > 1 && others < longest;
}

}  // namespace zel
