// Numbers at the start of a text, the way the registry readers and the save
// dialog's parameters take them: from the first character, as far as the
// number goes, the rest ignored.
#pragma once

#include <cstdint>

#include "zel/export.h"
#include "zel/runtime/types.h"

namespace zel {

// The decimal integer at the start of Text: spaces skipped, one optional '+'
// or '-', then digits up to the first character that is not one. No digits
// give 0. A value beyond the 32-bit range gives the nearest limit (2147483647
// or -2147483648).
//   " -12abc" -> -12,  "+7" -> 7,  "x1" -> 0,  "99999999999" -> 2147483647
ZEL_API int32_t ScanTextDecimal(const String& Text);

// A floating-point number with the grammar of ScanStreamFPNum (zel/streams):
// optional sign, digits, a decimal separator accepted per DecPChar (1 full
// stop, 2 comma, 3 both, other none), fraction digits and, with AllowExp, an
// exponent "E"/"e" with optional sign; a malformed number gives 0, magnitudes
// beyond the double range give +-1.7e308. In this text form only space
// characters are skipped before the number (a TAB or line break there makes
// the text not a number) and the end of the text ends the number like a
// letter.
//   ScanTextFPNum("3,5", true, 3) -> 3.5,  ScanTextFPNum(" 1e3x", true, 3) -> 1000
ZEL_API double ScanTextFPNum(const String& Text, bool AllowExp, int32_t DecPChar);

}  // namespace zel
