// The attribute machine behind ScanForXMLAttrib, for callers that walk every
// attribute of a tag rather than look one up.
#pragma once

#include <cstddef>

#include "zel/runtime/types.h"

namespace zel::internal {

// Parses the attribute that starts at Pos (0-based) in an attribute text and
// moves Pos after it. Name is returned as written (blanks around it
// included), Value without its quotes. Status 0 ok, 1 '"' in a name, 2 "==",
// 3 '=' in a plain value, 4 nothing left.
int ParseXmlAttribute(const String& text, size_t& pos, String& name, String& value);

}  // namespace zel::internal
