#include "zel/stringl/linetext.h"

#include <gtest/gtest.h>

#include <vector>

#include "zel/runtime/utf8.h"

namespace zel {
namespace {

struct Read {
  String line;
  int32_t pos;
  bool eot;
};

std::vector<Read> ReadAll(const String& text, int32_t mode) {
  std::vector<Read> out;
  int32_t pos = 1;
  bool eot = false;
  while (!eot && out.size() < 100) {
    String line = ReadLnString(text, pos, eot, mode);
    out.push_back({line, pos, eot});
  }
  return out;
}

TEST(ReadLnString, Modes) {
  struct C {
    const char16_t* text;
    int32_t mode;
    std::vector<Read> want;
  };
  const C cases[] = {
      {u"ab", 0, {{u"ab", 3, true}}},
      {u"ab\ncd", 0, {{u"ab", 4, false}, {u"cd", 6, true}}},
      {u"ab\n", 0, {{u"ab", 4, false}, {u"", 4, true}}},
      {u"", 0, {{u"", 1, true}}},
      {u"a\r\nb", 0, {{u"a", 4, false}, {u"b", 5, true}}},
      {u"a\r\nb", 1, {{u"a", 3, false}, {u"b", 5, true}}},
      {u"a\r\nb\nc", 2, {{u"a", 3, false}, {u"", 4, false}, {u"b", 6, false}, {u"c", 7, true}}},
      {u"a\n\rb\rc", 3, {{u"a", 4, false}, {u"bc", 7, true}}},
      {u"a\nb\r\n", 4, {{u"ab", 6, false}, {u"", 6, true}}},
      {u"\ra\r\n", 4, {{u"a", 5, false}, {u"", 5, true}}},
      {u"x\ty\x01z\nq", 0, {{u"xyz", 7, false}, {u"q", 8, true}}},
      {u"a\nb\rc", 7, {{u"abc", 6, true}}},
      {u"a\nb", -1, {{u"ab", 4, true}}},
      {u"\u00e4\u20ac\U0001F600\n", 0, {{u"\u00e4\u20ac\U0001F600", 6, false}, {u"", 6, true}}},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text) + " mode " + std::to_string(c.mode));
    const std::vector<Read> got = ReadAll(c.text, c.mode);
    ASSERT_EQ(got.size(), c.want.size());
    for (size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(got[i].line, c.want[i].line);
      EXPECT_EQ(got[i].pos, c.want[i].pos);
      EXPECT_EQ(got[i].eot, c.want[i].eot);
    }
  }
}

TEST(ReadLnString, PositionOutsideTheText) {
  int32_t pos = 0;
  bool eot = true;
  EXPECT_EQ(ReadLnString(u"ab\ncd", pos, eot, 0), u"ab");
  EXPECT_EQ(pos, 4);
  EXPECT_FALSE(eot);
  pos = 99;
  EXPECT_EQ(ReadLnString(u"ab", pos, eot, 0), u"");
  EXPECT_TRUE(eot);
  EXPECT_EQ(pos, 99);
}

TEST(EqualAnsiStrings, Examples) {
  struct C {
    String a, b;
    bool want;
  };
  const C cases[] = {
      {u"abc", u"ABC", true},
      {u"\u00c4pfel", u"\u00e4PFEL", true},
      {u"abc", u"abd", false},
      {u"abc", u"abcd", false},
      {u"", u"", true},
      {String(u"ab\0x", 4), String(u"AB\0y", 4), true},  // each ends at its character 0
      {String(u"ab\0x", 4), u"abx", false},
      {u"\u03c3\u0391", u"\u03a3\u03b1", true},
      {u"stra\u00dfe", u"STRASSE", false},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.a) + " / " + StringToUtf8(c.b));
    EXPECT_EQ(EqualAnsiStrings(c.a, c.b), c.want);
    EXPECT_EQ(EqualAnsiStrings(c.b, c.a), c.want);
  }
}

}  // namespace
}  // namespace zel
