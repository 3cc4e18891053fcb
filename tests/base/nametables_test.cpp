#include "zel/base/nametables.h"

#include <gtest/gtest.h>

#include <string>

#include "zel/runtime/utf8.h"

namespace zel {
namespace {

std::string U8(std::u16string_view s) { return StringToUtf8(String(s)); }

TEST(NameTables, VarKindBoolIsLowerCase) {
  EXPECT_EQ(NameToValue<TVarKind>(xmlVarKind, u"bool"), Bool);
  EXPECT_EQ(NameToValue<TVarKind>(xmlVarKind, u"Bool"), std::nullopt);
  EXPECT_EQ(ValueToName(xmlVarKind, Bool), u"bool");
  EXPECT_EQ(NameToValue<TVarKind>(xmlVarKind, u"strg"), strg);
}

TEST(NameTables, ComparisonIsExact) {
  EXPECT_EQ(IndexOfName(xmlFrameStyle, u"fsLowered"), 2);
  EXPECT_EQ(IndexOfName(xmlFrameStyle, u"fslowered"), -1);
  EXPECT_EQ(IndexOfName(xmlFrameStyle, u"fsLowered "), -1);
  EXPECT_EQ(IndexOfName(xmlFrameStyle, u""), -1);
  EXPECT_EQ(IndexOfName(xmlTxtLblMode, u"tlsimple"), 1);  // lower-case s as written
  EXPECT_EQ(IndexOfName(xmlTxtLblMode, u"tlSimple"), -1);
}

TEST(NameTables, FirstMatchWins) {
  const std::array<TNameTableEntry, 4> dup = {u"a", u"b", u"a", u"b"};
  EXPECT_EQ(IndexOfName(dup, u"a"), 0);
  EXPECT_EQ(IndexOfName(dup, u"b"), 1);
}

TEST(NameTables, ValueToNameOutOfRangeIsEmpty) {
  EXPECT_TRUE(ValueToName(xmlZoomState, static_cast<TZoomState>(2)).empty());
  EXPECT_TRUE(ValueToName(xmlZoomState, static_cast<TZoomState>(255)).empty());
}

// Every table maps each ordinal to its name and back.
template <typename E, size_t N>
void RoundTrip(const std::array<TNameTableEntry, N>& table, const char* name) {
  SCOPED_TRACE(name);
  for (size_t i = 0; i < N; ++i) {
    SCOPED_TRACE(U8(table[i]));
    EXPECT_EQ(NameToValue<E>(table, table[i]), static_cast<E>(i));
    EXPECT_EQ(ValueToName(table, static_cast<E>(i)), table[i]);
  }
}

TEST(NameTables, EveryTableRoundTrips) {
  RoundTrip<TVerticalAlignment>(xmlVerticalAlignment, "xmlVerticalAlignment");
  RoundTrip<TAlignment>(xmlAlignment, "xmlAlignment");
  RoundTrip<TBkgFill>(xmlBkgFill, "xmlBkgFill");
  RoundTrip<TBoundingBox>(xmlBoundingBox, "xmlBoundingBox");
  RoundTrip<TColorScheme>(xmlColorScheme, "xmlColorScheme");
  RoundTrip<TFigType>(xmlFigType, "xmlFigType");
  RoundTrip<TScaleType>(xmlScaleType, "xmlScaleType");
  RoundTrip<TYearLength>(xmlYearLength, "xmlYearLength");
  RoundTrip<TDateOrder>(xmlDateOrder, "xmlDateOrder");
  RoundTrip<TDateForTime>(xmlDateForTime, "xmlDateForTime");
  RoundTrip<TShadowStyle>(xmlShadowStyle, "xmlShadowStyle");
  RoundTrip<TFrameStyle>(xmlFrameStyle, "xmlFrameStyle");
  RoundTrip<TTimeFormat>(xmlTimeFormat, "xmlTimeFormat");
  RoundTrip<TDirection>(xmlDirection, "xmlDirection");
  RoundTrip<TLanguage>(xmlLanguage, "xmlLanguage");
  RoundTrip<TVarKind>(xmlVarKind, "xmlVarKind");
  RoundTrip<TMouseBoxState>(xmlMouseBoxState, "xmlMouseBoxState");
  RoundTrip<TMouseActMode>(xmlMouseActMode, "xmlMouseActMode");
  RoundTrip<TZoomState>(xmlZoomState, "xmlZoomState");
  RoundTrip<TCrossHMode>(xmlCrossHMode, "xmlCrossHMode");
  RoundTrip<TTxtLblMode>(xmlTxtLblMode, "xmlTxtLblMode");
  RoundTrip<TTxtLblAttachMode>(xmlTxtLblAttachMode, "xmlTxtLblAttachMode");
  RoundTrip<TFontStyle>(xmlFontStyle, "xmlFontStyle");
  RoundTrip<TCSVDelimiters>(CSVDELIMITERIDS, "CSVDELIMITERIDS");
  RoundTrip<TRescaleMode>(IDS_RESCALEMODE, "IDS_RESCALEMODE");
  RoundTrip<TApplyColRow>(IDS_APPLYCOLROW, "IDS_APPLYCOLROW");
  RoundTrip<TDistMode>(DistModeId, "DistModeId");
}

TEST(NameTables, TablesMatchTheirEnumerations) {
  // The tables sized by the enumerations' value counts, and a few names
  // spelled as the values.
  static_assert(xmlMouseActMode.size() == maZoomPanColors + 1);
  static_assert(xmlCrossHMode.size() == chBox + 1);
  static_assert(IDS_RESCALEMODE.size() == sctUndefined + 1);
  static_assert(xmlLanguage.size() == lgSpanish + 1);
  EXPECT_EQ(ValueToName(xmlMouseActMode, maZoomWindPos), u"maZoomWindPos");
  EXPECT_EQ(ValueToName(xmlMouseActMode, maZoomPanColors), u"maZoomPanColors");
  EXPECT_EQ(ValueToName(xmlDateForTime, dtOnePerDay), u"dtOnePerDay");
  EXPECT_EQ(ValueToName(CSVDELIMITERIDS, csvUnknown), u"undefined");
  EXPECT_EQ(ValueToName(CSVDELIMITERIDS, csvTab), u"tab");
  EXPECT_EQ(ValueToName(DistModeId, dmEuclidSqr), u"squared Euclidean");
  EXPECT_EQ(ValueToName(DistModeId, dmUserDef), u"user defined");
}

}  // namespace
}  // namespace zel
