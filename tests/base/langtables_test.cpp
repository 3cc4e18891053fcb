#include "zel/base/langtables.h"

#include <gtest/gtest.h>

#include "zel/base/htmlentities.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

TEST(LanguageTables, OddEntriesAreKept) {
  EXPECT_EQ(MonthLong[lgGerman][1], u"J\u00e4nner");
  EXPECT_EQ(NumWords[lgFrench][1], u"celui");
  EXPECT_EQ(MonthLong[lgSpanish][5], u"mai");
  EXPECT_EQ(MonthLong[lgFrench][2], u"f\u00e9vrier ");  // trailing blank
  EXPECT_EQ(MonthShort[lgFrench][6], u"juin");
}

TEST(LanguageTables, ItemRanges) {
  EXPECT_EQ(MonthShort[lgEnglish][1], u"Jan");
  EXPECT_EQ(MonthShort[lgEnglish][12], u"Dec");
  EXPECT_EQ(MonthLong[lgEnglish][9], u"September");
  EXPECT_EQ(WeekDayShort[lgEnglish][1], u"Mon");  // 1 = Monday
  EXPECT_EQ(WeekDayShort[lgEnglish][7], u"Sun");
  EXPECT_EQ(WeekDayLong[lgGerman][4], u"Donnerstag");
  EXPECT_EQ(WeekDayLong[lgSpanish][3], u"mi\u00e9rcoles");
  EXPECT_EQ(WeekDayLong[lgSpanish][6], u"s\u00e1bado");
  EXPECT_EQ(WeekDayShort[lgSpanish][6], u"sab");
  EXPECT_EQ(NumWords[lgEnglish][0], u"zero");
  EXPECT_EQ(NumWords[lgEnglish][12], u"twelve");
  EXPECT_EQ(NumWords[lgGerman][12], u"zw\u00f6lf");
  EXPECT_EQ(NumWords[lgFrench][0], u"z\u00e9ro");
  EXPECT_EQ(NumWords[lgSpanish][7], u"siete");
}

TEST(LanguageTables, PlaceholdersOfUnknownLanguage) {
  EXPECT_EQ(MonthShort[lgUnknown][1], u"M01");
  EXPECT_EQ(MonthLong[lgUnknown][12], u"M12");
  EXPECT_EQ(WeekDayShort[lgUnknown][7], u"D07");
  EXPECT_EQ(WeekDayLong[lgUnknown][1], u"D01");
  EXPECT_EQ(NumWords[lgUnknown][0], u"N00");
  EXPECT_EQ(NumWords[lgUnknown][12], u"N12");
  for (int k = 0; k < 5; ++k) EXPECT_EQ(LanguageID[lgUnknown][k], u"???");
}

TEST(LanguageTables, LanguageNames) {
  EXPECT_EQ(LanguageID[lgEnglish][lgGerman], u"German");
  EXPECT_EQ(LanguageID[lgGerman][lgFrench], u"franz\u00f6sisch");
  EXPECT_EQ(LanguageID[lgFrench][lgFrench], u"fran\u00e7ais");
  EXPECT_EQ(LanguageID[lgSpanish][lgEnglish], u"ingl\u00e9s");
  EXPECT_EQ(LanguageID[lgSpanish][lgUnknown], u"???");
  EXPECT_EQ(ISO639_2Char[lgGerman], u"de");
  EXPECT_EQ(ISO639_2Char[lgUnknown], u"??");
  EXPECT_EQ(ISO639_3Char[lgFrench], u"fre");
  EXPECT_EQ(ISO639_3Char[lgSpanish], u"spa");
}

template <size_t N>
void CheckLengths(const TLanguageTable<N>& table, size_t first, size_t max_len, const char* name) {
  SCOPED_TRACE(name);
  for (size_t lang = 0; lang < kLanguageCount; ++lang) {
    for (size_t i = first; i < N; ++i) {
      SCOPED_TRACE(StringToUtf8(String(table[lang][i])));
      EXPECT_FALSE(table[lang][i].empty());
      EXPECT_LE(table[lang][i].size(), max_len);
      // Every character is representable in code page 1252.
      EXPECT_EQ(Cp1252ToString(StringToCp1252(String(table[lang][i]))), table[lang][i]);
    }
  }
}

TEST(LanguageTables, LengthsAndCodePage) {
  CheckLengths(MonthShort, 1, 4, "MonthShort");
  CheckLengths(MonthLong, 1, 10, "MonthLong");
  CheckLengths(WeekDayShort, 1, 3, "WeekDayShort");
  CheckLengths(WeekDayLong, 1, 10, "WeekDayLong");
  CheckLengths(NumWords, 0, 6, "NumWords");
  CheckLengths(LanguageID, 0, 15, "LanguageID");
}

TEST(HtmlEntities, CoverLatin1InCodeOrder) {
  ASSERT_EQ(HTMLLat1Entities.size(), 96u);
  EXPECT_EQ(HTMLLat1Entities.front(), u"&nbsp;");
  EXPECT_EQ(HTMLLat1Entities[1], u"&iexcl;");
  EXPECT_EQ(HTMLLat1Entities.back(), u"&yuml;");
  EXPECT_EQ(HTMLLat1Entity(0xE4), u"&auml;");
  EXPECT_EQ(HTMLLat1Entity(0xD7), u"&times;");
  EXPECT_EQ(HTMLLat1Entity(0xF7), u"&divide;");
  EXPECT_EQ(HTMLLat1Entity(0xDF), u"&szlig;");
  EXPECT_EQ(HTMLLat1Entity(0xA9), u"&copy;");
  EXPECT_TRUE(HTMLLat1Entity(159).empty());
  EXPECT_TRUE(HTMLLat1Entity(256).empty());
  EXPECT_TRUE(HTMLLat1Entity(u'a').empty());
  for (const auto e : HTMLLat1Entities) {
    SCOPED_TRACE(StringToUtf8(String(e)));
    EXPECT_LE(e.size(), 8u);
    EXPECT_EQ(e.front(), u'&');
    EXPECT_EQ(e.back(), u';');
  }
}

}  // namespace
}  // namespace zel
