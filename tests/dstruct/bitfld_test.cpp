// TBitFld: every operation against a std::vector<bool> model over sizes
// around word and byte edges, the random operations' counts, the spare bits
// that must stay clear, and the popcount kernels against the portable one.
#include "zel/dstruct/bitfld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "zel/dstruct/internal/bitfld_kernels.h"
#include "zel/dstruct/internal/sha1_engine.h"
#include "zel/platform/cpu_features.h"
#include "zel/runtime/random.h"

namespace zel {
namespace {

std::vector<bool> Bits(const TBitFld& f) {
  std::vector<bool> v(static_cast<size_t>(f.Size()) + 1);
  for (int32_t i = 0; i <= f.Size(); ++i) v[static_cast<size_t>(i)] = f.GetBit(i);
  return v;
}

// The digest of the field's bytes built from the model: bits above Size
// clear.
TSHACode ModelHash(const std::vector<bool>& bits) {
  std::vector<uint8_t> bytes((bits.size() - 1) / 8 + 1, 0);
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i]) bytes[i / 8] = static_cast<uint8_t>(bytes[i / 8] | (1u << (i % 8)));
  internal::Sha1Context ctx;
  ctx.Update(bytes.data(), bytes.size());
  return ctx.Final();
}

TEST(BitFldTest, OperationsMatchTheModel) {
  std::mt19937 gen(11);
  for (const int32_t size : {0, 1, 6, 7, 8, 62, 63, 64, 65, 127, 1000, 4095, 4096, 5000}) {
    SCOPED_TRACE(size);
    TBitFld f(nullptr), g(nullptr);
    f.SetSize(size);
    g.SetSize(size);
    std::vector<bool> m(static_cast<size_t>(size) + 1), n(m.size());
    for (int k = 0; k < 3 * size + 10; ++k) {
      const auto ix = static_cast<int32_t>(gen() % (static_cast<uint32_t>(size) + 3)) - 1;
      const bool inside = ix >= 0 && ix <= size;
      switch (gen() % 3) {
        case 0:
          f.SetBit(ix, true);
          if (inside) m[static_cast<size_t>(ix)] = true;
          break;
        case 1:
          f.ToggleBit(ix);
          if (inside) m[static_cast<size_t>(ix)] = !m[static_cast<size_t>(ix)];
          break;
        default:
          g.SetBit(ix, gen() % 2 == 0);
          if (inside) n[static_cast<size_t>(ix)] = g.GetBit(ix);
      }
    }
    ASSERT_EQ(Bits(f), m);
    EXPECT_FALSE(f.GetBit(-1));
    EXPECT_FALSE(f.GetBit(size + 1));
    for (int op = loAND; op <= loXORNot; ++op) {
      SCOPED_TRACE(op);
      TBitFld h(nullptr);
      h.Assign(&f);
      h.CombineWith(g, static_cast<TLogicOp>(op));
      std::vector<bool> want(m.size());
      for (size_t i = 0; i < m.size(); ++i) {
        const bool a = m[i], b = n[i];
        want[i] = op == loAND      ? a && b
                  : op == loOR     ? a || b
                  : op == loXOR    ? a != b
                  : op == loANDNot ? a && !b
                  : op == loORNot  ? a || !b
                                   : a == b;
      }
      EXPECT_EQ(Bits(h), want);
      EXPECT_EQ(h.Hash(), ModelHash(want));
    }
    f.Invert();
    m.flip();
    EXPECT_EQ(Bits(f), m);
    EXPECT_EQ(f.Hash(), ModelHash(m));  // no spare bits in the digest
    int32_t count = 0, first = -1;
    TIntArray ones, zeros;
    for (size_t i = 0; i < m.size(); ++i) {
      (m[i] ? ones : zeros).push_back(static_cast<int32_t>(i));
      if (m[i] && first < 0) first = static_cast<int32_t>(i);
      count += m[i];
    }
    EXPECT_EQ(f.CountTrueBits(), count);
    EXPECT_EQ(f.FirstTrueBit(), first);
    TIntArray list;
    f.MakeListOfBits(list, true);
    EXPECT_EQ(list, ones);
    f.MakeListOfBits(list, false);
    EXPECT_EQ(list, zeros);
    for (const bool state : {true, false}) {
      const int32_t r = f.SelectRandomBit(state);
      if ((state ? ones : zeros).empty()) {
        EXPECT_EQ(r, -1);
      } else {
        EXPECT_EQ(f.GetBit(r), state);
        EXPECT_LE(r, size);
      }
    }
    // Shrinking drops the bits above the new size for good.
    f.SetSize(size / 2);
    f.SetSize(size);
    for (size_t i = static_cast<size_t>(size / 2) + 1; i < m.size(); ++i) m[i] = false;
    EXPECT_EQ(Bits(f), m);
    TBitFld c(nullptr);
    c.Clone(&f);
    EXPECT_EQ(Bits(c), m);
    c.Clone(nullptr);
    EXPECT_EQ(c.Size(), size);
  }
}

TEST(BitFldTest, SizesAndEdges) {
  TBitFld f(nullptr);
  EXPECT_EQ(f.Size(), 1000);
  EXPECT_EQ(f.CountTrueBits(), 0);
  EXPECT_EQ(f.FirstTrueBit(), -1);
  f.SetBit(1000, true);
  f.SetBit(1001, true);
  f.SetBit(-1, true);
  EXPECT_EQ(f.CountTrueBits(), 1);
  EXPECT_EQ(f.FirstTrueBit(), 1000);
  f.SetSize(-5);
  f.SetSize(TBitFld::kMaxSize + 1);
  EXPECT_EQ(f.Size(), 1000);
  f.SetSize(7);
  f.Clear();
  f.Invert();
  EXPECT_EQ(f.CountTrueBits(), 8);
  f.SetSize(3);
  TIntArray list;
  f.Clear();
  f.MakeListOfBits(list, false);
  EXPECT_EQ(list, (TIntArray{0, 1, 2, 3}));
  f.SetBit(2, true);
  EXPECT_EQ(f.SelectRandomBit(true), 2);
  TBitFld other(nullptr);
  f.CombineWith(other, loOR);  // different sizes: nothing
  EXPECT_EQ(f.CountTrueBits(), 1);
}

TEST(BitFldTest, RandomFillSetsExactCounts) {
  RandSeed = 1234;
  TBitFld f(nullptr);
  f.SetSize(10);
  const struct {
    double percent;
    int32_t want;
  } percents[] = {{100.0, 10}, {50.0, 5}, {0.0, 0}, {-3, 0}, {250, 10}, {NAN, 0}, {33.3, 3}};
  for (const auto& p : percents) {
    SCOPED_TRACE(p.percent);
    f.RandomFill(p.percent);
    EXPECT_EQ(f.CountTrueBits(), p.want);
  }
  for (const int32_t size : {0, 1, 63, 64, 999}) {
    f.SetSize(size);
    for (const int32_t nbits : {-1, 0, 1, size / 2, size / 2 + 1, size, size + 1, size + 50}) {
      SCOPED_TRACE(testing::Message() << size << " " << nbits);
      f.RandomFill(nbits);
      EXPECT_EQ(f.CountTrueBits(), std::clamp(nbits, 0, size + 1));
      TBitFld copy(nullptr);
      copy.Assign(&f);
      copy.SetSize(size + 64);  // nothing was set above Size
      EXPECT_EQ(copy.CountTrueBits(), f.CountTrueBits());
    }
  }
  // A given seed gives the same bits.
  RandSeed = 99;
  f.RandomFill(40.0);
  const auto first = Bits(f);
  RandSeed = 99;
  f.RandomFill(40.0);
  EXPECT_EQ(Bits(f), first);
}

TEST(BitFldTest, PopcountKernelsAgree) {
  std::mt19937_64 gen(5);
  std::vector<uint64_t> words(1000);
  for (auto& w : words) w = gen() & gen();
  for (const size_t n : {size_t{0}, size_t{1}, size_t{3}, size_t{4}, size_t{5}, size_t{1000}}) {
    SCOPED_TRACE(n);
    const uint64_t want = internal::PopcountWordsPortable(words.data(), n);
    uint64_t slow = 0;
    for (size_t i = 0; i < n; ++i) slow += static_cast<uint64_t>(__builtin_popcountll(words[i]));
    EXPECT_EQ(want, slow);
#if defined(__x86_64__)
    if (internal::DetectedCpuFeatures() & internal::kCpuAVX2) {
      EXPECT_EQ(internal::PopcountWordsPopcnt(words.data(), n), want);
    }
#endif
  }
}

}  // namespace
}  // namespace zel
