// CSV delimiter characters and their kinds.
//
// CSVDELIMITERS[kind] is the delimiter character of a TCSVDelimiters kind:
// code 0 (no character) for csvUnknown, then blank, ";", ",", ":" and tab.
// Their names (CSVDELIMITERIDS) are in nametables.h.
#pragma once

#include <array>

#include "zel/base/types.h"

namespace zel {

// Delimiter character of each TCSVDelimiters kind, indexed by the kind.
inline constexpr std::array<Char, 6> CSVDELIMITERS = {u'\0', u' ', u';', u',', u':', u'\t'};

// The kind whose delimiter is C, testing blank, semicolon, comma, colon and
// tab in that order; csvUnknown when none matches (also for code 0).
ZEL_API TCSVDelimiters ResolveCSVDelimiter(Char C);

}  // namespace zel
