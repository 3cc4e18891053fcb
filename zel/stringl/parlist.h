// Parameter lists, value conversion and list sorting.
//
// CreateParList renders an array as a compact comma-separated list ("[1,2,3]",
// "1,2,..."), ConvertVariant renders a Variant (scalars and arrays of up to
// three nested levels) as text for debugging output, StrToTriState and
// TriStateToStr map TTriState to and from its texts, DetectCSVDelimiter
// guesses the delimiter of a CSV line, ProcessHexChars expands "\#hh" escapes,
// and SortStringList orders the lines of a string list by the text that
// follows a key inside each line.
//
// Nothing here raises except through the runtime (a string list that changes
// under SortStringList). Numbers are written with "." as decimal point; no
// locale is consulted. All functions are free and keep no state between calls,
// so they may run in several threads at once on different data.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "zel/base/types.h"
#include "zel/runtime/types.h"

namespace zel {

class Variant;
class TStringList;

// ---- CreateParList ----------------------------------------------------------
//
// Shows the first c items, c = MaxItems when 0 < MaxItems < the item count,
// else all of them; each item is followed by ",", "...," marks a cut list.
// With Brackets the last "," becomes "]" behind a leading "["; without them it
// is dropped. TrailingComma appends one more ",". Items 1, 2, 3 give "[1,2,3]";
// with MaxItems 2 "[1,2,...]"; without brackets and with the trailing comma
// "1,2,3,"; an empty array gives "[]" with brackets and "" without.
//
// Item texts: integers in decimal; Booleans "TRUE" / "FALSE"; colours by name
// (ObtainColorName, "$00123456" when unnamed) when ColorNames is true, else in
// the 8-digit hexadecimal form; doubles as AutoFormatData(value, SigDigits).
ZEL_API String CreateParList(const TIntArray& Items, bool TrailingComma, int32_t MaxItems,
                             bool Brackets);
ZEL_API String CreateParList(const std::vector<TColor>& Items, bool TrailingComma, int32_t MaxItems,
                             bool Brackets, bool ColorNames);
ZEL_API String CreateParList(const std::vector<bool>& Items, bool TrailingComma, int32_t MaxItems,
                             bool Brackets);
ZEL_API String CreateParList(const TDoubleArray& Items, bool TrailingComma, int32_t MaxItems,
                             int32_t SigDigits, bool Brackets);
// Braced lists. Braced lists of reals and colours reach their forms above
// through the argument after MaxItems (SigDigits an integer, Brackets a
// Boolean); integers and Booleans need forms of their own, which a braced
// list would otherwise find ambiguous between the two vectors.
//
// The integer form for Items written as a braced list, with TrailingComma,
// MaxItems and Brackets as above: CreateParList({1, 2, 3}, false, 0, true)
// gives "[1,2,3]". Every braced list that is not made of Booleans comes
// here, the empty one included ("[]").
inline String CreateParList(std::initializer_list<int32_t> Items, bool TrailingComma,
                            int32_t MaxItems, bool Brackets) {
  return CreateParList(TIntArray(Items), TrailingComma, MaxItems, Brackets);
}
// The Boolean form for Items written as a braced list, with TrailingComma,
// MaxItems and Brackets as above: CreateParList({true, false}, false, 0,
// true) gives "[TRUE,FALSE]". (Only a list of Booleans deduces B.)
template <class B>
  requires std::same_as<B, bool>
inline String CreateParList(std::initializer_list<B> Items, bool TrailingComma, int32_t MaxItems,
                            bool Brackets) {
  return CreateParList(std::vector<bool>(Items), TrailingComma, MaxItems, Brackets);
}

// ---- ConvertVariant ---------------------------------------------------------
//
// A scalar by its type code: null "NULL"; integers in decimal; single and
// double as strff(value, 12, -2) (" 1.50000E+00"); Boolean "TRUE" / "FALSE";
// strings as they are; anything else (empty, currency, date...)
// "(unknown type: N)" with the code N.
//
// An array is laid out as a table under a header "Array[lo,hi]:" (one bracket
// pair per level) and CR LF. A second level exists when the element at the
// low bound is itself an array, a third when that array's first element is an
// array again; deeper values are shown by the scalar rule. At most 12 entries
// of level 1 are shown ("..." ends a cut row), 10 of level 2 (" ......" marks
// the cut) and 3 layers of level 3 (" ... more layers"):
//   one level:    "Array[0,2]:\r\n1,2,3"
//   two levels:   one line per index j of level 2 holding value[i][j] for the
//                 shown i, each line ended by CR LF;
//   three levels: "layer k:\r\n" and the lines of value[i][j][k] per layer k.
// An array whose upper bound is below 0, or that has no element, gives
// "undefined array". In a one-level table elements of type code 12 are
// skipped.
//
// Ragged data never fails: where a deeper level expects an array but finds a
// scalar, or an index lies outside the bounds of a shorter inner array, the
// cell reads "(missing)"; an array found where a scalar is shown reads
// "array of variant" for an array of Variants and "(array of type N)" for any
// other element type N.
ZEL_API String ConvertVariant(const Variant& Value);

// ---- tri-state texts --------------------------------------------------------

// Text with ASCII letters folded, blanks removed at both ends: "true", "1",
// "+1", "yes" give tsTrue; "false", "-1", "no" give tsFalse; everything else
// (also "" and "0") gives tsUndefined.
ZEL_API TTriState StrToTriState(const String& Text);
// Style 1: "1" / "-1" / "0"; style 2: "yes" / "no" / "unknown"; any other
// style: "true" / "false" / "" (true, false, undefined). StrToTriState reads
// every one of them back to the same state.
ZEL_API String TriStateToStr(TTriState State, int32_t Style);

// ---- CSV delimiters ---------------------------------------------------------

// The kind whose character occurs most often in Text, counting in the order
// csvUnknown (the character with code 0), blank, semicolon, comma, colon and
// tab; a tie goes to the earlier kind. csvUnknown when none occurs, and also
// when code 0 occurs at least as often as every delimiter. "a;b,c;d" ->
// csvSemicolon, "a,b;c" -> csvSemicolon (tie), "abc" -> csvUnknown,
// "\0\0\0a;b" -> csvUnknown.
ZEL_API TCSVDelimiters DetectCSVDelimiter(const String& Text);

// ---- escapes ----------------------------------------------------------------

// Expands the escapes in Text, left to right: "\#hh" becomes the character with
// the hexadecimal code hh (of the two characters after "#": leading blanks
// skipped, an optional "$", digits of either case up to the first other
// character; no digits give code 0); near the end of Text the field is the
// characters that are left ("x\#4" -> "x" and the character with code 4,
// a final "\#" -> the character with code 0), as TGrep reads its patterns.
// "\\" becomes "\"; a backslash followed by anything else stays.
// "\#41BC" -> "ABC"; "\\#41" -> "\#41"; "a\b" -> "a\b".
ZEL_API String ProcessHexChars(const String& Text);

// ---- sorting a list by a key ------------------------------------------------

// Sorts the lines of List by the text that follows Key inside each line: the
// Occurrence-th occurrence from the start (Occurrence > 0) or the
// |Occurrence|-th from the end (Occurrence < 0), ASCII letters folded when
// IgnoreCase. The sort text starts Offset characters after the key's last
// character shifted by one (Offset 1 = the first character after the key),
// and runs to the end of the line; it is compared by character codes. With
// Numeric, a leading run of digits compares by value (runs of up to 15
// digits; leading zeros do not count).
// Result: 0 when every line had its key and a valid start; -1 when a line
// lacks the key (an empty key is never found); -2 when the start lies outside
// the line (before its second character or beyond its end + 1); -3, list
// untouched, for Occurrence 0. After the first failure every further
// comparison reports equal lines, so the order is then unspecified. The state
// of a sort lives in the call; sorts of different lists may run at once.
ZEL_API int32_t SortStringList(TStringList& List, const String& Key, int32_t Occurrence,
                               int32_t Offset, bool IgnoreCase, bool Numeric);

}  // namespace zel
