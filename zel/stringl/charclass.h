// Character classes on code values.
//
// The classes are fixed sets of codes and never consult the platform's locale:
// a digit is "0".."9", a letter is "A".."Z" or "a".."z" (accented letters are
// not letters here), a hex character is a digit or "A".."F"/"a".."f", an umlaut
// is one of the seven characters "äöüÄÖÜß". A control character has a code
// below 32 (tab, line feed and carriage return included). All functions are
// O(1) per character and never raise.
#pragma once

#include "zel/runtime/types.h"

namespace zel {

// True when C is one of the ASCII digits 0..9.
inline constexpr bool IsDigit(Char C) noexcept { return C >= u'0' && C <= u'9'; }
// True when C is an ASCII letter A..Z or a..z.
inline constexpr bool IsLetter(Char C) noexcept {
  return (C >= u'A' && C <= u'Z') || (C >= u'a' && C <= u'z');
}
// True when C is an ASCII digit or letter.
inline constexpr bool IsDigitLetter(Char C) noexcept { return IsDigit(C) || IsLetter(C); }
// True when C is a hex character: 0..9, A..F or a..f.
inline constexpr bool IsHexChar(Char C) noexcept {
  return IsDigit(C) || (C >= u'A' && C <= u'F') || (C >= u'a' && C <= u'f');
}
// True when C is one of ä ö ü Ä Ö Ü ß (codes 228, 246, 252, 196, 214, 220, 223).
inline constexpr bool IsUmlaut(Char C) noexcept {
  return C == 228 || C == 246 || C == 252 || C == 196 || C == 214 || C == 220 || C == 223;
}

// True when every character of S is a hex character; true for the empty text.
ZEL_API bool IsAllHex(const String& S);
// True when every character of S is a digit; true for the empty text.
ZEL_API bool IsAllDec(const String& S);
// True when S is not empty and every character equals C.
ZEL_API bool TestAllChar(const String& S, Char C);
// Number of characters of S with a code below 32.
ZEL_API int32_t CountControlChars(const String& S);

}  // namespace zel
