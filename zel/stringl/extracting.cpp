#include "zel/stringl/extracting.h"

#include <string_view>

#include "zel/runtime/sysutils.h"
#include "zel/stringl/internal/substring_search.h"
#include "zel/stringl/searching.h"
#include "zel/stringl/strediting.h"
#include "zel/stringl/wordseps.h"

namespace zel {

namespace {

constexpr size_t kMaxTokens = 1000;

String Trimmed(String s, bool trim) { return trim ? StripLTBlanks(s) : s; }

// First occurrence of Sub in Text at or after From (npos when Sub is empty).
size_t FindOnce(const String& Text, const String& Sub, size_t From = 0) {
  if (Sub.empty()) return String::npos;
  return internal::SubstringSearcher<char16_t>(Sub).Find(Text, From);
}

}  // namespace

String ExtractAfterTrigger(const String& Text, const String& Trigger, bool Trim) {
  const size_t f = FindOnce(Text, Trigger);
  return f == String::npos ? String() : Trimmed(Text.substr(f + Trigger.size()), Trim);
}

String ExtractBeforeTrigger(const String& Text, const String& Trigger, bool Trim) {
  const size_t f = FindOnce(Text, Trigger);
  return f == String::npos ? String() : Trimmed(Text.substr(0, f), Trim);
}

void SplitString(const String& Text, const String& Delimiter, bool Trim, String& Before,
                 String& After) {
  Before.clear();
  After.clear();
  const size_t f = FindOnce(Text, Delimiter);
  if (f == String::npos) return;
  Before = Trimmed(Text.substr(0, f), Trim);
  After = Trimmed(Text.substr(f + Delimiter.size()), Trim);
}

String ExtractWordFromString(const String& Text, int32_t Pos) {
  int32_t a, b;
  return ExtractWordFromString(Text, Pos, a, b);
}

String ExtractWordFromString(const String& Text, int32_t Pos, int32_t& WordStart,
                             int32_t& WordEnd) {
  WordStart = WordEnd = 0;
  if (Pos < 1 || static_cast<size_t>(Pos) > Text.size()) return String();
  const size_t p = static_cast<size_t>(Pos) - 1;
  size_t a = p + 1;  // 1-based separator position left of the word, 0 if none
  while (a > 0 && !IsWordSep(Text[a - 1])) --a;
  size_t b = p + 1;  // 1-based separator position right of the word
  while (b <= Text.size() && !IsWordSep(Text[b - 1])) ++b;
  if (a + 1 < b) {
    WordStart = static_cast<int32_t>(a + 1);
    WordEnd = static_cast<int32_t>(b - 1);
    return Text.substr(a, b - 1 - a);
  }
  WordStart = WordEnd = Pos;
  return Text.substr(p, 1);
}

String ExtractSubString(const String& Text, int32_t Index, const String& Delimiter) {
  if (Index < 0 || Text.empty()) return String();
  if (Delimiter.empty()) return Index == 0 ? Text : String();
  const internal::SubstringSearcher<char16_t> searcher(Delimiter);
  size_t pos = 0;
  for (int32_t i = 0; i < Index; ++i) {
    const size_t f = searcher.Find(Text, pos);
    if (f == String::npos) return String();
    pos = f + Delimiter.size();
  }
  if (pos >= Text.size()) return String();
  if (LowerCase(Text.substr(pos, Delimiter.size())) == LowerCase(Delimiter)) return String();
  const size_t end = searcher.Find(Text, pos + 1);
  return Text.substr(pos, end == String::npos ? String::npos : end - pos);
}

int32_t Tokenize(const String& Text, const String& Delimiter, std::vector<String>& Tokens) {
  Tokens.clear();
  size_t pos = 0;
  if (!Delimiter.empty()) {
    const internal::SubstringSearcher<char16_t> searcher(Delimiter);
    for (size_t f = searcher.Find(Text); f != String::npos && Tokens.size() < kMaxTokens - 1;
         f = searcher.Find(Text, pos)) {
      Tokens.push_back(Text.substr(pos, f - pos));
      pos = f + Delimiter.size();
    }
  }
  Tokens.push_back(Text.substr(pos));
  return static_cast<int32_t>(Tokens.size());
}

int32_t Tokenize(const String& Text, const String& Delimiter, Char Escape,
                 std::vector<String>& Tokens) {
  Tokens.clear();
  size_t pos = 0;
  if (!Delimiter.empty()) {
    // Every occurrence, overlapping ones included, in one linear pass: one
    // after an escaped occurrence may begin inside it.
    size_t from = 0;
    internal::SubstringSearcher<char16_t>(Delimiter).ForEachMatch(Text, [&](size_t f) {
      if (Tokens.size() >= kMaxTokens - 1) return false;
      if (f < from) return true;
      // The preceding character must belong to the text not yet cut into
      // tokens: a delimiter right behind the previous one is a split point
      // even when that one ends with the escape character.
      if (f > pos && Text[f - 1] == Escape) {
        from = f + 1;
        return true;
      }
      Tokens.push_back(Text.substr(pos, f - pos));
      pos = from = f + Delimiter.size();
      return true;
    });
  }
  Tokens.push_back(Text.substr(pos));
  const String esc(1, Escape);
  for (String& t : Tokens) {
    t = ReplaceStringInString(t, esc + esc, esc, false);
    if (!Delimiter.empty()) t = ReplaceStringInString(t, esc + Delimiter, Delimiter, false);
  }
  return static_cast<int32_t>(Tokens.size());
}

int32_t CountWords(const String& Text) {
  int32_t words = 0;
  size_t run = 0;
  for (Char c : Text) {
    if (IsWordSep(c)) {
      words += run >= 2;
      run = 0;
    } else {
      ++run;
    }
  }
  return words + (run >= 2);
}

}  // namespace zel
