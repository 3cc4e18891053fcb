// The CRC register loops behind CRC16ofBuffer, CRC32ofBuffer and
// CalcCRC32ofFile: a portable loop and carry-less multiplication kernels,
// chosen per call from zel/platform/cpu_features.h.
//
// All functions take and return the raw register: no initial value and no
// final inversion are applied, so a caller can run a CRC over data that
// arrives piecewise (Crc32Update(Crc32Update(r, a), b) == Crc32Update(r, ab)).
// Every path gives the same register for the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zel/export.h"

namespace zel::internal {

// Dispatching entry points (the fastest path the processor and the
// cpu-feature switches allow). Cost on a 64 MiB buffer: about 25 GB/s with
// VPCLMULQDQ (memory speed), 8 GB/s with PCLMULQDQ, 2 GB/s portable.
ZEL_API uint32_t Crc32Update(uint32_t reg, const uint8_t* data, size_t len);
ZEL_API uint16_t Crc16Update(uint16_t reg, const uint8_t* data, size_t len);

// The portable reference (slicing-by-8 over the 256-entry tables).
ZEL_API uint32_t Crc32Portable(uint32_t reg, const uint8_t* data, size_t len);
ZEL_API uint16_t Crc16Portable(uint16_t reg, const uint8_t* data, size_t len);

#if defined(__x86_64__) || defined(_M_X64)
// Kernels; call only when the features they name are present.
uint32_t Crc32Pclmul(uint32_t reg, const uint8_t* data, size_t len);   // PCLMUL, SSE4.1
uint16_t Crc16Pclmul(uint16_t reg, const uint8_t* data, size_t len);   // PCLMUL, SSE4.1
uint32_t Crc32Vpclmul(uint32_t reg, const uint8_t* data, size_t len);  // + AVX-512, VPCLMUL
uint16_t Crc16Vpclmul(uint16_t reg, const uint8_t* data, size_t len);  // + AVX-512, VPCLMUL
#endif

}  // namespace zel::internal
