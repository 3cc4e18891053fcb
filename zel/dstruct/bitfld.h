// TBitFld: a resizable array of Boolean flags, indices 0..Size, packed eight
// to a byte (bit i lives in byte i div 8 under the mask 1 shl (i mod 8)),
// with counting, searching, random selection and filling, whole-field logic
// and a SHA-1 fingerprint.
//
// The storage is Size div 8 + 2 bytes, kept in 64-bit words (little-endian,
// so the bytes are in the order above). Every storage bit above index Size is
// always clear: Invert, RandomFill, the "not" combinations and shrinking
// clear them, so they never reach Hash and never reappear when the field
// grows again.
//
// Out-of-range indices never raise: reads give false, writes are ignored.
// Counting and searching work on whole words with population counts and bit
// scans (the POPCNT instruction where the processor has it): about a
// millisecond per 10^8 bits. The random operations use the runtime's seeded
// generator (Random), so a given RandSeed gives the same bits.
//
// Not thread-safe: one field belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/base/types.h"  // TIntArray
#include "zel/dstruct/logicop.h"
#include "zel/dstruct/sha1.h"
#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

class ZEL_API TBitFld : public TComponent {
 public:
  // Size 1000 (1001 bits, all clear). AOwner (may be null) owns the new
  // field and deletes it with itself. Raises EZELDStructError
  // Component "<Name>": not enough memory on heap when the storage cannot be
  // allocated.
  explicit TBitFld(TComponent* AOwner);
  ~TBitFld() override;

  String ClassName() const override;

  // From another TBitFld: Size and contents. Any other source goes to
  // TPersistent::Assign.
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;
  // Copies size and contents from Source; nothing when Source is null.
  void Clone(const TBitFld* Source);

  // The highest valid index (the field holds Size + 1 bits).
  int32_t Size() const noexcept { return FSize; }
  // Largest Size: every count of bits then fits an Integer.
  static constexpr int32_t kMaxSize = 2147483646;
  // A new highest index: kept bits keep their state, new bits are clear.
  // Negative values, values above kMaxSize and the current size are ignored. Raises
  // EZELDStructError Component "<Name>": not enough memory on heap when the storage cannot be
  // allocated (the field is then unchanged).
  void SetSize(int32_t size);

  // State of bit ix; false outside 0..Size.
  bool GetBit(int32_t ix) const noexcept {
    return ix >= 0 && ix <= FSize && ((words_[Word(ix)] >> (ix & 63)) & 1u);
  }
  // Sets (value true) or clears bit ix; ignored outside 0..Size.
  void SetBit(int32_t ix, bool value) noexcept {
    if (ix < 0 || ix > FSize) return;
    const uint64_t mask = uint64_t{1} << (ix & 63);
    if (value)
      words_[Word(ix)] |= mask;
    else
      words_[Word(ix)] &= ~mask;
  }
  bool Bit(int32_t ix) const noexcept { return GetBit(ix); }  // Same as GetBit(ix).
  // Inverts bit ix; ignored outside 0..Size.
  void ToggleBit(int32_t ix) noexcept {
    if (ix >= 0 && ix <= FSize) words_[Word(ix)] ^= uint64_t{1} << (ix & 63);
  }

  // Clears every bit.
  void Clear() noexcept;
  // Inverts every bit of 0..Size.
  void Invert() noexcept;
  // Number of set bits.
  int32_t CountTrueBits() const noexcept;
  // Lowest index of a set bit, or -1.
  int32_t FirstTrueBit() const noexcept;
  // Index of a bit whose state is PreCondition, chosen uniformly with one
  // draw Random(count of such bits); -1 when there is none.
  int32_t SelectRandomBit(bool PreCondition);
  // BitList := the indices, ascending, of all bits whose state is State.
  void MakeListOfBits(TIntArray& BitList, bool State) const;
  // Own bit := own bit <Operation> the bit of SecondBArray, when both fields
  // have the same Size; otherwise nothing.
  void CombineWith(const TBitFld& SecondBArray, TLogicOp Operation) noexcept;
  // SHA-1 digest of the first Size div 8 + 1 storage bytes.
  TSHACode Hash() const;
  // Sets Round(Percent / 100 * Size) random bits (Percent clamped to 0..100,
  // NaN counting as 0) and clears the others; 100 percent leaves exactly one
  // bit clear.
  void RandomFill(double Percent);
  // Sets exactly min(NBits, Size + 1) random bits (NBits below 0 counts as
  // 0) and clears the others.
  void RandomFill(int32_t NBits);

 protected:
  // Makes exactly n (0..Size + 1) distinct random bits set: for n up to
  // Size div 2 by drawing bits Round(Random * Size) to set on a clear field,
  // otherwise by drawing the Size + 1 - n bits to clear on a full field.
  void SetRandBitsIntern(int64_t n);

 private:
  static size_t Word(int32_t ix) noexcept { return static_cast<size_t>(ix) >> 6; }
  int64_t NumBits() const noexcept { return int64_t{FSize} + 1; }
  // Clears the storage bits above index Size.
  void ClearSpareBits() noexcept;
  bool Allocate(int32_t size, std::vector<uint64_t>& words) const;

  int32_t FSize = 1000;
  std::vector<uint64_t> words_;  // Size div 8 + 2 bytes, rounded up to words
};

}  // namespace zel
