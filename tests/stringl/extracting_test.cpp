#include "zel/stringl/extracting.h"

#include <gtest/gtest.h>

#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"
#include "zel/stringl/wordseps.h"

namespace zel {
namespace {

TEST(Triggers, AfterBeforeAndSplit) {
  EXPECT_EQ(ExtractAfterTrigger(u"key = value ", u"=", true), u"value");
  EXPECT_EQ(ExtractAfterTrigger(u"key = value ", u"=", false), u" value ");
  EXPECT_EQ(ExtractAfterTrigger(u"key", u"=", false), u"");
  EXPECT_EQ(ExtractAfterTrigger(u"key", u"", false), u"");
  EXPECT_EQ(ExtractBeforeTrigger(u"key = value", u"=", true), u"key");
  EXPECT_EQ(ExtractBeforeTrigger(u"a=b=c", u"=", false), u"a");
  EXPECT_EQ(ExtractBeforeTrigger(u"key", u"=", true), u"");
  String before = u"x", after = u"y";
  SplitString(u" a :: b ", u"::", true, before, after);
  EXPECT_EQ(before, u"a");
  EXPECT_EQ(after, u"b");
  SplitString(u"ab", u"::", true, before, after);
  EXPECT_EQ(before, u"");
  EXPECT_EQ(after, u"");
  SplitString(u"a:b", u":", false, before, after);
  EXPECT_EQ(before, u"a");
  EXPECT_EQ(after, u"b");
}

TEST(ExtractWordFromString, WordsAndSeparators) {
  int32_t a = -1, b = -1;
  EXPECT_EQ(ExtractWordFromString(u"foo bar", 5, a, b), u"bar");
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 7);
  EXPECT_EQ(ExtractWordFromString(u"foo bar", 4, a, b), u" ");
  EXPECT_EQ(a, 4);
  EXPECT_EQ(b, 4);
  EXPECT_EQ(ExtractWordFromString(u"foo bar", 1, a, b), u"foo");
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(ExtractWordFromString(u"foo bar", 0, a, b), u"");
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(ExtractWordFromString(u"foo bar", 8, a, b), u"");
  EXPECT_EQ(ExtractWordFromString(u"", 1), u"");
  EXPECT_EQ(ExtractWordFromString(u"(x\u4e00y)", 3), u"x\u4e00y");  // above 255: no separator
  EXPECT_EQ(ExtractWordFromString(u"a+b", 2), u"+");
}

TEST(ExtractSubString, Fields) {
  const char16_t* kWant[] = {u"a", u"b", u"", u"c", u""};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ExtractSubString(u"a;b;;c", i, u";"), kWant[i]);
  }
  EXPECT_EQ(ExtractSubString(u"a;b", -1, u";"), u"");
  EXPECT_EQ(ExtractSubString(u"", 0, u";"), u"");
  EXPECT_EQ(ExtractSubString(u";a", 0, u";"), u"");
  EXPECT_EQ(ExtractSubString(u";a", 1, u";"), u"a");
  EXPECT_EQ(ExtractSubString(u"a;", 1, u";"), u"");
  EXPECT_EQ(ExtractSubString(u"aXYbXYc", 1, u"XY"), u"b");
  EXPECT_EQ(ExtractSubString(u"aXYxyc", 1, u"XY"), u"");  // the field begins with "xy"
  EXPECT_EQ(ExtractSubString(u"a;b", 0, u""), u"a;b");
  EXPECT_EQ(ExtractSubString(u"a;b", 1, u""), u"");
}

TEST(Tokenize, Basic) {
  std::vector<String> t{u"old"};
  EXPECT_EQ(Tokenize(u"a,,b", u",", t), 3);
  EXPECT_EQ(t, (std::vector<String>{u"a", u"", u"b"}));
  EXPECT_EQ(Tokenize(u"", u",", t), 1);
  EXPECT_EQ(t, (std::vector<String>{u""}));
  EXPECT_EQ(Tokenize(u"a,b", u"", t), 1);
  EXPECT_EQ(t, (std::vector<String>{u"a,b"}));
  EXPECT_EQ(Tokenize(u",a,", u",", t), 3);
  EXPECT_EQ(t, (std::vector<String>{u"", u"a", u""}));
  EXPECT_EQ(Tokenize(u"a<>b<>c", u"<>", t), 3);
  EXPECT_EQ(t[2], u"c");
}

TEST(Tokenize, ThousandTokenLimit) {
  String text;
  for (int i = 0; i < 1005; ++i) text += IntToStr(i) + u",";
  std::vector<String> t;
  EXPECT_EQ(Tokenize(text, u",", t), 1000);
  ASSERT_EQ(t.size(), 1000u);
  EXPECT_EQ(t[998], u"998");
  EXPECT_EQ(t[999], u"999,1000,1001,1002,1003,1004,");
  // Exactly 1000 fields: no delimiter is left in the last one.
  String exact;
  for (int i = 0; i < 1000; ++i) exact += (i ? u"," : u"") + IntToStr(i);
  EXPECT_EQ(Tokenize(exact, u",", t), 1000);
  EXPECT_EQ(t[999], u"999");
  EXPECT_EQ(Tokenize(exact, u",", u'\\', t), 1000);
  EXPECT_EQ(t[999], u"999");
  EXPECT_EQ(Tokenize(text, u",", u'\\', t), 1000);
  EXPECT_EQ(t[999], u"999,1000,1001,1002,1003,1004,");
}

TEST(Tokenize, EscapedDelimiters) {
  std::vector<String> t;
  EXPECT_EQ(Tokenize(u"a\\,b,c", u",", u'\\', t), 2);
  EXPECT_EQ(t, (std::vector<String>{u"a,b", u"c"}));
  EXPECT_EQ(Tokenize(u"a\\\\b,c", u",", u'\\', t), 2);
  EXPECT_EQ(t, (std::vector<String>{u"a\\b", u"c"}));
  // A doubled escape before a delimiter still hides it (one token).
  EXPECT_EQ(Tokenize(u"a\\\\,b", u",", u'\\', t), 1);
  EXPECT_EQ(t, (std::vector<String>{u"a,b"}));
  EXPECT_EQ(Tokenize(u"x|;y;z", u";", u'|', t), 2);
  EXPECT_EQ(t, (std::vector<String>{u"x;y", u"z"}));
  EXPECT_EQ(Tokenize(u"a\\::b::c", u"::", u'\\', t), 2);
  EXPECT_EQ(t, (std::vector<String>{u"a::b", u"c"}));
  EXPECT_EQ(Tokenize(u"\\,", u",", u'\\', t), 1);
  EXPECT_EQ(t, (std::vector<String>{u","}));
  EXPECT_EQ(Tokenize(u"", u",", u'\\', t), 1);
  EXPECT_EQ(Tokenize(u"a\\b", u"", u'\\', t), 1);
  EXPECT_EQ(t, (std::vector<String>{u"a\\b"}));
}

TEST(Tokenize, EscapeSeenOnlyInTheUncutText) {
  // The delimiter ends with the escape character; the occurrence right behind
  // the first one has no preceding character of its own, so it splits.
  std::vector<String> t;
  EXPECT_EQ(Tokenize(u"a;\\;\\b", u";\\", u'\\', t), 3);
  EXPECT_EQ(t, (std::vector<String>{u"a", u"", u"b"}));
}

TEST(CountWords, UsesWordSeps) {
  EXPECT_EQ(CountWords(u"a bc def"), 2);
  EXPECT_EQ(CountWords(u""), 0);
  EXPECT_EQ(CountWords(u"x"), 0);
  EXPECT_EQ(CountWords(u"one,two;three(four)"), 4);
  EXPECT_EQ(CountWords(u"\u4e00\u4e8c"), 1);
  EXPECT_EQ(CountWords(u"tab\tseparated"), 1);  // a tab is not in WordSeps
  const TByteSet saved = WordSeps;
  WordSeps.set(u'\t');
  EXPECT_EQ(CountWords(u"tab\tseparated"), 2);
  WordSeps = saved;
}

}  // namespace
}  // namespace zel
