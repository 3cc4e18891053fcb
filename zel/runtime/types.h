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

#include "zel/runtime/export.h"

namespace zel {

using Char = char16_t;
using String = std::u16string;
using AnsiString = std::string;  // bytes; Windows-1252 where it holds text

using Integer = int32_t;
using Cardinal = uint32_t;
using Longword = uint32_t;
using Word = uint16_t;
using Byte = uint8_t;
using Int64 = int64_t;
using UInt64 = uint64_t;
using Single = float;
using Double = double;
using Extended = long double;

static_assert(std::numeric_limits<long double>::digits == 64,
              "zel needs the 80-bit x87 extended format for long double");

using TColor = uint32_t;
using TDateTime = double;

// A set of 8-bit character codes.
using TByteSet = std::bitset<256>;

using TBytes = std::vector<uint8_t>;

}  // namespace zel
