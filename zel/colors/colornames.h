// Colour names, palettes, the predefined colours and the hexadecimal form of a
// TColor.
//
// Hexadecimal form: the whole 32-bit TColor (flag byte included) as exactly 8
// upper-case hexadecimal digits without prefix, most significant first; pure
// red (red is the low byte) is "000000FF". It is the form colour-array files
// and parameter lists use.
//
// Tables (read-only, 0-based, constant-initialised: no start-up work):
// - AllZELColors / AllZELColorNames: 466 named colours. The 16 basic colours
//   first (Black, Maroon, Green, Olive, Navy, Purple, Teal, Gray, Silver, Red,
//   Lime, Yellow, Blue, Fuchsia, Aqua, White), then MoneyGreen, Cream and
//   MedGray, then 447 further names in case-insensitive alphabetical order,
//   many followed by numbered variants 1-4. Several names share a value
//   (Aqua, Cyan and Cyan1 are all 00FFFF00).
// - X11Colors: the 145 colours of the X11/CSS list, in alphabetical order of
//   their names (Aqua/Cyan, Fuchsia/Magenta and the four Web* colours appear
//   under both names).
// - PredefinedColors / PredefinedColorNames: the 16 basic colours, MoneyGreen,
//   SkyBlue, Cream, MedGray, then 27 special codes in alphabetical order of
//   their names (ActiveBorder ... WindowText).
// - Palettes: support colours for TColorArray::FillByInterpolation.
//
// Special colour codes. A TColor whose flag byte is FF is a system colour: its
// low byte is the index of a colour of the desktop theme (0 ScrollBar,
// 1 Background, 2 ActiveCaption, ... 24 InfoBk, the usual numbering).
// 1FFFFFFF means "no colour" (None) and 20000000 "the default colour"
// (Default). The conversion functions of colormodels.h ignore the flag byte;
// ColorToRGB below resolves system colours. This platform has no system
// colour service, so system colours come from one fixed, light desktop theme
// (RGB values, red first):
//   0 ScrollBar        200,200,200   13 Highlight          53,132,228
//   1 Background        58,110,165   14 HighlightText     255,255,255
//   2 ActiveCaption     53,132,228   15 BtnFace           240,240,240
//   3 InactiveCaption  191,205,219   16 BtnShadow         160,160,160
//   4 Menu             246,245,244   17 GrayText          146,149,149
//   5 Window           255,255,255   18 BtnText             0,  0,  0
//   6 WindowFrame      100,100,100   19 InactiveCaptionText 67,78,84
//   7 MenuText          46, 52, 54   20 BtnHighlight      255,255,255
//   8 WindowText         0,  0,  0   21 3DDkShadow        105,105,105
//   9 CaptionText      255,255,255   22 3DLight           227,227,227
//  10 ActiveBorder     205,199,194   23 InfoText            0,  0,  0
//  11 InactiveBorder   222,221,218   24 InfoBk            255,255,225
//  12 AppWorkSpace     171,171,171
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "zel/runtime/types.h"

namespace zel {

inline constexpr size_t kZELColorCount = 466;        // entries of AllZELColors
inline constexpr size_t kX11ColorCount = 145;        // entries of X11Colors
inline constexpr size_t kPredefinedColorCount = 47;  // entries of PredefinedColors

// The named colours, basic colours first (see the file comment).
ZEL_API extern const std::array<TColor, kZELColorCount> AllZELColors;
// Names of AllZELColors, entry for entry ("Black", ..., "Aqua", "Cyan", ...).
ZEL_API extern const std::array<std::u16string_view, kZELColorCount> AllZELColorNames;
// The colours of the X11/CSS list in alphabetical order of their names.
ZEL_API extern const std::array<TColor, kX11ColorCount> X11Colors;
// The basic colours, MoneyGreen, SkyBlue, Cream, MedGray, then the special
// codes (system colours, None and Default) in alphabetical order of their
// names.
ZEL_API extern const std::array<TColor, kPredefinedColorCount> PredefinedColors;
// Names of PredefinedColors, without the "cl" that the long colour name puts
// in front ("Black", ..., "ActiveBorder", ..., "WindowText").
ZEL_API extern const std::array<std::u16string_view, kPredefinedColorCount> PredefinedColorNames;

// Palette, an elevation scale from low to high: blue-gray, four greens, pale
// yellow, four browns from tan to dark, near-white.
ZEL_API extern const std::array<TColor, 11> ColorArray_Geo1;
// Palette, an elevation scale: five blues from deep to pale, then six land
// tones from gray-green to tan.
ZEL_API extern const std::array<TColor, 11> ColorArray_Geo2;
// Palette, an elevation scale: five blues from deep to pale, then olive,
// khaki, yellow, light orange and two browns.
ZEL_API extern const std::array<TColor, 11> ColorArray_Geo3;
// Palette, the rainbow: dark violet, purple, two blues, cyan, green, yellow,
// orange, red and two dark reds. A new TColorArray is filled with it.
ZEL_API extern const std::array<TColor, 11> ColorArray_Rainbow;
// Palette, the hue circle: red, yellow, green, cyan, blue, magenta and red again.
ZEL_API extern const std::array<TColor, 7> ColorArray_Circle;
// Palette, dawn: black, dark blue, purple, crimson, orange, yellow, white.
ZEL_API extern const std::array<TColor, 7> ColorArray_MorgenStemning;
// Palette of 16 mutually distinct colours (black, blue, green, red, ...) for
// telling neighbouring values apart.
ZEL_API extern const std::array<TColor, 16> ColorArray_Contrast;

// Special colour codes.
inline constexpr TColor clNone = 0x1FFFFFFFu;
inline constexpr TColor clDefault = 0x20000000u;         // "the default colour"
inline constexpr TColor kSystemColorFlag = 0xFF000000u;  // flag byte of a system colour
inline constexpr int kSystemColorCount = 25;             // system colour indices 0..24

// The 8-digit hexadecimal form of Color ("000000FF" for red, "FF000005" for
// the system colour 5).
ZEL_API String ColorToHexStr(TColor Color);

// Reads a hexadecimal colour: spaces at both ends are ignored, a leading "$"
// is allowed, digits may be of either case, and the first character that is
// no hexadecimal digit ends the number ("12G4" gives 0x12). More than 8
// digits keep the last 8. The empty text, and a text that starts with no
// digit, give 0. The value is returned whole, flag byte included.
ZEL_API TColor HexStrToColor(const String& Text);

// The name of the first named colour whose value equals the whole 32-bit
// Color (so 000000FF is "Red", not "Red1"); without a match "$" and the
// hexadecimal form ("$00123456"). With LongForm true (false when omitted)
// the result is "$000000FF (clRed)" for a match and the bare "$..." text
// otherwise. System colour codes match no name.
ZEL_API String ObtainColorName(TColor Color);
ZEL_API String ObtainColorName(TColor Color, bool LongForm);

// Looks a colour up by name: the named colours first, then the predefined
// ones (so "Teal", "teal", "clTeal" and "clBtnFace" are found); ASCII
// letters compare without case, an optional "cl" prefix is accepted. Also
// accepts the forms ObtainColorName produces ("$000000FF" and
// "$000000FF (clRed)"). False, Color unchanged, when nothing matches.
ZEL_API bool ColorFromName(const String& Name, TColor& Color);

// The colour to draw for Color: a system colour code (flag byte FF, index
// 0..24) gives the fixed theme colour above; any other value gives its low
// three bytes (None therefore gives white and Default black).
ZEL_API TColor ColorToRGB(TColor Color);

namespace internal {

// Formats the low 4 * Digits bits of Value (Digits limited to 1..16; digits
// beyond the eighth are 0) with upper-case letters into Out, which must hold
// 16 characters; returns the count written.
ZEL_API size_t FormatHexDigits(uint32_t Value, int Digits, Char* Out) noexcept;

// The hexadecimal reader shared by HexStrToColor and colour-array files.
// Pos is 1-based. Skips spaces while Pos is before the last character, then
// reads hexadecimal digits (either case) into a 32-bit value, older digits
// shifting out; a "$" at position 1 of Text is skipped. Stops on the first
// other character and leaves Pos on it (or past the end). Digits, if given,
// receives the number of digits read.
ZEL_API uint32_t ParseHexColor(std::u16string_view Text, size_t& Pos,
                               size_t* Digits = nullptr) noexcept;

}  // namespace internal

}  // namespace zel
