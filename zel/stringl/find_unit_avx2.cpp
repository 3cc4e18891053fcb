// The scans of find_unit.h sixteen UTF-16 units at a time, for processors with
// AVX2. Each hands its last (fewer than 16) units to the eight-at-a-time scan.
#include <immintrin.h>

#include "zel/stringl/internal/find_unit.h"

#if defined(__x86_64__) || defined(_M_X64)

namespace zel::internal {

int64_t FindLiteralAvx2(const Char* p, const Char* e, const Char* lit, size_t m, size_t a,
                        size_t b) {
  if (m == 0) return 0;
  if (static_cast<size_t>(e - p) < m) return -1;
  LiteralCheck check(p, e, lit, m);
  const Char* const last_start = e - m;
  const __m256i va = _mm256_set1_epi16(static_cast<short>(lit[a]));
  const __m256i vb = _mm256_set1_epi16(static_cast<short>(lit[b]));
  // Candidates of the units [at, at + 16) as two bytes of mask per unit.
  const auto candidates = [&](const Char* at) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + a));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + b));
    return _mm256_and_si256(_mm256_cmpeq_epi16(x, va), _mm256_cmpeq_epi16(y, vb));
  };
  const Char* q = p;
  while (last_start - q >= 15) {
    uint64_t mask;
    size_t step = 16;
    if (last_start - q >= 31) {
      // Two blocks a step with one test while no candidate shows, which keeps
      // the loop at the speed of memory.
      const __m256i hit0 = candidates(q);
      const __m256i hit1 = candidates(q + 16);
      const __m256i any = _mm256_or_si256(hit0, hit1);
      if (_mm256_testz_si256(any, any)) {
        q += 32;
        continue;
      }
      mask = static_cast<uint32_t>(_mm256_movemask_epi8(hit0)) |
             (uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(hit1))} << 32);
      step = 32;
    } else {
      mask = static_cast<uint32_t>(_mm256_movemask_epi8(candidates(q)));
    }
    if (const int64_t r = check.Marked(q, mask); r != LiteralCheck::kGoOn) return r;
    q += step;
  }
  const int64_t rest = FindLiteral(q, e, lit, m, a, b);
  return rest < 0 ? -1 : (q - p) + rest;
}

size_t FindInRangesAvx2(const Char* p, const Char* e, const UnitRanges& r) {
  __m256i lo[kMaxUnitRanges], width[kMaxUnitRanges];
  for (int i = 0; i < r.count; ++i) {
    lo[i] = _mm256_set1_epi16(static_cast<short>(r.lo[static_cast<size_t>(i)]));
    width[i] = _mm256_set1_epi16(
        static_cast<short>(r.hi[static_cast<size_t>(i)] - r.lo[static_cast<size_t>(i)]));
  }
  const Char* q = p;
  // Two vectors per round: the test of the first does not wait for the second.
  while (e - q >= 32) {
    const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
    const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + 16));
    __m256i hit0 = _mm256_setzero_si256(), hit1 = _mm256_setzero_si256();
    for (int i = 0; i < r.count; ++i) {
      // Within [lo, hi] exactly when min(unit - lo, hi - lo) is unit - lo.
      const __m256i d0 = _mm256_sub_epi16(v0, lo[i]);
      const __m256i d1 = _mm256_sub_epi16(v1, lo[i]);
      hit0 = _mm256_or_si256(hit0, _mm256_cmpeq_epi16(_mm256_min_epu16(d0, width[i]), d0));
      hit1 = _mm256_or_si256(hit1, _mm256_cmpeq_epi16(_mm256_min_epu16(d1, width[i]), d1));
    }
    const auto m0 = static_cast<uint32_t>(_mm256_movemask_epi8(hit0));
    const auto m1 = static_cast<uint32_t>(_mm256_movemask_epi8(hit1));
    if ((m0 | m1) != 0) {
      if (m0 != 0) return static_cast<size_t>(q - p) + static_cast<size_t>(__builtin_ctz(m0)) / 2;
      return static_cast<size_t>(q - p) + 16 + static_cast<size_t>(__builtin_ctz(m1)) / 2;
    }
    q += 32;
  }
  return static_cast<size_t>(q - p) + FindInRanges(q, e, r);
}

}  // namespace zel::internal
#endif
