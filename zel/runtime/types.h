// Scalar and container aliases shared by every zel module.
//
// Text is UTF-16 (`String`, one `Char` per code unit); character positions
// count from 1 and 0 means "not found". Dynamic arrays are std::vector and
// count from 0; fixed buffers are std::array.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "zel/export.h"

namespace zel {

using Char = char16_t;           // one UTF-16 code unit
using String = std::u16string;   // UTF-16 text
using AnsiString = std::string;  // bytes; Windows-1252 where it holds text

using Integer = int32_t;       // signed 32-bit integer
using Cardinal = uint32_t;     // unsigned 32-bit integer
using Longword = uint32_t;     // unsigned 32-bit integer
using Word = uint16_t;         // unsigned 16-bit integer
using Byte = uint8_t;          // unsigned 8-bit integer
using Int64 = int64_t;         // signed 64-bit integer
using UInt64 = uint64_t;       // unsigned 64-bit integer
using Single = float;          // 32-bit IEEE real
using Double = double;         // 64-bit IEEE real
using Extended = long double;  // 80-bit x87 extended real

static_assert(std::numeric_limits<long double>::digits == 64,
              "zel needs the 80-bit x87 extended format for long double");

using TColor = uint32_t;  // bits 0-7 red, 8-15 green, 16-23 blue, 24-31 a flag byte
// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// A set of 8-bit character codes.
using TByteSet = std::bitset<256>;

using TBytes = std::vector<uint8_t>;  // a dynamic array of bytes

}  // namespace zel
