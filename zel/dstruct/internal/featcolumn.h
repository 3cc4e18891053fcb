// The value store of one feature of a TFeatureMatrix.
//
// Every value is a text, but most texts of a data set are short or are
// numbers, so a cell holds 8 payload bytes and a tag byte:
//   tag 0..8   the text itself, up to 8 characters of codes below 256, one
//              byte each (tag = length; tag 0 is the empty text)
//   kTagInt    a 64-bit integer whose decimal form is the text
//   kTagDouble a double whose canonical form (FormatCanonicalDouble) is the
//              text
//   kTagExt    any other text, kept in a side list (payload = its slot)
// A text is stored in binary form only when the form reproduces it exactly,
// so every text reads back as it was written. Cells exist only up to the last
// object that was given a non-empty value, so empty features and empty tails
// cost nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zel/runtime/types.h"

namespace zel::internal {

// The shortest text that reads back as V, laid out as the runtime's general
// float format: plain when -4 <= decimal exponent <= 14 ("0.0001", "123.5"),
// otherwise "1E-5", "1.5E20"; "-" for negative values. Writes at most 32
// bytes to Out and returns the count. Finite values only.
size_t FormatCanonicalDouble(double V, char* Out) noexcept;

class FeatColumn {
 public:
  static constexpr uint8_t kTagInt = 9;
  static constexpr uint8_t kTagDouble = 10;
  static constexpr uint8_t kTagExt = 11;

  // Cells are kept for a prefix of the objects only; every object from
  // Cells() on holds the empty text. Cells grow when a non-empty text is
  // stored beyond them.
  size_t Cells() const noexcept { return tag_.size(); }
  size_t Capacity() const noexcept { return tag_.capacity(); }

  bool IsEmpty(size_t I) const noexcept { return I >= tag_.size() || tag_[I] == 0; }
  uint8_t Tag(size_t I) const noexcept { return I < tag_.size() ? tag_[I] : 0; }
  uint64_t Payload(size_t I) const noexcept { return payload_[I]; }

  String Get(size_t I) const;
  // Appends the value as UTF-16.
  void AppendTo(String& Out, size_t I) const;
  // Stores Text as the value of object I.
  void Set(size_t I, std::u16string_view Text);
  // Drops the values of objects N and on.
  void Truncate(size_t N);
  // Inserts an empty value before object I / removes object I (later
  // objects move).
  void InsertAt(size_t I);
  void EraseAt(size_t I);
  // Copies the value of object From to object To.
  void CopyCell(size_t From, size_t To);
  // Room for N cells without growing.
  void Reserve(size_t N);
  // Gives back spare room of more than a quarter of the cells.
  void Trim();
  // Every value empty; no storage kept.
  void Reset() noexcept;
  // Bytes held by the column (cells, side texts and bookkeeping).
  size_t MemoryUsed() const noexcept;

 private:
  void Release(size_t I) noexcept;

  std::vector<uint64_t> payload_;
  std::vector<uint8_t> tag_;
  std::vector<String> ext_;
  std::vector<uint32_t> free_;  // unused slots of ext_
};

}  // namespace zel::internal
