// Base64 inner loops with AVX2: 24 bytes <-> 32 characters per step.
//
// Encoding spreads each 3-byte group over a 32-bit lane with one byte
// shuffle, cuts out the four 6-bit fields with two multiplications and maps
// them to characters with a 16-entry shift table (W. Mula's pshufb method).
// Decoding classifies every character by its two nibbles to validate the
// whole vector at once, then translates and packs with two multiply-adds.
#include "zel/dstruct/internal/base64_kernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace zel::internal {
namespace {

// The second lane is loaded 8 bytes into the block (bytes 8..23), so its
// shuffle indices are shifted by 4 and nothing past the 24 bytes is read.
inline __m256i EncodeVector(const uint8_t* src) {
  const __m256i in = _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8)), 1);
  const __m256i shuffled = _mm256_shuffle_epi8(
      in, _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10,  //
                           5, 4, 6, 5, 8, 7, 9, 8, 11, 10, 12, 11, 14, 13, 15, 14));
  // Lane bytes are [b1 b0 b2 b1]: fields a and c by a high multiply, b and d
  // by a low multiply, each landing in its own byte.
  const __m256i ac = _mm256_mulhi_epu16(_mm256_and_si256(shuffled, _mm256_set1_epi32(0x0fc0fc00)),
                                        _mm256_set1_epi32(0x04000040));
  const __m256i bd = _mm256_mullo_epi16(_mm256_and_si256(shuffled, _mm256_set1_epi32(0x003f03f0)),
                                        _mm256_set1_epi32(0x01000010));
  const __m256i idx = _mm256_or_si256(ac, bd);
  // 0..25 -> 13 ('A'), 26..51 -> 0 ('a'-26), 52..61 -> 1..10 ('0'-52),
  // 62 -> 11 ('+'), 63 -> 12 ('/').
  __m256i sel = _mm256_subs_epu8(idx, _mm256_set1_epi8(51));
  const __m256i upper = _mm256_cmpgt_epi8(_mm256_set1_epi8(26), idx);
  sel = _mm256_or_si256(sel, _mm256_and_si256(upper, _mm256_set1_epi8(13)));
  const __m256i shift =
      _mm256_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                       '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0,  //
                       'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                       '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  return _mm256_add_epi8(idx, _mm256_shuffle_epi8(shift, sel));
}

inline void Store(uint8_t* dst, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), v);
}

void EncodeScalarTail(const uint8_t* src, size_t groups, uint8_t* dst) {
  Base64PortableKernels().encode(src, groups, dst);
}

void EncodeAvx2(const uint8_t* src, size_t groups, uint8_t* dst) {
  size_t i = 0;
  for (; groups - i >= 8; i += 8) Store(dst + i * 4, EncodeVector(src + i * 3));
  EncodeScalarTail(src + i * 3, groups - i, dst + i * 4);
}

void EncodeLinesAvx2(const uint8_t* src, size_t lines, uint8_t* dst) {
  for (size_t l = 0; l < lines; ++l, src += 45, dst += 62) {
    // Groups 0..7 and 7..14; the overlapping group is written twice alike.
    Store(dst, EncodeVector(src));
    Store(dst + 28, EncodeVector(src + 21));
    dst[60] = 13;
    dst[61] = 10;
  }
}

size_t DecodeAvx2(const uint8_t* src, size_t groups, uint8_t* dst) {
  // Bit sets per low nibble: the high-nibble classes for which that low
  // nibble is NOT an alphabet character. High nibbles 0, 1 and 8..15 are
  // never valid (bit 0x10 in every low-nibble entry).
  const __m256i lut_lo = _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                          0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A,  //
                                          0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                          0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
  const __m256i lut_hi = _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10,
                                          0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10,  //
                                          0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10,
                                          0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
  // Offset to add per high nibble; '/' (0x2F) uses entry 1.
  const __m256i lut_roll =
      _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0,
                       0,  //
                       0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i mask_2f = _mm256_set1_epi8(0x2F);
  size_t i = 0;
  for (; groups - i >= 8; i += 8) {
    const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i * 4));
    const __m256i hi_nibbles = _mm256_and_si256(_mm256_srli_epi32(in, 4), mask_2f);
    const __m256i lo_nibbles = _mm256_and_si256(in, mask_2f);
    const __m256i lo = _mm256_shuffle_epi8(lut_lo, lo_nibbles);
    const __m256i hi = _mm256_shuffle_epi8(lut_hi, hi_nibbles);
    if (!_mm256_testz_si256(lo, hi)) break;
    const __m256i eq_2f = _mm256_cmpeq_epi8(in, mask_2f);
    const __m256i roll = _mm256_shuffle_epi8(lut_roll, _mm256_add_epi8(eq_2f, hi_nibbles));
    const __m256i values = _mm256_add_epi8(in, roll);
    // [a b c d] -> a<<18 | b<<12 | c<<6 | d in each 32-bit lane.
    const __m256i ab_cd = _mm256_maddubs_epi16(values, _mm256_set1_epi32(0x01400140));
    const __m256i abcd = _mm256_madd_epi16(ab_cd, _mm256_set1_epi32(0x00011000));
    const __m256i bytes = _mm256_shuffle_epi8(
        abcd, _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,  //
                               2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1));
    Store(dst + i * 3,
          _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7)));
  }
  return i;
}

size_t StripLineBreaksAvx2(const uint8_t* src, size_t n, uint8_t* dst) {
  const __m256i cr = _mm256_set1_epi8(13);
  const __m256i lf = _mm256_set1_epi8(10);
  size_t i = 0;
  size_t o = 0;
  // Copies between line breaks load 32 bytes from inside the block, so the
  // vector loop keeps a block of input in reserve.
  for (; i + 64 <= n; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    uint32_t breaks = static_cast<uint32_t>(
        _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, lf))));
    if (breaks == 0) {
      Store(dst + o, v);
      o += 32;
      continue;
    }
    size_t from = 0;
    while (breaks != 0) {
      const size_t at = static_cast<size_t>(__builtin_ctz(breaks));
      if (at > from) {
        Store(dst + o, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + from)));
        o += at - from;
      }
      from = at + 1;
      breaks &= breaks - 1;
    }
    if (from < 32) {
      Store(dst + o, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + from)));
      o += 32 - from;
    }
  }
  return o + Base64PortableKernels().strip_line_breaks(src + i, n - i, dst + o);
}

constexpr Base64Kernels kAvx2 = {"avx2", EncodeAvx2, EncodeLinesAvx2, DecodeAvx2,
                                 StripLineBreaksAvx2};

}  // namespace

const Base64Kernels* Base64Avx2KernelsImpl() { return &kAvx2; }

}  // namespace zel::internal

#else

namespace zel::internal {
const Base64Kernels* Base64Avx2KernelsImpl() { return nullptr; }
}  // namespace zel::internal

#endif
