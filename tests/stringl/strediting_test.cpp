#include "zel/stringl/strediting.h"

#include <gtest/gtest.h>

#include "zel/stringl/charclass.h"

namespace zel {
namespace {

TEST(CharClass, ClassesFollowCodeValues) {
  for (int c = 0; c < 0x3000; ++c) {
    SCOPED_TRACE(c);
    const Char ch = static_cast<Char>(c);
    const bool digit = c >= '0' && c <= '9';
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool hex = digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    EXPECT_EQ(IsDigit(ch), digit);
    EXPECT_EQ(IsLetter(ch), letter);
    EXPECT_EQ(IsDigitLetter(ch), digit || letter);
    EXPECT_EQ(IsHexChar(ch), hex);
  }
  int umlauts = 0;
  for (int c = 0; c < 0x10000; ++c) umlauts += IsUmlaut(static_cast<Char>(c));
  EXPECT_EQ(umlauts, 7);
  for (Char c : String(u"äöüÄÖÜß")) EXPECT_TRUE(IsUmlaut(c));
  EXPECT_FALSE(IsLetter(u'é'));
  EXPECT_FALSE(IsDigit(u'\uFF10'));  // fullwidth zero
}

TEST(CharClass, WholeTextTests) {
  EXPECT_TRUE(IsAllDec(u""));
  EXPECT_TRUE(IsAllHex(u""));
  EXPECT_TRUE(IsAllHex(u"09afAF"));
  EXPECT_FALSE(IsAllHex(u"0g"));
  EXPECT_TRUE(IsAllDec(u"0123"));
  EXPECT_FALSE(IsAllDec(u"12a"));
  EXPECT_FALSE(TestAllChar(u"", u'x'));
  EXPECT_TRUE(TestAllChar(u"xxx", u'x'));
  EXPECT_FALSE(TestAllChar(u"xxy", u'x'));
  EXPECT_EQ(CountControlChars(u"a\tb\r\n\x1f "), 4);
  EXPECT_EQ(CountControlChars(u""), 0);
}

TEST(StrEditing, Trimming) {
  EXPECT_EQ(StripLTBlanks(u"  a b  "), u"a b");
  EXPECT_EQ(StripLTBlanks(u"   "), u"");
  EXPECT_EQ(StripLTBlanks(u"\ta "), u"\ta");  // a tab is not a blank
  EXPECT_EQ(StripLeadingBlanks(u"   "), u"");
  EXPECT_EQ(StripTrailingBlanks(u"   "), u"");
  EXPECT_EQ(StripLeadingBlanks(u"  a "), u"a ");
  EXPECT_EQ(StripTrailingBlanks(u"  a "), u"  a");
  EXPECT_EQ(StripTrailingChars(u'0', u"1.500"), u"1.5");
  EXPECT_EQ(StripTrailingChars(u'0', u"000"), u"");
  EXPECT_EQ(StripLeadingChars(u'0', u"007"), u"7");
  EXPECT_EQ(StripLeadingChars(u'0', u""), u"");
}

TEST(StrEditing, ReplacingAndRemoving) {
  EXPECT_EQ(ReplaceCharInString(u"1,5;2,5", u',', u'.'), u"1.5;2.5");
  EXPECT_EQ(ReplaceCharInString(u"\u4e00x\u4e00", u'\u4e00', u'y'), u"yxy");
  EXPECT_EQ(RemoveCharInString(u"a-b-c", u'-'), u"abc");
  EXPECT_EQ(RemoveMultiChars(u"a,,b,,,c", u','), u"a,b,c");
  EXPECT_EQ(RemoveMultiChars(u",,", u','), u",");
  EXPECT_EQ(RemoveControlChars(u"a\tb\r\nc"), u"abc");
  EXPECT_EQ(ReplaceControlChars(u"a\tb\x01", u' '), u"a b ");
}

TEST(StrEditing, EnsureChars) {
  EXPECT_EQ(EnsureTrailingBkSlash(u""), u"");
  EXPECT_EQ(EnsureTrailingBkSlash(u"C:"), u"C:\\");
  EXPECT_EQ(EnsureTrailingBkSlash(u"C:\\"), u"C:\\");
  EXPECT_EQ(EnsureTrailingChar(u'/', u"a"), u"a/");
  EXPECT_EQ(EnsureTrailingChar(u'/', u""), u"");
  EXPECT_EQ(EnsureLeadingChar(u'.', u"txt"), u".txt");
  EXPECT_EQ(EnsureLeadingChar(u'.', u".txt"), u".txt");
  EXPECT_EQ(EnsureLeadingChar(u'.', u""), u"");
}

TEST(StrEditing, Fields) {
  EXPECT_EQ(CenterString(u"ab", 5), u" ab  ");
  EXPECT_EQ(CenterString(u"ab", 6), u"  ab  ");
  EXPECT_EQ(CenterString(u"abcdef", 3), u"abc");
  EXPECT_EQ(RightString(u"abcdef", 3), u"abc");
  EXPECT_EQ(RightString(u"ab", 4), u"  ab");
  EXPECT_EQ(LeftString(u"ab", 4), u"ab  ");
  EXPECT_EQ(LeftString(u"abcdef", 0), u"");
  EXPECT_EQ(LeftString(u"", 255).size(), 255u);
}

TEST(StrEditing, MultiCharClampsCount) {
  EXPECT_EQ(MultiChar(u'x', 3), u"xxx");
  EXPECT_EQ(MultiChar(u'x', 0), u"x");
  EXPECT_EQ(MultiChar(u'x', -100), u"x");
  EXPECT_EQ(MultiChar(u'x', 2000000000).size(), 255u);
}

TEST(StrEditing, ReverseAndAbbrev) {
  EXPECT_EQ(ReverseString(u"abc"), u"cba");
  EXPECT_EQ(ReverseString(u""), u"");
  EXPECT_EQ(AbbrevString(u"abcdefgh", 5), u"abc..");
  EXPECT_EQ(AbbrevString(u"abcde", 5), u"abcde");
  EXPECT_EQ(AbbrevString(u"abc", 1), u"..");
  EXPECT_EQ(AbbrevString(u"abc", 2), u"..");
  EXPECT_EQ(AbbrevString(u"abc", -7), u"..");
  EXPECT_EQ(AbbrevString(u"", 0), u"");
}

TEST(StrEditing, CaseChanges) {
  EXPECT_EQ(CapitalizeString(u"hello world-wide 3rd"), u"Hello World-Wide 3rd");
  EXPECT_EQ(CapitalizeString(u"\u00e9lan vital"), u"\u00e9lan Vital");
  EXPECT_EQ(CapitalizeString(u"a1b c_d"), u"A1b C_D");
  EXPECT_EQ(ChangeCase(u"aBc 1\u00e4\u00c4\u00df"), u"AbC 1\u00c4\u00e4\u00df");
  EXPECT_EQ(ChangeCase(u"\u03b1\u0391\u0436\u0416\u0101\u0100"),
            u"\u0391\u03b1\u0416\u0436\u0100\u0101");
  EXPECT_EQ(ChangeCase(u"\u4e00-"), u"\u4e00-");
}

TEST(StrEditing, ExpandDiphthongs) {
  EXPECT_EQ(ExpandDiphthongs(u"\u00c4rger"), u"Aerger");
  EXPECT_EQ(ExpandDiphthongs(u"\u00c4RGER"), u"AERGER");
  EXPECT_EQ(ExpandDiphthongs(u"Ma\u00df"), u"Mass");
  EXPECT_EQ(ExpandDiphthongs(u"\u00dc"), u"UE");
  EXPECT_EQ(ExpandDiphthongs(u"\u00f6\u00fc\u00e4\u00b5\u00d6l"), u"oeueaeuOel");
}

TEST(StrEditing, RestrictedAlphabets) {
  EXPECT_EQ(ReduceStringToAZ09(u"a b-\u00e49Z"), u"a_b__9Z");
  String all;
  for (int c = 0; c < 256; ++c) all.push_back(static_cast<Char>(c));
  const String reduced = ReduceStringToFN83CompliantChars(all + u"\u4e00");
  String kept;
  for (Char c : reduced)
    if (c != u'_') kept.push_back(c);
  EXPECT_EQ(kept,
            u"!#$%&'()-.0123456789@ABCDEFGHIJKLMNOPQRSTUVWXYZ^`abcdefghijklmnopqrstuvwxyz{}~");
  EXPECT_EQ(reduced.size(), 257u);
}

TEST(StrEditing, ConvertToTabs) {
  EXPECT_EQ(ConvertToTabs(u"a   b", false, false), u"a\tb");
  EXPECT_EQ(ConvertToTabs(u"a b", false, false), u"a b");
  EXPECT_EQ(ConvertToTabs(u"x: 5.0 +/- 0.1", true, true), u"x:\t5.0\t+/-0.1");
  EXPECT_EQ(ConvertToTabs(u"x: 5.0 +/- 0.1", false, false), u"x: 5.0 +/- 0.1");
  EXPECT_EQ(ConvertToTabs(u"x:  5", true, false), u"x:\t5");  // the run became a tab first
  EXPECT_EQ(ConvertToTabs(u" +/- +/-", false, true), u"\t+/-+/-");
  EXPECT_EQ(ConvertToTabs(u"", true, true), u"");
}

}  // namespace
}  // namespace zel
