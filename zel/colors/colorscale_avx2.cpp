// AVX2 kernel of FillScale: one support interval, four entries at a time.
#include "zel/colors/internal/colorscale.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace zel::internal {

void FillIntervalAvx2(TColor* Out, int64_t Count, const IntervalBlend& B) noexcept {
  const __m256d hd = _mm256_set1_pd(B.h), nd = _mm256_set1_pd(B.n), base = _mm256_set1_pd(B.base);
  const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
  const __m256d ar = _mm256_set1_pd(B.ar), ag = _mm256_set1_pd(B.ag), ab = _mm256_set1_pd(B.ab);
  const __m256d dr = _mm256_set1_pd(B.dr), dg = _mm256_set1_pd(B.dg), db = _mm256_set1_pd(B.db);
  const __m256d four = _mm256_set1_pd(4.0);
  __m256d k = _mm256_add_pd(_mm256_set1_pd(B.k0), _mm256_setr_pd(0, 1, 2, 3));
  int64_t j = 0;
  for (; j + 4 <= Count; j += 4) {
    // Same operations, in the same order, as the portable loop.
    __m256d t = _mm256_sub_pd(_mm256_div_pd(_mm256_mul_pd(hd, k), nd), base);
    t = _mm256_min_pd(_mm256_max_pd(t, zero), one);
    const __m128i r = _mm256_cvttpd_epi32(_mm256_add_pd(ar, _mm256_mul_pd(dr, t)));
    const __m128i g = _mm256_cvttpd_epi32(_mm256_add_pd(ag, _mm256_mul_pd(dg, t)));
    const __m128i b = _mm256_cvttpd_epi32(_mm256_add_pd(ab, _mm256_mul_pd(db, t)));
    const __m128i c = _mm_or_si128(r, _mm_or_si128(_mm_slli_epi32(g, 8), _mm_slli_epi32(b, 16)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + j), c);
    k = _mm256_add_pd(k, four);
  }
  if (j < Count) {
    IntervalBlend rest = B;
    rest.k0 = B.k0 + static_cast<double>(j);
    FillIntervalPortable(Out + j, Count - j, rest);
  }
}

}  // namespace zel::internal

#endif  // __AVX2__
