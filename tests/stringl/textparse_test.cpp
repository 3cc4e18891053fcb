#include "zel/stringl/textparse.h"

#include <gtest/gtest.h>

#include "zel/runtime/utf8.h"
#include "zel/stringl/tagdetect.h"

namespace zel {
namespace {

String ParseAll(const String& input, Char quote, TQuotedStrState& state) {
  String name;
  state = vsStart;
  for (Char c : input)
    if (ParseQuotedName(c, quote, name, state)) break;
  return name;
}

TEST(ParseQuotedName, QuotedAndPlainNames) {
  TQuotedStrState st;
  EXPECT_EQ(ParseAll(u"  \"a b\" x", u'"', st), u"a b");
  EXPECT_EQ(st, vsEnd);
  EXPECT_EQ(ParseAll(u"abc def", u'"', st), u"abc");
  EXPECT_EQ(st, vsEnd);
  EXPECT_EQ(ParseAll(u"\"\"", u'"', st), u"");
  EXPECT_EQ(st, vsEnd);
  EXPECT_EQ(ParseAll(u"abc", u'"', st), u"abc");  // input ended: still reading
  EXPECT_EQ(st, vsNormal);
  EXPECT_EQ(ParseAll(u"'x", u'\'', st), u"x");
  EXPECT_EQ(st, vsQuote);
  String name;
  st = vsStart;
  EXPECT_FALSE(ParseQuotedName(u'\'', u'\'', name, st));
  EXPECT_EQ(st, vs1stQuote);
  st = vsEnd;
  EXPECT_TRUE(ParseQuotedName(u'z', u'\'', name, st));
  EXPECT_EQ(name, u"");
}

TEST(ExtractParam, QuotedLists) {
  EXPECT_EQ(ExtractParam(u"a, \"b,c\" ,d", 2, u',', u'"', u"-"), u"b,c");
  EXPECT_EQ(ExtractParam(u"a, \"b,c\" ,d", 1, u',', u'"', u"-"), u"a");
  EXPECT_EQ(ExtractParam(u"a, \"b,c\" ,d", 3, u',', u'"', u"-"), u"d");
  EXPECT_EQ(ExtractParam(u"a, \"b,c\" ,d", 4, u',', u'"', u"-"), u"-");
  EXPECT_EQ(ExtractParam(u"a,,c", 2, u',', u'"', u"-"), u"");
  EXPECT_EQ(ExtractParam(u"a", 0, u',', u'"', u"-"), u"-");
  EXPECT_EQ(ExtractParam(u"", 1, u',', u'"', u"-"), u"");
  EXPECT_EQ(ExtractParam(u"'it''s';x", 1, u';', u'\'', u""), u"it's");
  EXPECT_EQ(ExtractParam(u"\"unclosed,x", 1, u',', u'"', u"-"), u"\"unclosed,x");
}

TEST(TextLineCoords, AllLineEnds) {
  const String text = u"ab\r\ncd\ref\ngh";
  struct C {
    int pos, line, col;
  };
  const C cases[] = {{1, 1, 1}, {2, 1, 2},  {3, 1, 3},  {4, 1, 4},  {5, 2, 1}, {7, 2, 3},
                     {8, 3, 1}, {10, 3, 3}, {11, 4, 1}, {12, 4, 2}, {13, 4, 3}};
  for (const C& c : cases) {
    SCOPED_TRACE(c.pos);
    int32_t line = -1, col = -1;
    EXPECT_TRUE(TextLineCoords(text, c.pos, line, col));
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(col, c.col);
  }
  int32_t line = -1, col = -1;
  EXPECT_FALSE(TextLineCoords(text, 14, line, col));
  EXPECT_EQ(line, 0);
  EXPECT_FALSE(TextLineCoords(text, 0, line, col));
  EXPECT_TRUE(TextLineCoords(u"", 1, line, col));
  EXPECT_EQ(line, 1);
  EXPECT_EQ(col, 1);
}

TEST(DetectNextTagInString, FindsListedTags) {
  const String text = u"<!-- <item> --><root><Item id=\"7\"/><other>x</other></item></ROOT>";
  const std::vector<String> tags{u"item", u"root"};
  int32_t start = 1, end = 0;
  String attrs;
  bool closing = true;
  EXPECT_EQ(DetectNextTagInString(text, start, end, tags, attrs, closing), 1);
  EXPECT_EQ(text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(end - start + 1)),
            u"<root>");
  EXPECT_FALSE(closing);
  start = end + 1;
  EXPECT_EQ(DetectNextTagInString(text, start, end, tags, attrs, closing), 0);
  EXPECT_EQ(attrs, u"id=\"7\"");
  EXPECT_FALSE(closing);
  start = end + 1;
  EXPECT_EQ(DetectNextTagInString(text, start, end, tags, attrs, closing), 0);
  EXPECT_TRUE(closing);
  EXPECT_EQ(attrs, u"");
  start = end + 1;
  EXPECT_EQ(DetectNextTagInString(text, start, end, tags, attrs, closing), 1);
  EXPECT_TRUE(closing);
  EXPECT_EQ(end, static_cast<int32_t>(text.size()));
  start = end + 1;
  EXPECT_EQ(DetectNextTagInString(text, start, end, tags, attrs, closing), -1);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
}

TEST(DetectNextTagInString, BadInput) {
  int32_t start = -5, end = 9;
  String attrs = u"x";
  bool closing = true;
  EXPECT_EQ(DetectNextTagInString(u"<a", start, end, {u"a"}, attrs, closing), -1);
  start = 1;
  EXPECT_EQ(DetectNextTagInString(u"<a>", start, end, {}, attrs, closing), -1);
  start = 1000;
  EXPECT_EQ(DetectNextTagInString(u"<a>", start, end, {u"a"}, attrs, closing), -1);
  start = 1;
  EXPECT_EQ(DetectNextTagInString(u"<>< a>", start, end, {u""}, attrs, closing), -1);
  start = 1;
  EXPECT_EQ(DetectNextTagInString(u"<a/>", start, end, {u"a"}, attrs, closing), 0);
  EXPECT_EQ(attrs, u"");
}

}  // namespace
}  // namespace zel
