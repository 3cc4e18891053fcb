// Finding, counting and replacing substrings and characters.
//
// Positions count from 1 and 0 means "not found". Occurrences are found left
// to right and never overlap: after an occurrence the search resumes behind
// it. Case-insensitive matching folds the ASCII letters only (A-Z, a-z); every
// other character, accented letters included, must match exactly. An empty
// substring is never found. Nothing here raises; out-of-range positions and
// counts give 0 or the empty string.
//
// Cost: linear in the text for the single searches (std::u16string_view
// find), plus one folded copy of each operand when case is ignored.
#pragma once

#include <vector>

#include "zel/runtime/types.h"

namespace zel {

// Position in Text of the N-th occurrence of Sub that begins at or after
// Start (below 1 counts as 1), letter case ignored when IgnoreCase is true.
// 0 for N <= 0 or fewer than N occurrences.
// NumberedPos("a", "banana", 3, 1, false) = 4.
ZEL_API int32_t NumberedPos(const String& Sub, const String& Text, int32_t Start, int32_t N,
                            bool IgnoreCase);
// The same search for Sub in Text backwards (IgnoreCase as there): occurrences
// lying wholly within 1..Start (Start clamped to 1..length), the first one
// ending closest to Start, each further one ending before the previous one
// begins. Returns the start position of the N-th.
// NumberedPosBw("a", "banana", 6, 2, false) = 4.
ZEL_API int32_t NumberedPosBw(const String& Sub, const String& Text, int32_t Start, int32_t N,
                              bool IgnoreCase);
// Position of the last of the non-overlapping occurrences of Sub in Text found
// left to right (PosLast("aa", "aaa") = 1).
ZEL_API int32_t PosLast(const String& Sub, const String& Text);

// 1-based index of the first element of List equal to Text, 0 if none. The
// second form with CaseSensitive false compares ASCII-folded.
ZEL_API int32_t StringIx(const String& Text, const std::vector<String>& List);
ZEL_API int32_t StringIx(const String& Text, bool CaseSensitive, const std::vector<String>& List);

// Number of non-overlapping occurrences of Sub in Text (0 for an empty Sub),
// letter case ignored unless CaseSensitive is true.
ZEL_API int32_t CountStringInString(const String& Sub, const String& Text, bool CaseSensitive);
// Number of characters of Text equal to Ch (ASCII letters folded unless
// CaseSensitive).
ZEL_API int32_t CountCharInString(Char Ch, const String& Text, bool CaseSensitive);

// Text with every occurrence of OldStr replaced by NewStr, letter case ignored
// when IgnoreCase is true. The search continues behind the inserted text, so
// inserted text is never searched again: ("aaa", "a", "aa") -> "aaaaaa". An
// empty OldStr leaves the text unchanged.
ZEL_API String ReplaceStringInString(const String& Text, const String& OldStr, const String& NewStr,
                                     bool IgnoreCase);

// Character sets are strings of characters with these abbreviations expanded:
// "//dig" the digits, "//lc" a-z, "//uc" A-Z, "//31dwn" the codes 0..31,
// "//128up" the codes 128..255. Only codes up to 255 can be members; set
// characters above 255 are ignored.
// StringContains: some character of Text is in the set CharSet; false for an
// empty Text.
ZEL_API bool StringContains(const String& Text, const String& CharSet);
// StringContainsOtherThan: some character of Text is not in the set CharSet,
// written as for StringContains (every character above 255 counts as not in
// it); false for an empty Text.
ZEL_API bool StringContainsOtherThan(const String& Text, const String& CharSet);

// Position of the first character of Text other than a blank (code 32); 0
// when there is none.
ZEL_API int32_t FindFirstNonBlank(const String& Text);
// Position of the first digit "0".."9" in Text; 0 when there is none.
ZEL_API int32_t FindFirstDigit(const String& Text);

// True when the longest run of capitals A-Z is longer than 1 and longer than
// the number of a-z and 0-9 characters in the whole text ("USA", "ABc",
// "XYZ-3" are abbreviations; "Ab", "ABcd", "A" are not).
ZEL_API bool IsAbbreviation(const String& Text);

}  // namespace zel
