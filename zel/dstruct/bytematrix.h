// TByteMatrix: a resizable matrix of bytes addressed by column and row (both
// from 1), whose bytes can also be used as eight flags each (bit 0 the least
// significant).
//
// The matrix always has at least one column and one row. Reads outside it
// give DefaultValue (or its bits); writes outside it are ignored. OnChange
// fires once for every successful Resize, SetByte, SetBit, ToggleBit, Fill,
// MirrorColumns and MirrorRows (also when mirroring a single column or row
// changes nothing); CombineWith and Assign fire nothing.
//
// Storage: one block of NrOfColumns x NrOfRows bytes, column by column.
// Not thread-safe: one matrix belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "zel/dstruct/logicop.h"
#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

class ZEL_API TByteMatrix : public TComponent {
 public:
  // A 1 x 1 matrix holding 0; DefaultValue 0. AOwner (may be null) owns the
  // new matrix and deletes it with itself.
  explicit TByteMatrix(TComponent* AOwner);
  ~TByteMatrix() override;

  String ClassName() const override;

  // From another TByteMatrix: size, DefaultValue, cells and the OnChange
  // handler; no notification. Any other source goes to TPersistent::Assign.
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;

  // Calls OnChange(this) if assigned.
  void Changed();

  int32_t NrOfColumns() const noexcept { return FNrCols; }  // Number of columns; at least 1.
  // Resize(max(Value, 1), NrOfRows).
  void SetNrOfColumns(int32_t Value) { Resize(Value < 1 ? 1 : Value, FNrRows); }
  int32_t NrOfRows() const noexcept { return FNrRows; }  // Number of rows; at least 1.
  // Resize(NrOfColumns, max(Value, 1)).
  void SetNrOfRows(int32_t Value) { Resize(FNrCols, Value < 1 ? 1 : Value); }
  // What reads outside the matrix give; new cells are 0 regardless.
  uint8_t DefaultValue() const noexcept { return FDefaultVal; }
  // Sets DefaultValue; no Changed.
  void SetDefaultValue(uint8_t Value) noexcept { FDefaultVal = Value; }
  // Called with the matrix after changes (see the file comment); may be empty.
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
  // Sets the OnChange handler (an empty one turns it off).
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

  // Gives the matrix NrColumns columns and NrRows rows. False, nothing changed,
  // when the size is the same or either count is below 1. Otherwise cells
  // inside both sizes keep their values, new cells are 0, Changed fires and the
  // result is true. Raises EZELDStructError Component "<Name>": not enough
  // memory on heap when the storage cannot be allocated (the matrix is then
  // unchanged).
  bool Resize(int32_t NrColumns, int32_t NrRows);

  // Cell (ix, iy); DefaultValue outside the matrix.
  uint8_t GetByte(int32_t ix, int32_t iy) const noexcept;
  // Stores value in cell (ix, iy) and calls Changed; ignored outside the
  // matrix.
  void SetByte(int32_t ix, int32_t iy, uint8_t value);
  // The Byte[ix, iy] property.
  uint8_t Byte(int32_t ix, int32_t iy) const noexcept { return GetByte(ix, iy); }
  // Bit ixBit (0..7) of GetByte(ix, iy); false for other bit numbers.
  bool GetBit(int32_t ix, int32_t iy, int32_t ixBit) const noexcept;
  // Sets (value true) or clears bit ixBit of cell (ix, iy) and calls Changed;
  // ignored outside the matrix or for bit numbers outside 0..7.
  void SetBit(int32_t ix, int32_t iy, int32_t ixBit, bool value);
  // Same as GetBit(ix, iy, ixBit).
  bool Bit(int32_t ix, int32_t iy, int32_t ixBit) const noexcept { return GetBit(ix, iy, ixBit); }
  // Inverts bit ixBit of cell (col, row) and calls Changed; ignored as
  // SetBit is.
  void ToggleBit(int32_t col, int32_t row, int32_t ixBit);

  // Every cell := value; Changed.
  void Fill(uint8_t value);
  // Reverses the order of the columns; Changed.
  void MirrorColumns();
  // Reverses the order of the rows; Changed.
  void MirrorRows();
  // Cell by cell own := own <Operation> the cell of SecondByteMatrix, when both
  // matrices have the same numbers of columns and rows; otherwise nothing. No
  // Changed.
  void CombineWith(const TByteMatrix& SecondByteMatrix, TLogicOp Operation);

 private:
  bool Inside(int32_t ix, int32_t iy) const noexcept {
    return ix >= 1 && ix <= FNrCols && iy >= 1 && iy <= FNrRows;
  }
  uint8_t& Cell(int32_t ix, int32_t iy) noexcept {
    return FByteMat[static_cast<size_t>(ix - 1) * static_cast<size_t>(FNrRows) +
                    static_cast<size_t>(iy - 1)];
  }

  int32_t FNrCols = 1;
  int32_t FNrRows = 1;
  std::vector<uint8_t> FByteMat;  // column-major: [(column - 1) * NrOfRows + row - 1]
  TNotifyEvent FOnChange;
  uint8_t FDefaultVal = 0;
};

}  // namespace zel
