// SHA-1 digests (FIPS 180-4 SHA-1, unchanged) of strings, streams and files,
// and their hexadecimal form.
//
// A TSHACode holds the 20 digest bytes in the standard order: the five state
// words, each most significant byte first. The blocks are compressed with the
// processor's SHA extensions when present, else with portable code; the
// digest is the same either way.
#pragma once

#include <array>
#include <cstdint>

#include "zel/export.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/types.h"

namespace zel {

// The 20 bytes of a SHA-1 digest, in the order described above.
using TSHACode = std::array<uint8_t, 20>;

// Digest of the string's UTF-16 code units as little-endian bytes
// (2 * length bytes): u"abc" hashes 61 00 62 00 63 00.
ZEL_API TSHACode SHA1FromString(const String& S);

// Digest of the bytes of the 8-bit string S.
ZEL_API TSHACode SHA1FromString(const AnsiString& S);

// The old digest, kept because stored values rely on it: hashes only the
// first length bytes of the string's UTF-16 little-endian data (for u"abc"
// the three bytes 61 00 62). Differs from SHA1FromString for every non-empty
// string; both give the digest of empty input for the empty string.
ZEL_API TSHACode SHA1FromStringOLd(const String& S);

// Digest of everything from the stream's current position to its end; the
// stream is left at its end (not rewound). Read errors raised by the stream
// propagate. Memory streams are hashed in place, other streams are read in
// large blocks.
ZEL_API TSHACode SHA1FromStream(TStream& S);

// Digest of the contents of file FileName, opened read-only (fmOpenRead). A
// file that cannot be opened raises EFOpenError; no partial digest is returned.
ZEL_API TSHACode SHA1FromFile(const String& FileName);

// The digest as 40 upper-case hexadecimal digits, byte 0 first, high nibble
// first (a first byte 0x0A gives "0A...").
ZEL_API String SHA1DigestToHex(const TSHACode& Digest);

}  // namespace zel
