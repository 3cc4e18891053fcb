// The searching, tokenising and editing functions on arbitrary UTF-16 text.
// Input: byte 0 = length of the pattern in code units (mod 4), then the
// pattern and the text as little-endian UTF-16 units. Checks invariants that
// tie the functions together: tokens joined with the delimiter give the text
// back, replacing a pattern by itself (case kept) changes nothing, replacement lengths
// match the occurrence count, NumberedPos finds exactly that many
// occurrences, editing functions keep lengths where they should, and the tag
// and line scanners always make progress.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "zel/stringl.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zel::String;
  if (size < 1) return 0;
  const size_t plen = data[0] % 4;
  std::vector<char16_t> units;
  for (size_t i = 1; i + 1 < size; i += 2)
    units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  if (units.size() < plen) return 0;
  const String pat(units.begin(), units.begin() + static_cast<long>(plen));
  const String text(units.begin() + static_cast<long>(plen), units.end());

  std::vector<String> tokens;
  const int32_t n = zel::Tokenize(text, pat, tokens);
  Check(n >= 1 && n <= 1000 && static_cast<size_t>(n) == tokens.size(), "token count");
  String joined;
  for (size_t i = 0; i < tokens.size(); ++i) joined += (i ? pat : String()) + tokens[i];
  Check(joined == text, "tokens joined give the text");
  zel::Tokenize(text, pat, u'\\', tokens);
  Check(!tokens.empty() && tokens.size() <= 1000, "escaped token count");

  for (bool ic : {false, true}) {
    const int32_t count = zel::CountStringInString(pat, text, !ic);
    if (!ic) Check(zel::ReplaceStringInString(text, pat, pat, ic) == text, "identity replacement");
    const String r = zel::ReplaceStringInString(text, pat, u"<>", ic);
    Check(r.size() == text.size() + static_cast<size_t>(count) * 2 - count * pat.size(),
          "replacement length");
    if (count > 0) Check(zel::NumberedPos(pat, text, 1, count, ic) > 0, "n-th occurrence");
    Check(zel::NumberedPos(pat, text, 1, count + 1, ic) == 0, "no further occurrence");
    const int32_t bw = zel::NumberedPosBw(pat, text, static_cast<int32_t>(text.size()), 1, ic);
    Check(bw >= 0 && static_cast<size_t>(bw) <= text.size(), "backward position");
  }
  const int32_t last = zel::PosLast(pat, text);
  Check(last == 0 || text.compare(static_cast<size_t>(last) - 1, pat.size(), pat) == 0, "PosLast");
  zel::StringContains(text, pat);
  zel::StringContainsOtherThan(text, pat);
  for (int32_t i = -1; i < 6; ++i) zel::ExtractSubString(text, i, pat);
  for (size_t p = 0; p <= text.size() && p < 64; ++p) {
    int32_t a, b;
    const String w = zel::ExtractWordFromString(text, static_cast<int32_t>(p), a, b);
    Check(p == 0 ? w.empty() : (a >= 1 && b >= a && w.size() == static_cast<size_t>(b - a + 1)),
          "word bounds");
  }
  zel::CountWords(text);
  zel::IsAbbreviation(text);
  Check(zel::ChangeCase(text).size() == text.size(), "ChangeCase length");
  Check(zel::CapitalizeString(text).size() == text.size(), "CapitalizeString length");
  Check(zel::ReduceStringToFN83CompliantChars(text).size() == text.size(), "FN83 length");
  Check(zel::ConvertToTabs(text, true, true).size() <= text.size(), "tabs never lengthen");
  Check(zel::ExpandDiphthongs(text).size() >= text.size(), "diphthongs");
  Check(zel::RemoveMultiChars(text, u' ').size() <= text.size(), "RemoveMultiChars");
  zel::SortableNumericString(text, u'.', static_cast<int32_t>(plen) * 7);

  const std::vector<String> tags{u"a", u"b"};
  int32_t start = 1, end = 0, steps = 0;
  String attrs;
  bool closing = false;
  while (zel::DetectNextTagInString(text, start, end, tags, attrs, closing) >= 0) {
    Check(end > start && ++steps <= static_cast<int32_t>(text.size()), "tag progress");
    start = end + 1;
  }
  int32_t prev_line = 1;
  for (size_t p = 1; p <= text.size() + 1 && p < 256; ++p) {
    int32_t line, col;
    Check(zel::TextLineCoords(text, static_cast<int32_t>(p), line, col), "line coords");
    Check(line >= prev_line && col >= 1, "lines grow");
    prev_line = line;
  }
  for (int32_t i = 0; i < 5; ++i) zel::ExtractParam(text, i, u',', u'"', u"-");
  String name;
  zel::TQuotedStrState st = zel::vsStart;
  for (char16_t c : text)
    if (zel::ParseQuotedName(c, u'"', name, st)) break;
  return 0;
}
