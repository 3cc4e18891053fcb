// Taking lines out of a text, and comparing texts without regard to case.
#pragma once

#include <cstdint>

#include "zel/runtime/types.h"

namespace zel {

// Line-end modes of ReadLnString (the same codes as ReadLnStream's).
inline constexpr int32_t rlsLF = 0;      // a line feed ends the line
inline constexpr int32_t rlsCR = 1;      // a carriage return
inline constexpr int32_t rlsCRorLF = 2;  // either of them
inline constexpr int32_t rlsLFCR = 3;    // a carriage return directly after a line feed
inline constexpr int32_t rlsCRLF = 4;    // a line feed directly after a carriage return
// Any other mode: the rest of the text is one line.

// Reads the line that starts at Position (1-based) and advances Position past
// its line end. Characters from code 32 up are kept; control characters
// (codes below 32) are never part of the line: the one the mode names ends
// it, the others are dropped ("directly after" looks at the character read
// just before in the same call, so in mode 4 a lone CR or LF is dropped and
// "a" LF "b" CR LF gives "ab"). EndOfText is set when the text ran out before
// a line end; a text that ends with a line end thus gives, on the call after
// its last line, an empty line with EndOfText set. A Position below 1 reads
// from 1.
//
// Cost: one scan of the line and one allocation for it (the usual line,
// holding no dropped control character, is copied in one piece).
// Raises EZELStringlError for a text of 2^31 - 1 characters or more, whose
// positions an Integer cannot hold.
ZEL_API String ReadLnString(const String& Text, int32_t& Position, bool& EndOfText, int32_t Mode);

// True when the texts S1 and S2 are equal but for case, by the locale-aware
// case mapping of the runtime (AnsiUpperCase: every letter with a one-to-one
// Unicode case mapping, "Äpfel" equals "äPFEL"). Each text counts up to its
// first character 0.
ZEL_API bool EqualAnsiStrings(const String& S1, const String& S2);

}  // namespace zel
