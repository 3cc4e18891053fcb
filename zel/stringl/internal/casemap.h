// Simple (one-to-one) Unicode case mapping of single UTF-16 code units, used
// where a function asks for the platform's locale-aware case mapping.
//
// Covers Latin-1, Latin Extended-A, Greek and Cyrillic, plus the fullwidth
// Latin letters; every other code unit maps to itself. Characters whose full
// mapping has several characters (ß, ŉ) keep their simple mapping, which is
// the character itself. O(1), no locale, no allocation.
#pragma once

#include "zel/runtime/types.h"

namespace zel::internal {

Char UnicodeUpper(Char C) noexcept;
Char UnicodeLower(Char C) noexcept;

}  // namespace zel::internal
