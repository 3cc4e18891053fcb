// This library's base-85 stream encoding, in the style of ASCII85: "z" for
// four zero bytes, "~>" as end mark, no start mark.
//
// It differs from the published ASCII85 in the final group: a short group of
// n < 4 bytes is encoded as the n-byte number itself (n + 1 digits), not
// padded with zero bytes. Data stored with it relies on that, so it stays.
//
// Both functions read from the input stream's current position and write at
// the output stream's current position; they neither rewind nor truncate
// either stream. Text is single bytes (ASCII); a line break is CR LF. Stream
// errors raised by the streams propagate. Data moves in chunks of tens of
// kilobytes; the cost is linear.
#pragma once

#include <cstdint>

#include "zel/export.h"
#include "zel/runtime/stream.h"

namespace zel {

// Writes the rest of InStream to OutStream as groups of 4 bytes, each the
// big-endian number written as 5 digits "!".."u" (digit d as byte d + 33), most
// significant first; four zero bytes give the single character "z". A final
// group of n = 1..3 bytes gives n + 1 digits and is never "z". With LineBreaks,
// CR LF follows every 12 digit groups ("z" does not count). Always ends with
// "~>"; an empty input writes just "~>".
ZEL_API void EncodeASCII85(TStream& InStream, TStream& OutStream, bool LineBreaks);

// Decodes the text in InStream up to the end mark "~" (or the end of the
// input) to OutStream. CR and LF are ignored; "z" at the start of a group
// writes four zero bytes; k digits (at most 5) give the low k - 1 bytes of
// their value, most significant first.
//
// Returns 0, or -1 when a digit lies outside "!".."u", or -2 when it is a
// "z" inside a group; such digits still decode with their own code, and the
// last one met decides the result. A group whose value leaves the unsigned
// 32-bit range (above 2^32 - 1, or a character below "!" opening a group)
// raises EIntOverflow after the bytes of the earlier groups have been
// written.
//
// Decoding stops after the group that holds "~"; the input is then positioned
// just after the "~" where the stream can seek (the ">" is not read). Text
// that ends without the end mark is decoded to its end, a final incomplete
// group like a short group before "~".
ZEL_API int32_t DecodeASCII85(TStream& InStream, TStream& OutStream);

}  // namespace zel
