// CRC-32 and CRC-16 by carry-less multiplication folding on 512-bit registers
// (VPCLMULQDQ with AVX-512): four registers of four 128-bit lanes each, 256
// bytes per step. Each 128-bit lane folds exactly as in the PCLMULQDQ kernels
// (see internal/crc_fold_x86.h); the lanes are merged at the end.
// The zero-masked forms of broadcast and extract are used because the plain
// ones trip a false "may be used uninitialized" warning in g++ 12.
#include "zel/dstruct/internal/crc_kernels.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <type_traits>

#include "zel/dstruct/internal/crc_fold_x86.h"

namespace zel::internal {
namespace {

template <class F, uint32_t D>
__m512i FoldConst512() {
  return _mm512_maskz_broadcast_i32x4(0xFFFF, FoldConst<F, D>());
}

inline __m512i Load512(const uint8_t* p) { return _mm512_loadu_si512(p); }

template <class F>
__m512i ToFrame512(__m512i raw) {
  if constexpr (std::is_same_v<F, Crc16Frame>) {
    return _mm512_shuffle_epi8(raw, _mm512_maskz_broadcast_i32x4(0xFFFF, Crc16Frame::Reverse()));
  } else {
    return raw;
  }
}

inline __m512i Fold512(__m512i x, __m512i k, __m512i y) {
  // 0x96: three-way exclusive or.
  return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(x, k, 0x00),
                                   _mm512_clmulepi64_epi128(x, k, 0x11), y, 0x96);
}

constexpr size_t kPrefetchAhead = 2048;

template <class F>
typename F::Reg FoldBy16(typename F::Reg reg, const uint8_t* p, size_t n) {
  if (n < 256) return FoldBy4<F>(reg, p, n);
  const __m512i k16 = FoldConst512<F, 2048>();
  const __m512i k4 = FoldConst512<F, 512>();
  const __m512i inject = _mm512_inserti32x4(_mm512_setzero_si512(), F::Inject(reg), 0);
  __m512i z0 = ToFrame512<F>(_mm512_xor_si512(Load512(p), inject));
  __m512i z1 = ToFrame512<F>(Load512(p + 64));
  __m512i z2 = ToFrame512<F>(Load512(p + 128));
  __m512i z3 = ToFrame512<F>(Load512(p + 192));
  p += 256;
  n -= 256;
  while (n >= 256) {
    // Ask for the data a few steps ahead: on a busy machine the hardware
    // prefetcher alone leaves the folding waiting for memory.
    _mm_prefetch(reinterpret_cast<const char*>(p + kPrefetchAhead), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(p + kPrefetchAhead + 64), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(p + kPrefetchAhead + 128), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(p + kPrefetchAhead + 192), _MM_HINT_T0);
    z0 = Fold512(z0, k16, ToFrame512<F>(Load512(p)));
    z1 = Fold512(z1, k16, ToFrame512<F>(Load512(p + 64)));
    z2 = Fold512(z2, k16, ToFrame512<F>(Load512(p + 128)));
    z3 = Fold512(z3, k16, ToFrame512<F>(Load512(p + 192)));
    p += 256;
    n -= 256;
  }
  __m512i z = Fold512(z0, k4, z1);
  z = Fold512(z, k4, z2);
  z = Fold512(z, k4, z3);
  while (n >= 64) {
    z = Fold512(z, k4, ToFrame512<F>(Load512(p)));
    p += 64;
    n -= 64;
  }
  const __m128i k1 = FoldConst<F, 128>();
  __m128i x = Fold128(_mm512_maskz_extracti32x4_epi32(0xF, z, 0), k1,
                      _mm512_maskz_extracti32x4_epi32(0xF, z, 1));
  x = Fold128(x, k1, _mm512_maskz_extracti32x4_epi32(0xF, z, 2));
  x = Fold128(x, k1, _mm512_maskz_extracti32x4_epi32(0xF, z, 3));
  return FoldTail<F>(x, p, n);
}

}  // namespace

uint32_t Crc32Vpclmul(uint32_t reg, const uint8_t* data, size_t len) {
  return FoldBy16<Crc32Frame>(reg, data, len);
}

uint16_t Crc16Vpclmul(uint16_t reg, const uint8_t* data, size_t len) {
  return FoldBy16<Crc16Frame>(reg, data, len);
}

}  // namespace zel::internal
#endif
