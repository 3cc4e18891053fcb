#include "zel/dstruct/bitfld.h"

#include <bit>
#include <cmath>
#include <new>

#include "zel/dstruct/internal/bitfld_kernels.h"
#include "zel/dstruct/internal/component_error.h"
#include "zel/dstruct/internal/logicop_apply.h"
#include "zel/dstruct/internal/sha1_engine.h"
#include "zel/platform/cpu_features.h"
#include "zel/runtime/random.h"

static_assert(std::endian::native == std::endian::little,
              "the bit field's byte order relies on little-endian words");

namespace zel {

namespace internal {

uint64_t PopcountWordsPortable(const uint64_t* words, size_t n) noexcept {
  uint64_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum += PopcountPortable(words[i]);
  return sum;
}

uint64_t PopcountWords(const uint64_t* words, size_t n) noexcept {
#if defined(__x86_64__) || defined(_M_X64)
  if (HasCpuFeatures(kCpuAVX2)) return PopcountWordsPopcnt(words, n);
#endif
  return PopcountWordsPortable(words, n);
}

}  // namespace internal

namespace {

// Storage words for a field of highest index size: size div 8 + 2 bytes.
size_t WordsFor(int32_t size) noexcept {
  const size_t bytes = static_cast<size_t>(size) / 8 + 2;
  return (bytes + 7) / 8;
}

// Index of the set bit of rank r (0-based, from the least significant) in w.
int32_t NthSetBit(uint64_t w, uint32_t r) noexcept {
  for (; r > 0; --r) w &= w - 1;
  return std::countr_zero(w);
}

}  // namespace

TBitFld::TBitFld(TComponent* AOwner) : TComponent(AOwner) {
  if (!Allocate(FSize, words_)) internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
}

TBitFld::~TBitFld() = default;

String TBitFld::ClassName() const { return u"TBitFld"; }

bool TBitFld::Allocate(int32_t size, std::vector<uint64_t>& words) const {
  try {
    words.resize(WordsFor(size), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void TBitFld::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TBitFld*>(Source)) {
    if (src == this) return;
    std::vector<uint64_t> copy;
    try {
      copy = src->words_;
    } catch (const std::bad_alloc&) {
      internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
    }
    words_.swap(copy);
    FSize = src->FSize;
    return;
  }
  TPersistent::Assign(Source);
}

void TBitFld::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TBitFld*>(Dest)) {
    dst->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TBitFld::Clone(const TBitFld* Source) {
  if (Source == nullptr || Source == this) return;
  SetSize(Source->FSize);
  std::copy(Source->words_.begin(), Source->words_.end(), words_.begin());
}

void TBitFld::SetSize(int32_t size) {
  if (size < 0 || size > kMaxSize || size == FSize) return;
  const int32_t old = FSize;
  if (!Allocate(size, words_)) internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
  FSize = size;
  if (size < old) ClearSpareBits();
}

void TBitFld::ClearSpareBits() noexcept {
  const auto nbits = static_cast<uint64_t>(NumBits());
  const size_t full = nbits / 64;
  const unsigned rest = nbits % 64;
  size_t first_clear = full;
  if (rest != 0) {
    words_[full] &= (uint64_t{1} << rest) - 1;
    first_clear = full + 1;
  }
  for (size_t i = first_clear; i < words_.size(); ++i) words_[i] = 0;
}

void TBitFld::Clear() noexcept { std::fill(words_.begin(), words_.end(), 0); }

void TBitFld::Invert() noexcept {
  for (auto& w : words_) w = ~w;
  ClearSpareBits();
}

int32_t TBitFld::CountTrueBits() const noexcept {
  return static_cast<int32_t>(internal::PopcountWords(words_.data(), words_.size()));
}

int32_t TBitFld::FirstTrueBit() const noexcept {
  const uint64_t* w = words_.data();
  const size_t n = words_.size();
  size_t i = 0;
  // Eight words at a time until one of them holds a set bit.
  for (; i + 8 <= n; i += 8)
    if ((w[i] | w[i + 1] | w[i + 2] | w[i + 3] | w[i + 4] | w[i + 5] | w[i + 6] | w[i + 7]) != 0)
      break;
  for (; i < n; ++i)
    if (w[i] != 0) return static_cast<int32_t>(i * 64 + std::countr_zero(w[i]));
  return -1;
}

int32_t TBitFld::SelectRandomBit(bool PreCondition) {
  const int64_t ones = CountTrueBits();
  const int64_t c = PreCondition ? ones : NumBits() - ones;
  if (c < 1) return -1;
  auto r = static_cast<uint64_t>(Random(static_cast<int32_t>(c)));
  // Word i seen through the condition: set bits are the bits in the state
  // wanted (bits above Size masked off for the clear state).
  const auto nbits = static_cast<uint64_t>(NumBits());
  const size_t used = static_cast<size_t>((nbits + 63) / 64);
  auto view = [&](size_t i) noexcept -> uint64_t {
    if (PreCondition) return words_[i];
    uint64_t w = ~words_[i];
    if (i + 1 == used && nbits % 64 != 0) w &= (uint64_t{1} << (nbits % 64)) - 1;
    return w;
  };
  constexpr size_t kBlock = 64;
  size_t i = 0;
  // Skip whole blocks by their counts, then single words.
  while (i + kBlock <= used) {
    const uint64_t ones_in_block = internal::PopcountWords(words_.data() + i, kBlock);
    const uint64_t in_block = PreCondition ? ones_in_block : kBlock * 64 - ones_in_block;
    if (i + kBlock == used && !PreCondition && nbits % 64 != 0) break;  // last, partly valid
    if (r < in_block) break;
    r -= in_block;
    i += kBlock;
  }
  for (; i < used; ++i) {
    const uint64_t w = view(i);
    const uint32_t k = static_cast<uint32_t>(std::popcount(w));
    if (r < k) return static_cast<int32_t>(i * 64 + NthSetBit(w, static_cast<uint32_t>(r)));
    r -= k;
  }
  return -1;  // not reached: r < c
}

void TBitFld::MakeListOfBits(TIntArray& BitList, bool State) const {
  const int64_t ones = CountTrueBits();
  BitList.clear();
  BitList.reserve(static_cast<size_t>(State ? ones : NumBits() - ones));
  const auto nbits = static_cast<uint64_t>(NumBits());
  const size_t used = static_cast<size_t>((nbits + 63) / 64);
  for (size_t i = 0; i < used; ++i) {
    uint64_t w = State ? words_[i] : ~words_[i];
    if (!State && i + 1 == used && nbits % 64 != 0) w &= (uint64_t{1} << (nbits % 64)) - 1;
    while (w != 0) {
      BitList.push_back(static_cast<int32_t>(i * 64 + std::countr_zero(w)));
      w &= w - 1;
    }
  }
}

void TBitFld::CombineWith(const TBitFld& SecondBArray, TLogicOp Operation) noexcept {
  if (SecondBArray.FSize != FSize) return;
  internal::ApplyLogicOp(words_.data(), SecondBArray.words_.data(), words_.size(), Operation);
  ClearSpareBits();
}

TSHACode TBitFld::Hash() const {
  internal::Sha1Context ctx;
  ctx.Update(words_.data(), static_cast<size_t>(FSize) / 8 + 1);
  return ctx.Final();
}

void TBitFld::SetRandBitsIntern(int64_t n) {
  const long double scale = FSize;
  auto draw = [scale]() -> int32_t {
    return static_cast<int32_t>(std::nearbyintl(static_cast<long double>(Random()) * scale));
  };
  if (n <= FSize / 2) {
    Clear();
    for (int64_t set = 0; set < n;) {
      const int32_t ix = draw();
      if (!GetBit(ix)) {
        SetBit(ix, true);
        ++set;
      }
    }
    return;
  }
  int64_t m = NumBits() - n;
  std::fill(words_.begin(), words_.end(), ~uint64_t{0});
  ClearSpareBits();
  while (m > 0) {
    const int32_t ix = draw();
    if (GetBit(ix)) {
      SetBit(ix, false);
      --m;
    }
  }
}

void TBitFld::RandomFill(double Percent) {
  if (std::isnan(Percent) || Percent < 0) Percent = 0;
  if (Percent > 100) Percent = 100;
  SetRandBitsIntern(
      static_cast<int64_t>(std::nearbyintl(static_cast<long double>(Percent) * 0.01L * FSize)));
}

void TBitFld::RandomFill(int32_t NBits) {
  int64_t n = NBits < 0 ? 0 : NBits;
  if (n > NumBits()) n = NumBits();
  SetRandBitsIntern(n);
}

}  // namespace zel
