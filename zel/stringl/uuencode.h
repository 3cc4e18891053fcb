// uuencode: text and bytes to and from the form the usual uudecode tools read.
//
// Encoded form: a "begin <mode> <name>" line, data lines, a line holding only
// "`" (no more data) and an "end" line, each ending with a line feed. A data
// line carries up to 45 bytes: one length character (32 + count) followed by
// four characters per three bytes (the last group padded with zero bits),
// each character 32 + a six-bit value, with "`" for the value 0 as the
// POSIX uuencode writes it.
//
// Decoding is lenient where transports are known to damage the text and
// strict elsewhere:
//  - lines may end with CR LF; empty lines are skipped;
//  - everything up to a line starting with "begin " is skipped when there is
//    such a line (so a mail around the data does no harm); without one, the
//    data starts at the first line;
//  - the data ends at a line whose length character says 0 ("`" or blank), at
//    an "end" line, or at the end of the text;
//  - a data line shorter than its length character requires (trailing blanks
//    stripped on the way) reads the missing characters as 0; characters
//    beyond what the length requires are ignored;
//  - a character outside " ".."`" in the part of a line that is read is an
//    error: decoding stops before that line.
// The result of a damaged text is always the data of the lines before the
// damage; decoding never raises.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "zel/runtime/types.h"

namespace zel {

// Status of UUDecodeBytes.
inline constexpr int32_t uuOK = 0;
inline constexpr int32_t uuNoEnd = -1;         // the text ran out before the end of the data
inline constexpr int32_t uuBadCharacter = -2;  // a character outside " ".."`"; stopped before it

// The bytes in encoded form, with "begin <Mode in octal> <FileName>" (the
// permission bits of Mode). Raises EZELStringlError when FileName is empty or
// holds a line feed or carriage return, which would end the "begin" line
// before the name does.
ZEL_API std::string UUEncodeBytes(std::string_view Bytes, std::string_view FileName = "data",
                                  int Mode = 0644);
// Decodes Text into Bytes (replacing its contents); returns a status above.
// Bytes then holds every byte of the data lines read.
ZEL_API int32_t UUDecodeBytes(std::string_view Text, std::string& Bytes);

// The text, as UTF-8, in encoded form with the header "begin 644 data".
// (Unpaired surrogates, which UTF-8 cannot hold, become U+FFFD.)
ZEL_API String UUEncodeStr(const String& Text);
// The decoded text: UTF-8 when the decoded bytes are valid UTF-8, otherwise
// one character per byte (the byte-stream convention), so bytes encoded by
// other tools come back unchanged. Damaged input gives the data decoded
// before the damage (see above).
ZEL_API String UUDecodeStr(const String& Text);

}  // namespace zel
