#include "zel/stringl/grep.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "zel/base/errors.h"
#include "zel/platform/cpu_features.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

TEST(TGrep, Matches) {
  struct C {
    const char16_t* pattern;
    const char16_t* text;
    bool ignore_case;
    int start_pos;
    bool found;
    int start, end;
  };
  const String long_literal(300, u'q');
  const String long_text = u"x" + long_literal;
  const C cases[] = {
      {u"abc", u"xxabcxx", false, 1, true, 3, 5},
      {u"^abc", u"xabc", false, 1, false, 0, 0},
      {u"^abc", u"abcx", false, 1, true, 1, 3},
      {u"abc$", u"xabc", false, 1, true, 2, 4},
      {u"abc$", u"abcx", false, 1, false, 0, 0},
      {u"[0-9]+", u"ab123cd", false, 1, true, 3, 5},
      {u"x[0-9]*", u"x123", false, 1, true, 1, 4},
      {u"x[0-9]*", u"xy", false, 1, true, 1, 1},
      {u"(ab)+", u"xababy", false, 1, true, 2, 5},
      {u"(ab)?c", u"abc", false, 1, true, 1, 3},
      {u"(ab)?c", u"xc", false, 1, true, 2, 2},
      {u"a.c", u"xAbC", true, 1, true, 2, 4},
      {u"a.c", u"xAbC", false, 1, false, 0, 0},
      {u"ab", u"abab", false, 3, true, 3, 4},
      {u"ab", u"abab", false, 4, false, 0, 0},
      {u"ab", u"abab", false, 0, true, 1, 2},  // below 1 searches from 1
      {u"a.*b", u"axbxb", false, 1, true, 1, 3},
      {u"ax*", u"axxxy", false, 1, true, 1, 4},
      {u"a+b", u"caaab", false, 1, true, 2, 5},
      {u"a?b", u"cab", false, 1, true, 2, 3},
      {u"a.?", u"xa", false, 1, true, 2, 2},
      {u".", u"", false, 1, false, 0, 0},
      {u"x$", u"x", false, 1, true, 1, 1},
      {u"^", u"", false, 1, true, 1, 1},
      {u"(", u"", false, 1, true, 1, 0},  // an open group without characters: empty match
      // A closed empty group is a literal of no characters.
      {u"a()b", u"xab", false, 1, true, 2, 3},
      {u"a()b", u"a b", false, 1, false, 0, 0},
      {u"()", u"xy", false, 2, true, 2, 1},
      {u"a()", u"ab", false, 1, true, 1, 1},
      // One "x*" token matches every text whole.
      {u"a*", u"bbb", false, 1, true, 1, 3},
      {u"a*", u"", false, 5, true, 1, 0},
      {u"a*", u"bbb", false, 4, false, 0, 0},
      // A set matches only where there is a character: nothing past the end.
      {u"a[^b]", u"a", false, 1, false, 0, 0},
      {u"[^b]", u"", false, 1, false, 0, 0},
      {u"[^]", u"\n", false, 1, true, 1, 1},
      // Characters above 255 belong to negated sets only.
      {u"[^a]", u"a\u20ac", false, 1, true, 2, 2},
      {u"[a-z]", u"\u20ac", false, 1, false, 0, 0},
      {u"\u20ac+", u"x\u20ac\u20ac", false, 1, true, 2, 3},
      // Hex escapes: the character read as a pattern character, folded afterwards.
      {u"ba\\#2A", u"cbaa", false, 1, true, 2, 4},
      {u"\\#41", u"xa", true, 1, true, 2, 2},
      {u"\\#41", u"xA", true, 1, true, 2, 2},
      {u"\\#41", u"xa", false, 1, false, 0, 0},
      {u"\\#4g", u"\x04", false, 1, true, 1, 1},
      {u"\\\\#41", u"\\#41", false, 1, true, 1, 4},
      // An escape that yields a backslash in front of "#" forms a new escape;
      // one that yields a backslash in front of a further escape protects it.
      {u"\\#5C#41", u"x#41A", false, 1, true, 5, 5},
      {u"\\#5c#5C#41", u"A", false, 1, true, 1, 1},
      {u"x\\#5C\\#41", u"Ax\\#41", false, 1, true, 2, 6},
      {u"\\#5C#7", u"a\x07", false, 1, true, 2, 2},
      {u"\\.", u"a.", false, 1, true, 2, 2},
      {long_literal.c_str(), long_text.c_str(), false, 1, true, 2, 301},
  };
  TGrep g(nullptr);
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(String(c.pattern) + u" in " + c.text));
    g.SetIgnoreCase(c.ignore_case);
    g.SetRegExp(c.pattern);
    g.SetSearchStartPos(c.start_pos);
    int32_t pos = -1;
    ASSERT_EQ(g.MatchString(c.text, pos), c.found);
    if (!c.found) continue;
    EXPECT_EQ(pos, c.start);
    EXPECT_EQ(g.MatchStartPos(), c.start);
    EXPECT_EQ(g.MatchEndPos(), c.end);
  }
}

TEST(TGrep, ErrorCodes) {
  struct C {
    const char16_t* pattern;
    int32_t error;
    int32_t tokens;
  };
  const String many_dots(65, u'.');
  const String long_group = u"(" + String(256, u'g') + u")";
  const C cases[] = {
      {u"*a", 1, 0},
      {u"$", 1, 0},
      {u"a^", 2, 1},
      {u"c$x", 3, 2},
      {u"[]", 4, 1},
      {u"[a^b]", 5, 1},
      {u"a]", 6, 1},
      {u"[-a]", 7, 1},
      {u"[a]-", 7, 1},
      {u"[^-a]", 7, 1},
      {u"a)", 8, 1},
      {u"a**", 9, 1},
      {u"^*", 9, 1},
      {u"[a]+?", 9, 1},
      {u"(a)*+", 9, 1},
      {u"()", 0, 1},
      {u"a()b", 0, 3},
      {u"a()()$", 0, 4},
      {u"x()*", 10, 2},
      {u"()+", 10, 1},
      {u"x()?b", 10, 2},
      {many_dots.c_str(), 11, 64},
      {u"ab\\", 12, 1},
      {u"[\u20ac]", 13, 1},
      {u"[a-\u20ac]", 13, 1},
      {long_group.c_str(), 14, 1},
      {u"", 0, 0},
      {u"a[bc", 0, 2},
      {u"(ab", 0, 1},
      {u"a(-)-", 0, 3},
  };
  TGrep g(nullptr);
  g.SetStopOnError(false);
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.pattern));
    g.SetRegExp(c.pattern);
    EXPECT_EQ(g.LastError(), c.error);
    EXPECT_EQ(g.NrOfRegExpTokens(), c.tokens);
    EXPECT_FALSE(TGrep::ErrorText(c.error).empty());
  }
}

TEST(TGrep, ErrorMessageNamesTheComponent) {
  TGrep g(nullptr);
  g.SetName(u"Grep1");
  try {
    g.SetRegExp(u"*a");
    FAIL() << "no exception";
  } catch (const EZELStringlError& e) {
    EXPECT_EQ(e.Message(),
              u"Component \"Grep1\": error in regular expression - reg.exp. must not start "
              u"with $, *, ?, or +");
  }
  EXPECT_EQ(g.RegExp(), u"*a");
  EXPECT_EQ(g.LastError(), 1);
  // Writing IgnoreCase recompiles the faulty pattern without raising.
  EXPECT_NO_THROW(g.SetIgnoreCase(true));
  EXPECT_EQ(g.LastError(), 1);
  // A faulty pattern matches with the tokens before the error.
  g.SetStopOnError(false);
  g.SetRegExp(u"ab$x");
  int32_t pos = 0;
  EXPECT_TRUE(g.MatchString(u"xab", pos));
  EXPECT_EQ(pos, 2);
  // No tokens: no match.
  g.SetRegExp(u"");
  EXPECT_FALSE(g.MatchString(u"abc", pos));
}

TEST(TGrep, Tokens) {
  TGrep g(nullptr);
  g.SetRegExp(u"[z-a]");
  const TGrepToken za = g.GetRegExpToken(1);
  g.SetRegExp(u"[a-z]");
  const TGrepToken az = g.GetRegExpToken(1);
  EXPECT_EQ(za.Params, az.Params);
  EXPECT_EQ(az.Action, taSet);
  EXPECT_EQ(az.NumChars, -1);

  g.SetStopOnError(false);
  g.SetRegExp(u"abc*.+[x]?(de)*");
  ASSERT_EQ(g.NrOfRegExpTokens(), 5);
  const struct {
    TGrepTokenAct action;
    int32_t num_chars;
  } want[] = {{taNormal, 2}, {taMult0, 1}, {taMult1, 0}, {taOpti, -1}, {taMult0, 2}};
  for (int k = 1; k <= 5; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(g.GetRegExpToken(k).Action, want[k - 1].action);
    EXPECT_EQ(g.GetRegExpToken(k).NumChars, want[k - 1].num_chars);
  }
  EXPECT_EQ(g.GetRegExpToken(0).Action, taNormal);
  EXPECT_EQ(g.GetRegExpToken(100).Action, taMult0);
  EXPECT_EQ(g.RegExpToken(-3).NumChars, 2);
  // ValidFrom tells where each token matched.
  int32_t pos = 0;
  ASSERT_TRUE(g.MatchString(u"__abccccQx", pos));
  EXPECT_EQ(g.GetRegExpToken(1).ValidFrom, 3);
  EXPECT_EQ(g.GetRegExpToken(2).ValidFrom, 5);
  EXPECT_EQ(g.GetRegExpToken(3).ValidFrom, 5);
}

TEST(TGrep, PrintRegExp) {
  zel_test::TempDir dir;
  TGrep g(nullptr);
  g.SetStopOnError(false);
  g.SetRegExp(u"^ab.[0-2]x*[ab]+.?(cd)?$");
  const String name = dir.File("tokens.txt");
  g.PrintRegExp(name);
  EXPECT_EQ(zel_test::TempDir::Read(name),
            "    taBol: \r\n"
            " taNormal: ab\r\n"
            "taAnyByte: \r\n"
            "    taSet: 012\r\n"
            "  taMult0: (string) x\r\n"
            "  taMult1: (set) ab\r\n"
            "   taOpti: (anychar) \r\n"
            "   taOpti: (string) cd\r\n"
            "    taEol: \r\n"
            "no errors\r\n");
  g.SetRegExp(u"a**");
  g.PrintRegExp(name);
  EXPECT_EQ(zel_test::TempDir::Read(name),
            "  taMult0: (string) a\r\n*, ?, + have to be applied to groups or sets only\r\n");
  EXPECT_THROW(g.PrintRegExp(dir.File("missing/tokens.txt")), EInOutError);
}

TEST(TGrep, BacktrackingStaysPolynomial) {
  // Shortest-first repetitions that can never succeed: without the memory of
  // failed positions this takes exponential time.
  TGrep g(nullptr);
  g.SetRegExp(u"a*a*a*a*a*a*a*a*a*a*a*a*b");
  const String text(1000, u'a');
  int32_t pos = 0;
  EXPECT_FALSE(g.MatchString(text, pos));
  EXPECT_TRUE(g.MatchString(text + u"b", pos));
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(g.MatchEndPos(), 1001);
}

TEST(TGrep, NoTokenIsExaminedTwiceAtOnePosition) {
  // Lines of one letter on which repetitions find long runs and the rest of
  // the pattern fails at every place: each (token, position) pair is
  // evaluated at most once and each run position visited at most once per
  // token, so the work stays within 2 x tokens x (length + 2).
  struct C {
    const char16_t* pattern;
    const char16_t* tail;
    bool found;
  };
  const C cases[] = {
      {u"a*b", u"", false},           {u"a*a*a*b", u"", false},
      {u"a*a*a*b", u"b", true},       {u"a+a+a+b", u"", false},
      {u"a+a+a+b", u"b", true},       {u"(aa)*b", u"", false},
      {u"(aa)*b", u"b", true},        {u"(aa)+a?(aa)*c", u"", false},
      {u".*.*.*b", u"", false},       {u"[a-z]*[^x]*x", u"", false},
      {u"a?a?a?a?a?a?b", u"", false}, {u"a.*a.*a.*b", u"", false},
      {u"a.*a.*a.*b", u"b", true},    {u"a*a*a*a*a*a*a*a*a*a*a*a*b", u"", false},
  };
  const int32_t n = 100000;
  TGrep g(nullptr);
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.pattern));
    g.SetRegExp(c.pattern);
    const String text = String(static_cast<size_t>(n), u'a') + c.tail;
    int32_t pos = 0;
    ASSERT_EQ(g.MatchString(text, pos), c.found);
    if (c.found) {
      EXPECT_EQ(pos, 1);
      EXPECT_EQ(g.MatchEndPos(), static_cast<int32_t>(text.size()));
    }
    EXPECT_LE(internal::GrepExamined(g), int64_t{2} * g.NrOfRegExpTokens() * (n + 3));
  }
}

TEST(TGrep, PatternsEndingInDollarStartNearTheEnd) {
  // A match of a pattern that ends with "$" reaches the end of the text: the
  // search works out from the end where one can start, and finds the same
  // match as trying every start from the left.
  struct C {
    const char16_t* pattern;
    const char16_t* tail;  // behind 100 000 characters of "ab"
    bool found;
    int32_t start_in_tail;  // 1 = the first character of the tail
    int64_t most_examined;
  };
  const C cases[] = {
      {u"[a-z] [0-9]+$", u"needle 123", true, 6, 40},
      {u"needle [0-9]+$", u"needle 123", true, 1, 40},
      {u"e?(dl)+e [0-9]*$", u"needle 123", true, 3, 40},
      {u"b.$", u"needle 123", false, 0, 0},
      {u"[0-9]$", u"needle 123x", false, 0, 0},
      {u"ab.*3$", u"needle 123", true, -99999, 400000},  // from the first "ab"
      {u"[a-z]+ [0-9]+$", u"needle 123", true, -99999, 400000},
  };
  TGrep g(nullptr);
  String ab;
  for (int i = 0; i < 50000; ++i) ab += u"ab";
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.pattern));
    g.SetRegExp(c.pattern);
    const String text = ab + c.tail;
    int32_t pos = 0;
    ASSERT_EQ(g.MatchString(text, pos), c.found);
    EXPECT_LE(internal::GrepExamined(g), c.most_examined);
    if (!c.found) continue;
    EXPECT_EQ(pos, static_cast<int32_t>(ab.size()) + c.start_in_tail);
    EXPECT_EQ(g.MatchEndPos(), static_cast<int32_t>(text.size()));
  }
}

TEST(TGrep, StartScansFindEveryPlaceAtEveryCpuLevel) {
  // The scans that skip to where token 1 can match compare 8 or 16
  // characters at a time: the first place must be found wherever it stands
  // relative to the blocks, on the plain and on the AVX2 path alike.
  struct C {
    const char16_t* pattern;
    Char filler;            // the text around the place
    const char16_t* place;  // what stands at the place
    int32_t length;         // characters matched there
  };
  const C cases[] = {
      {u"needle", u'e', u"needle", 6},
      {u"nee dle", u'n', u"nee dle", 7},  // filtered on its two rarest characters
      {u"q", u'r', u"q", 1},
      {u"zy", u'z', u"zy", 2},
      {u"[0-9]+", u'x', u"42", 2},
      {u"[0-9a-fA-F_]x", u'y', u"Fx", 2},  // four ranges
      {u"[acegikmoq]", u'b', u"q", 1},     // more ranges than the vectors take
      {u"[^a-z]", u'k', u"\u20ac", 1},     // negated: every unit above 255
      {u"[^ -~]+", u'!', u"\u00e9\u4e2d", 2},
      {u"[a-z]", u'\u20ac', u"m", 1},
  };
  TGrep g(nullptr);
  for (const internal::CpuLevel level :
       {internal::CpuLevel::kPortable, internal::CpuLevel::kAVX512}) {
    internal::CapCpuLevel(level);
    for (const C& c : cases) {
      g.SetRegExp(c.pattern);
      for (int32_t at = 1; at <= 70; ++at) {
        for (const int32_t after : {0, 1, 17}) {
          SCOPED_TRACE(StringToUtf8(c.pattern) + " at " + std::to_string(at) + ", " +
                       std::to_string(after) + " after, level " +
                       std::to_string(static_cast<int>(level)));
          const String text = String(static_cast<size_t>(at - 1), c.filler) + c.place +
                              String(static_cast<size_t>(after), c.filler);
          int32_t pos = 0;
          ASSERT_TRUE(g.MatchString(text, pos));
          EXPECT_EQ(pos, at);
          EXPECT_EQ(g.MatchEndPos(), at + c.length - 1);
          EXPECT_FALSE(g.MatchString(String(static_cast<size_t>(at + after), c.filler), pos));
        }
      }
    }
  }
  internal::ResetCpuFeatureSwitches();
}

TEST(TGrep, LongLiteralOverRepetitiveText) {
  // Every place passes the quick first-and-last-character test, almost none
  // holds the literal: the search must stay linear and still find it.
  TGrep g(nullptr);
  const String lit = String(200, u'a') + u"b" + String(54, u'a');
  g.SetRegExp(lit);
  String text(200000, u'a');
  text.insert(150000, u"b");
  int32_t pos = 0;
  ASSERT_TRUE(g.MatchString(text, pos));
  EXPECT_EQ(pos, 150001 - 200);
  EXPECT_EQ(g.MatchEndPos(), pos + 254);
  text[150000] = u'c';
  EXPECT_FALSE(g.MatchString(text, pos));
}

}  // namespace
}  // namespace zel
