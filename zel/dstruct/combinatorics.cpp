#include "zel/dstruct/combinatorics.h"

#include <cmath>
#include <cstdlib>

namespace zel {

namespace {

constexpr double kFar = 1.7e308;

// Level m of the permutation walk (see NextPermutation); P is known valid at
// the levels above.
bool PermuteLevel(TCombination& P, int n, int m) {
  if (m <= 1) return false;
  const int v = n + 1 - m;
  int j = 1;
  while (j <= m && P[static_cast<size_t>(j)] != v) ++j;
  if (j > m) return false;  // not a permutation reached from 1..n
  if (j != m) {
    std::swap(P[static_cast<size_t>(j)], P[static_cast<size_t>(j + 1)]);
    return true;
  }
  if (!PermuteLevel(P, n, m - 1)) return false;
  for (int q = m; q >= 2; --q) P[static_cast<size_t>(q)] = P[static_cast<size_t>(q - 1)];
  P[1] = static_cast<uint8_t>(v);
  return true;
}

}  // namespace

TCombination FirstCombination(uint8_t k) {
  TCombination c{};
  c[0] = k;
  for (int i = 1; i <= k; ++i) c[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  return c;
}

bool NextCombination(TCombination& C, int32_t MaxVal) {
  const int k = C[0];
  if (MaxVal > 255) MaxVal = 255;
  if (k == 0 || MaxVal < k) return false;
  for (int p = k; p >= 1; --p) {
    if (C[static_cast<size_t>(p)] < MaxVal - k + p) {
      ++C[static_cast<size_t>(p)];
      for (int q = p + 1; q <= k; ++q)
        C[static_cast<size_t>(q)] = static_cast<uint8_t>(C[static_cast<size_t>(q - 1)] + 1);
      return true;
    }
  }
  return false;
}

bool NextPermutation(TCombination& P) {
  const int n = P[0];
  if (n == 0) return false;
  // A level changes P only on its way back with true, so false leaves P as it
  // was.
  return PermuteLevel(P, n, n);
}

int32_t IndexOfNearestArrayValue(double x, const std::vector<double>& Data) {
  double best = kFar;
  int32_t result = -1;
  for (size_t i = 0; i < Data.size(); ++i) {
    const double d = std::fabs(Data[i] - x);
    if (d < best) {
      best = d;
      result = static_cast<int32_t>(i);
    }
  }
  return result;
}

int32_t IndexOfNearestArrayValue(int32_t x, const std::vector<int32_t>& Data) {
  double best = kFar;
  int32_t result = -1;
  for (size_t i = 0; i < Data.size(); ++i) {
    const double d = static_cast<double>(std::llabs(int64_t{Data[i]} - x));
    if (d < best) {
      best = d;
      result = static_cast<int32_t>(i);
    }
  }
  return result;
}

}  // namespace zel
