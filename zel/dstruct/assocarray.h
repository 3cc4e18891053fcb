// TAssocArray: a small dictionary component from string keys to Variant
// values, with typed read-out helpers and an XML form.
//
// Entries. Entries are numbered 1..NumEntries in insertion order, except that
// Remove moves the last entry into the freed slot. With IgnoreCase (the
// default) keys compare with ASCII-only case folding ("A".."Z" only) and Add
// stores the key lower-cased; otherwise keys compare exactly. Changing
// IgnoreCase later does not rewrite stored keys: keys stored with their case
// are still found case-insensitively once IgnoreCase is true. When several
// stored keys match (possible after SetKeys or a change of IgnoreCase) the
// lowest-numbered entry wins.
//
// Cost. A hash index beside the key and value arrays makes Add, Remove and
// Resolve O(1) on average (the index is rebuilt, O(NumEntries), after a
// change of IgnoreCase, SetKeys is O(1)); Keys and Values by position are
// O(1). Capacity is bookkeeping: it grows to NumEntries + Granularity when an
// Add needs room and is reset to Granularity by Clear, while the storage
// itself grows geometrically, so a small Granularity costs no quadratic
// copying and a Granularity below 1 simply means "no spare room".
//
// Out-of-range positions never raise: Keys reads give the empty text, Values
// reads a Variant holding the empty text, writes are ignored.
//
// XML form (WriteToXMLStream, ReadFromXMLStream), one element per line, CR LF
// line ends, pure ASCII (texts escape "&", "<", ">", '"' as &amp; &lt; &gt;
// &quot; and every character below U+0020 or above U+007E as a decimal
// reference &#N;, a surrogate pair as one code point):
//
//   <?xml version="1.0"?>                                   (only with a header)
//   <!-- TAssocArray / Zelorbita -->
//   <assocarray sig="Zelorbita" vers="1.0" id="DATAID" entries="N">
//     <entry key="KEY" type="T">VALUE</entry>               (one per entry, in order)
//     <entry key="KEY" type="8204" lo="L" hi="H" />         (an array: its elements
//     <item type="T">VALUE</item>                            follow as items; an item
//   </assocarray>                                            that is an array likewise)
//
// T is the Variant type code. Integers are written in decimal, Single and
// Double (and dates) in the shortest text that reads back to the same value
// (a NaN as "nan" or "-nan", with its payload when it has one:
// "nan(0x1)" gives the mantissa field in hexadecimal), Booleans as True /
// False, null and empty without a value. An element of an array may hold a
// value of another type than the array's, as the Variant allows; its item
// says its own type. Reading gives back every key, value, type, bound and
// bit exactly, in the same order. Arrays nested more than 32 deep have no
// XML form: the writer refuses them.
//
// Not thread-safe: one array belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "zel/runtime/classes.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/types.h"
#include "zel/runtime/variant.h"

namespace zel {

namespace internal {
class AssocKeyIndex;
}

class ZEL_API TAssocArray : public TComponent {
 public:
  // Empty; DataID empty, Granularity 1024 (the first capacity), IgnoreCase
  // true. AOwner (may be null) owns the new array and deletes it with itself.
  explicit TAssocArray(TComponent* AOwner);
  ~TAssocArray() override;

  String ClassName() const override;

  // From another TAssocArray: entries (same order and keys), Granularity,
  // IgnoreCase and DataID; the capacity becomes NumEntries. Any other source
  // goes to TPersistent::Assign.
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;

  // ---- properties ----
  // The id of the data set: the id of the block ReadFromXMLStream last
  // loaded, or what SetDataID stored. WriteToXMLStream takes its id as an
  // argument instead.
  const String& DataID() const noexcept { return FDataID; }
  void SetDataID(const String& Value) { FDataID = Value; }  // Sets DataID.
  // Whether keys compare with ASCII case folding (see "Entries").
  bool IgnoreCase() const noexcept { return FIgnoreCase; }
  // Sets IgnoreCase; stored keys are kept as they are and reindexed at the
  // next lookup.
  void SetIgnoreCase(bool Value) noexcept;
  // Entries of spare room an Add makes when it needs to grow (see "Cost").
  int32_t Granularity() const noexcept { return FGranularity; }
  // Stored as given; values below 1 mean that a growing Add makes room for
  // the new entry only.
  void SetGranularity(int32_t Value) noexcept { FGranularity = Value; }
  int32_t NumEntries() const noexcept { return FNEntries; }  // Number of entries.
  // Entries that fit before the next growth step.
  int32_t Capacity() const noexcept { return FCapacity; }

  // Key of entry ix (1..NumEntries); the empty text outside.
  String GetKeys(int32_t ix) const;
  // Renames entry ix, storing v as given (not lower-cased); ignored outside.
  void SetKeys(int32_t ix, const String& v);
  String Keys(int32_t ix) const { return GetKeys(ix); }  // Same as GetKeys(ix).
  // Value of entry ix; a Variant holding the empty text outside (not Null).
  Variant GetValues(int32_t ix) const;
  // Replaces the value of entry ix by v; ignored outside.
  void SetValues(int32_t ix, const Variant& v);
  Variant Values(int32_t ix) const { return GetValues(ix); }  // Same as GetValues(ix).

  // ---- entries ----
  // Replaces the value of the entry whose key matches (the stored key stays
  // as it is), or appends a new entry (the key lower-cased when IgnoreCase).
  // Raises EZELDStructError Component "<Name>": not enough memory on heap
  // when the arrays cannot grow (nothing is then changed).
  void Add(const String& Key, const Variant& Value);
  // Removes the matching entry, moving the last entry into its slot; false
  // when no key matches. The capacity stays.
  bool Remove(const String& Key);
  // A copy of the value of the entry whose key matches Key, or Null.
  Variant Resolve(const String& Key) const;
  // The value of Key as text (the runtime's Variant conversion); empty when
  // absent or Null. Conversion errors of the runtime pass to the caller.
  String ResolveAsString(const String& Key) const;
  // The value of Key as a number: integer and floating types by value;
  // texts read by a number scanner from their start (leading blanks, sign,
  // digits, "." or "," as decimal separator, exponent; trailing text
  // ignored: "3,5" gives 3.5, "5." 5, "-2e3" -2000, "abc" 0), clamped to
  // +-1.7e308. 0 when absent, Null or of another type (Boolean, date,
  // unsigned 64-bit, array).
  double ResolveAsNumber(const String& Key) const;
  // The value of Key as an integer: integer types by value, Single and Double
  // rounded half to even, texts by an integer scanner (leading blanks, sign,
  // decimal digits up to the first non-digit, wrapping modulo 2^32: "-42
  // apples" gives -42). 0 when absent, Null or of another type. A value that
  // does not fit an Integer raises the runtime's EVariantError.
  int32_t ResolveAsInt(const String& Key) const;
  // NumEntries := 0; capacity := Granularity (0 if below).
  void Clear();

  // ---- XML ----
  // Looks from the position of InStream for the first block whose id equals
  // DataID (ASCII case ignored; an empty DataID takes the first block) and
  // loads it: the entries become the block's, in its order, and DataID()
  // the block's id; Granularity and IgnoreCase stay. False, with the array
  // unchanged, when there is no such block or it is damaged or truncated (a
  // missing end tag, an entry count that differs from the entries present,
  // a bad type, value or reference). The stream is left after the block
  // (at its end when none was found). Read errors of the stream pass to the
  // caller.
  bool ReadFromXMLStream(TStream& InStream, const String& DataID);
  // Writes the block (see above) with the id DataID at the position of
  // OutStream, the XML declaration first if CreateHeader. Raises
  // EZELDStructError Component "<Name>": entry N ("<key>") holds arrays
  // nested more than 32 deep, before writing anything, when a value has no
  // XML form. Write errors of the stream (EWriteError) pass to the caller.
  void WriteToXMLStream(TStream& OutStream, bool CreateHeader, const String& DataID) const;
  // Adds (through Add) one text entry per attribute of an XML attribute text
  // such as `id="7" name="a b"` (the rules of ScanForXMLAttrib: name=value
  // pairs separated by blanks, values in double quotes or up to the next
  // blank). Values have their references (&amp; &lt; &gt; &quot; &apos;
  // &#N; &#xN;) decoded; a malformed reference stays as written. The scan
  // stops at the first fault ('"' in a name, "a==1", '=' in an unquoted
  // value); attributes with an empty name are skipped. Returns the number of
  // attributes added.
  int32_t AddXMLAttributes(const String& Attributes);

 private:
  // Position (0-based) of the first entry whose key matches Key, or -1.
  int32_t Find(const String& Key) const;
  internal::AssocKeyIndex& Index() const;

  int32_t FNEntries = 0;
  std::vector<Variant> FDataArray;  // exactly NumEntries values
  std::vector<String> FKeyArray;    // exactly NumEntries keys
  int32_t FGranularity = 1024;
  bool FIgnoreCase = true;
  String FDataID;
  int32_t FCapacity = 1024;
  mutable std::unique_ptr<internal::AssocKeyIndex> index_;
};

}  // namespace zel
