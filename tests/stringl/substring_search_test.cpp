// The shared substring search against std::basic_string_view's find and rfind.
#include "zel/stringl/internal/substring_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using zel::internal::SubstringSearcher;

template <class CharT>
void ExpectSameAsStd(const std::basic_string<CharT>& pattern,
                     const std::basic_string<CharT>& text) {
  const std::basic_string_view<CharT> p(pattern), t(text);
  const SubstringSearcher<CharT> fwd(p);
  const SubstringSearcher<CharT, true> bwd(p);
  for (size_t from = 0; from <= t.size() + 1; ++from)
    ASSERT_EQ(fwd.Find(t, from), t.find(p, from)) << "from " << from;
  std::vector<size_t> all, want_all;
  fwd.ForEachMatch(t, [&](size_t f) {
    all.push_back(f);
    return true;
  });
  for (size_t f = t.find(p); !p.empty() && f != t.npos; f = t.find(p, f + 1)) want_all.push_back(f);
  ASSERT_EQ(all, want_all);
  for (size_t end = 0; end <= t.size() + 1; ++end) {
    const size_t want = end < p.size() ? std::basic_string_view<CharT>::npos
                                       : t.rfind(p, std::min(end, t.size()) - p.size());
    ASSERT_EQ(bwd.FindLast(t, end), want) << "end " << end;
  }
}

// Every pattern over a two-letter alphabet up to length 7, in texts built from
// the same letters (periodic and aperiodic patterns, overlapping matches).
TEST(SubstringSearch, EverySmallPatternMatchesStd) {
  std::mt19937 rng(5);
  for (size_t len = 1; len <= 7; ++len) {
    for (unsigned bits = 0; bits < (1u << len); ++bits) {
      std::u16string pattern;
      for (size_t i = 0; i < len; ++i) pattern.push_back((bits >> i) & 1 ? u'b' : u'a');
      SCOPED_TRACE(std::string(pattern.begin(), pattern.end()));
      for (int round = 0; round < 4; ++round) {
        std::u16string text;
        const size_t n = std::uniform_int_distribution<size_t>(0, 40)(rng);
        for (size_t i = 0; i < n; ++i) text.push_back(rng() % 4 == 0 ? u'b' : u'a');
        if (round == 1) text += pattern + pattern.substr(1) + pattern;
        ExpectSameAsStd(pattern, text);
      }
    }
  }
}

// Characters that share their low byte (the skip table's index) must still be
// told apart; bytes and longer random patterns behave alike.
TEST(SubstringSearch, RandomTextsAndCharacterKinds) {
  std::mt19937 rng(9);
  const char16_t wide[] = {u'a', u'b', u'\u0161', u'\u0162', u'c'};  // 0x61 0x62 share bytes
  for (int round = 0; round < 3000; ++round) {
    SCOPED_TRACE(round);
    const size_t m = std::uniform_int_distribution<size_t>(1, 12)(rng);
    const size_t n = std::uniform_int_distribution<size_t>(0, 60)(rng);
    const size_t k = round % 2 == 0 ? 2 : 5;
    std::u16string p, t;
    for (size_t i = 0; i < m; ++i) p.push_back(wide[rng() % k]);
    for (size_t i = 0; i < n; ++i) t.push_back(wide[rng() % k]);
    if (round % 3 == 0 && n > m) t.replace(rng() % (n - m), m, p);
    ExpectSameAsStd(p, t);
    std::string pb(p.begin(), p.end()), tb(t.begin(), t.end());  // low bytes
    ExpectSameAsStd(pb, tb);
  }
}

TEST(SubstringSearch, EdgeCases) {
  const std::u16string text = u"abcabc";
  EXPECT_EQ(SubstringSearcher<char16_t>(u"").Find(text, 2), 2u);
  EXPECT_EQ(SubstringSearcher<char16_t>(u"abc").Find(text, 7), std::u16string::npos);
  EXPECT_EQ(SubstringSearcher<char16_t>(u"abcabcx").Find(text), std::u16string::npos);
  EXPECT_EQ((SubstringSearcher<char16_t, true>(u"abc").FindLast(text)), 3u);
  EXPECT_EQ((SubstringSearcher<char16_t, true>(u"abc").FindLast(text, 5)), 0u);
  // The hard case of a naive search: "a" x n searched for "a...ab".
  const std::u16string hay(20000, u'a');
  std::u16string needle(2000, u'a');
  needle.back() = u'b';
  EXPECT_EQ(SubstringSearcher<char16_t>(needle).Find(hay), std::u16string::npos);
  EXPECT_EQ((SubstringSearcher<char16_t, true>(needle).FindLast(hay)), std::u16string::npos);
  EXPECT_EQ(SubstringSearcher<char16_t>(needle).Find(hay + needle), hay.size());
}

}  // namespace
