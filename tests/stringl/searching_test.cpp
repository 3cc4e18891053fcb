#include "zel/stringl/searching.h"

#include <gtest/gtest.h>

#include "zel/runtime/utf8.h"
#include "zel/stringl/extracting.h"

namespace zel {
namespace {

// The case a naive search takes O(text x pattern) for: a text of "a" and a
// pattern "a...ab" (there 10^6 x 5*10^4 steps, minutes). Every search
// function takes it in linear time with the results of a plain search.
TEST(SubstringSearchFunctions, PeriodicTextAndPatternInLinearTime) {
  const String text(1000000, u'a');
  String pattern(50000, u'a');
  String hit = pattern;
  pattern.back() = u'b';
  EXPECT_EQ(CountStringInString(pattern, text, true), 0);
  EXPECT_EQ(CountStringInString(pattern, text, false), 0);
  EXPECT_EQ(NumberedPos(pattern, text, 1, 1, false), 0);
  EXPECT_EQ(NumberedPosBw(pattern, text, 1000000, 1, true), 0);
  EXPECT_EQ(PosLast(pattern, text), 0);
  EXPECT_TRUE(ReplaceStringInString(text, pattern, u"x", false) == text);
  std::vector<String> tokens;
  EXPECT_EQ(Tokenize(text, pattern, tokens), 1);
  EXPECT_EQ(Tokenize(text, pattern, u'\\', tokens), 1);
  EXPECT_EQ(ExtractAfterTrigger(text, pattern, false), u"");
  // Periodic patterns that do occur, overlapping and not.
  EXPECT_EQ(CountStringInString(hit, text, true), 20);
  EXPECT_EQ(NumberedPos(hit, text, 2, 3, false), 100002);
  EXPECT_EQ(NumberedPosBw(hit, text, 1000000, 2, false), 900001);
  EXPECT_EQ(PosLast(hit, text), 950001);
  EXPECT_TRUE(ReplaceStringInString(text, hit, u"", false).empty());
  EXPECT_EQ(Tokenize(text, hit, tokens), 21);
  EXPECT_EQ(Tokenize(text + u"\\" + hit, hit, u'\\', tokens), 21);
  EXPECT_TRUE(tokens.back() == hit);  // the escape is taken out
}

TEST(NumberedPos, Examples) {
  struct C {
    const char16_t *sub, *text;
    int start, n;
    bool ic;
    int want;
  };
  const C cases[] = {
      {u"a", u"banana", 1, 3, false, 6},
      {u"a", u"banana", 3, 1, false, 4},
      {u"a", u"banana", 1, 0, false, 0},
      {u"a", u"banana", 1, 4, false, 0},
      {u"ANA", u"banana", 1, 1, true, 2},
      {u"ANA", u"banana", 1, 2, true, 0},
      {u"ANA", u"banana", 1, 1, false, 0},
      {u"a", u"banana", -5, 1, false, 2},
      {u"a", u"banana", 7, 1, false, 0},
      {u"a", u"banana", 1000, 1, false, 0},
      {u"", u"banana", 1, 1, false, 0},
      {u"a", u"", 1, 1, false, 0},
      {u"\u00c4", u"\u00e4\u00c4", 1, 1, true, 2},  // only ASCII letters fold
      {u"\u4e00", u"x\u4e00\u4e00", 1, 2, false, 3},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(String(c.sub) + u" in " + c.text));
    EXPECT_EQ(NumberedPos(c.sub, c.text, c.start, c.n, c.ic), c.want);
  }
}

TEST(NumberedPosBw, Examples) {
  EXPECT_EQ(NumberedPosBw(u"a", u"banana", 6, 1, false), 6);
  EXPECT_EQ(NumberedPosBw(u"a", u"banana", 6, 2, false), 4);
  EXPECT_EQ(NumberedPosBw(u"a", u"banana", 5, 1, false), 4);
  EXPECT_EQ(NumberedPosBw(u"a", u"banana", 100, 3, false), 2);
  EXPECT_EQ(NumberedPosBw(u"a", u"banana", 100, 4, false), 0);
  EXPECT_EQ(NumberedPosBw(u"a", u"banana", 0, 1, false), 0);
  EXPECT_EQ(NumberedPosBw(u"b", u"banana", -3, 1, false), 1);
  EXPECT_EQ(NumberedPosBw(u"ANA", u"banana", 6, 1, true), 4);
  EXPECT_EQ(NumberedPosBw(u"ana", u"banana", 6, 2, false), 0);  // no overlap
  EXPECT_EQ(NumberedPosBw(u"ana", u"banana", 5, 1, false), 2);  // must end within 1..5
  EXPECT_EQ(NumberedPosBw(u"a", u"banana", 6, 0, false), 0);
  EXPECT_EQ(NumberedPosBw(u"", u"banana", 6, 1, false), 0);
  EXPECT_EQ(NumberedPosBw(u"a", u"", 6, 1, false), 0);
}

TEST(Searching, PosLastStringIxAndCounts) {
  EXPECT_EQ(PosLast(u"ab", u"xabyab"), 5);
  EXPECT_EQ(PosLast(u"aa", u"aaa"), 1);
  EXPECT_EQ(PosLast(u"q", u"aaa"), 0);
  EXPECT_EQ(PosLast(u"", u"aaa"), 0);
  EXPECT_EQ(StringIx(u"b", {u"a", u"b", u"b"}), 2);
  EXPECT_EQ(StringIx(u"B", {u"a", u"b"}), 0);
  EXPECT_EQ(StringIx(u"B", false, {u"a", u"b"}), 2);
  EXPECT_EQ(StringIx(u"B", true, {u"a", u"b"}), 0);
  EXPECT_EQ(StringIx(u"", {}), 0);
  EXPECT_EQ(StringIx(u"", {u"x", u""}), 2);
  EXPECT_EQ(CountStringInString(u"aa", u"aaaa", true), 2);
  EXPECT_EQ(CountStringInString(u"aa", u"aaa", true), 1);
  EXPECT_EQ(CountStringInString(u"AA", u"aAaa", false), 2);
  EXPECT_EQ(CountStringInString(u"AA", u"aAaa", true), 0);
  EXPECT_EQ(CountStringInString(u"", u"aaa", true), 0);
  EXPECT_EQ(CountCharInString(u'a', u"aAbA", true), 1);
  EXPECT_EQ(CountCharInString(u'a', u"aAbA", false), 3);
  EXPECT_EQ(CountCharInString(u'\u00e4', u"\u00e4\u00c4", false), 1);
}

TEST(ReplaceStringInString, NeverRescansInsertedText) {
  EXPECT_EQ(ReplaceStringInString(u"aaa", u"a", u"aa", false), u"aaaaaa");
  EXPECT_EQ(ReplaceStringInString(u"ABC", u"b", u"x", true), u"AxC");
  EXPECT_EQ(ReplaceStringInString(u"ABC", u"b", u"x", false), u"ABC");
  EXPECT_EQ(ReplaceStringInString(u"abab", u"ab", u"b", false), u"bb");
  EXPECT_EQ(ReplaceStringInString(u"aXa", u"a", u"", false), u"X");
  EXPECT_EQ(ReplaceStringInString(u"abc", u"", u"x", false), u"abc");
  EXPECT_EQ(ReplaceStringInString(u"", u"a", u"x", false), u"");
  EXPECT_EQ(ReplaceStringInString(u"xx", u"x", u"xx", false), u"xxxx");
  EXPECT_EQ(ReplaceStringInString(u"aAaA", u"AA", u"b", true), u"bb");
  EXPECT_EQ(ReplaceStringInString(u"\u4e00.\u4e00", u"\u4e00", u"\u4e8c", false), u"\u4e8c.\u4e8c");
}

TEST(CharSets, AbbreviationsAndHighCodes) {
  EXPECT_FALSE(StringContainsOtherThan(u"12.5-3", u"//dig.-"));
  EXPECT_TRUE(StringContainsOtherThan(u"12.5e3", u"//dig.-"));
  EXPECT_TRUE(StringContains(u"abc", u"//uc//lc"));
  EXPECT_TRUE(StringContains(u"ABC", u"//uc"));
  EXPECT_FALSE(StringContains(u"ABC", u"//lc"));
  EXPECT_TRUE(StringContains(u"a\tb", u"//31dwn"));
  EXPECT_TRUE(StringContains(u"\u00e9", u"//128up"));
  EXPECT_FALSE(StringContains(u"\u0100", u"//128up"));
  // Set characters above 255 have no effect; text characters above 255 are
  // never in the set.
  EXPECT_FALSE(StringContains(u"\u4e00", u"\u4e00"));
  EXPECT_TRUE(StringContainsOtherThan(u"a\u4e00", u"a\u4e00"));
  EXPECT_FALSE(StringContains(u"", u"//dig"));
  EXPECT_FALSE(StringContainsOtherThan(u"", u"//dig"));
  EXPECT_FALSE(StringContains(u"/", u"//dig"));  // the abbreviation is not "/"
  EXPECT_TRUE(StringContains(u"/", u"///dig"));  // a lone "/" before it is
  EXPECT_TRUE(StringContains(u"i", u"//di"));    // no abbreviation: literal characters
  EXPECT_FALSE(StringContainsOtherThan(u"0/", u"//d//digig"));
}

TEST(Searching, FirstNonBlankDigitAbbreviation) {
  EXPECT_EQ(FindFirstNonBlank(u"  x"), 3);
  EXPECT_EQ(FindFirstNonBlank(u"\tx"), 1);
  EXPECT_EQ(FindFirstNonBlank(u"   "), 0);
  EXPECT_EQ(FindFirstNonBlank(u""), 0);
  EXPECT_EQ(FindFirstDigit(u"ab3c4"), 3);
  EXPECT_EQ(FindFirstDigit(u"abc"), 0);
  for (const char16_t* s : {u"USA", u"ABc", u"XYZ-3", u"a ABC b"}) {
    SCOPED_TRACE(StringToUtf8(s));
    EXPECT_TRUE(IsAbbreviation(s));
  }
  for (const char16_t* s : {u"Ab", u"ABcd", u"A", u"", u"A B C", u"\u00c4\u00d6\u00dc"}) {
    SCOPED_TRACE(StringToUtf8(s));
    EXPECT_FALSE(IsAbbreviation(s));
  }
}

}  // namespace
}  // namespace zel
