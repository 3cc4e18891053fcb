// CRC-32 by carry-less multiplication folding (PCLMULQDQ, four 128-bit lanes).
#include "zel/dstruct/internal/crc_kernels.h"

#if defined(__x86_64__) || defined(_M_X64)
#include "zel/dstruct/internal/crc_fold_x86.h"

namespace zel::internal {

uint32_t Crc32Pclmul(uint32_t reg, const uint8_t* data, size_t len) {
  return FoldBy4<Crc32Frame>(reg, data, len);
}

}  // namespace zel::internal
#endif
