// TStringList: the runtime's ordered list of strings.
//
// Indices count from 0. Every access by index outside 0..Count()-1 (for
// Insert: 0..Count()) raises EListError "List index out of bounds (N)" with
// the index N that was asked for.
//
// Text() joins the lines, each followed by CR LF; SetText() splits at CR LF,
// CR or LF, and a line break at the very end does not add an empty line.
// LoadFromFile reads UTF-8 (a UTF-8 byte order mark is skipped, UTF-16 files
// with a byte order mark are recognised); bytes that are not valid UTF-8 are
// read as Windows-1252 so files from code-page systems load unchanged.
// SaveToFile writes UTF-8 without byte order mark, every line ending in
// CR LF, replacing the file through TSafeFileStream (a failure raises and
// keeps the previous file). Missing or unreadable files raise the file
// stream's EFOpenError / EFCreateError; memory that cannot be had raises
// EOutOfMemory.
//
// Comparison: with CaseSensitive() false (the default) IndexOf and Sort fold
// case with AnsiLowerCase; otherwise they compare code units. Sort is stable.
// CustomSort hands the comparison the list and two current indices, so the
// comparison reads the lines itself; it runs a heap sort (not stable,
// O(n log n) comparisons) that stays in bounds whatever the comparison
// answers; a comparison that changes the list's size raises EListError.
#pragma once

#include <functional>
#include <vector>

#include "zel/runtime/classes.h"

namespace zel {

class TStream;
class TStringList;

// Negative when the line at Index1 sorts before the one at Index2, 0 when
// they are equal, positive otherwise.
using TStringListSortCompare = std::function<int(TStringList& List, int Index1, int Index2)>;

class ZEL_API TStringList : public TPersistent {
 public:
  TStringList();
  ~TStringList() override;

  int Count() const noexcept { return static_cast<int>(items_.size()); }  // The number of lines.
  // The line at Index.
  const String& Strings(int Index) const;
  // Replaces the line at Index with S.
  void SetStrings(int Index, const String& S);
  // The line at Index, checked like Strings.
  String& operator[](int Index);
  const String& operator[](int Index) const;

  // Appends S and returns its index.
  int Add(const String& S);
  // Appends all lines of Strings (which may be this list itself).
  void AddStrings(const TStringList& Strings);
  // Inserts S before the line at Index (at the end for Index = Count()).
  void Insert(int Index, const String& S);
  // Removes the line at Index.
  void Delete(int Index);
  // Swaps the lines at Index1 and Index2.
  void Exchange(int Index1, int Index2);
  // The first index of S, -1 when absent.
  int IndexOf(const String& S) const;
  void Clear() noexcept { items_.clear(); }  // Removes all lines.

  // True when IndexOf and Sort compare code units rather than folded case.
  bool CaseSensitive() const noexcept { return case_sensitive_; }
  // Sets CaseSensitive(); the lines keep their order.
  void SetCaseSensitive(bool Value) noexcept { case_sensitive_ = Value; }

  // Sorts the lines (stable; folded case unless CaseSensitive()).
  void Sort();
  // Sorts the lines by Compare (see above); an empty Compare does nothing.
  void CustomSort(const TStringListSortCompare& Compare);

  // The lines joined, each followed by CR LF.
  String Text() const;
  // Replaces the lines with those of Value (split as described above).
  void SetText(const String& Value);

  // Replaces the lines with those of the file FileName.
  void LoadFromFile(const String& FileName);
  // Writes the lines to the file FileName, replacing it.
  void SaveToFile(const String& FileName) const;
  // The same formats on Stream, from / at its current position.
  void LoadFromStream(TStream& Stream);
  // Writes the lines to Stream at its position, as SaveToFile writes them.
  void SaveToStream(TStream& Stream) const;

  // Copies the lines of Source, another TStringList; other sources raise the
  // conversion error of TPersistent.
  void Assign(const TPersistent* Source) override;
  String ClassName() const override;

  // The first line, for iteration over the lines in order.
  std::vector<String>::iterator begin() noexcept { return items_.begin(); }
  // Past the last line.
  std::vector<String>::iterator end() noexcept { return items_.end(); }
  // The first line, read only.
  std::vector<String>::const_iterator begin() const noexcept { return items_.begin(); }
  // Past the last line, read only.
  std::vector<String>::const_iterator end() const noexcept { return items_.end(); }

 private:
  void CheckIndex(int Index) const;
  int CompareStrings(const String& A, const String& B) const;

  std::vector<String> items_;
  bool case_sensitive_ = false;
};

}  // namespace zel
