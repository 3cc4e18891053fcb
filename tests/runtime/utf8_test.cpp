#include "zel/runtime/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace zel {
namespace {

TEST(Utf8, DecodesValidText) {
  EXPECT_EQ(Utf8ToString(""), u"");
  EXPECT_EQ(Utf8ToString("abc"), u"abc");
  EXPECT_EQ(Utf8ToString("J\xC3\xA4nner"), u"J\u00e4nner");
  EXPECT_EQ(Utf8ToString("\xE2\x82\xAC"), u"\u20ac");
  EXPECT_EQ(Utf8ToString("\xF0\x9F\x98\x80"), u"\U0001F600");  // surrogate pair
  EXPECT_EQ(Utf8ToString(std::string("a\0b", 3)), String(u"a\0b", 3));
}

TEST(Utf8, InvalidSequencesBecomeReplacementCharacters) {
  const struct {
    const char* name;
    std::string bytes;
    String expected;
  } cases[] = {
      {"lone continuation", "\x80", u"\uFFFD"},
      {"bad lead C0", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong E0", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"surrogate D800", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"F5 lead", "\xF5\x80", u"\uFFFD\uFFFD"},
      {"truncated tail", "a\xE2\x82", u"a\uFFFD"},
      {"truncated then ASCII", "\xE2\x82x", u"\uFFFDx"},
      {"FF byte", "\xFF", u"\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToString(c.bytes), c.expected);
    EXPECT_FALSE(IsValidUtf8(c.bytes));
  }
}

TEST(Utf8, EncodesAndReplacesUnpairedSurrogates) {
  EXPECT_EQ(StringToUtf8(u"\u00e4"), "\xC3\xA4");
  EXPECT_EQ(StringToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(StringToUtf8(String(1, static_cast<Char>(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(StringToUtf8(String(1, static_cast<Char>(0xDC00)) + u"a"),
            "\xEF\xBF\xBD"
            "a");
  // A high surrogate followed by a non-surrogate.
  String s = {static_cast<Char>(0xD83D), u'x'};
  EXPECT_EQ(StringToUtf8(s), "\xEF\xBF\xBDx");
}

TEST(Utf8, RoundTripsEveryBmpCharacterAndSomePairs) {
  String all;
  for (unsigned c = 0; c < 0x10000; ++c)
    if (c < 0xD800 || c > 0xDFFF) all.push_back(static_cast<Char>(c));
  all += u"\U00010000\U0010FFFF\U0001F600";
  const std::string bytes = StringToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(bytes));
  EXPECT_EQ(Utf8ToString(bytes), all);
}

TEST(Utf8, BytesAndCodePage1252) {
  EXPECT_EQ(BytesToString("\xE4\x80"), u"\u00e4\u0080");
  EXPECT_EQ(StringToBytes(u"\u00e4\u20ac"), "\xE4\xAC");  // low bytes
  EXPECT_EQ(Cp1252ToString("\x80\x9F\xE4\x81"), u"\u20ac\u0178\u00e4\u0081");
  EXPECT_EQ(StringToCp1252(u"\u20ac\u00e4\u4e00"), "\x80\xE4?");
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(StringToCp1252(Cp1252ToString(one)), one) << b;
  }
}

TEST(Utf8, DecodeText8FallsBackToWindows1252) {
  EXPECT_EQ(DecodeText8("J\xC3\xA4nner"), u"J\u00e4nner");
  EXPECT_EQ(DecodeText8("J\xE4nner"), u"J\u00e4nner");  // not UTF-8: one byte per char
  EXPECT_EQ(DecodeText8("\x80 5"), u"\u20ac 5");
  EXPECT_EQ(DecodeText8(""), u"");
}

}  // namespace
}  // namespace zel
