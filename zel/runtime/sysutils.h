// Conversions between numbers and text, rounding, case folding and dates.
//
// Number texts use "." as decimal point; no locale is consulted unless a
// function says so. StrToFloat and FloatToStr use the decimal separator of
// FormatSettings (default "."), which is the library's own setting and never
// taken from the process locale.
#pragma once

#include "zel/runtime/types.h"

namespace zel {

// Value in decimal, with "-" when negative.
ZEL_API String IntToStr(int64_t Value);
// The integer S stands for. Raises EConvertError ""<text>" is not a valid
// integer value" for text that is not a 32-bit decimal (or "$"/"0x" hexadecimal) integer.
ZEL_API int32_t StrToInt(const String& S);
// Value in upper-case hexadecimal, at least Digits digits (no prefix; at most
// 32 are added). A negative Value is written as its 64-bit two's complement.
ZEL_API String IntToHex(int64_t Value, int Digits);

// Rounds X to the nearest integer, halves to even. Raises EIntOverflow when the
// result does not fit 64 bits (NaN and infinities included).
ZEL_API int64_t Round(long double X);
// Drops the fraction of X (toward zero); raises EIntOverflow like Round.
ZEL_API int64_t Trunc(long double X);
// The fraction of X: X less its integral part, with the sign of X (NaN for
// NaN and infinities).
ZEL_API long double Frac(long double X);

// S with "A".."Z" folded to "a".."z"; no other character changes.
ZEL_API String LowerCase(const String& S);
// S with "a".."z" folded to "A".."Z"; no other character changes.
ZEL_API String UpperCase(const String& S);
// C folded as by LowerCase.
ZEL_API Char LowerCaseChar(Char C);
// C folded as by UpperCase.
ZEL_API Char UpperCaseChar(Char C);

// ---- floating-point text ----------------------------------------------------

// The runtime's format settings. Process-wide; not thread-safe to change.
struct TFormatSettings {
  Char DecimalSeparator = u'.';  // the decimal point of StrToFloat and FloatToStr
  Char DateSeparator = u'/';     // what "/" in a FormatDateTime pattern writes
  Char TimeSeparator = u':';     // what ":" in a FormatDateTime pattern writes
};
// The settings used when a function is given none.
ZEL_API extern TFormatSettings FormatSettings;

// Reads the decimal floating-point text S, with the decimal separator of
// Settings (default FormatSettings): optional blanks, an optional sign,
// digits with at most one decimal separator (at least one digit in all), an
// optional exponent ("E" or "e", optional sign, digits), optional blanks.
// The value is the long double nearest the text. Raises EConvertError
// ""<text>" is not a valid floating point value" for anything else,
// including values beyond the extended range.
ZEL_API long double StrToFloat(const String& S);
ZEL_API long double StrToFloat(const String& S, const TFormatSettings& Settings);
// As StrToFloat(S, Settings), but stores the result in Value and reports
// failure by returning false (Value is then 0).
ZEL_API bool TryStrToFloat(const String& S, long double& Value);
ZEL_API bool TryStrToFloat(const String& S, long double& Value, const TFormatSettings& Settings);

// Value in general format with 15 significant digits, with the decimal
// separator of Settings (default FormatSettings): fixed notation when the value
// has at most 15 integral digits and is at least 0.0001 in magnitude,
// otherwise scientific notation ("1E-5", "1.5E-6", "1E20"); trailing zeros and a
// trailing separator are removed; 0 gives "0", NaN "NAN", infinities "INF"
// and "-INF".
ZEL_API String FloatToStr(long double Value);
ZEL_API String FloatToStr(long double Value, const TFormatSettings& Settings);

// The decimal text S to extended in Value: leading blanks, an optional sign, digits with an
// optional "." and an optional exponent ("E"/"e", optional sign, digits).
// Code is 0 when the whole text was used; otherwise it is the 1-based
// position of the first character that could not be used (the length + 1
// when the text ended too early, e.g. "" or "1E") and Value is 0. A number
// beyond the extended range also fails, with Code at its first character.
// Never raises; "." is the only decimal point.
ZEL_API void Val(const String& S, long double& Value, int& Code);

// ---- locale-aware case folding ----------------------------------------------

// S upper-cased. Case mapping of every letter of the Basic Multilingual Plane by the
// Unicode simple (one-to-one) case mappings, the same in every process
// locale: "äöü" <-> "ÄÖÜ", "σ" <-> "Σ". Characters without a one-to-one
// mapping ("ß") and surrogates stay as they are; the length never changes.
ZEL_API String AnsiUpperCase(const String& S);
// S lower-cased by the same mappings.
ZEL_API String AnsiLowerCase(const String& S);
// C upper-cased as by AnsiUpperCase.
ZEL_API Char AnsiUpperCaseChar(Char C);
// C lower-cased as by AnsiLowerCase.
ZEL_API Char AnsiLowerCaseChar(Char C);

// ---- dates and times --------------------------------------------------------
//
// A TDateTime counts days since 30 December 1899 in its integral part; the
// fraction is the time of day (for negative values the fraction's magnitude,
// so -1.25 is 29 December 1899, 06:00). Valid dates are 0001-01-01 to
// 9999-12-31 (TDateTime -693593 up to, not including, 2958466).

// The date Year-Month-Day (Year 1..9999). Raises EConvertError "Invalid
// argument to date encode" for fields out of range.
ZEL_API TDateTime EncodeDate(int Year, int Month, int Day);
// The time of day Hour:Min:Sec.MSec as a fraction of a day (Hour 0..23, Min
// and Sec 0..59, MSec 0..999). Raises EConvertError "Invalid argument to time
// encode" for fields out of range.
ZEL_API TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
// Splits DateTime into Year, Month and Day. Raises EConvertError "Invalid
// date/time value" outside the valid range (NaN and infinities included).
// The time is rounded to the millisecond.
ZEL_API void DecodeDate(TDateTime DateTime, int& Year, int& Month, int& Day);
// Splits the time of day of DateTime into Hour, Min, Sec and MSec, rounded to
// the millisecond; raises like DecodeDate.
ZEL_API void DecodeTime(TDateTime DateTime, int& Hour, int& Min, int& Sec, int& MSec);
// Day of the week of DateTime, 1 = Sunday .. 7 = Saturday; raises like
// DecodeDate.
ZEL_API int DayOfWeek(TDateTime DateTime);

// The current local date and time, to the millisecond.
ZEL_API TDateTime Now();

// Formats DateTime by the pattern Format, with the separators of Settings
// (default FormatSettings). Pattern letters (any case):
//   yyyy / yy / y   year with four / two digits (y: two)
//   m / mm          month without / with leading zero; directly after an
//                   hour field (h, hh, ignoring literals between) they are
//                   minutes instead
//   mmm / mmmm      short / long English month name ("Jan", "January")
//   d / dd          day without / with leading zero
//   ddd / dddd      short / long English day name ("Sun", "Sunday")
//   h / hh          hour (24-hour clock, or 12-hour when am/pm is present)
//   n / nn          minutes
//   s / ss          seconds
//   z / zzz         milliseconds without / with leading zeros
//   am/pm, a/p      "am"/"pm" or "a"/"p", written in the pattern's case
//   /  :            Settings.DateSeparator / TimeSeparator
//   "text" 'text'   literal text (an unterminated quote runs to the end)
// Every other character is copied. Raises EConvertError like DecodeDate.
ZEL_API String FormatDateTime(const String& Format, TDateTime DateTime);
ZEL_API String FormatDateTime(const String& Format, TDateTime DateTime,
                              const TFormatSettings& Settings);

}  // namespace zel
