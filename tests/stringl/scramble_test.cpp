#include "zel/stringl/scramble.h"

#include <gtest/gtest.h>

#include <set>

#include "zel/base/modules.h"
#include "zel/runtime/random.h"

namespace zel {
namespace {

String AllCodes() {
  String s;
  for (int c = 0; c < 256; ++c) s.push_back(static_cast<Char>(c));
  return s;
}

// Taken before any test runs: the tables as the library's start-up built them.
const String kAtStart = Scramble(AllCodes());

TEST(Scramble, TablesArePermutationsFixedBySeed) {
  // The library built the tables at start-up from the default seed.
  EXPECT_EQ(ModuleStartCount(zmStringl), 1);
  InitScramble(kDefaultScrambleSeed);
  EXPECT_EQ(Scramble(AllCodes()), kAtStart);

  for (int32_t seed : {0, 1, -1, 12345, kDefaultScrambleSeed}) {
    SCOPED_TRACE(seed);
    InitScramble(seed);
    const String f = Scramble(AllCodes());
    const uint32_t seed_after = RandSeed;
    InitScramble(seed);
    EXPECT_EQ(Scramble(AllCodes()), f);  // same seed, same tables
    EXPECT_EQ(RandSeed, seed_after);     // and the same draws
    EXPECT_EQ(f[0], 0);
    const std::set<Char> values(f.begin() + 1, f.end());
    EXPECT_EQ(values.size(), 255u);
    EXPECT_EQ(values.count(0), 0u);
    EXPECT_EQ(DeScramble(f), AllCodes());
  }
  InitScramble(1);
  const String one = Scramble(AllCodes());
  InitScramble(2);
  EXPECT_NE(Scramble(AllCodes()), one);
  InitScramble(kDefaultScrambleSeed);
}

TEST(Scramble, RoundTripsAndLeavesWideCharactersAlone) {
  const String wide = u"Gr\u00fc\u00dfe \u20ac \U0001F600 \u0100";
  EXPECT_EQ(Scramble(u""), u"");
  const String s = Scramble(wide);
  EXPECT_EQ(s.size(), wide.size());
  EXPECT_EQ(s.find(u'\u20ac'), wide.find(u'\u20ac'));
  EXPECT_NE(s, wide);
  EXPECT_EQ(DeScramble(s), wide);
  EXPECT_EQ(Scramble(DeScramble(wide)), wide);
}

}  // namespace
}  // namespace zel
