// Conversion between UTF-8 byte strings and zel's UTF-16 `String`.
#pragma once

#include <string>
#include <string_view>

#include "zel/runtime/types.h"

namespace zel {

// Decodes the UTF-8 text Utf8. Invalid sequences (bad lead or continuation bytes, overlong
// forms, surrogates, values above U+10FFFF, truncated tails) become U+FFFD,
// one per maximal invalid subpart, so nothing is dropped silently.
ZEL_API String Utf8ToString(std::string_view Utf8);

// Encodes the UTF-16 text S as UTF-8. An unpaired surrogate is written as U+FFFD.
ZEL_API std::string StringToUtf8(const String& S);

// True when the bytes are well-formed UTF-8.
ZEL_API bool IsValidUtf8(std::string_view Bytes);

// Maps each byte of Bytes to the character of the same code (Latin-1); the byte-stream
// text convention.
ZEL_API String BytesToString(std::string_view Bytes);

// Keeps the low byte of each UTF-16 unit of S; the byte-stream text convention.
ZEL_API std::string StringToBytes(const String& S);

// Decodes the Windows-1252 text Bytes (the five undefined codes map to the C1 controls).
ZEL_API String Cp1252ToString(std::string_view Bytes);

// Encodes S to Windows-1252; characters it cannot represent become '?'.
ZEL_API std::string StringToCp1252(const String& S);

// Text from an 8-bit file: UTF-8 when the bytes are valid UTF-8, otherwise
// Windows-1252, so files written on code-page systems still read correctly.
ZEL_API String DecodeText8(std::string_view Bytes);

}  // namespace zel
