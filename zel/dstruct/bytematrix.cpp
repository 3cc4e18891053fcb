#include "zel/dstruct/bytematrix.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "zel/dstruct/internal/component_error.h"
#include "zel/dstruct/internal/logicop_apply.h"

namespace zel {

TByteMatrix::TByteMatrix(TComponent* AOwner) : TComponent(AOwner), FByteMat(1, 0) {}
TByteMatrix::~TByteMatrix() = default;
String TByteMatrix::ClassName() const { return u"TByteMatrix"; }

void TByteMatrix::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TByteMatrix*>(Source)) {
    if (src == this) return;
    FByteMat = src->FByteMat;
    FNrCols = src->FNrCols;
    FNrRows = src->FNrRows;
    FDefaultVal = src->FDefaultVal;
    FOnChange = src->FOnChange;
    return;
  }
  TPersistent::Assign(Source);
}

void TByteMatrix::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TByteMatrix*>(Dest)) {
    dst->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TByteMatrix::Changed() {
  if (FOnChange) FOnChange(this);
}

bool TByteMatrix::Resize(int32_t NrColumns, int32_t NrRows) {
  if (NrColumns <= 0 || NrRows <= 0 || (NrColumns == FNrCols && NrRows == FNrRows)) return false;
  std::vector<uint8_t> fresh;
  try {
    fresh.assign(static_cast<size_t>(NrColumns) * static_cast<size_t>(NrRows), 0);
  } catch (const std::bad_alloc&) {
    internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
  } catch (const std::length_error&) {
    internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
  }
  const int32_t keep_cols = std::min(NrColumns, FNrCols);
  const auto keep_rows = static_cast<size_t>(std::min(NrRows, FNrRows));
  for (int32_t c = 0; c < keep_cols; ++c)
    std::copy_n(FByteMat.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(c) * FNrRows),
                keep_rows, fresh.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(c) * NrRows));
  FByteMat.swap(fresh);
  FNrCols = NrColumns;
  FNrRows = NrRows;
  Changed();
  return true;
}

uint8_t TByteMatrix::GetByte(int32_t ix, int32_t iy) const noexcept {
  if (!Inside(ix, iy)) return FDefaultVal;
  return FByteMat[static_cast<size_t>(ix - 1) * static_cast<size_t>(FNrRows) +
                  static_cast<size_t>(iy - 1)];
}

void TByteMatrix::SetByte(int32_t ix, int32_t iy, uint8_t value) {
  if (!Inside(ix, iy)) return;
  Cell(ix, iy) = value;
  Changed();
}

bool TByteMatrix::GetBit(int32_t ix, int32_t iy, int32_t ixBit) const noexcept {
  if (ixBit < 0 || ixBit > 7) return false;
  return (GetByte(ix, iy) >> ixBit) & 1;
}

void TByteMatrix::SetBit(int32_t ix, int32_t iy, int32_t ixBit, bool value) {
  if (!Inside(ix, iy) || ixBit < 0 || ixBit > 7) return;
  const auto mask = static_cast<uint8_t>(1u << ixBit);
  uint8_t& b = Cell(ix, iy);
  b = value ? static_cast<uint8_t>(b | mask) : static_cast<uint8_t>(b & ~mask);
  Changed();
}

void TByteMatrix::ToggleBit(int32_t col, int32_t row, int32_t ixBit) {
  if (!Inside(col, row) || ixBit < 0 || ixBit > 7) return;
  uint8_t& b = Cell(col, row);
  b = static_cast<uint8_t>(b ^ (1u << ixBit));
  Changed();
}

void TByteMatrix::Fill(uint8_t value) {
  std::fill(FByteMat.begin(), FByteMat.end(), value);
  Changed();
}

void TByteMatrix::MirrorColumns() {
  const auto rows = static_cast<ptrdiff_t>(FNrRows);
  for (int32_t lo = 0, hi = FNrCols - 1; lo < hi; ++lo, --hi)
    std::swap_ranges(FByteMat.begin() + lo * rows, FByteMat.begin() + (lo + 1) * rows,
                     FByteMat.begin() + hi * rows);
  Changed();
}

void TByteMatrix::MirrorRows() {
  const auto rows = static_cast<ptrdiff_t>(FNrRows);
  for (int32_t c = 0; c < FNrCols; ++c)
    std::reverse(FByteMat.begin() + c * rows, FByteMat.begin() + (c + 1) * rows);
  Changed();
}

void TByteMatrix::CombineWith(const TByteMatrix& SecondByteMatrix, TLogicOp Operation) {
  if (SecondByteMatrix.FNrCols != FNrCols || SecondByteMatrix.FNrRows != FNrRows) return;
  internal::ApplyLogicOp(FByteMat.data(), SecondByteMatrix.FByteMat.data(), FByteMat.size(),
                         Operation);
}

}  // namespace zel
