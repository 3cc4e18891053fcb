#include "zel/colors/internal/colorscale.h"

#include <algorithm>
#include <cmath>

#include "zel/colors/internal/colormath.h"
#include "zel/platform/cpu_features.h"

namespace zel::internal {

namespace {

// The blend of InterpolateColor.
inline TColor Blend(TColor c1, TColor c2, double t) noexcept {
  t = Clamp01(t);
  const auto ch = [t](int32_t a, int32_t b) { return static_cast<int32_t>(a + (b - a) * t); };
  return PackRGB(ch(RedOf(c1), RedOf(c2)), ch(GreenOf(c1), GreenOf(c2)),
                 ch(BlueOf(c1), BlueOf(c2)));
}

// Support index for position k.
inline int64_t IndexOf(int64_t k, int64_t h, double nd) noexcept {
  return std::clamp<int64_t>(static_cast<int64_t>(static_cast<double>(h * (k - 1)) / nd), 0, h - 1);
}

inline TColor Entry(int64_t k, int64_t h, double nd, const TColor* sup) noexcept {
  const int64_t idx = IndexOf(k, h, nd);
  const double t = static_cast<double>(h * k) / nd - static_cast<double>(idx);
  return Blend(sup[idx], sup[idx + 1], t);
}

// Quantised position of entry i.
inline int64_t LevelK(int64_t i, double nd, double levels, double step) noexcept {
  const int64_t r = RoundHalfEven(static_cast<double>(i) / nd * levels);
  return RoundHalfEven(static_cast<double>(r) * step);
}

// Products below 2^52 are exact in doubles, and so are the quotients' integer
// parts compared with integer division.
constexpr double kExact = 4503599627370496.0;  // 2^52

}  // namespace

void FillIntervalPortable(TColor* Out, int64_t Count, const IntervalBlend& B) noexcept {
  for (int64_t j = 0; j < Count; ++j) {
    // h (k0 + j) is exact, as h k is in the reference.
    const double t = Clamp01(B.h * (B.k0 + static_cast<double>(j)) / B.n - B.base);
    const auto r = static_cast<uint32_t>(static_cast<int32_t>(B.ar + B.dr * t));
    const auto g = static_cast<uint32_t>(static_cast<int32_t>(B.ag + B.dg * t));
    const auto b = static_cast<uint32_t>(static_cast<int32_t>(B.ab + B.db * t));
    Out[j] = r | (g << 8) | (b << 16);
  }
}

void FillScaleReference(TColor* Out, int64_t n, const TColor* Support, int64_t h,
                        int32_t Levels) noexcept {
  const double nd = static_cast<double>(n);
  if (Levels <= 0) {
    for (int64_t i = 1; i <= n; ++i) Out[i - 1] = Entry(i, h, nd, Support);
    return;
  }
  const double levels = Levels;
  const double step = nd / levels;
  for (int64_t i = 1; i <= n; ++i) Out[i - 1] = Entry(LevelK(i, nd, levels, step), h, nd, Support);
}

void FillScale(TColor* Out, int64_t n, const TColor* Support, int64_t h, int32_t Levels) noexcept {
  const double nd = static_cast<double>(n);
  if (static_cast<double>(h) * (nd + 1) >= kExact)
    return FillScaleReference(Out, n, Support, h, Levels);
  if (Levels > 0) {
    // Entries of one band share k and so their colour; a band ends where the
    // rounded level changes (the level is monotone in i).
    const double levels = Levels;
    const double step = nd / levels;
    int64_t i = 1;
    while (i <= n) {
      const int64_t r = RoundHalfEven(static_cast<double>(i) / nd * levels);
      const TColor c = Entry(RoundHalfEven(static_cast<double>(r) * step), h, nd, Support);
      Out[i - 1] = c;
      ++i;
      while (i <= n && RoundHalfEven(static_cast<double>(i) / nd * levels) == r) Out[i++ - 1] = c;
    }
    return;
  }
  const double hd = static_cast<double>(h);
#if defined(__x86_64__) || defined(_M_X64)
  const bool avx2 = HasCpuFeatures(kCpuAVX2);
#else
  const bool avx2 = false;
#endif
  int64_t k = 1;
  while (k <= n) {
    const int64_t idx = IndexOf(k, h, nd);
    // Last k of this interval: h (k - 1) < (idx + 1) n, then checked against
    // the exact rule on both sides (idx is monotone in k).
    int64_t end = std::min(n, ((idx + 1) * n - 1) / h + 1);
    while (end > k && IndexOf(end, h, nd) != idx) --end;
    while (end < n && IndexOf(end + 1, h, nd) == idx) ++end;
    const TColor a = Support[idx], b = Support[idx + 1];
    IntervalBlend blend;
    blend.h = hd;
    blend.n = nd;
    blend.base = static_cast<double>(idx);
    blend.k0 = static_cast<double>(k);
    blend.ar = RedOf(a), blend.ag = GreenOf(a), blend.ab = BlueOf(a);
    blend.dr = RedOf(b) - RedOf(a), blend.dg = GreenOf(b) - GreenOf(a),
    blend.db = BlueOf(b) - BlueOf(a);
    if (avx2)
      FillIntervalAvx2(Out + (k - 1), end - k + 1, blend);
    else
      FillIntervalPortable(Out + (k - 1), end - k + 1, blend);
    k = end + 1;
  }
}

}  // namespace zel::internal
