// Small parsing helpers: quoted names read one character at a time, one
// parameter out of a delimited list, and line/column coordinates of a
// position. Nothing here raises.
#pragma once

#include <cstdint>

#include "zel/runtime/types.h"

namespace zel {

// States of ParseQuotedName.
enum TQuotedStrState : uint8_t {
  vsStart,     // nothing but blanks read yet
  vs1stQuote,  // the opening quote character was read
  vsQuote,     // inside a quoted name
  vsNormal,    // inside a name without quotes
  vsEnd        // the name is complete
};

// One step of reading a name that may be enclosed in Quote characters: feed the
// characters of the input one by one as C, starting with State = vsStart and an
// empty Name, until the result is true (State = vsEnd).
//   vsStart:    blanks are skipped; Quote opens a quoted name (vs1stQuote);
//               any other character starts an unquoted name (vsNormal).
//   vs1stQuote, vsQuote: Quote closes the name (vsEnd; two quotes in a row
//               give the empty name); any other character, blanks included,
//               is appended.
//   vsNormal:   a blank or a control character ends the name (vsEnd, the
//               character is not appended); Quote is appended like any other.
//   vsEnd:      nothing changes.
// "  \"a b\" x" gives the name "a b"; "abc def" gives "abc".
ZEL_API bool ParseQuotedName(Char C, Char Quote, String& Name, TQuotedStrState& State);

// Parameter number Index (from 1) of a list in Text separated by Delimiter.
// A parameter may be enclosed in Quote characters, so that it can hold the
// delimiter; inside quotes two Quote characters stand for one. Blanks around
// a parameter are removed, then its enclosing quotes. Default is returned when
// the list has fewer than Index parameters or Index < 1 (an empty text has one
// empty parameter). With Delimiter ',' and Quote '"':
// ExtractParam("a, \"b,c\" ,d", 2, ',', '"', "") = "b,c".
ZEL_API String ExtractParam(const String& Text, int32_t Index, Char Delimiter, Char Quote,
                            const String& Default);

// Line and column (both from 1) of the character at position Pos (from 1) of
// a text whose lines end with CR LF, CR or LF; a line end belongs to the line
// it ends. Pos = length + 1 (just behind the text) is valid. Returns false and
// sets both to 0 when Pos is outside 1..length + 1.
// ("ab\r\ncd", 5) -> line 2, column 1.
ZEL_API bool TextLineCoords(const String& Text, const int32_t Pos, int32_t& Line, int32_t& Column);

}  // namespace zel
