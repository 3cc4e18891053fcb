#include "zel/stringl/parlist.h"

#include <gtest/gtest.h>

#include <string>

#include "zel/runtime/stringlist.h"
#include "zel/runtime/utf8.h"
#include "zel/runtime/variant.h"

namespace zel {
namespace {

TEST(CreateParList, FrameRules) {
  struct Case {
    TIntArray items;
    bool trailing;
    int32_t max;
    bool brackets;
    const char16_t* expected;
  } cases[] = {
      {{1, 2, 3}, false, 0, true, u"[1,2,3]"},
      {{1, 2, 3}, false, 2, true, u"[1,2,...]"},
      {{1, 2, 3}, true, 0, false, u"1,2,3,"},
      {{}, false, 0, true, u"[]"},
      {{}, false, 0, false, u""},
      {{}, true, 0, false, u","},
      {{1, 2, 3}, false, 3, true, u"[1,2,3]"},
      {{1, 2, 3}, false, -1, false, u"1,2,3"},
      {{-7, 2}, true, 1, true, u"[-7,...],"},
      {{5}, false, 0, false, u"5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.expected));
    EXPECT_EQ(CreateParList(c.items, c.trailing, c.max, c.brackets), c.expected);
  }
}

TEST(CreateParList, ItemTexts) {
  EXPECT_EQ(CreateParList(TDoubleArray{1.5, 2.25}, false, 0, 3, true), u"[1.50,2.25]");
  EXPECT_EQ(CreateParList(std::vector<bool>{true, false, true}, false, 0, false),
            u"TRUE,FALSE,TRUE");
  EXPECT_EQ(CreateParList(std::vector<TColor>{0x0000FF, 0x123456}, false, 0, true, false),
            u"[000000FF,00123456]");
  EXPECT_EQ(CreateParList(std::vector<TColor>{0x0000FF, 0x123457}, false, 0, true, true),
            u"[Red,$00123457]");
}

// Braced lists, as callers write open arrays, pick the overload of their
// element type.
TEST(CreateParList, BracedLists) {
  EXPECT_EQ(CreateParList({1, 2, 3}, false, 0, true), u"[1,2,3]");
  EXPECT_EQ(CreateParList({-7, 0, 2}, true, 2, false), u"-7,0,...,");
  EXPECT_EQ(CreateParList({true, false, true}, false, 0, false), u"TRUE,FALSE,TRUE");
  EXPECT_EQ(CreateParList({}, false, 0, true), u"[]");
  EXPECT_EQ(CreateParList({1u, 2u}, true, 0, false), u"1,2,");
  EXPECT_EQ(CreateParList({1.5, 2.25}, false, 0, 3, true), u"[1.50,2.25]");
  EXPECT_EQ(CreateParList({1, 2}, false, 0, 3, true), u"[1.00,2.00]");
  const TColor red = 0x0000FF;
  EXPECT_EQ(CreateParList({red, TColor{0x123456}}, false, 0, true, true), u"[Red,$00123456]");
  EXPECT_EQ(CreateParList({0x0000FF, 0x123456}, false, 0, true, false), u"[000000FF,00123456]");
}

Variant IntArray(int Lo, int Hi) {
  Variant a = VarArrayCreate(Lo, Hi, varInteger);
  for (int i = Lo; i <= Hi; ++i) a[i] = i;
  return a;
}

TEST(ConvertVariant, Scalars) {
  struct Case {
    Variant v;
    const char16_t* expected;
  } cases[] = {
      {Variant(), u"(unknown type: 0)"},
      {Null(), u"NULL"},
      {Variant(true), u"TRUE"},
      {Variant(false), u"FALSE"},
      {Variant(int32_t{-42}), u"-42"},
      {Variant(uint64_t{18446744073709551615u}), u"18446744073709551615"},
      {Variant(1.5), u" 1.50000E+00"},
      {Variant(1.5f), u" 1.50000E+00"},
      {Variant(u"text"), u"text"},
      {VarFromDateTime(1.0), u"(unknown type: 7)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.expected));
    EXPECT_EQ(ConvertVariant(c.v), c.expected);
  }
}

TEST(ConvertVariant, OneLevel) {
  EXPECT_EQ(ConvertVariant(IntArray(0, 2)), u"Array[0,2]:\r\n0,1,2");
  EXPECT_EQ(ConvertVariant(IntArray(0, 20)), u"Array[0,20]:\r\n0,1,2,3,4,5,6,7,8,9,10,11...");
  // No upper bound at or above 0, or no element at all: nothing to show.
  EXPECT_EQ(ConvertVariant(IntArray(0, -1)), u"undefined array");
  EXPECT_EQ(ConvertVariant(IntArray(-3, -1)), u"undefined array");
  EXPECT_EQ(ConvertVariant(IntArray(-3, -2)), u"undefined array");
  EXPECT_EQ(ConvertVariant(IntArray(5, 4)), u"undefined array");
  EXPECT_EQ(ConvertVariant(IntArray(-2, 0)), u"Array[-2,0]:\r\n-2,-1,0");
  Variant mixed = VarArrayCreate(1, 3, varVariant);
  mixed[1] = true;
  mixed[2] = u"x";
  mixed[3] = IntArray(0, 1);  // a later element that is an array
  EXPECT_EQ(ConvertVariant(mixed), u"Array[1,3]:\r\nTRUE,x,(array of type 3)");
}

TEST(ConvertVariant, TwoAndThreeLevels) {
  Variant two = VarArrayCreate(0, 1, varVariant);
  two[0] = IntArray(1, 2);
  two[1] = IntArray(11, 12);  // other bounds: index 1 and 2 are missing
  EXPECT_EQ(ConvertVariant(two), u"Array[0,1][1,2]:\r\n1,(missing)\r\n2,(missing)\r\n");

  Variant ragged = VarArrayCreate(0, 1, varVariant);
  ragged[0] = IntArray(0, 11);
  ragged[1] = 5;  // a scalar where a row is expected
  EXPECT_EQ(ConvertVariant(ragged),
            u"Array[0,1][0,11]:\r\n0,(missing)\r\n1,(missing)\r\n2,(missing)\r\n3,(missing)\r\n"
            u"4,(missing)\r\n5,(missing)\r\n6,(missing)\r\n7,(missing)\r\n8,(missing)\r\n"
            u"9,(missing)\r\n ......");

  Variant three = VarArrayCreate(0, 0, varVariant);
  Variant mid = VarArrayCreate(0, 1, varVariant);
  mid[0] = IntArray(0, 3);
  mid[1] = IntArray(10, 13);
  three[0] = mid;
  EXPECT_EQ(ConvertVariant(three),
            u"Array[0,0][0,1][0,3]:\r\nlayer 0:\r\n0\r\n(missing)\r\nlayer 1:\r\n1\r\n(missing)\r\n"
            u"layer 2:\r\n2\r\n(missing)\r\n ... more layers");
}

TEST(TriState, TextsAndRoundTrip) {
  struct Case {
    const char16_t* text;
    TTriState state;
  } cases[] = {{u"true", tsTrue},       {u"  YES ", tsTrue},     {u"+1", tsTrue},
               {u"1", tsTrue},          {u"False", tsFalse},     {u"-1", tsFalse},
               {u"no", tsFalse},        {u"0", tsUndefined},     {u"", tsUndefined},
               {u"maybe", tsUndefined}, {u"\ttrue", tsUndefined}};
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(StrToTriState(c.text), c.state);
  }
  EXPECT_EQ(TriStateToStr(tsTrue, 1), u"1");
  EXPECT_EQ(TriStateToStr(tsUndefined, 2), u"unknown");
  EXPECT_EQ(TriStateToStr(tsUndefined, 7), u"");
  for (int style = -1; style <= 3; ++style)
    for (TTriState s : {tsFalse, tsTrue, tsUndefined}) {
      SCOPED_TRACE(style);
      EXPECT_EQ(StrToTriState(TriStateToStr(s, style)), s);
    }
}

TEST(DetectCSVDelimiter, HighestCountTiesToEarlier) {
  using namespace std::string_literals;
  struct Case {
    String text;
    TCSVDelimiters expected;
  } cases[] = {{u"a;b,c;d", csvSemicolon},
               {u"a,b;c", csvSemicolon},
               {u"abc", csvUnknown},
               {u"", csvUnknown},
               {u"a b;c;d", csvSemicolon},
               {u"1,2,3;4 5", csvComma},
               {u"a\tb\tc:d", csvTab},
               {u"a:b c", csvBlank},
               // Code 0, the character of csvUnknown, is counted first.
               {u"\0\0\0a;b"s, csvUnknown},
               {u"\0a;b"s, csvUnknown},
               {u"\0a;b;c"s, csvSemicolon}};
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(DetectCSVDelimiter(c.text), c.expected);
  }
}

TEST(ProcessHexChars, Escapes) {
  struct Case {
    const char16_t* in;
    String out;
  } cases[] = {
      {u"\\#41BC", u"ABC"}, {u"\\\\#41", u"\\#41"},       {u"a\\b", u"a\\b"}, {u"\\#$4x", u"\x04x"},
      {u"\\# 9", u"\t"},    {u"\\#zz", String(1, u'\0')}, {u"\\#6a", u"j"},   {u"end\\", u"end\\"},
      {u"\\#41", u"A"},   {u"\\\\", u"\\"},
      // Fewer than two characters after "#": those that are there are read.
      {u"x\\#4", u"x\x04"}, {u"\\#4", u"\x04"},           {u"\\#", String(1, u'\0')},
      {u"\\# ", String(1, u'\0')}, {u"\\#$", String(1, u'\0')}, {u"a\\#f", u"a\x0f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.in));
    EXPECT_EQ(ProcessHexChars(c.in), c.out);
  }
}

TEST(SortStringList, ByKey) {
  TStringList l;
  auto fill = [&] {
    l.Clear();
    l.Add(u"id=10 x");
    l.Add(u"id=9 y");
    l.Add(u"id=100 z");
  };
  fill();
  EXPECT_EQ(SortStringList(l, u"id=", 1, 1, false, true), 0);
  EXPECT_EQ(l.Text(), u"id=9 y\r\nid=10 x\r\nid=100 z\r\n");
  fill();
  EXPECT_EQ(SortStringList(l, u"id=", 1, 1, false, false), 0);
  EXPECT_EQ(l.Text(), u"id=10 x\r\nid=100 z\r\nid=9 y\r\n");
  fill();
  EXPECT_EQ(SortStringList(l, u"ID=", -1, 1, true, true), 0);
  EXPECT_EQ(l.Text(), u"id=9 y\r\nid=10 x\r\nid=100 z\r\n");
  fill();
  EXPECT_EQ(SortStringList(l, u"id=", 0, 1, false, true), -3);
  EXPECT_EQ(l.Text(), u"id=10 x\r\nid=9 y\r\nid=100 z\r\n");
  l.Add(u"no key");
  EXPECT_EQ(SortStringList(l, u"id=", 1, 1, false, true), -1);
  fill();
  EXPECT_EQ(SortStringList(l, u"id=", 1, 10, false, true), -2);
  EXPECT_EQ(SortStringList(l, u"id=", 1, -3, false, true), -2);  // starts at position 1
  EXPECT_EQ(SortStringList(l, u"", 1, 1, false, true), -1);
}

}  // namespace
}  // namespace zel
