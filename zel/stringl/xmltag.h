// The XML tag scanner on strings: the string forms of the stream scanner of
// zel/streams/xmltag.h, with the same rules (tags from '<' to the next '>';
// "<!...>" and "<?...?>" skipped; the first blank separates name and
// attributes; "/>" marks an empty element; names compared as lower-cased ASCII
// with the tag list, whose last entry is the catch-all; contents up to the
// first "</name>", case ignored). Positions count from 1.
//
// Cost: linear in the characters scanned.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/runtime/types.h"

namespace zel {

// Reads the next element of Text starting at position Pos (below 1 counts as
// 1) and advances Pos to the character after it: after the '>' of the tag for
// empty elements and closing tags, after the closing tag otherwise, and to
// length + 1 when the text ran out. Returns the index into TagList (see the
// rules above; -1 for an empty list) with Attributes and Contents set as the
// stream scanner sets them.
ZEL_API int32_t ReadNextTagInString(const String& Text, int32_t& Pos,
                                    const std::vector<String>& TagList, String& Attributes,
                                    String& Contents);

// Looks in Text for the first element named Tag (ASCII case ignored, at any
// depth: other tags are stepped over, not their whole elements) at or after
// position StartPos. When found, sets Attributes and Contents and returns the
// position just after the element (after its closing tag, or after "/>" for an
// empty element); otherwise returns 0 and sets both texts to empty.
ZEL_API int32_t ScanStringForXMLTag(const String& Text, int32_t StartPos, const String& Tag,
                                    String& Attributes, String& Contents);

}  // namespace zel
