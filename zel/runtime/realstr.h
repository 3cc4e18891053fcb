// The fixed-width real-to-text conversion: a long double written with a field
// width and a count of decimals. Every number text of the library goes through
// it. No locale is consulted: the decimal point is always "." and there are no
// group separators.
//
// StrReal(Value, Width, Decimals)
//   Decimals >= 0, plain form: an optional "-", the integral digits (a single
//     "0" when the magnitude rounds below one), and for Decimals > 0 a "." and
//     exactly Decimals digits. 3.14159 / 8 / 3 -> "   3.142".
//   Decimals < 0, exponent form: a sign position (blank, or "-" for negative
//     values), one non-zero digit ("0" for zero), ".", Width - 9 digits (at
//     least one), "E", the exponent sign and four exponent digits; the text
//     then fills a field of Width >= 10 exactly. 1.5 / 10 / -2 -> " 1.5E+0000".
//   The text is right-aligned by leading blanks in a field of Width; Width is
//   a minimum, a longer text is never cut. Negative widths count as 0.
//
// Digits. The value is rounded correctly from its exact binary value (exact
// integer arithmetic on the 64-bit mantissa) to the last digit written, or to
// 18 significant digits when that is earlier: digits after the 18th
// significant one are written as zeros, so 1/3 with 25 decimals is
// "0.3333333333333333333300000" and 2^64 with 0 decimals is
// "18446744073709551600". A value exactly half-way between two results is
// rounded away from zero (0.125 with 2 decimals -> "0.13").
//
// Signs. A negative value that rounds to zero keeps its "-" ("-0.00"); negative
// zero is written without sign, like zero.
//
// Non-finite values. NaN is "NaN", infinities are "Inf" and "-Inf", in both
// forms, right-aligned in the field. The encodings the FPU rejects as invalid
// operands (unnormals, pseudo-NaN, pseudo-infinity) are written "NaN" as
// well; pseudo-denormals are read as the FPU reads them. They hold no "E", so callers that look
// for an exponent leave them alone.
//
// Limits. Width and Decimals are clamped to kMaxRealStrWidth (4096): a field
// wider than that is filled only to 4096 characters and more than 4096
// decimals are not written. This keeps a bad width (say two thousand million)
// from allocating gigabytes; the longest possible text is then about 9050
// characters (4933 integral digits of the largest long double plus 4096
// decimals).
//
// Cost: one allocation for the result. Values whose scaled digits fit 128-bit
// arithmetic (roughly 1e-19 ... 1e38 at the usual digit counts) take a fast
// path; others use a short big-integer computation (a few microseconds at
// the extremes of the exponent range).
#pragma once

#include "zel/runtime/types.h"

namespace zel {

// The largest Width and Decimals StrReal honours.
inline constexpr int32_t kMaxRealStrWidth = 4096;

// Value as text in a field of Width characters with Decimals decimals (a
// negative Decimals selects the exponent form), as described above.
ZEL_API String StrReal(long double Value, int32_t Width, int32_t Decimals);

}  // namespace zel
