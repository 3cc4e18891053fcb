// The word separators shared by the word functions of the library.
//
// WordSeps is a writable set of 8-bit character codes; CountWords and
// ExtractWordFromString (extracting.h) and the HTML word counter treat its
// members as separators. A character above code 255 is never a separator.
// Initial members (26): 0, line feed, carriage return, blank, " # % ' ( ) * +
// , - . / : ; < = > [ \ ] { }.
//
// Changing the set affects every later call in the process; the library never
// writes it. Not synchronised: set it up before other threads use it.
#pragma once

#include "zel/runtime/types.h"

namespace zel {

// The separator set: member c means code c separates words (initial members
// as listed above).
extern ZEL_API TByteSet WordSeps;

// True when C is a member of WordSeps (false for every code above 255).
inline bool IsWordSep(Char C) { return C < 256 && WordSeps.test(C); }

}  // namespace zel
