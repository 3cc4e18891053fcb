#include "zel/runtime/random.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

// Expected values worked out from RandSeed := RandSeed * 134775813 + 1
// (mod 2^32); Random(n) = (RandSeed * n) shr 32 after the step.
TEST(Random, FixedSequenceForSeed12345) {
  RandSeed = 12345;
  const struct {
    int32_t value;
    uint32_t seed;
  } expected[] = {{38, 1655067934u}, {28, 1242767767u}, {7, 342459380u},
                  {55, 2377737157u}, {63, 2721613530u}, {34, 1467157059u}};
  for (const auto& e : expected) {
    EXPECT_EQ(Random(100), e.value);
    EXPECT_EQ(RandSeed, e.seed);
  }
}

TEST(Random, FloatSequenceFromZero) {
  RandSeed = 0;
  EXPECT_EQ(Random(), 1.0 / 4294967296.0);
  EXPECT_EQ(RandSeed, 1u);
  EXPECT_EQ(Random(), 134775814.0 / 4294967296.0);
  EXPECT_DOUBLE_EQ(Random(), 0.8610484672244638);
}

TEST(Random, SeedWrapsAndLargeRange) {
  RandSeed = 0xFFFFFFFFu;
  EXPECT_EQ(Random(2147483647), 2080095741);
  EXPECT_EQ(RandSeed, 4160191484u);
}

TEST(Random, NonPositiveRangeGivesZeroButSteps) {
  RandSeed = 7;
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(RandSeed, 7u * 134775813u + 1u);
  EXPECT_EQ(Random(-5), 0);
}

TEST(Random, ValuesStayInRange) {
  RandSeed = 99;
  for (int i = 0; i < 10000; ++i) {
    const int32_t r = Random(7);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 7);
    const double f = Random();
    ASSERT_GE(f, 0.0);
    ASSERT_LT(f, 1.0);
  }
}

TEST(Random, SameSeedSameSequence) {
  RandSeed = 2024;
  int32_t a[20];
  for (auto& x : a) x = Random(1000);
  RandSeed = 2024;
  for (const auto x : a) EXPECT_EQ(Random(1000), x);
}

}  // namespace
}  // namespace zel
