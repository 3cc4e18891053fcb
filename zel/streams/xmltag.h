// A lightweight scanner for XML tags and attributes on byte streams and open
// text files.
//
// This is not an XML parser: it knows no entities, namespaces or nesting of
// same-named elements. It finds the next element, reports its name as an index
// into a caller-supplied tag list, its attribute text and, for an element that
// is not empty, its raw inner text up to the first matching closing tag
// (nested tags included, for the caller to scan again).
//
// Rules shared by every scanner here and by the string forms in
// zel/stringl/xmltag.h:
//  - A tag is everything from a '<' to the next '>'. Tags whose text begins
//    with '!' (comments, DOCTYPE, CDATA) or '?' (processing instructions such
//    as <?xml version="1.0"?>) are skipped, each up to its first '>'.
//  - The first blank (code 32) separates the name from the attribute text;
//    tabs and line breaks do not. "/>" marks an empty element.
//  - The tag list is compared with the lower-cased (ASCII) name, so entries
//    must be written in lower case. The last entry is the catch-all: a name
//    matching no entry before it yields the last index. An empty tag list
//    yields -1. At the end of the input the name is empty: the result is the
//    index of an empty entry if there is one, otherwise the last index, and
//    both texts are empty.
//  - Contents end at the first "</name>" (case ignored); if the input ends
//    first the contents are the rest of the input. A closing tag met on its
//    own (name "/list") reads no contents.
//  - Cost: linear in the bytes read; the closing tag is recognised as the
//    contents grow, so megabyte contents stay linear.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "zel/runtime/classes.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/types.h"

namespace zel {

class TextFile;

// Reads the next element from AStream, one character per byte, and returns the
// index of its name in TagList (by the rules above), with its attribute text
// in Attributes and its inner text in Contents. The stream is left just after
// the '>' of the tag (empty elements, closing tags) or just after the closing
// tag. Read errors of the stream pass to the caller.
ZEL_API int32_t ReadNextTagInStream(TStream& AStream, const std::vector<String>& TagList,
                                    String& Attributes, String& Contents);

// The same (TagList, Attributes and Contents as above) on the open text file
// AFile, read character by character. One difference: when the file ends
// before the closing tag, the contents are the characters up to the last '>'
// read (what follows it is dropped). The text file's input/output error passes
// to the caller.
ZEL_API int32_t ReadNextTagInTextFile(TextFile& AFile, const std::vector<String>& TagList,
                                      String& Attributes, String& Contents);

// The value of attribute Name (ASCII case ignored) in the attribute text
// AttribText, such as `id="7" name="a b"`: name=value pairs separated by
// blanks, where a value is enclosed in double quotes (it may then hold blanks
// and '=', but no '"') or runs to the next blank or '"'. No escapes, no entity
// decoding, single quotes are ordinary characters. Returns the first value
// given for the name, as written; the empty text when the name is missing, or
// when the scan meets a fault before it (a '"' in a name, "a==1", '=' in an
// unquoted value). A name without '=' at the end of the text has the empty
// value.
ZEL_API String ScanForXMLAttrib(const String& AttribText, const String& Name);

// Progress of ScanStreamForXMLTag: PercentDone of the stream's size read so far.
using TXMLScanProgressEvent = std::function<void(TObject* Sender, int32_t PercentDone)>;

// Looks in AStream for the next element named Tag (ASCII case ignored; at any
// depth: the tags in between are stepped over, not their whole elements) and,
// when found, returns true with its attribute text in Attributes and its
// contents in Contents (empty for an empty element), leaving the stream after
// the element. When not found it returns false, both texts empty and the
// stream at its end. OnProgress (if assigned) is called with Sender = nullptr
// and the percentage read whenever it grows, and with 100 at the end.
ZEL_API bool ScanStreamForXMLTag(TStream& AStream, const String& Tag, String& Attributes,
                                 String& Contents, const TXMLScanProgressEvent& OnProgress);

// Reads AStream up to the next tag whose lower-cased name is an entry of
// TagList (closing tags have names such as "/item"; entries in lower case) and
// returns the text before that tag's '<', one character per byte. TagIndex is
// the entry's index and the stream is left at the '<', so ReadNextTagInStream
// reads that element next. When no listed tag follows, TagIndex is -1, the
// result is the rest of the stream and the position is at its end. Skipped
// comments and declarations are part of the returned text. The tag found is
// read and then given back, so the stream must be able to go back: one that
// cannot (a pipe: Position() < 0) raises EStreamError before anything is
// read, as does one that does not return to the position asked for.
ZEL_API String ReadStreamUntilTagList(TStream& AStream, const std::vector<String>& TagList,
                                      int32_t& TagIndex);

}  // namespace zel
