// TColorArray: a resizable colour scale (1-based array of TColor) with a
// backup copy and a small text file format.
//
// Storage. N entries (Size, at least 1) in one contiguous block plus a backup
// block of the same length; entry ix (1..N) sits at position ix - 1. A new
// array has 1000 entries holding the rainbow scale (ColorArray_Rainbow spread
// over the entries), also copied into the backup. Entries that appear when
// the array grows are black (0).
//
// Indices never raise: GetColorElem clamps (below 1 reads entry 1, above N
// reads entry N), SetColorElem ignores indices outside 1..N, CopyFrom skips
// destinations outside the array.
//
// Events. OnChange fires after every operation that changes entries:
// SetColorElem (once per stored entry), Resize/SetSize when the size changes,
// Fill, FillByInterpolation, LogTransform, CopyFrom, MirrorColors,
// InvertColors, ReverseRGB, Restore, and a successful ReadFromOpenTextFile /
// LoadFromFile (see there). It does not fire from Assign, Backup, ignored
// calls (an index out of range, Resize to the same or an invalid size,
// FillByInterpolation with fewer than two colours, CopyFrom from nullptr) or
// failed loads.
//
// File format (text, lines end in CR LF):
//   line 1   first and last index as decimal integers separated by a blank
//   line 2.. one line per entry from first to last: the TColor as 8
//            upper-case hexadecimal digits without prefix (ColorToHexStr)
// For example entries 1..3 red, green, blue:
//   1 3
//   000000FF
//   0000FF00
//   00FF0000
// When reading, each entry line goes through the hexadecimal reader of
// HexStrToColor from its first column: spaces before the digits are skipped,
// a "$" is accepted only in the first column, digits may be of either case,
// the last 8 of a longer number are kept, and the first other character ends
// the number (a line without digits, an empty one included, reads as 0).
//
// Errors. Create and Resize raise EZELColArrayError
// 'Component "<Name>": not enough memory on heap' (Create) or
// '... not enough memory' (Resize) when storage cannot be allocated. File
// operations report failure through their result and never raise.
//
// Not thread-safe: one array belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

class TextFile;

class ZEL_API TColorArray : public TComponent {
 public:
  // 1000 entries with the rainbow scale, backed up; no handler. AOwner, when
  // not nullptr, owns the array and destroys it with itself.
  explicit TColorArray(TComponent* AOwner);
  ~TColorArray() override;

  String ClassName() const override;

  // From another TColorArray: copies size, entries and backup; no OnChange.
  // Any other source goes to TPersistent::Assign (EConvertError).
  void Assign(const TPersistent* Source) override;
  // Dest->Assign(this) when Dest is a TColorArray, else TPersistent::AssignTo.
  void AssignTo(TPersistent* Dest) const override;
  // True when OtherColorArray and this have the same size and equal entries
  // (32-bit values; the backups are not compared).
  bool IsEqual(const TColorArray& OtherColorArray) const;

  // Calls OnChange(this) if assigned.
  void Changed();

  // ---- properties ----
  int32_t Size() const noexcept { return FNColors; }  // number of entries N
  // Resize(n) for n > 0 and n != Size; other values are ignored.
  void SetSize(int32_t n);
  // The handler Changed calls (SetOnChange installs it).
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }  // see OnChange

  // Entry ix with the index clamped to 1..N.
  TColor GetColorElem(int32_t ix) const noexcept;
  // Stores Value at ix (1..N) and calls Changed; ignored outside.
  void SetColorElem(int32_t ix, TColor Value);
  TColor ColorElem(int32_t ix) const noexcept { return GetColorElem(ix); }  // GetColorElem(ix)
  // All entries, entry ix at [ix - 1].
  const std::vector<TColor>& Colors() const noexcept { return FColArray; }

  // New size n: same size true without event; n < 1 false, unchanged;
  // otherwise entries up to the smaller size are kept, new ones are black,
  // the backup gets the same length, Changed, true.
  bool Resize(int32_t n);
  // Every entry becomes Color.
  void Fill(TColor Color);
  // Spreads the support colours over the array: with H = Colors.size() - 1,
  // entry i (of N) is InterpolateColor(Colors[idx], Colors[idx + 1], t) with
  // idx = trunc(H (k - 1) / N) and t = H k / N - idx, where k = i, or with
  // DiscreteLevels > 0 k = round(round(i / N * DiscreteLevels) * (N /
  // DiscreteLevels)), which quantises the scale to DiscreteLevels + 1 bands.
  // idx is kept within the support colours (so more support colours than
  // entries work too). Fewer than two colours: nothing happens.
  // Cost: two divisions and a blend per entry; no allocation.
  void FillByInterpolation(int32_t DiscreteLevels, const std::vector<TColor>& Colors);
  void FillByInterpolation(int32_t DiscreteLevels, std::span<const TColor> Colors);
  // Stretches the low end of the scale: with Gamma clamped to 0..1, entry i
  // takes the old entry j = round(Gamma ln(i) N / ln(N) + (1 - Gamma)(i - 1))
  // + 1 (at most N). Gamma 0 changes nothing. A one-entry array stays as it
  // is. Cost: one copy of the entries.
  void LogTransform(double Gamma);
  // The entry nearest to cl by RGBColorDistance (lowest index on ties) and
  // that distance; 1 and 1.0 when no entry is nearer than 1.0.
  int32_t ColorToIndex(TColor cl, double& distance) const;
  // Copies entries SourceElemLo..SourceElemHi of ColArraySource (each limited
  // to the source's 1..N, swapped if given the wrong way round) to DestElem
  // onwards, skipping positions outside this array; Changed. The source may
  // be this array, also with overlapping ranges: entries are read before any
  // is written. nullptr: nothing happens.
  void CopyFrom(const TColorArray* ColArraySource, int32_t SourceElemLo, int32_t SourceElemHi,
                int32_t DestElem);
  // Reverses the order of the entries.
  void MirrorColors();
  // InvertColor of every entry.
  void InvertColors();
  // ReverseRGBColor (red and blue swapped) of every entry.
  void ReverseRGB();
  // Copies the entries into the backup (no event).
  void Backup();
  // Copies the backup back into the entries; Changed.
  void Restore();

  // ---- files ----
  // Reads an array in the file format from the current line of F, which is
  // left after the last entry line read. The header's first and last index
  // must be two integers, else false with the array and its events
  // untouched. With AdjustSize the array first takes Size = last index (not
  // the entry count). Without AdjustSize a last index above N gives false
  // (after one Changed) and reads no entry. Then entry lines are read for
  // the indices first..last and stored as SetColorElem does (indices outside
  // 1..N are read and dropped, each stored entry fires Changed); a line that
  // cannot be read is skipped, and a file that ends early leaves the
  // remaining entries as they were. Then Changed once more and true.
  // Memory: growing the array allocates only what the file backs. The array
  // grows by at most one entry per byte this call has read (header and entry
  // lines); a header whose last index would need more (say "1 2000000000"
  // followed by a few lines) gives false with the array and its events
  // untouched. Time grows with the lines present, not with the indices the
  // header names. Allocation failures also give false.
  bool ReadFromOpenTextFile(TextFile& F, bool AdjustSize);
  // Opens FileName, ReadFromOpenTextFile with AdjustSize, closes it. False when the file
  // cannot be opened or read.
  bool LoadFromFile(const String& FileName, bool AdjustSize);
  // Writes entries FirstElem..LastElem (swapped if crossed, then limited to
  // 1..N) to F in the file format, the header with the limited bounds (no
  // entry lines when they cross, as in "20 10"). Flushes F. False when a
  // write fails.
  bool WriteToOpenTextFile(TextFile& F, int32_t FirstElem, int32_t LastElem) const;
  // Writes entries FirstElem..LastElem to the file FileName as
  // WriteToOpenTextFile does, replacing an existing file only once the new
  // one is complete. False when the file cannot be written; an existing file
  // then stays as it was.
  bool StoreOnFile(int32_t FirstElem, int32_t LastElem, const String& FileName) const;

 private:
  [[noreturn]] void RaiseNoMemory(const char16_t* Detail) const;
  // The clipped bounds and the file text for them.
  std::string FileText(int32_t FirstElem, int32_t LastElem) const;

  int32_t FNColors = 0;
  std::vector<TColor> FColArray;
  std::vector<TColor> FColArrayBak;
  TNotifyEvent FOnChange;
};

}  // namespace zel
