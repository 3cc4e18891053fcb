// Conversions between numbers and text, rounding and ASCII case folding.
//
// Number texts use "." as decimal point; no locale is consulted unless a
// function says so.
#pragma once

#include "zel/runtime/types.h"

namespace zel {

ZEL_API String IntToStr(int64_t Value);
// Raises EConvertError ""<text>" is not a valid integer value" for text that
// is not a 32-bit decimal (or "$"/"0x" hexadecimal) integer.
ZEL_API int32_t StrToInt(const String& S);
// Upper-case hexadecimal, at least Digits digits (no prefix).
ZEL_API String IntToHex(int64_t Value, int Digits);

// Rounds to the nearest integer, halves to even. Raises EIntOverflow when the
// result does not fit 64 bits (NaN and infinities included).
ZEL_API int64_t Round(long double X);
// Drops the fraction (toward zero); raises EIntOverflow like Round.
ZEL_API int64_t Trunc(long double X);
ZEL_API long double Frac(long double X);

// Fold "A".."Z" / "a".."z" only.
ZEL_API String LowerCase(const String& S);
ZEL_API String UpperCase(const String& S);
ZEL_API Char LowerCaseChar(Char C);
ZEL_API Char UpperCaseChar(Char C);

}  // namespace zel
