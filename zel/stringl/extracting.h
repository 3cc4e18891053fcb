// Cutting parts, fields, words and tokens out of a string.
//
// Positions count from 1; field indices of ExtractSubString count from 0.
// Words are maximal runs of characters that are not in WordSeps
// (wordseps.h); a character above code 255 is never a separator. Trim means:
// leading and trailing blanks (code 32) removed. Nothing here raises.
#pragma once

#include <vector>

#include "zel/runtime/types.h"

namespace zel {

// The part of Text behind the first occurrence of Trigger (exact match),
// trimmed when Trim is true; empty when Trigger does not occur (an empty
// Trigger never occurs).
ZEL_API String ExtractAfterTrigger(const String& Text, const String& Trigger, bool Trim);
// The same for the part of Text before the first occurrence of Trigger
// (trimmed when Trim is true).
ZEL_API String ExtractBeforeTrigger(const String& Text, const String& Trigger, bool Trim);
// Before and After set to the parts of Text around the first occurrence of
// Delimiter, each trimmed when Trim is true; both empty when it does not
// occur.
ZEL_API void SplitString(const String& Text, const String& Delimiter, bool Trim, String& Before,
                         String& After);

// The word of Text containing position Pos; the separator itself when Pos is
// on a separator; empty (bounds 0) when Pos is outside 1..length.
// ("foo bar", 5) -> "bar", WordStart 5, WordEnd 7.
ZEL_API String ExtractWordFromString(const String& Text, int32_t Pos);
ZEL_API String ExtractWordFromString(const String& Text, int32_t Pos, int32_t& WordStart,
                                     int32_t& WordEnd);

// Field number Index (from 0) of Text split at Delimiter: "a;b;;c" gives "a",
// "b", "", "c" and then "". Empty for Index < 0, an empty text, or a missing
// field. A field that begins with the delimiter (compared ASCII-folded) is
// empty. An empty Delimiter splits nothing: field 0 is the whole text.
ZEL_API String ExtractSubString(const String& Text, int32_t Index, const String& Delimiter);

// Splits Text at every occurrence of Delimiter into Tokens (resized to the
// count) and returns the count, at least 1. At most 1000 tokens: the 1000th
// holds the rest of the text, further delimiters included. An empty text gives
// one empty token, an empty Delimiter one token holding the whole text.
ZEL_API int32_t Tokenize(const String& Text, const String& Delimiter, std::vector<String>& Tokens);
// The same (Text split into Tokens), skipping delimiters whose preceding
// character is Escape. Each token is then unescaped: every pair of Escape
// characters becomes one, then every Escape followed by the delimiter becomes
// the delimiter.
// ("a\,b,c", ",", '\') -> "a,b", "c". A doubled escape in front of a
// delimiter does not make it a split point ("a\\,b" stays one token, "a,b"),
// so a token cannot end with the escape character.
ZEL_API int32_t Tokenize(const String& Text, const String& Delimiter, Char Escape,
                         std::vector<String>& Tokens);

// Number of words of at least two characters in Text.
ZEL_API int32_t CountWords(const String& Text);

}  // namespace zel
