// Combinations, permutations and nearest values: full sequences for small
// sizes against the standard library, the documented examples, and the
// guarded inputs.
#include "zel/dstruct/combinatorics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace zel {
namespace {

std::string Digits(const TCombination& c) {
  std::string s;
  for (int i = 1; i <= c[0]; ++i) s += std::to_string(c[static_cast<size_t>(i)]);
  return s;
}

TEST(CombinatoricsTest, CombinationsInLexicographicOrder) {
  TCombination c = FirstCombination(2);
  std::vector<std::string> seen = {Digits(c)};
  while (NextCombination(c, 5)) seen.push_back(Digits(c));
  EXPECT_EQ(seen,
            (std::vector<std::string>{"12", "13", "14", "15", "23", "24", "25", "34", "35", "45"}));
  EXPECT_EQ(Digits(c), "45");
  for (int n = 1; n <= 9; ++n) {
    for (int k = 1; k <= n; ++k) {
      SCOPED_TRACE(std::to_string(n) + " choose " + std::to_string(k));
      TCombination x = FirstCombination(static_cast<uint8_t>(k));
      std::vector<std::vector<int>> all = {{x.begin() + 1, x.begin() + 1 + k}};
      while (NextCombination(x, n)) all.push_back({x.begin() + 1, x.begin() + 1 + k});
      // Expected: every k-subset, in lexicographic order, via a mask walk.
      std::vector<std::vector<int>> want;
      std::vector<bool> pick(static_cast<size_t>(n));
      std::fill(pick.begin(), pick.begin() + k, true);
      do {
        std::vector<int> v;
        for (int i = 0; i < n; ++i)
          if (pick[static_cast<size_t>(i)]) v.push_back(i + 1);
        want.push_back(v);
      } while (std::prev_permutation(pick.begin(), pick.end()));
      EXPECT_EQ(all, want);
    }
  }
}

TEST(CombinatoricsTest, CombinationLimits) {
  TCombination c = FirstCombination(3);
  EXPECT_FALSE(NextCombination(c, 3));  // k = MaxVal: one combination
  EXPECT_EQ(Digits(c), "123");
  EXPECT_FALSE(NextCombination(c, 2));  // MaxVal < k
  TCombination empty = FirstCombination(0);
  EXPECT_FALSE(NextCombination(empty, 10));
  EXPECT_EQ(empty[0], 0);
  TCombination big = FirstCombination(1);
  big[1] = 255;
  EXPECT_FALSE(NextCombination(big, 1000));  // values stop at 255
  EXPECT_EQ(big[1], 255);
}

TEST(CombinatoricsTest, PermutationsVisitEveryOrderOnce) {
  TCombination p = FirstCombination(3);
  std::vector<std::string> seen = {Digits(p)};
  while (NextPermutation(p)) seen.push_back(Digits(p));
  EXPECT_EQ(seen, (std::vector<std::string>{"123", "213", "231", "132", "312", "321"}));
  EXPECT_EQ(Digits(p), "321");
  TCombination one = FirstCombination(1);
  EXPECT_FALSE(NextPermutation(one));
  for (int n = 2; n <= 7; ++n) {
    SCOPED_TRACE(n);
    TCombination q = FirstCombination(static_cast<uint8_t>(n));
    std::set<std::string> orders = {Digits(q)};
    int steps = 0;
    while (NextPermutation(q)) {
      orders.insert(Digits(q));
      ++steps;
    }
    int fact = 1;
    for (int i = 2; i <= n; ++i) fact *= i;
    EXPECT_EQ(steps, fact - 1);
    EXPECT_EQ(static_cast<int>(orders.size()), fact);
    std::string last;
    for (int i = n; i >= 1; --i) last += std::to_string(i);
    EXPECT_EQ(Digits(q), last);
  }
  TCombination four = FirstCombination(4);
  NextPermutation(four);
  EXPECT_EQ(Digits(four), "2134");
  NextPermutation(four);
  EXPECT_EQ(Digits(four), "2314");
  NextPermutation(four);
  EXPECT_EQ(Digits(four), "2341");
}

TEST(CombinatoricsTest, PermutationGuards) {
  TCombination zero = FirstCombination(0);
  EXPECT_FALSE(NextPermutation(zero));
  TCombination bad = FirstCombination(3);
  bad[1] = 9;  // value 1 missing
  const TCombination before = bad;
  EXPECT_FALSE(NextPermutation(bad));
  EXPECT_EQ(bad, before);
  TCombination full = FirstCombination(255);  // the largest size steps safely
  EXPECT_TRUE(NextPermutation(full));
  EXPECT_EQ(full[1], 2);
  EXPECT_EQ(full[2], 1);
}

TEST(CombinatoricsTest, NearestValue) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double x;
    std::vector<double> data;
    int32_t want;
  } dcases[] = {
      {2.4, {1, 2, 3}, 1}, {2.5, {1, 2, 3}, 1}, {9, {}, -1},       {0, {inf, -inf}, -1},
      {1, {1, nan}, 0},    {1, {nan, 5, 1}, 2}, {nan, {1, 2}, -1}, {-3, {5, -2.5, -3.5}, 1},
  };
  for (const auto& c : dcases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(IndexOfNearestArrayValue(c.x, c.data), c.want);
  }
  const struct {
    int32_t x;
    std::vector<int32_t> data;
    int32_t want;
  } icases[] = {
      {7, {10, 4, 9}, 2},
      {0, {}, -1},
      {2000000000, {-2000000000, 1}, 1},  // differences beyond 32 bits
      {INT32_MIN, {INT32_MAX, 0}, 1},
      {INT32_MAX, {INT32_MIN, INT32_MAX}, 1},
  };
  for (const auto& c : icases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(IndexOfNearestArrayValue(c.x, c.data), c.want);
  }
}

}  // namespace
}  // namespace zel
