// Numbers, Booleans and durations as text with exact widths.
//
// Every floating-point text here comes from the fixed conversion StrReal
// (zel/runtime/realstr.h): "." as decimal point, no group separators, no
// locale, the width a minimum (text right-aligned, never cut), digits after
// the 18th significant one written as zeros. The exponent form of this module
// has a two-digit exponent: strff(x, n + 6, -2) gives n significant digits in
// exactly n + 6 characters, " 1.235E+02" for n = 4, and a field of asterisks
// of the same length when the decimal exponent needs three or more digits.
//
// Bad input never raises: non-finite values give "NaN", "Inf" or "-Inf" (the
// exponent path of FormatData, SigDigStr and AutoFormatData; never zero
// padded, never turned into asterisks), widths and decimal counts above
// kMaxRealStrWidth (4096) are clamped as StrReal clamps them.
//
// All functions are free, keep no state and cost one or two allocations.
#pragma once

#include "zel/runtime/types.h"

namespace zel {

// The value with Width and Decimals.
//   Decimals = -2: exponent form in a field of |Width| characters, with
//     |Width| - 6 significant digits (at least two) and a two-digit exponent;
//     asterisks instead when the exponent is 100 or more in magnitude:
//     strff(1.5, 10, -2) = " 1.500E+00", strff(1e100, 10, -2) = "**********".
//   Decimals >= 0: plain form with that many decimals in |Width| characters:
//     strff(3.14159, 8, 3) = "   3.142". Other negative counts give the
//     exponent form with four exponent digits of StrReal.
//   Non-finite values: "NaN", "Inf", "-Inf" right-aligned in |Width|.
//   Width < 0: zero padding; the sign stands first: strff(-3.5, -8, 2) =
//     "-0003.50", strff(42, -5, 0) = "00042" (not for non-finite values,
//     which stay blank-padded).
ZEL_API String strff(long double Value, int32_t Width, int32_t Decimals);

// As strff(Value, Width, Decimals), with a "+" for values that are not negative
// (NaN included): the last leading blank becomes "+" (" 3.50" -> "+3.50"), else
// a leading zero of the padding ("0003.50" -> "+003.50"), else "+" is put in
// front ("0" -> "+0"). Negative values keep strff's text.
ZEL_API String strffForcePlus(long double Value, int32_t Width, int32_t Decimals);

// Plain form with Decimals (0..8) when |Value| lies in the range of that
// count, from one unit of the last decimal up to nine nines (999999999 for 0
// decimals ... 0.99999999 for 8); zero is always plain. Otherwise, and for
// Decimals outside 0..8 and non-finite values, strff(Value, Width + 6, -2):
// the exponent form with Width significant digits.
// FormatData(0.5, 6, 0) = " 5.00000E-01"; FormatData(0, 6, 0) = "     0".
ZEL_API String FormatData(double Value, int32_t Width, int32_t Decimals);

// Value with Sig significant digits in a field of Width: plain form when the
// digits fit the field, otherwise the exponent form in max(Width, Sig + 6)
// characters. Zero is written plain with Sig - 1 decimals (0 decimals for Sig
// below 1). The digit count before the point is taken from the decimal
// logarithm (ln |Value| / 2.302585092994046, in extended precision), as the
// library always did, so exact powers of ten count one digit less than they
// have (1000 counts as three). Non-finite values give the exponent-path text
// ("NaN", "Inf", "-Inf") right-aligned in max(Width, Sig + 6). With Trim,
// leading and trailing blanks are removed.
ZEL_API String SigDigStr(double Value, int32_t Width, int32_t Sig);
ZEL_API String SigDigStr(double Value, int32_t Width, int32_t Sig, bool Trim);

// Value with Sig (clamped to 2..16) significant digits and no blanks: plain
// exactly when the decimal logarithm lies strictly between -1 and Sig - 1,
// exponent form otherwise. For Sig 4: 0.5 -> "0.500", 12.5 -> "12.50",
// 0.05 -> "5.000E-02", 1234 -> "1.234E+03"; zero -> "0.000". With Comma every
// "." becomes ",".
ZEL_API String AutoFormatData(double Value, int32_t Sig);
ZEL_API String AutoFormatData(double Value, int32_t Sig, bool Comma);

// Decimal digits of Value in groups of three from the right, Separator between
// groups: 1234567 -> "1,234,567", -1000 -> "-1,000". The whole int64 range
// works.
ZEL_API String IntToStrGrouped(int64_t Value, Char Separator);

// IfTrue when Flag is true, else IfFalse.
ZEL_API String BinString(bool Flag, const String& IfTrue, const String& IfFalse);

// Flag as one of eight word pairs by Style: 0 TRUE/FALSE, 1 T/F, 2 .T./.F.,
// 3 1/0, 4 -1/0, 5 FF/00, 6 YES/NO, 7 GOOD/BAD; any other style as 0.
ZEL_API String BoolToStr(bool Flag, int32_t Style);

// A duration of Seconds as hours, minutes, seconds and hundredths, by Format:
//   0 "05:07:09.25"  1 "05:07:09"  2 " 5h07"  3 " 5h07'09\""  4 "05:07"
//   5 " 5:07a" (12-hour clock: hour 0 as 12, 13 and more less 12, "p" from 12)
//   6 and more: "".
// Negative and NaN durations count as 0. Hours are written in full; they are
// not wrapped at 65536. Durations above 3.6e15 s (10^12 hours), infinity
// included, are taken as 3.6e15 s. Seconds and hundredths are cut from the
// shortest decimal form of Seconds (the value as written), so 4.35 shows
// "04.35" and 4.359 "04.35", never a hundredth less through binary rounding.
ZEL_API String TimeString(double Seconds, uint8_t Format);

// Text without leading and trailing blanks, with blanks in front so that its
// first DecimalChar stands in column Column (1-based). A text without
// DecimalChar gets Column blanks; one whose DecimalChar already stands at or
// after Column is returned trimmed. Column is clamped to 4096.
ZEL_API String SortableNumericString(const String& Text, Char DecimalChar, int32_t Column);

}  // namespace zel
