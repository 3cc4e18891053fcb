// Base64 stream encoding (RFC 4648 alphabet, "=" padding, optional lines of
// 60 characters).
//
// Both functions read from the input stream's current position to its end
// and write at the output stream's current position; they neither rewind nor
// truncate either stream. Text is single bytes (ASCII); a line break is the
// two bytes CR LF. Stream errors raised by the streams propagate.
//
// Speed: the bulk of the work runs in vector code (AVX-512 VBMI or AVX2)
// when the processor has it, with a portable fallback that gives identical
// bytes; data moves through the streams in chunks of tens of kilobytes, so
// the cost is linear and the extra memory constant.
#pragma once

#include <cstdint>

#include "zel/export.h"
#include "zel/runtime/stream.h"

namespace zel {

// Writes the Base64 form of the rest of InStream to OutStream. Each run of 45
// input bytes gives 60 characters; with LineBreaks every such line, and the
// final shorter one, ends in CR LF. An empty input writes nothing; an input
// whose length is a multiple of 45 ends after the CR LF of its last full line.
ZEL_API void EncodeBase64(TStream& InStream, TStream& OutStream, bool LineBreaks);

// Decodes the Base64 text in the rest of InStream to OutStream; returns 0 on
// success and -1 when the text is not valid Base64.
//
// CR and LF are ignored wherever they stand. The other characters are read in
// groups of four; each must be in the alphabet, except that "=" in the third
// position ends the group's output after one byte (whatever the fourth
// character is) and "=" in the fourth position after two bytes. Padded texts
// may therefore follow one another and still decode. Any other character,
// and "=" in the first or second position of a group, gives -1.
//
// The text is processed in blocks of 88 characters (line breaks not counted).
// On -1 the bytes of the blocks before the failing one have been written and
// nothing of the failing block is; the input is then positioned after that
// block where the stream can seek.
//
// A final group of two or three characters (text whose padding was left out)
// decodes to one or two bytes; a final group of a single character holds no
// byte and fails like an invalid character.
ZEL_API int32_t DecodeBase64(TStream& InStream, TStream& OutStream);

}  // namespace zel
