// Delimited text fields as the zel tool reads and writes them: a field in
// double quotes may hold the delimiter, doubled quotes and line breaks.
#pragma once

#include <vector>

#include "zel/runtime/types.h"

namespace zel_tool {

// Splits one line at Delim.
std::vector<zel::String> SplitFields(const zel::String& line, char16_t delim);
// True when Text ends inside a quoted field: the record goes on in the next
// line (RFC 4180 allows line breaks in quoted fields).
bool EndsInsideQuotes(const zel::String& text, char16_t delim);
// Joins fields with Delim, quoting those that hold the delimiter, a quote or
// a line break.
zel::String JoinFields(const std::vector<zel::String>& fields, char16_t delim);

}  // namespace zel_tool
