// Carry-less multiplication folding for the CRC kernels (x86, included only
// by the *_pclmul.cpp and *_vpclmul.cpp kernel files).
//
// Method: Gopal et al., "Fast CRC Computation for Generic Polynomials Using
// PCLMULQDQ Instruction" (Intel, 2009). The data is kept as 128-bit lanes X;
// moving X forward over D bits of later data means replacing it by a value
// congruent to X * x^D modulo P. Split X into two 64-bit halves and multiply
// each by a 32-bit constant (x^n mod P): two carry-less products whose sum is
// at most 96 bits wide, so folding never needs a reduction. At the end the
// last 128-bit lane is run through the byte table with a zero register: the
// table loop computes exactly (bytes * x^width) mod P, the CRC of the folded
// message, and linearity of the CRC lets the incoming register be XORed into
// the first bytes of the data instead of being an initial value.
//
// Two frames:
//  - reflected (CRC-32): lanes as loaded; bit p of a lane is the coefficient
//    of x^(127-p). The product of two reflected 64-bit values comes out
//    multiplied by an extra x, so the constants are x^(n-1) mod P, reflected
//    into the upper bits of a 64-bit half.
//  - normal (CRC-16): lanes byte-reversed after loading; bit p is the
//    coefficient of x^p, products are exact.
//
// Everything here has internal linkage: each kernel file compiles its own
// copy under its own instruction-set flags.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "zel/dstruct/internal/crc_tables.h"

namespace zel::internal {
namespace {

// x^n mod P for a polynomial of the given width (poly without its x^width term).
constexpr uint64_t XPowMod(uint32_t n, uint64_t poly, int width) {
  uint64_t r = 1;
  const uint64_t top = uint64_t{1} << width;
  for (uint32_t i = 0; i < n; ++i) {
    r <<= 1;
    if (r & top) r ^= top | poly;
  }
  return r;
}

// x^n mod P (P of degree 32) as a reflected 64-bit half: term x^d at bit 63-d.
constexpr uint64_t Reflected64(uint32_t n, uint64_t poly) {
  const uint64_t v = XPowMod(n, poly, 32);
  uint64_t out = 0;
  for (int d = 0; d < 32; ++d) {
    if ((v >> d) & 1) out |= uint64_t{1} << (63 - d);
  }
  return out;
}

constexpr uint64_t kCrc32Poly = 0x04C11DB7;  // normal form of 0xEDB88320
constexpr uint64_t kCrc16Poly = 0x1021;

// Folding constants for a distance of D bits: {low half, high half}.
struct FoldPair {
  uint64_t lo, hi;
};
constexpr FoldPair Crc32Fold(uint32_t d) {
  // The low half holds the earlier (higher-degree) 64 bits in this frame.
  return {Reflected64(d + 63, kCrc32Poly), Reflected64(d - 1, kCrc32Poly)};
}
constexpr FoldPair Crc16Fold(uint32_t d) {
  // The high half holds the earlier 64 bits after byte reversal.
  return {XPowMod(d, kCrc16Poly, 16), XPowMod(d + 64, kCrc16Poly, 16)};
}

// How each CRC enters and leaves the folding frame.
struct Crc32Frame {
  using Reg = uint32_t;
  static constexpr FoldPair Fold(uint32_t d) { return Crc32Fold(d); }
  // The register XORed into the first four data bytes (little-endian).
  static __m128i Inject(Reg r) { return _mm_cvtsi32_si128(static_cast<int>(r)); }
  static __m128i ToFrame(__m128i raw) { return raw; }
  static __m128i FromFrame(__m128i x) { return x; }
  static Reg Bytes(Reg r, const uint8_t* p, size_t n) { return Crc32Bytes(r, p, n); }
};

struct Crc16Frame {
  using Reg = uint16_t;
  static constexpr FoldPair Fold(uint32_t d) { return Crc16Fold(d); }
  // The register XORed into the first two data bytes, high byte first.
  static __m128i Inject(Reg r) { return _mm_cvtsi32_si128(((r & 0xFF) << 8) | (r >> 8)); }
  static __m128i Reverse() {
    return _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  }
  static __m128i ToFrame(__m128i raw) { return _mm_shuffle_epi8(raw, Reverse()); }
  static __m128i FromFrame(__m128i x) { return _mm_shuffle_epi8(x, Reverse()); }
  static Reg Bytes(Reg r, const uint8_t* p, size_t n) { return Crc16Bytes(r, p, n); }
};

inline __m128i LoadRaw(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

template <class F, uint32_t D>
__m128i FoldConst() {
  constexpr FoldPair k = F::Fold(D);
  return _mm_set_epi64x(static_cast<long long>(k.hi), static_cast<long long>(k.lo));
}

// x moved forward over the distance of k, XORed with the lane y found there.
inline __m128i Fold128(__m128i x, __m128i k, __m128i y) {
  return _mm_xor_si128(
      _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), y);
}

// Folds 16-byte lanes until fewer than 16 bytes remain, then finishes with
// the byte table. x holds the folded data before p.
template <class F>
typename F::Reg FoldTail(__m128i x, const uint8_t* p, size_t n) {
  const __m128i k1 = FoldConst<F, 128>();
  while (n >= 16) {
    x = Fold128(x, k1, F::ToFrame(LoadRaw(p)));
    p += 16;
    n -= 16;
  }
  alignas(16) uint8_t lane[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(lane), F::FromFrame(x));
  return F::Bytes(F::Bytes(0, lane, 16), p, n);
}

// Four lanes in flight (64 bytes per step). Needs SSSE3 and PCLMULQDQ.
template <class F>
typename F::Reg FoldBy4(typename F::Reg reg, const uint8_t* p, size_t n) {
  if (n < 64) return F::Bytes(reg, p, n);
  const __m128i k4 = FoldConst<F, 512>();
  const __m128i k1 = FoldConst<F, 128>();
  __m128i x0 = F::ToFrame(_mm_xor_si128(LoadRaw(p), F::Inject(reg)));
  __m128i x1 = F::ToFrame(LoadRaw(p + 16));
  __m128i x2 = F::ToFrame(LoadRaw(p + 32));
  __m128i x3 = F::ToFrame(LoadRaw(p + 48));
  p += 64;
  n -= 64;
  while (n >= 64) {
    _mm_prefetch(reinterpret_cast<const char*>(p + 1024), _MM_HINT_T0);  // keep memory ahead
    x0 = Fold128(x0, k4, F::ToFrame(LoadRaw(p)));
    x1 = Fold128(x1, k4, F::ToFrame(LoadRaw(p + 16)));
    x2 = Fold128(x2, k4, F::ToFrame(LoadRaw(p + 32)));
    x3 = Fold128(x3, k4, F::ToFrame(LoadRaw(p + 48)));
    p += 64;
    n -= 64;
  }
  __m128i x = Fold128(x0, k1, x1);
  x = Fold128(x, k1, x2);
  x = Fold128(x, k1, x3);
  return FoldTail<F>(x, p, n);
}

}  // namespace
}  // namespace zel::internal
