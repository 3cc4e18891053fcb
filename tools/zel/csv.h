// Delimited text fields as the zel tool reads and writes them: a field in
// double quotes may hold the delimiter and doubled quotes.
#pragma once

#include <vector>

#include "zel/runtime/types.h"

namespace zel_tool {

// Splits one line at Delim.
std::vector<zel::String> SplitFields(const zel::String& line, char16_t delim);
// Joins fields with Delim, quoting those that hold the delimiter or a quote.
zel::String JoinFields(const std::vector<zel::String>& fields, char16_t delim);

}  // namespace zel_tool
