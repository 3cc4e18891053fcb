// SHA-1 block compression on the x86 SHA extensions (SHA1RNDS4, SHA1NEXTE,
// SHA1MSG1, SHA1MSG2). Each of the twenty groups of four rounds consumes one
// 128-bit message register; the message schedule for group g + 1..g + 3 is
// prepared while group g runs, the usual interleaving that keeps the round
// instruction's dependency chain busy.
#include "zel/dstruct/internal/sha1_engine.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>

#include <utility>

namespace zel::internal {
namespace {

// One group of four rounds. msg[] rotates through the 16-word window; e0/e1
// alternate as the "E" input of the round instruction.
template <int G>
inline void Group(__m128i& abcd, __m128i& e0, __m128i& e1, __m128i (&msg)[4]) {
  constexpr int f = G / 5;  // round function and constant: 0..3
  __m128i& ecur = (G % 2 == 0) ? e0 : e1;
  __m128i& enext = (G % 2 == 0) ? e1 : e0;
  if constexpr (G == 0) {
    ecur = _mm_add_epi32(ecur, msg[0]);
  } else {
    ecur = _mm_sha1nexte_epu32(ecur, msg[G % 4]);
  }
  enext = abcd;
  if constexpr (G >= 3 && G <= 18)
    msg[(G + 1) % 4] = _mm_sha1msg2_epu32(msg[(G + 1) % 4], msg[G % 4]);
  abcd = _mm_sha1rnds4_epu32(abcd, ecur, f);
  if constexpr (G >= 1 && G <= 16)
    msg[(G + 3) % 4] = _mm_sha1msg1_epu32(msg[(G + 3) % 4], msg[G % 4]);
  if constexpr (G >= 2 && G <= 17) msg[(G + 2) % 4] = _mm_xor_si128(msg[(G + 2) % 4], msg[G % 4]);
}

template <int... G>
inline void AllGroups(__m128i& abcd, __m128i& e0, __m128i& e1, __m128i (&msg)[4],
                      std::integer_sequence<int, G...>) {
  (Group<G>(abcd, e0, e1, msg), ...);
}

}  // namespace

void Sha1CompressShani(uint32_t state[5], const uint8_t* blocks, size_t nblocks) {
  // Words of each block are big-endian.
  const __m128i kByteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
  for (; nblocks > 0; --nblocks, blocks += 64) {
    const __m128i abcd_save = abcd;
    const __m128i e0_save = e0;
    __m128i msg[4];
    for (int i = 0; i < 4; ++i) {
      msg[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)),
                                kByteSwap);
    }
    __m128i e1;
    AllGroups(abcd, e0, e1, msg, std::make_integer_sequence<int, 20>{});
    // After group 19 (odd) e0 holds the rotated A that becomes the next E.
    e0 = _mm_sha1nexte_epu32(e0, e0_save);
    abcd = _mm_add_epi32(abcd, abcd_save);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}

}  // namespace zel::internal
#endif
