// Scans over UTF-16 text that compare eight units at a time (SSE2, part of
// every x86-64 processor), with a plain loop for other targets and the tail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "zel/runtime/types.h"
#include "zel/stringl/internal/substring_search.h"

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

// Offset from p of the first complete occurrence of lit[0..m) in [p, e), or -1.
// Candidates are the places where the first and the last unit of the literal
// both stand, so a text of common letters is still passed over quickly. When
// candidates keep proving false (more than one per 16 characters on average:
// "aaa...a" searched for "a...ab"), the rest goes to the linear-time search,
// so the cost stays O(text + literal).
inline int64_t FindLiteral(const Char* p, const Char* e, const Char* lit, size_t m) {
  constexpr int kFalseCandidates = 64;
  int64_t misses = 0;
  if (m == 0) return 0;
  if (static_cast<size_t>(e - p) < m) return -1;
  const Char* const last_start = e - m;
  const Char first = lit[0];
  const Char last = lit[m - 1];
  const size_t bytes = m * sizeof(Char);
  const Char* q = p;
#if defined(__SSE2__)
  const __m128i vf = _mm_set1_epi16(static_cast<short>(first));
  const __m128i vl = _mm_set1_epi16(static_cast<short>(last));
  while (last_start - q >= 7) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + m - 1));
    unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(a, vf), _mm_cmpeq_epi16(b, vl))));
    while (mask != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
      const Char* at = q + bit / 2;
      if (std::memcmp(at, lit, bytes) == 0) return at - p;
      if (++misses > kFalseCandidates + (at - p) / 16) return FindLiteralLinear(p, e, at, lit, m);
      mask &= ~(3u << bit);
    }
    q += 8;
  }
#endif
  for (; q <= last_start; ++q) {
    if (*q != first || q[m - 1] != last) continue;
    if (std::memcmp(q, lit, bytes) == 0) return q - p;
    if (++misses > kFalseCandidates + (q - p) / 16) return FindLiteralLinear(p, e, q, lit, m);
  }
  return -1;
}

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
