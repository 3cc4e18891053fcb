// Population counts over arrays of 64-bit words, for the bit field.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zel/export.h"

namespace zel::internal {

// Number of set bits in one word, without the POPCNT instruction.
inline uint32_t PopcountPortable(uint64_t x) noexcept {
  x = x - ((x >> 1) & 0x5555555555555555u);
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<uint32_t>((x * 0x0101010101010101u) >> 56);
}

// Number of set bits in words[0..n): the portable reference and the POPCNT
// kernel (bitfld_avx2.cpp; every processor with AVX2 has POPCNT).
ZEL_API uint64_t PopcountWordsPortable(const uint64_t* words, size_t n) noexcept;
#if defined(__x86_64__) || defined(_M_X64)
ZEL_API uint64_t PopcountWordsPopcnt(const uint64_t* words, size_t n) noexcept;
#endif
// Dispatches to the fastest of them.
ZEL_API uint64_t PopcountWords(const uint64_t* words, size_t n) noexcept;

}  // namespace zel::internal
