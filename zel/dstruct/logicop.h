// TLogicOp: the bytewise combination of two equally sized containers, used by
// the bit field and the byte matrix.
#pragma once

#include <cstdint>

namespace zel {

// Result byte for own byte a and the second container's byte b:
// loAND a and b, loOR a or b, loXOR a xor b, loANDNot a and not b,
// loORNot a or not b, loXORNot a xor not b.
enum TLogicOp : uint8_t { loAND, loOR, loXOR, loANDNot, loORNot, loXORNot };

}  // namespace zel
