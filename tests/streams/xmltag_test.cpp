#include "zel/streams/xmltag.h"

#include <gtest/gtest.h>

#include "stream_kinds.h"
#include "zel/runtime/textfile.h"
#include "zel/stringl/xmltag.h"

namespace zel {
namespace {

using zel_test::S;

const std::vector<String> kTags = {u"item", u"name", u"other"};

struct TagStep {
  int32_t index;
  String attributes;
  String contents;
  int64_t pos;  // stream position afterwards
};

struct TagCase {
  std::string input;
  std::vector<TagStep> steps;
};

const std::vector<TagCase>& Cases() {
  static const std::vector<TagCase> cases = {
      {"<!-- note --><item id=\"7\" name=\"a b\">x<b>y</b></item>tail",
       {{0, u"id=\"7\" name=\"a b\"", u"x<b>y</b>", 53}, {2, u"", u"", 57}}},
      {"<ITEM>v</Item>", {{0, u"", u"v", 14}}},
      {"<item id=\"7\"/>", {{0, u"id=\"7\"", u"", 14}}},
      {"<item />", {{0, u"", u"", 8}}},
      {"<item/><name>n</name>", {{0, u"", u"", 7}, {1, u"", u"n", 21}}},
      {"<zzz>q</zzz>", {{2, u"", u"q", 12}}},
      {"", {{2, u"", u"", 0}}},
      {"<a><a>x</a></a>", {{2, u"", u"<a>x", 11}, {2, u"", u"", 15}}},
      {"</list>", {{2, u"", u"", 7}}},
      // Processing instructions are skipped like declarations.
      {"<?xml version=\"1.0\"?>\n<item k=v>z</item>", {{0, u"k=v", u"z", 40}}},
      {"<!-- a > b --><name>c</name>", {{1, u"", u"c", 28}}},  // " b -->" is text
      {"<item>never closed", {{0, u"", u"never closed", 18}}},
      {"<item>a>b", {{0, u"", u"a>b", 9}}},
      {"<item", {{0, u"", u"", 5}}},  // unterminated tag: the end ends it
      {"text <", {{2, u"", u"", 6}}},
      {"<item\tx=1>c</item\tx=1>", {{2, u"", u"c", 22}}},  // TAB does not separate
      {std::string("<name   a=1   >\x01\x00</name >", 25),
       {{1, u"a=1", S(std::string("\x01\x00</name >", 10)), 25}}},
  };
  return cases;
}

template <class Kind>
class XmlStream : public ::testing::Test {
 protected:
  Kind kind_;
};
TYPED_TEST_SUITE(XmlStream, zel_test::StreamKinds, zel_test::KindNames);

TYPED_TEST(XmlStream, ReadNextTagInStream) {
  for (const auto& c : Cases()) {
    SCOPED_TRACE(c.input);
    auto s = this->kind_.Make(c.input);
    for (const auto& step : c.steps) {
      String attr = u"old", contents = u"old";
      EXPECT_EQ(ReadNextTagInStream(*s, kTags, attr, contents), step.index);
      EXPECT_EQ(attr, step.attributes);
      EXPECT_EQ(contents, step.contents);
      EXPECT_EQ(s->Position(), step.pos);
    }
  }
}

TYPED_TEST(XmlStream, ScanAndReadUntilTagList) {
  const std::string doc =
      "<?xml version=\"1.0\"?><root><list><item id=\"1\"/><Entry a=\"x y\">one<b/></entry>"
      "</list><entry>two</entry></root>";
  auto s = this->kind_.Make(doc);
  String attr, contents;
  std::vector<int32_t> progress;
  auto on_progress = [&](TObject* sender, int32_t pct) {
    EXPECT_EQ(sender, nullptr);
    progress.push_back(pct);
  };
  ASSERT_TRUE(ScanStreamForXMLTag(*s, u"ENTRY", attr, contents, on_progress));
  EXPECT_EQ(attr, u"a=\"x y\"");
  EXPECT_EQ(contents, u"one<b/>");
  EXPECT_EQ(s->Position(), 77);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  ASSERT_TRUE(ScanStreamForXMLTag(*s, u"entry", attr, contents, nullptr));
  EXPECT_EQ(contents, u"two");
  EXPECT_FALSE(ScanStreamForXMLTag(*s, u"entry", attr, contents, nullptr));
  EXPECT_EQ(attr, u"");
  EXPECT_EQ(contents, u"");
  EXPECT_EQ(s->Position(), int64_t(doc.size()));

  auto t = this->kind_.Make(doc);
  int32_t ix = 5;
  EXPECT_EQ(ReadStreamUntilTagList(*t, {u"/list", u"item"}, ix),
            u"<?xml version=\"1.0\"?><root><list>");
  EXPECT_EQ(ix, 1);
  EXPECT_EQ(t->Position(), 33);
  EXPECT_EQ(ReadNextTagInStream(*t, {u"item", u""}, attr, contents), 0);
  EXPECT_EQ(attr, u"id=\"1\"");
  EXPECT_EQ(ReadStreamUntilTagList(*t, {u"/list"}, ix), u"<Entry a=\"x y\">one<b/></entry>");
  EXPECT_EQ(ix, 0);
  EXPECT_EQ(ReadStreamUntilTagList(*t, {u"nothing"}, ix).size(), doc.size() - 77);
  EXPECT_EQ(ix, -1);
  EXPECT_EQ(t->Position(), int64_t(doc.size()));
}

TEST(XmlTagList, EmptyEntryAndEmptyList) {
  TStringStream s(std::string("<a>b</a>"));
  String attr, contents;
  EXPECT_EQ(ReadNextTagInStream(s, {u"x", u"", u"y"}, attr, contents), 2);
  EXPECT_EQ(ReadNextTagInStream(s, {u"x", u"", u"y"}, attr, contents), 1);  // end: empty name
  s.SetPosition(0);
  EXPECT_EQ(ReadNextTagInStream(s, {}, attr, contents), -1);
  EXPECT_EQ(contents, u"b");
}

TEST(XmlStream, RaisingStreamPassesTheError) {
  zel_test::FailingStream s("<item>abcdef</item>", 9);
  String attr, contents;
  EXPECT_THROW(ReadNextTagInStream(s, kTags, attr, contents), EReadError);
  EXPECT_EQ(s.Position(), 9);
}

TEST(XmlStream, LongContentsStayLinear) {
  // Four megabytes of '>' inside an element with a long name: the closing
  // tag is recognised without rescanning the contents.
  std::string doc = "<" + std::string(1000, 'n') + ">" + std::string(4 << 20, '>') + "</" +
                    std::string(1000, 'N') + ">";
  TStringStream s(doc);
  String attr, contents;
  EXPECT_EQ(ReadNextTagInStream(s, {u"x"}, attr, contents), 0);
  EXPECT_EQ(contents.size(), size_t(4 << 20));
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(XmlTextFile, ReadNextTagInTextFile) {
  zel_test::TempDir dir;
  const String name =
      dir.Write("a.xml",
                "<?xml version=\"1.0\"?>\r\n<item id=\"7\">\r\nx<b>y</b>\r\n</ITEM>\r\n"
                "<name>caf\xc3\xa9</name><other>open<b>c</b> tail");
  TextFile f(name);
  f.Reset();
  String attr, contents;
  EXPECT_EQ(ReadNextTagInTextFile(f, kTags, attr, contents), 0);
  EXPECT_EQ(attr, u"id=\"7\"");
  EXPECT_EQ(contents, u"\r\nx<b>y</b>\r\n");
  EXPECT_EQ(ReadNextTagInTextFile(f, kTags, attr, contents), 1);
  EXPECT_EQ(contents, u"caf\u00e9");
  // No closing tag: the contents end at the last '>' of the file.
  EXPECT_EQ(ReadNextTagInTextFile(f, kTags, attr, contents), 2);
  EXPECT_EQ(contents, u"open<b>c</b>");
  EXPECT_EQ(ReadNextTagInTextFile(f, kTags, attr, contents), 2);
  EXPECT_EQ(contents, u"");
  EXPECT_TRUE(f.Eof());
  f.Close();
  EXPECT_THROW(ReadNextTagInTextFile(f, kTags, attr, contents), EInOutError);
}

struct AttribCase {
  String text, name, value;
};

TEST(ScanForXMLAttrib, KnownAnswers) {
  const std::vector<AttribCase> cases = {
      {u"id=\"7\" name=\"a b\"", u"NAME", u"a b"},
      {u"id=\"7\" name=\"a b\"", u"id", u"7"},
      {u"a=1 b=\"2 3\"", u"a", u"1"},
      {u"a=1 b=\"2 3\"", u"b", u"2 3"},
      {u"a==1", u"a", u""},
      {u"a==1", u"b", u""},
      {u"a=1 a=2", u"a", u"1"},
      {u"A=x", u"a", u"x"},
      {u"a=\"x=y z\" b=2", u"b", u"2"},
      {u"a=\"x=y z\"", u"a", u"x=y z"},
      {u"a=\"open to the end", u"a", u"open to the end"},
      {u"  spaced   =   v  ", u"spaced", u"v"},
      {u"a=1=2 b=3", u"b", u""},   // '=' in a plain value stops the scan
      {u"x\"y=1 b=2", u"b", u""},  // '"' in a name stops it
      {u"a=it's b='q'", u"b", u"'q'"},
      {u"flag", u"flag", u""},
      {u"", u"a", u""},
      {u"a=1", u"", u""},
      {u"a=\"\" b=3", u"b", u"3"},
      {u"a=x\"b=3", u"b", u"3"},  // the '"' ends the plain value
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()) + " / " +
                 std::string(c.name.begin(), c.name.end()));
    EXPECT_EQ(ScanForXMLAttrib(c.text, c.name), c.value);
  }
}

}  // namespace
}  // namespace zel
