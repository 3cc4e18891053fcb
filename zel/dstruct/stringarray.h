// TStringArray: a sortable grid of short texts.
//
// A grid of NrOfColumns data columns (1..NrOfColumns) plus a leading column 0
// (row titles and the like), and NrOfRows rows (1..NrOfRows). Every cell holds
// a short text of at most 255 single-byte characters; every row and every data
// column carries one attribute byte whose meaning is the caller's.
//
// Storage. Texts live in string pools of 32768 bytes addressed by 32-bit cell
// references (pool number in the high 16 bits, offset in the low 16 bits), so
// a grid of many small texts costs one allocation per pool rather than one per
// cell: about 4 bytes of reference plus the text length + 1 per cell. A text is
// rewritten in place when it does not grow; otherwise it takes new room (first
// fit over the pools in order, or a new pool). Space given up by a cell stays
// occupied until GarbageCollection (or Clear). NumBuffers() tells the pool
// count. Rows are allocated in steps of AllocRowsBy rows.
//
// Text conversion. At the interface cell texts are zel Strings. A text is cut
// to its first 255 characters and stored in the Windows-1252 code page; a
// character that code page lacks is stored as "?". Every byte value reads back
// as the same character, so a text read from a cell always stores unchanged.
//
// Rows are logical: row r is mapped to a physical (stored) row through the sort
// index, which Sort permutes without moving texts. CommitSorting makes the
// order physical, UnSort discards it; Resize, Clear and everything built on
// Resize (NrOfRows, NrOfColumns, AddRow, InsertColumn, RemoveColumn) reset it;
// InsertRow and RemoveRow keep it in force.
//
// Indices out of range never raise: reads give the empty text, 0 or false;
// writes and structural edits are ignored. The grid never has fewer than one
// row and one data column.
//
// OnChange fires from SetString, SetRowAttrib, SetColAttrib, Resize (except
// its no-op and refused cases) and UnSort, and so once per cell or attribute
// written by the operations built on them (Fill, CopyRow, row and column
// insertion and removal) and once for the Resize they do. It does not fire
// from Clear, GarbageCollection, Assign, CommitSorting or SetSortOrder. A
// successful XML load fires it once.
//
// Not thread-safe: one grid belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "zel/base/types.h"  // TOnPercentDoneEvent
#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

class TextFile;
namespace internal {
class StringPools;
}

// Lets the caller replace a text by its sort key (OutString arrives holding
// InString).
using TBeforeSortExchgEvent =
    std::function<void(TObject* Sender, const String& InString, String& OutString)>;

class ZEL_API TStringArray : public TComponent {
 public:
  // A 1 x 1 grid, AllocRowsBy 10 (capacity 10 rows), one empty pool, no
  // handlers. AOwner (may be null) owns the new grid and deletes it with
  // itself. Raises EZELDStructError "Class TStringArray: failed to
  // initialize (out of memory)" when the storage cannot be allocated.
  explicit TStringArray(TComponent* AOwner);
  ~TStringArray() override;

  String ClassName() const override;

  // From another TStringArray: copies dimensions, AllocRowsBy, capacity,
  // pools byte for byte, references, sort index, attributes and the three
  // event handlers; shares no storage with Source; no OnChange. Any other
  // source goes to TPersistent::Assign.
  void Assign(const TPersistent* Source) override;
  // Dest.Assign(this) when Dest is a TStringArray, else TPersistent::AssignTo.
  void AssignTo(TPersistent* Dest) const override;

  // Calls OnChange(this) if assigned.
  void Changed();

  // ---- properties ----
  // Rows added per reallocation (as stored; see SetAllocRowsBy).
  int32_t AllocRowsBy() const noexcept { return FAllocRowsBy; }
  // Stored as given; takes effect at the next reallocation. Values below 1
  // act as 1 there (a step of one row), so no reallocation divides by zero.
  void SetAllocRowsBy(int32_t Value) noexcept { FAllocRowsBy = Value; }
  // Number of data columns (column 0 not counted); at least 1.
  int32_t NrOfColumns() const noexcept { return FNCol; }
  // Resize(Value, NrOfRows): ignored for Value below 1.
  void SetNrOfColumns(int32_t Value) { Resize(Value, FNRow); }
  int32_t NrOfRows() const noexcept { return FNRow; }  // Number of rows; at least 1.
  // Resize(NrOfColumns, Value): ignored for Value below 1.
  void SetNrOfRows(int32_t Value) { Resize(FNCol, Value); }
  // Number of string pools in use (at least 1).
  int32_t NumBuffers() const noexcept;
  // Rows for which storage is allocated (a multiple of the allocation step in
  // force when it was set, at least NrOfRows).
  int32_t Capacity() const noexcept { return FRAllocated; }

  // Called with the grid after changes (see the file comment); may be empty.
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
  // Sets the OnChange handler (an empty one turns it off).
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }
  // Receives the progress of Sort in percent; may be empty.
  const TOnPercentDoneEvent& OnPercentDone() const noexcept { return FOnPercentDone; }
  // Sets the OnPercentDone handler (an empty one turns it off).
  void SetOnPercentDone(TOnPercentDoneEvent Handler) { FOnPercentDone = std::move(Handler); }
  // Supplies the sort keys (see TBeforeSortExchgEvent and Sort); may be empty.
  const TBeforeSortExchgEvent& OnBeforeSortExchange() const noexcept { return FOnBefSortExc; }
  // Sets the OnBeforeSortExchange handler (an empty one turns it off).
  void SetOnBeforeSortExchange(TBeforeSortExchgEvent Handler) {
    FOnBefSortExc = std::move(Handler);
  }

  // ---- cells ----
  // The text of cell (c, r); empty outside columns 0..NrOfColumns and rows
  // 1..NrOfRows.
  String GetString(int32_t c, int32_t r) const;
  // Stores the first 255 characters of s in cell (c, r) and calls Changed;
  // ignored (no Changed) outside the grid. Storing the empty text into an empty
  // cell takes one pool byte.
  void SetString(int32_t c, int32_t r, const String& s);
  // Same as GetString(c, r).
  String Elem(int32_t c, int32_t r) const { return GetString(c, r); }
  // Same as SetString(c, r, s).
  void SetElem(int32_t c, int32_t r, const String& s) { SetString(c, r, s); }

  // The cell as a number: blanks (code 32) stripped at both ends, commas read
  // as decimal points, the empty text gives 0, otherwise the whole text must be
  // a decimal literal (sign, digits, optional fraction, optional exponent).
  // Anything else, and a value beyond the range of double, raises
  // EZELDStructError "Class TStringArray: invalid numeric string: [c,r]: "
  // followed by the cell text as stored. Values too small for a double read
  // as 0.
  double GetAsNumber(int32_t c, int32_t r) const;
  // Same as GetAsNumber(c, r).
  double AsNumber(int32_t c, int32_t r) const { return GetAsNumber(c, r); }
  // GetAsNumber(c, r) clamped to -2147483647..2147483647 and rounded half to
  // even.
  int32_t GetAsInteger(int32_t c, int32_t r) const;
  // Same as GetAsInteger(c, r).
  int32_t AsInteger(int32_t c, int32_t r) const { return GetAsInteger(c, r); }

  // Attribute of the physical row behind logical row r (travels with the row
  // through sorting); 0 outside 1..NrOfRows.
  Byte GetRowAttrib(int32_t r) const;
  // Sets the attribute of logical row r to b and calls Changed; ignored
  // outside 1..NrOfRows.
  void SetRowAttrib(int32_t r, Byte b);
  // Same as GetRowAttrib(r).
  Byte RowAttrib(int32_t r) const { return GetRowAttrib(r); }
  // Attribute of data column c; 0 outside 1..NrOfColumns (column 0 has none).
  Byte GetColAttrib(int32_t c) const;
  // Sets the attribute of data column c to b and calls Changed; ignored
  // outside 1..NrOfColumns.
  void SetColAttrib(int32_t c, Byte b);
  // Same as GetColAttrib(c).
  Byte ColAttrib(int32_t c) const { return GetColAttrib(c); }

  // ---- shape ----
  // Sets the dimensions. Same size: true, nothing happens (no OnChange).
  // Nc <= 0 or Nr <= 0: false, nothing happens (no OnChange). A changed column
  // count, or more rows than the capacity, reallocates to the smallest multiple
  // of AllocRowsBy that holds Nr rows (it may shrink); otherwise rows are
  // emptied or made visible within the capacity. Cells and attributes within
  // the new bounds keep their contents, rows and columns that appear anew are
  // empty with attribute 0. The sort index is reset. OnChange fires once in
  // every case but the two above, also when the result is false because the
  // storage cannot be allocated or the capacity would exceed 2147483647 rows
  // (the grid is then unchanged).
  bool Resize(int32_t Nc, int32_t Nr);
  // Adds a row at the end; returns the new NrOfRows (NrOfRows unchanged when
  // the grid cannot grow).
  int32_t AddRow();
  // Inserts an empty row before logical row r (1..NrOfRows); the other rows
  // keep their logical order and a sort stays in force.
  void InsertRow(int32_t r);
  // Removes logical row r; on a one-row grid empties the row instead.
  void RemoveRow(int32_t r);
  // Copies texts (columns 0..NrOfColumns) and attribute of row Source into row
  // Target.
  void CopyRow(int32_t Source, int32_t Target);
  // Inserts an empty data column before column c (1..NrOfColumns).
  void InsertColumn(int32_t c);
  // Removes data column c; on a one-column grid empties column 1 instead.
  void RemoveColumn(int32_t c);

  // Empties every cell and attribute, resets the sort index and drops all
  // pools but one; keeps the dimensions and AllocRowsBy. No OnChange.
  void Clear();
  // Stores s in every cell of columns 0..NrOfColumns (outer loop) and rows
  // 1..NrOfRows; the empty text calls Clear instead.
  void Fill(const String& s);
  // True when every cell of data columns 1..NrOfColumns of row ARow is empty
  // or blanks only (column 0 is not looked at); also for rows outside the grid.
  bool RowEmpty(int32_t ARow) const;
  // True when every cell of column ACol (0 allowed) is empty or blanks only.
  bool ColumnEmpty(int32_t ACol) const;
  // Compacts every pool (texts keep their pool; no pool is released). No
  // OnChange. Cost: one pass over all cells, and temporarily a second copy of
  // the pools.
  void GarbageCollection();

  // ---- sorting ----
  // Comb sort (shrink factor 1.3) of the logical rows by column PrimCol (0
  // allowed), ties by column SecCol (SecCol < 1: none), each ascending when
  // AscendPrim (primary) or AscendSec (secondary) is true, descending
  // otherwise. Texts compare by UTF-16 code unit after lower-casing ASCII
  // letters; a prefix sorts first; equal keys are never exchanged.
  // OnPercentDone gets 0, the rounded share of the expected comparisons after
  // every pass, and 100; OnChange fires once when there are at least two rows.
  // With an OnBeforeSortExchange handler every key is fetched through
  // BeforeSortExchange once per comparison, primary keys of rows i and j
  // first, then (on equal primary keys) the secondary ones. Without a handler
  // each key is fetched and folded once per sort, with the same order and the
  // same progress values as a fetch per comparison would give. Cost: about
  // N log1.3(N) comparisons plus a few final passes.
  void Sort(int32_t PrimCol, int32_t SecCol, bool AscendPrim, bool AscendSec);
  // Sort(PrimCol, SecCol, Ascending, true): the primary key in the order
  // Ascending asks for, the secondary key ascending.
  void Sort(int32_t PrimCol, int32_t SecCol, bool Ascending) {
    Sort(PrimCol, SecCol, Ascending, true);
  }
  // OutString := InString, then OnBeforeSortExchange(this, InString,
  // OutString) if assigned.
  void BeforeSortExchange(const String& InString, String& OutString);
  // Stores the rows in their sorted order and resets the sort index; what a
  // reader sees does not change; no OnChange.
  void CommitSorting();
  // Resets the sort index and calls Changed.
  void UnSort();
  // Physical row of logical row ix; -1 outside 1..NrOfRows.
  int32_t GetSortOrder(int32_t ix) const;
  // Makes position the physical row of logical row ix when both lie in
  // 1..NrOfRows (no check that the index stays a permutation); no OnChange.
  // Two logical rows may then show the same physical row; RemoveRow keeps
  // what the remaining rows show, dropping a physical row that no other
  // logical row shows, and every index entry stays within 1..NrOfRows.
  void SetSortOrder(int32_t ix, int32_t position);
  // Same as GetSortOrder(ix).
  int32_t SortOrder(int32_t ix) const { return GetSortOrder(ix); }

  // ---- searching ----
  // First cell, row by row and column by column within the ranges, that
  // contains FindStr (FindCell; the empty text is contained nowhere) or equals
  // it (FindCellExact); ASCII case ignored unless MatchCase. ColLow or ColHigh
  // -1: columns 0..NrOfColumns. RowLow and RowHigh both -1: rows
  // 1..NrOfRows. Bounds are clamped into the grid and ordered. On success sets
  // Col and row (logical); otherwise leaves them and returns false.
  bool FindCell(const String& FindStr, bool MatchCase, int32_t ColLow, int32_t ColHigh,
                int32_t RowLow, int32_t RowHigh, int32_t& Col, int32_t& row) const;
  // FindCell for a cell whose text equals FindStr; MatchCase, ColLow,
  // ColHigh, RowLow, RowHigh, Col and row as there.
  bool FindCellExact(const String& FindStr, bool MatchCase, int32_t ColLow, int32_t ColHigh,
                     int32_t RowLow, int32_t RowHigh, int32_t& Col, int32_t& row) const;
  // Binary search for a cell equal to FindStr in column ColIx, rows
  // RowLow..RowHigh (both -1: all rows), which must be sorted by code unit
  // (lower-cased unless MatchCase) ascending (ColIsAscending true) or
  // descending (false). On success row is the first row of the run of equal
  // texts within the range. Otherwise false, with row the last row compared.
  bool FindCellInSortedColumn(const String& FindStr, bool MatchCase, int32_t ColIx, int32_t RowLow,
                              int32_t RowHigh, bool ColIsAscending, int32_t& row) const;

  // ---- XML persistence ----
  // The layout (one element per line, two blanks of indentation inside the
  // block; texts and attribute values escape "&", "<", ">" and double quotes
  // as &amp; &lt; &gt; &quot;, and the characters U+0000..U+001F, U+007F and
  // U+0080..U+009F as decimal character references &#N;):
  //
  //   <?xml version="1.0"?>                                  (only with a header)
  //   (empty line)
  //   <!-- TStringArray / Zelorbita -->
  //   <stringarray sig="Zelorbita" vers="1.0" id="DATAID" cols="NC" rows="NR">
  //     <colattrib c="C" val="B" />                          (attributes not 0)
  //     <rowattrib r="R" val="B" />                          (attributes not 0)
  //     <cell c="C" r="R">TEXT</cell>                        (non-empty cells)
  //   </stringarray>
  //
  // Rows are written in their logical (visible) order; column 0 is included.

  // Writes the block for data set DataID at the position of the open file F.
  // CreateHeader writes the XML declaration first. I/O errors raise
  // EInOutError.
  void WriteToOpenXMLFile(TextFile& F, bool CreateHeader, const String& DataID) const;
  // Creates (or overwrites) FName with the XML declaration and the block for
  // data set DataID; raises EInOutError when the file cannot be written.
  void SaveAsXMLFile(const String& FName, const String& DataID) const;
  // Reads lines from the position of the open file F up to the first block
  // whose id equals DataID (ASCII case ignored; an empty DataID takes the first
  // block) and loads it. False, with the grid unchanged, when no such block
  // exists or it is damaged or truncated (a missing "</stringarray>", an
  // element with a bad or out-of-range column, row or attribute value, a text
  // with an unescaped "<" or a malformed "&" reference, dimensions whose
  // storage would exceed 512 MiB: about 4 bytes per cell plus 32 per column, so
  // 10000 x 10000 loads, 67 million columns do not). The whole block is read
  // before storage is sized by its dimensions, so a damaged block costs no
  // more memory than its text. On success the grid takes the file's
  // dimensions, texts and attributes, the sort index is the identity, and
  // OnChange fires once. AllocRowsBy and the handlers stay. Unknown elements
  // inside the block are skipped; the block header must stand on a line of
  // its own, as written. Input/output errors of the file raise EInOutError,
  // and memory that cannot be had raises EOutOfMemory, the grid unchanged.
  bool ReadFromOpenXMLFile(TextFile& F, const String& DataID);
  // Opens FName and reads the block of data set DataID as above; false as well
  // when the file cannot be opened or read.
  bool LoadFromXMLFile(const String& FName, const String& DataID);

 private:
  struct SortKey;

  bool ValidCell(int32_t c, int32_t r) const noexcept {
    return r >= 1 && r <= FNRow && c >= 0 && c <= FNCol;
  }
  // Physical row (1-based) of a valid logical row; 0 (which every consumer
  // treats as "no row") should the index ever name a row outside the grid.
  int32_t Phys(int32_t r) const noexcept {
    const int32_t p = FSortIx[static_cast<size_t>(r - 1)];
    return p >= 1 && p <= FNRow ? p : 0;
  }
  uint32_t& Ref(int32_t c, int32_t phys) noexcept {
    return FPoiArray[static_cast<size_t>(c)][static_cast<size_t>(phys - 1)];
  }
  uint32_t Ref(int32_t c, int32_t phys) const noexcept {
    return FPoiArray[static_cast<size_t>(c)][static_cast<size_t>(phys - 1)];
  }
  // Pointer to the length byte of a cell, nullptr when empty.
  const uint8_t* CellBytes(int32_t c, int32_t phys) const noexcept;
  String CellText(int32_t c, int32_t phys) const;
  void StoreBytes(int32_t c, int32_t phys, const uint8_t* bytes, uint32_t len);
  // Stores the text of cell (cs, ps) into cell (cd, pd), both physical rows,
  // by the same rules as SetString (in place or new room); no Changed.
  void CopyText(int32_t cs, int32_t ps, int32_t cd, int32_t pd);
  void ResetSortIndex() noexcept;
  bool Reallocate(int32_t Nc, int32_t Nr);
  void SwapContents(TStringArray& other) noexcept;
  void SortWithHandler(int32_t PrimCol, int32_t SecCol, bool AscendPrim, bool AscendSec);
  bool RowsOutOfOrder(int32_t i, int32_t j, int32_t PrimCol, int32_t SecCol, bool AscendPrim,
                      bool AscendSec);
  bool FindCellImpl(const String& FindStr, bool MatchCase, int32_t ColLow, int32_t ColHigh,
                    int32_t RowLow, int32_t RowHigh, int32_t& Col, int32_t& row, bool Exact) const;
  [[noreturn]] void RaiseInvalidNumber(int32_t c, int32_t r, const String& text) const;

  int32_t FNCol = 1;
  int32_t FNRow = 1;
  int32_t FAllocRowsBy = 10;
  int32_t FRAllocated = 10;
  std::unique_ptr<internal::StringPools> pools_;
  std::vector<std::vector<uint32_t>> FPoiArray;  // [column 0..FNCol][physical row - 1]
  std::vector<int32_t> FSortIx;                  // [logical row - 1] = physical row
  std::vector<Byte> FRowAttrib;                  // [physical row - 1]
  std::vector<Byte> FColAttrib;                  // [data column - 1]
  TNotifyEvent FOnChange;
  TBeforeSortExchgEvent FOnBefSortExc;
  TOnPercentDoneEvent FOnPercentDone;
  // Counts every change of cells, attributes, shape and sort index, so a
  // sort notices when a progress handler changed the grid under it.
  uint64_t mutations_ = 0;
};

}  // namespace zel
