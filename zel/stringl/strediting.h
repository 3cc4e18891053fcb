// Edited copies of strings: trimming, padding, replacing and removing
// characters, case changes, and reduction to restricted alphabets.
//
// Every function returns a new string and leaves its arguments alone. "Blank"
// means code 32 only (tabs are not blanks); a control character has a code
// below 32. Character classes are code ranges, not the locale (see
// charclass.h); only ChangeCase uses a case mapping beyond ASCII. All run in
// time linear in the text and never raise (except std::bad_alloc).
#pragma once

#include "zel/runtime/types.h"

namespace zel {

// S with blanks removed at both ends; a text of blanks only gives the empty
// string.
ZEL_API String StripLTBlanks(const String& S);
// S with blanks removed at the start; a text of blanks only gives the empty
// string.
ZEL_API String StripLeadingBlanks(const String& S);
// S with blanks removed at the end; a text of blanks only gives the empty
// string.
ZEL_API String StripTrailingBlanks(const String& S);
// S with all leading copies of C removed ("007" -> "7" for "0").
ZEL_API String StripLeadingChars(Char C, const String& S);
// S with all trailing copies of C removed ("700" -> "7" for "0").
ZEL_API String StripTrailingChars(Char C, const String& S);

// S with every OldChar replaced by NewChar.
ZEL_API String ReplaceCharInString(const String& S, Char OldChar, Char NewChar);
// S with every copy of C removed.
ZEL_API String RemoveCharInString(const String& S, Char C);
// S with every run of two or more copies of C reduced to one ("a,,b" -> "a,b").
ZEL_API String RemoveMultiChars(const String& S, Char C);
// S with the characters with codes below 32 removed.
ZEL_API String RemoveControlChars(const String& S);
// S with the characters with codes below 32 replaced by C.
ZEL_API String ReplaceControlChars(const String& S, Char C);

// "\" appended unless S already ends with it; "" stays "".
ZEL_API String EnsureTrailingBkSlash(const String& S);
// C appended unless S already ends with it; "" stays "".
ZEL_API String EnsureTrailingChar(Char C, const String& S);
// C put in front unless S already begins with it; "" stays "".
ZEL_API String EnsureLeadingChar(Char C, const String& S);

// Fields of Width characters. When S is at least Width long, all three give
// its first Width characters (the start of the text is kept). Otherwise S is
// padded with blanks: on the right (LeftString), on the left (RightString),
// or on both sides with the odd blank on the right (CenterString).
ZEL_API String LeftString(const String& S, uint8_t Width);
// S padded with blanks on the left to Width characters; its first Width
// characters when S is at least Width long.
ZEL_API String RightString(const String& S, uint8_t Width);
// S padded with blanks on both sides to Width characters, the odd blank on
// the right; its first Width characters when S is at least Width long.
ZEL_API String CenterString(const String& S, uint8_t Width);

// C repeated Count times, Count clamped to 1..255 (0 or less gives one C).
ZEL_API String MultiChar(Char C, int32_t Count);
// The UTF-16 code units of S in reverse order.
ZEL_API String ReverseString(const String& S);
// S when it has at most MaxLen characters; otherwise its first MaxLen - 2
// characters and "..", MaxLen in all ("" + ".." for MaxLen below 2).
ZEL_API String AbbrevString(const String& S, int32_t MaxLen);

// S with "a".."z" upper-cased at the start of each word. Letters and characters
// above code 127 are word characters, digits continue a word without being
// changed, every other character up to code 127 starts a new word. Characters
// above 127 are never changed ("élan vital" -> "élan Vital").
ZEL_API String CapitalizeString(const String& S);
// Swaps the case of every letter with the runtime's case mapping
// (AnsiUpperCaseChar / AnsiLowerCaseChar: the one-to-one Unicode mappings of
// the Basic Multilingual Plane, the same in every process); characters
// without a one-character case partner ("ß") stay as they are.
ZEL_API String ChangeCase(const String& S);
// S with umlauts expanded: ä ö ü ß µ -> "ae" "oe" "ue" "ss" "u"; Ä Ö Ü ->
// "Ae"/"AE", "Oe"/"OE", "Ue"/"UE": lower-case "e" when the next character is
// "a".."z".
ZEL_API String ExpandDiphthongs(const String& S);
// S with every character other than "0".."9", "A".."Z", "a".."z" turned
// into "_".
ZEL_API String ReduceStringToAZ09(const String& S);
// S with every character that is not allowed in an 8.3 file name turned into
// "_"; kept are
// ! # $ % & ' ( ) - . 0-9 @ A-Z ^ _ ` a-z { } ~.
ZEL_API String ReduceStringToFN83CompliantChars(const String& S);
// S with runs of two or more blanks turned into one tab; with ColonTab, ": "
// and the blanks behind it become ":" and a tab; with PlusMinusTab, " +/-" and
// the blanks behind it become a tab and "+/-".
// "x: 5.0 +/- 0.1" with both flags -> "x:\t5.0\t+/-0.1".
ZEL_API String ConvertToTabs(const String& S, bool ColonTab, bool PlusMinusTab);

}  // namespace zel
