#include "zel/stringl/xmltag.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

struct StringTagStep {
  int32_t index;
  String attributes;
  String contents;
  int32_t pos;  // position afterwards
};

TEST(ReadNextTagInString, StepsThroughADocument) {
  const String text =
      u"<?xml version=\"1.0\"?><!DOCTYPE x><item id=\"7\" name=\"a b\">x<b>y</b></ITEM>"
      u"<name/><other k=\"\u20ac\">\u00e9</other></list>rest";
  const std::vector<String> tags = {u"item", u"name", u"other"};
  const std::vector<StringTagStep> steps = {
      {0, u"id=\"7\" name=\"a b\"", u"x<b>y</b>", 74},
      {1, u"", u"", 81},
      {2, u"k=\"\u20ac\"", u"\u00e9", 103},
      {2, u"", u"", 110},  // </list>: no contents
      {2, u"", u"", 114},  // end of the text
      {2, u"", u"", 114},
  };
  int32_t pos = 1;
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    String attr = u"old", contents = u"old";
    EXPECT_EQ(ReadNextTagInString(text, pos, tags, attr, contents), steps[i].index);
    EXPECT_EQ(attr, steps[i].attributes);
    EXPECT_EQ(contents, steps[i].contents);
    EXPECT_EQ(pos, steps[i].pos);
  }
}

TEST(ReadNextTagInString, PositionsOutOfRangeAndUnclosedElements) {
  String attr, contents;
  int32_t pos = -5;
  EXPECT_EQ(ReadNextTagInString(u"<a>x", pos, {u"a", u"z"}, attr, contents), 0);
  EXPECT_EQ(contents, u"x");
  EXPECT_EQ(pos, 5);
  pos = 99;
  EXPECT_EQ(ReadNextTagInString(u"<a>x", pos, {u"a", u"z"}, attr, contents), 1);
  EXPECT_EQ(pos, 5);
  pos = 1;
  EXPECT_EQ(ReadNextTagInString(u"<a><a>x</a></a>", pos, {u"a"}, attr, contents), 0);
  EXPECT_EQ(contents, u"<a>x");
  EXPECT_EQ(pos, 12);
  pos = 1;
  EXPECT_EQ(ReadNextTagInString(u"<a>", pos, {}, attr, contents), -1);
}

TEST(ScanStringForXMLTag, FindsTheTagAtAnyDepth) {
  const String text = u"<r><list><e a=\"1\"/><E a=\"2\">two<e/></e></list><e>three</e></r>";
  String attr, contents;
  int32_t next = ScanStringForXMLTag(text, 1, u"E", attr, contents);
  EXPECT_EQ(attr, u"a=\"1\"");
  EXPECT_EQ(contents, u"");
  EXPECT_EQ(next, 20);
  next = ScanStringForXMLTag(text, next, u"e", attr, contents);
  EXPECT_EQ(attr, u"a=\"2\"");
  EXPECT_EQ(contents, u"two<e/>");
  EXPECT_EQ(next, 40);
  next = ScanStringForXMLTag(text, next, u"e", attr, contents);
  EXPECT_EQ(contents, u"three");
  EXPECT_EQ(ScanStringForXMLTag(text, next, u"e", attr, contents), 0);
  EXPECT_EQ(attr, u"");
  EXPECT_EQ(contents, u"");
  EXPECT_EQ(ScanStringForXMLTag(u"<!--<e>--><?e?>", 1, u"e", attr, contents), 0);
  EXPECT_EQ(ScanStringForXMLTag(u"", 0, u"e", attr, contents), 0);
}

}  // namespace
}  // namespace zel
