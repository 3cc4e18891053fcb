// Names of enumeration values, as files written by the library store them.
//
// Each table is indexed by the enumeration's ordinal. Reading a name back
// compares exactly (case-sensitive) over the table in ordinal order; the
// first match wins. Note xmlVarKind holds "bool" in lower case for the value
// Bool, so "Bool" is not found.
//
// The tables are constant data (no start-up work); lookups are linear over a
// handful of entries.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "zel/base/types.h"

namespace zel {

// One name in a table: a view of constant text.
using TNameTableEntry = std::u16string_view;

// Names of the TVerticalAlignment values.
inline constexpr std::array<TNameTableEntry, 3> xmlVerticalAlignment = {u"vaTop", u"vaCenter",
                                                                        u"vaBottom"};
// Names of the TAlignment values.
inline constexpr std::array<TNameTableEntry, 3> xmlAlignment = {u"taLeftJustify", u"taRightJustify",
                                                                u"taCenter"};
// Names of the TBkgFill values.
inline constexpr std::array<TNameTableEntry, 3> xmlBkgFill = {u"bfSimple", u"bfStretch", u"bfTile"};
// Names of the TBoundingBox values.
inline constexpr std::array<TNameTableEntry, 3> xmlBoundingBox = {u"bbNone", u"bbFrame",
                                                                  u"bbFaces"};
// Names of the TColorScheme values.
inline constexpr std::array<TNameTableEntry, 2> xmlColorScheme = {u"csBWG", u"csSystem"};
// Names of the TFigType values.
inline constexpr std::array<TNameTableEntry, 5> xmlFigType = {u"ftNoFigs", u"ftNum", u"ftTime",
                                                              u"ftDateTime", u"ftUserText"};
// Names of the TScaleType values.
inline constexpr std::array<TNameTableEntry, 4> xmlScaleType = {u"sctXB", u"sctXT", u"sctYL",
                                                                u"sctYR"};
// Names of the TYearLength values.
inline constexpr std::array<TNameTableEntry, 3> xmlYearLength = {u"ylNone", u"ylYY", u"ylYYYY"};
// Names of the TDateOrder values.
inline constexpr std::array<TNameTableEntry, 3> xmlDateOrder = {u"doMMDDYY", u"doDDMMYY",
                                                                u"doYYMMDD"};
// Names of the TDateForTime values.
inline constexpr std::array<TNameTableEntry, 4> xmlDateForTime = {u"dtNone", u"dtOnePerChart",
                                                                  u"dtOnePerDay", u"dtAllTicks"};
// Names of the TShadowStyle values.
inline constexpr std::array<TNameTableEntry, 2> xmlShadowStyle = {u"ssFlying", u"ssBox"};
// Names of the TFrameStyle values.
inline constexpr std::array<TNameTableEntry, 6> xmlFrameStyle = {
    u"fsNone", u"fsSimple", u"fsLowered", u"fsRaised", u"fsEmbossed", u"fsEngraved"};
// Names of the TTimeFormat values.
inline constexpr std::array<TNameTableEntry, 3> xmlTimeFormat = {u"tfHHMMSS", u"tfHHhMM",
                                                                 u"tfAMPM"};
// Names of the TDirection values.
inline constexpr std::array<TNameTableEntry, 4> xmlDirection = {u"dirUpward", u"dirDownward",
                                                                u"dirLeftward", u"dirRightward"};
// Names of the TLanguage values.
inline constexpr std::array<TNameTableEntry, 5> xmlLanguage = {
    u"lgUnknown", u"lgEnglish", u"lgGerman", u"lgFrench", u"lgSpanish"};
// Names of the TVarKind values ("bool" for Bool).
inline constexpr std::array<TNameTableEntry, 7> xmlVarKind = {u"rnum", u"dnum", u"snum", u"inum",
                                                              u"lnum", u"bool", u"strg"};
// Names of the TMouseBoxState values.
inline constexpr std::array<TNameTableEntry, 4> xmlMouseBoxState = {u"msNormal", u"msFirstCorner",
                                                                    u"msRectDraw", u"msFinished"};
// Names of the TMouseActMode values.
inline constexpr std::array<TNameTableEntry, 19> xmlMouseActMode = {
    u"maNone",       u"maPan",        u"maPanHoriz",   u"maPanVert",      u"maPanGrid",
    u"maRubberBand", u"maZoom",       u"maZoomWind",   u"maZoomWindPos",  u"maZoomDrag",
    u"maDragCrossH", u"maDragLabel",  u"maRotate",     u"maRotAndZoom",   u"maRotXOnly",
    u"maRotZOnly",   u"maSelectRect", u"maDrawMTrace", u"maZoomPanColors"};
// Names of the TZoomState values.
inline constexpr std::array<TNameTableEntry, 2> xmlZoomState = {u"zsNormal", u"zsDrawWin"};
// Names of the TCrossHMode values.
inline constexpr std::array<TNameTableEntry, 6> xmlCrossHMode = {
    u"chOff", u"chHoriz", u"chVert", u"chBoth", u"chCrossBox", u"chBox"};
// Names of the TTxtLblMode values.
inline constexpr std::array<TNameTableEntry, 5> xmlTxtLblMode = {u"tlOff", u"tlsimple", u"tlBox",
                                                                 u"tlUnderline", u"tlShadow"};
// Names of the TTxtLblAttachMode values.
inline constexpr std::array<TNameTableEntry, 4> xmlTxtLblAttachMode = {u"tlamNone", u"tlamXOnly",
                                                                       u"tlamYOnly", u"tlamBoth"};
// Names of the TFontStyle values.
inline constexpr std::array<TNameTableEntry, 4> xmlFontStyle = {u"fsBold", u"fsItalic",
                                                                u"fsUnderline", u"fsStrikeOut"};
// Names of the TCSVDelimiters kinds ("undefined" for csvUnknown).
inline constexpr std::array<TNameTableEntry, 6> CSVDELIMITERIDS = {
    u"undefined", u"blank", u"semicolon", u"comma", u"colon", u"tab"};
// Names of the TRescaleMode values.
inline constexpr std::array<TNameTableEntry, 9> IDS_RESCALEMODE = {
    u"sctMeanCenter", u"sctStandardize", u"sctConstSum", u"sctConstSquaredSum", u"sctMaxAbs",
    u"sctRange",      u"sctQNormalize",  u"sctSquash",   u"sctUndefined"};
// Names of the TApplyColRow values.
inline constexpr std::array<TNameTableEntry, 2> IDS_APPLYCOLROW = {u"apColumns", u"apRows"};
// Readable names of the TDistMode values, such as "Jaccard coefficient".
inline constexpr std::array<TNameTableEntry, 6> DistModeId = {
    u"Jaccard coefficient", u"Manhattan",        u"Euclidean",
    u"squared Euclidean",   u"Dice coefficient", u"user defined"};

// The ordinal of the first entry of Table equal to Name, or -1.
ZEL_API int IndexOfName(std::span<const TNameTableEntry> Table, std::u16string_view Name);

// The value whose name is Name, or nothing when the table has no such entry.
//   auto v = NameToValue<TVarKind>(xmlVarKind, u"bool");   // Bool
template <typename E, size_t N>
std::optional<E> NameToValue(const std::array<TNameTableEntry, N>& Table,
                             std::u16string_view Name) {
  const int i = IndexOfName(Table, Name);
  if (i < 0) return std::nullopt;
  return static_cast<E>(i);
}

// The name of a value; empty for an ordinal outside the table.
template <typename E, size_t N>
TNameTableEntry ValueToName(const std::array<TNameTableEntry, N>& Table, E Value) {
  const auto i = static_cast<size_t>(Value);
  return i < N ? Table[i] : TNameTableEntry();
}

}  // namespace zel
