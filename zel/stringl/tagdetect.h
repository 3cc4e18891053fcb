// Locating the next of a list of XML tags in a string, without reading the
// element's contents (compare ReadNextTagInString in xmltag.h, which reads
// them). Follows the tag scanner's rules: a tag runs from "<" to the next
// ">", "<!...>" (comments, declarations) is skipped, the first blank
// separates the name from the attribute text, names compare ASCII-lower-cased
// with the list entries, which are therefore written in lower case.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/runtime/types.h"

namespace zel {

// Finds the first tag at or after position StartPos (below 1 counts as 1)
// whose name is one of TagList, as an opening tag "<name ...>", an empty
// element "<name .../>" or a closing tag "</name>". Tags with other names are
// stepped over (the list has no catch-all entry here).
// On success returns the 0-based index into TagList, sets StartPos to the
// position of the "<" and EndPos to the position of the ">", Attributes to the
// attribute text (blanks around it and a final "/" of an empty element
// removed), and IsEndTag to whether it is a closing tag. Otherwise (no such
// tag, an unterminated tag, an empty list) returns -1, sets StartPos and
// EndPos to 0, Attributes to empty and IsEndTag to false.
// Continue a scan with StartPos = EndPos + 1. Cost: linear in the text scanned.
ZEL_API int32_t DetectNextTagInString(const String& Text, int32_t& StartPos, int32_t& EndPos,
                                      const std::vector<String>& TagList, String& Attributes,
                                      bool& IsEndTag);

}  // namespace zel
