// Base64 inner loops with AVX-512 VBMI: 48 bytes <-> 64 characters per step.
//
// Encoding: one byte permutation spreads the 3-byte groups over 32-bit
// lanes, a multishift cuts out the four 6-bit fields and a second byte
// permutation looks them up in the 64-character alphabet. A 45-byte line is
// one masked load, the same three steps, CR LF blended in and one masked
// store. Decoding translates 64 characters through a 128-entry table held in
// two registers, validates them with one sign test and packs with two
// multiply-adds and a byte permutation.
#include "zel/dstruct/internal/base64_kernels.h"

#if defined(__AVX512VBMI__) && defined(__AVX512BW__)
#include <immintrin.h>

#include <array>

namespace zel::internal {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// ASCII 0..127 -> 6-bit value, 0x80 for characters outside the alphabet.
constexpr std::array<uint8_t, 128> MakeDecodeTable() {
  std::array<uint8_t, 128> t{};
  for (auto& v : t) v = 0x80;
  for (uint8_t i = 0; i < 64; ++i) t[static_cast<uint8_t>(kAlphabet[i])] = i;
  return t;
}
alignas(64) constexpr std::array<uint8_t, 128> kDecodeTable = MakeDecodeTable();

// Byte i of the packed output comes from byte kPack[i] of the lanes holding
// a<<18 | b<<12 | c<<6 | d (most significant byte first).
constexpr std::array<uint8_t, 64> MakePackIndex() {
  std::array<uint8_t, 64> t{};
  for (uint8_t j = 0; j < 16; ++j) {
    t[3 * j] = static_cast<uint8_t>(4 * j + 2);
    t[3 * j + 1] = static_cast<uint8_t>(4 * j + 1);
    t[3 * j + 2] = static_cast<uint8_t>(4 * j);
  }
  return t;
}
alignas(64) constexpr std::array<uint8_t, 64> kPack = MakePackIndex();

inline __m512i Load64(const void* p) { return _mm512_loadu_si512(p); }

// The zero-masking forms with a full mask: the plain forms of these two
// intrinsics start from an undefined register, which g++ 12 reports as a
// possibly uninitialised read.
constexpr __mmask64 kAll = ~__mmask64{0};
inline __m512i PermuteBytes(__m512i idx, __m512i table) {
  return _mm512_maskz_permutexvar_epi8(kAll, idx, table);
}

struct Encoder {
  __m512i alphabet = Load64(kAlphabet);
  // Each 32-bit lane gets bytes [b1 b0 b2 b1] of its group.
  __m512i spread =
      _mm512_setr_epi32(0x01020001, 0x04050304, 0x07080607, 0x0a0b090a, 0x0d0e0c0d, 0x10110f10,
                        0x13141213, 0x16171516, 0x191a1819, 0x1c1d1b1c, 0x1f201e1f, 0x22232122,
                        0x25262425, 0x28292728, 0x2b2c2a2b, 0x2e2f2d2e);
  // Bit offsets of the fields a, b, c, d within each lane pair.
  __m512i fields = _mm512_set1_epi64(0x3036242a1016040a);

  __m512i operator()(__m512i bytes) const {
    const __m512i lanes = PermuteBytes(spread, bytes);
    const __m512i idx = _mm512_maskz_multishift_epi64_epi8(kAll, fields, lanes);
    return PermuteBytes(idx, alphabet);
  }
};

inline __mmask64 LowMask(size_t n) { return n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1; }

void EncodeAvx512(const uint8_t* src, size_t groups, uint8_t* dst) {
  const Encoder enc;
  size_t i = 0;
  for (; groups - i >= 16; i += 16) {
    const __m512i in = _mm512_maskz_loadu_epi8(LowMask(48), src + i * 3);
    _mm512_storeu_si512(dst + i * 4, enc(in));
  }
  if (i < groups) {
    const size_t r = groups - i;
    const __m512i in = _mm512_maskz_loadu_epi8(LowMask(r * 3), src + i * 3);
    _mm512_mask_storeu_epi8(dst + i * 4, LowMask(r * 4), enc(in));
  }
}

void EncodeLinesAvx512(const uint8_t* src, size_t lines, uint8_t* dst) {
  const Encoder enc;
  const __m512i crlf = _mm512_set1_epi16(0x0A0D);
  for (size_t l = 0; l < lines; ++l, src += 45, dst += 62) {
    const __m512i chars = enc(_mm512_maskz_loadu_epi8(LowMask(45), src));
    _mm512_mask_storeu_epi8(dst, LowMask(62),
                            _mm512_mask_blend_epi8(__mmask64{3} << 60, chars, crlf));
  }
}

size_t DecodeAvx512(const uint8_t* src, size_t groups, uint8_t* dst) {
  const __m512i table_lo = Load64(kDecodeTable.data());
  const __m512i table_hi = Load64(kDecodeTable.data() + 64);
  const __m512i pack = Load64(kPack.data());
  size_t i = 0;
  for (; groups - i >= 16; i += 16) {
    const __m512i in = Load64(src + i * 4);
    const __m512i values = _mm512_permutex2var_epi8(table_lo, in, table_hi);
    // Invalid entries and characters from 0x80 up both carry the sign bit.
    if (_mm512_movepi8_mask(_mm512_or_si512(values, in)) != 0) break;
    const __m512i ab_cd = _mm512_maddubs_epi16(values, _mm512_set1_epi32(0x01400140));
    const __m512i abcd = _mm512_madd_epi16(ab_cd, _mm512_set1_epi32(0x00011000));
    _mm512_mask_storeu_epi8(dst + i * 3, LowMask(48), PermuteBytes(pack, abcd));
  }
  return i;
}

size_t StripLineBreaksAvx512(const uint8_t* src, size_t n, uint8_t* dst) {
  const __m512i cr = _mm512_set1_epi8(13);
  const __m512i lf = _mm512_set1_epi8(10);
  size_t i = 0;
  size_t o = 0;
  for (; i + 64 <= n; i += 64) {
    const __m512i v = Load64(src + i);
    uint64_t breaks = _mm512_cmpeq_epi8_mask(v, cr) | _mm512_cmpeq_epi8_mask(v, lf);
    if (breaks == 0) {
      _mm512_storeu_si512(dst + o, v);
      o += 64;
      continue;
    }
    // Copy the runs between line breaks; masked loads stay inside the block.
    size_t from = 0;
    while (true) {
      const size_t at = breaks == 0 ? 64 : static_cast<size_t>(__builtin_ctzll(breaks));
      if (at > from) {
        const __m512i run = _mm512_maskz_loadu_epi8(LowMask(at - from), src + i + from);
        _mm512_storeu_si512(dst + o, run);
        o += at - from;
      }
      if (breaks == 0) break;
      from = at + 1;
      breaks &= breaks - 1;
    }
  }
  return o + Base64PortableKernels().strip_line_breaks(src + i, n - i, dst + o);
}

constexpr Base64Kernels kAvx512 = {"avx512vbmi", EncodeAvx512, EncodeLinesAvx512, DecodeAvx512,
                                   StripLineBreaksAvx512};

}  // namespace

const Base64Kernels* Base64Avx512KernelsImpl() { return &kAvx512; }

}  // namespace zel::internal

#else

namespace zel::internal {
const Base64Kernels* Base64Avx512KernelsImpl() { return nullptr; }
}  // namespace zel::internal

#endif
