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
// so every text reads back as it was written.
//
// Cells are kept in one of two forms. Dense: one cell per object up to the
// last object that was given a non-empty value, so empty features and empty
// tails cost nothing. Sparse: one cell per non-empty value, keyed by object,
// for a column whose values are few and far apart (a dense prefix would cost
// more than kDenseSlack + kDenseFactor cells per value). A column switches
// between the forms as values come and go, so its memory follows the values
// it holds, never the object numbers they carry; a switch back to the dense
// form waits until half the values came after the last switch, so the
// copying a switch costs is paid for by the values written.
#pragma once

#include <cstdint>
#include <map>
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
  // Returned by Next when no value follows.
  static constexpr size_t kNone = SIZE_MAX;
  // A dense column may hold this many cells beyond kDenseFactor per value.
  static constexpr size_t kDenseSlack = 64;
  static constexpr size_t kDenseFactor = 8;

  bool IsEmpty(size_t I) const noexcept { return Tag(I) == 0; }
  uint8_t Tag(size_t I) const noexcept;
  // The payload of object I; 0 for an empty value.
  uint64_t Payload(size_t I) const noexcept;
  // The first object from I on that holds a non-empty value; kNone if none.
  size_t Next(size_t I) const noexcept {
    if (sparse_) return NextSparse(I);
    for (; I < tag_.size(); ++I)
      if (tag_[I] != 0) return I;
    return kNone;
  }
  // Number of non-empty values.
  size_t Filled() const noexcept { return filled_; }
  bool Sparse() const noexcept { return sparse_; }

  String Get(size_t I) const;
  // Appends the value as UTF-16.
  void AppendTo(String& Out, size_t I) const;
  // True when the value of object I holds a CR or an LF.
  bool HoldsLineBreak(size_t I) const noexcept;
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
  // Gives back spare room of more than a quarter of the cells.
  void Trim();
  // Every value empty; no storage kept.
  void Reset() noexcept;
  // Bytes held by the column (cells, side texts and bookkeeping).
  size_t MemoryUsed() const noexcept;

 private:
  struct Cell {
    uint64_t payload = 0;
    uint8_t tag = 0;
  };
  // The cell of object I, null when it holds no cell.
  const Cell* Find(size_t I) const noexcept;
  // Stores a non-empty cell (tag, payload) for object I, replacing what was
  // there; the side text of an old kTagExt cell is released first.
  void Put(size_t I, uint8_t Tag, uint64_t Payload);
  // Makes object I empty.
  void Clear(size_t I) noexcept;
  void ReleaseText(uint8_t Tag, uint64_t Payload) noexcept;
  uint32_t StoreText(std::u16string_view Text);
  size_t NextSparse(size_t I) const noexcept;
  void ToSparse();
  void ToDense();

  // Dense form: one cell per object, tag_.size() objects.
  std::vector<uint64_t> payload_;
  std::vector<uint8_t> tag_;
  // Sparse form: the non-empty cells by object.
  std::map<uint32_t, Cell> cells_;
  bool sparse_ = false;
  size_t filled_ = 0;
  size_t added_ = 0;  // values added since the last switch of form
  std::vector<String> ext_;
  std::vector<uint32_t> free_;  // unused slots of ext_
};

}  // namespace zel::internal
