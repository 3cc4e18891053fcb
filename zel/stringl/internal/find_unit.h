// Scans over UTF-16 text that compare eight units at a time (SSE2, part of
// every x86-64 processor), with a plain loop for other targets and the tail,
// and kernels that compare sixteen at a time with AVX2 (callers check
// HasCpuFeatures(kCpuAVX2) first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "zel/export.h"
#include "zel/runtime/types.h"
#include "zel/stringl/internal/substring_search.h"
#include "zel/stringl/internal/unit_ranges.h"

namespace zel::internal {

// The linear-time search, for texts where the quick filter below keeps
// pointing at places that turn out not to hold the literal.
inline int64_t FindLiteralLinear(const Char* p, const Char* e, const Char* from, const Char* lit,
                                 size_t m) {
  const std::u16string_view text(p, static_cast<size_t>(e - p));
  const SubstringSearcher<Char> searcher(std::u16string_view(lit, m));
  const size_t at = searcher.Find(text, static_cast<size_t>(from - p));
  return at == std::u16string_view::npos ? -1 : static_cast<int64_t>(at);
}

// The places a literal scan's filter picks, checked against the whole
// literal lit[0..m) in [p, e). When picks keep proving false (more than one
// per 16 characters on average: "aaa...a" searched for "a...ab"), the rest
// goes to the linear-time search, so the cost stays O(text + literal).
class LiteralCheck {
 public:
  static constexpr int64_t kGoOn = -2;  // no occurrence at the places checked

  LiteralCheck(const Char* p, const Char* e, const Char* lit, size_t m)
      : p_(p), e_(e), lit_(lit), m_(m) {}

  // The offset from p of `at` when the literal stands there, the linear
  // search's result from `at` once picks keep proving false, else kGoOn.
  int64_t At(const Char* at) {
    if (std::memcmp(at, lit_, m_ * sizeof(Char)) == 0) return at - p_;
    if (++misses_ > kFalsePicks + (at - p_) / 16) return FindLiteralLinear(p_, e_, at, lit_, m_);
    return kGoOn;
  }
  // Checks, in order, the places a vector compare marked from q on: two bits
  // of `mask` per unit, the lowest for q itself.
  template <class Mask>
  int64_t Marked(const Char* q, Mask mask) {
    while (mask != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctzll(mask));
      if (const int64_t r = At(q + bit / 2); r != kGoOn) return r;
      mask &= ~(Mask{3} << bit);
    }
    return kGoOn;
  }

 private:
  static constexpr int64_t kFalsePicks = 64;
  const Char* const p_;
  const Char* const e_;
  const Char* const lit_;
  const size_t m_;
  int64_t misses_ = 0;
};

// Offset from p of the first complete occurrence of lit[0..m) in [p, e), or -1.
// Candidates are the places where the literal's units a and b (a <= b < m;
// by default its first and last) both stand, so a text of common letters is
// still passed over quickly; choosing two rare units of the literal makes
// false candidates rarer still (LiteralCheck keeps the cost linear).
// FindLiteralAvx2 (find_unit_avx2.cpp) is the same scan 16 units at a time.
inline int64_t FindLiteral(const Char* p, const Char* e, const Char* lit, size_t m, size_t a,
                           size_t b) {
  if (m == 0) return 0;
  if (static_cast<size_t>(e - p) < m) return -1;
  LiteralCheck check(p, e, lit, m);
  const Char* const last_start = e - m;
  const Char ca = lit[a];
  const Char cb = lit[b];
  const Char* q = p;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi16(static_cast<short>(ca));
  const __m128i vb = _mm_set1_epi16(static_cast<short>(cb));
  while (last_start - q >= 7) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + b));
    const auto mask = static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(x, va), _mm_cmpeq_epi16(y, vb))));
    if (const int64_t r = check.Marked(q, mask); r != LiteralCheck::kGoOn) return r;
    q += 8;
  }
#endif
  for (; q <= last_start; ++q) {
    if (q[a] != ca || q[b] != cb) continue;
    if (const int64_t r = check.At(q); r != LiteralCheck::kGoOn) return r;
  }
  return -1;
}

inline int64_t FindLiteral(const Char* p, const Char* e, const Char* lit, size_t m) {
  return m == 0 ? 0 : FindLiteral(p, e, lit, m, 0, m - 1);
}

#if defined(__x86_64__) || defined(_M_X64)
ZEL_API int64_t FindLiteralAvx2(const Char* p, const Char* e, const Char* lit, size_t m, size_t a,
                                size_t b);
#endif

// Offset from p of the first unit of [p, e) that lies in one of the ranges,
// or e - p. FindInRangesAvx2 (find_unit_avx2.cpp) scans 16 units at a time.
inline size_t FindInRanges(const Char* p, const Char* e, const UnitRanges& r) {
  const Char* q = p;
#if defined(__SSE2__)
  // d = unit - lo wraps below lo, so d <= hi - lo holds exactly in the range;
  // the unsigned saturating difference d - (hi - lo) is 0 just then.
  __m128i lo[kMaxUnitRanges], width[kMaxUnitRanges];
  for (int i = 0; i < r.count; ++i) {
    lo[i] = _mm_set1_epi16(static_cast<short>(r.lo[static_cast<size_t>(i)]));
    width[i] = _mm_set1_epi16(
        static_cast<short>(r.hi[static_cast<size_t>(i)] - r.lo[static_cast<size_t>(i)]));
  }
  const __m128i zero = _mm_setzero_si128();
  while (e - q >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    __m128i hit = zero;
    for (int i = 0; i < r.count; ++i)
      hit = _mm_or_si128(hit,
                         _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(v, lo[i]), width[i]), zero));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return static_cast<size_t>(q - p) + static_cast<size_t>(__builtin_ctz(mask)) / 2;
    q += 8;
  }
#endif
  for (; q < e; ++q)
    for (int i = 0; i < r.count; ++i)
      if (*q >= r.lo[static_cast<size_t>(i)] && *q <= r.hi[static_cast<size_t>(i)])
        return static_cast<size_t>(q - p);
  return static_cast<size_t>(e - p);
}

#if defined(__x86_64__) || defined(_M_X64)
ZEL_API size_t FindInRangesAvx2(const Char* p, const Char* e, const UnitRanges& r);
#endif

// Offset from p of the first unit below 32 (a control character) in [p, e),
// or e - p.
inline size_t FindControl(const Char* p, const Char* e) {
  const Char* q = p;
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFFE0));
  const __m128i zero = _mm_setzero_si128();
  while (e - q >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), zero));
    if (mask != 0) return static_cast<size_t>(q - p) + static_cast<size_t>(__builtin_ctz(mask)) / 2;
    q += 8;
  }
#endif
  for (; q < e; ++q)
    if (*q < 32) break;
  return static_cast<size_t>(q - p);
}

}  // namespace zel::internal
