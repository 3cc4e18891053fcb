// CRC-16 (poly 0x1021, not reflected) by carry-less multiplication folding
// (PCLMULQDQ, four 128-bit lanes, data byte-reversed into the normal frame).
#include "zel/dstruct/internal/crc_kernels.h"

#if defined(__x86_64__) || defined(_M_X64)
#include "zel/dstruct/internal/crc_fold_x86.h"

namespace zel::internal {

uint16_t Crc16Pclmul(uint16_t reg, const uint8_t* data, size_t len) {
  return FoldBy4<Crc16Frame>(reg, data, len);
}

}  // namespace zel::internal
#endif
