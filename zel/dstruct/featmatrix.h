// TFeatureMatrix: a table of objects described by typed features, and
// TFeatMatProps, the properties of one feature.
//
// Each feature (column, 1..NFeatures) has a kind (TFeatKind), a number, a
// name, a comment, preset values, a sorted flag and a pointer for the caller's
// use, kept in a TFeatMatProps object that the matrix owns. Each object (row,
// 1..NObjects) has one value per feature. Every value is a text; the empty
// text is a value like any other, and new objects and features hold empty
// texts. Texts are checked against the feature's kind when they are written
// through SetFeatValStr or Fill and when they are read through the typed
// accessors:
//   integer text   not empty; one character must be a digit; otherwise a
//                  "+", "-" or digit followed by digits only (no blanks)
//   float text     the number scanner of the stream primitives run over the
//                  text: blanks, an optional sign, digits with at most one
//                  ".", then optionally "E"/"e", a sign and digits (an
//                  exponent above 4200 fails). The number may end at any
//                  other character, so "1.5abc" and "1E" pass (reading them
//                  as numbers raises the conversion error), while
//                  "1.5.3", "1e 5", "abc", "-" and "" fail
//   tri-state text "true", "false" or "" in any letter case
// Typed reads convert with the runtime: integers as 64-bit decimals (a text
// beyond the 64-bit range raises EConvertError), floating-point values with
// StrToFloat under FormatSettings (a value beyond the range of a double
// raises EConvertError), tri-states as above. Typed writes store IntToStr,
// FloatToStr (15 significant digits) and "true" / "false" / "".
//
// Storage. Values are kept per feature; a short text (up to 8 characters
// below code 256) or a number whose text is its canonical form costs 9 bytes,
// other texts 9 bytes plus the text; a feature whose values are all empty
// costs nothing, and a feature whose values are few and far apart costs a
// few dozen bytes per value. A feature is given storage (its properties
// object and values) only once something about it differs from the defaults
// or once it is asked for by FeatProps on a non-const matrix; until then it
// has the default properties and empty values at no cost. So the counts
// alone cost nothing: a matrix of 10^9 objects and 10^7 features holding one
// value is small. MemoryUsed() tells the bytes held, properties included.
//
// Ownership of properties. The matrix owns every TFeatMatProps it hands out;
// callers never delete one. FeatProps(fix) returns the feature's object, which
// stays valid until that feature is removed (NFeatures shrinking below it,
// RemoveFeature of the last feature, Clear, a successful Load); editing it
// edits the feature. On a const matrix, FeatProps of a feature that has no
// storage returns a shared object holding the defaults (see Storage). For an
// index outside 1..NFeatures it returns a scratch object owned by the matrix,
// reset to the defaults on every such call, so reading it gives the defaults
// and writing to it changes nothing. SetFeatProps copies the given properties
// into the feature's own object.
//
// Errors raise EZELDStructError with the message
//   Component "<Name>": <detail>
// (details at each method). A raise leaves the matrix unchanged. Indices out
// of range never raise: reads give "", 0, 0.0 or tsUndefined, writes and
// structural edits are ignored. Negative counts are ignored.
//
// OnChange fires after every method that changes values or structure (once
// per call unless noted), not from SetFeatType, RenumberFeatures,
// GenerateFeatNames or Assign's end, and never while the matrix is destroyed.
//
// Files (Save, Load and the open-file forms) are described at those methods;
// the format is line-oriented text:
//   #featdef <features> 1
//   <f> fplFeatNum <n>      six lines per feature: fplFeatNum, fplFeatName,
//   ...                     fplFeatKind, fplComment, fplPresets, fplSorted
//   #featvals <features> <objects>
//   <f> <o> <value>         every non-empty value, objects in order, then
//   #featend                features in order
//
// Not thread-safe: one matrix belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "zel/base/types.h"  // TTriState
#include "zel/dstruct/internal/featcolumn.h"
#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

class TextFile;

// The kind of a feature's values: not yet set, integer, floating point,
// text, or three-state (true, false, undecided).
enum TFeatKind : uint8_t { fkUndefined, fkInteger, fkDouble, fkString, fkTriState };

// Name of Kind as the file format writes it ("fkUndefined"...).
ZEL_API String FeatKindName(TFeatKind Kind);

// The properties of one feature of a TFeatureMatrix: number, name, kind,
// comment, preset values, sorted flag and a pointer for the caller's use.
class ZEL_API TFeatMatProps : public TComponent {
 public:
  // Sets the defaults. AOwner is not used: the object belongs to whoever
  // created it (or to the matrix it lives in).
  explicit TFeatMatProps(TComponent* AOwner);
  ~TFeatMatProps() override;

  String ClassName() const override;
  // Restores the defaults: FeatNum 0, FeatName "undefined", fkUndefined,
  // empty Comment and PresetValues, Sorted false, GUIElem null.
  void Clear() noexcept;
  // Copies all seven fields from another TFeatMatProps; any other source goes
  // to TPersistent::Assign.
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;

  // The feature's number (any value; FindFeatNum searches it).
  int32_t FeatNum() const noexcept { return FFeatNum; }
  void SetFeatNum(int32_t Value) noexcept { FFeatNum = Value; }  // Sets the feature's number.
  // The feature's name (FindFeatName searches it).
  const String& FeatName() const noexcept { return FFeatName; }
  void SetFeatName(const String& Value) { FFeatName = Value; }  // Sets the feature's name.
  // The kind that decides which texts the feature's values may hold.
  TFeatKind FeatKind() const noexcept { return FFeatKind; }
  // Sets the kind; values already stored are not checked again.
  void SetFeatKind(TFeatKind Value) noexcept { FFeatKind = Value; }
  const String& Comment() const noexcept { return FComment; }  // Free text about the feature.
  void SetComment(const String& Value) { FComment = Value; }   // Sets the comment.
  // Free text for the caller (for example a list of choices); not checked.
  const String& PresetValues() const noexcept { return FPresetValues; }
  void SetPresetValues(const String& Value) { FPresetValues = Value; }  // Sets the preset text.
  // A flag for the caller, saved and loaded; the matrix never sorts by it.
  bool Sorted() const noexcept { return FSorted; }
  void SetSorted(bool Value) noexcept { FSorted = Value; }  // Sets the sorted flag.
  // For the caller's use; never dereferenced, never saved.
  void* GUIElem() const noexcept { return FGUIElem; }
  void SetGUIElem(void* Value) noexcept { FGUIElem = Value; }  // Sets the caller's pointer.

 private:
  int32_t FFeatNum = 0;
  String FFeatName;
  TFeatKind FFeatKind = fkUndefined;
  String FComment;
  String FPresetValues;
  bool FSorted = false;
  void* FGUIElem = nullptr;
};

class ZEL_API TFeatureMatrix : public TComponent {
 public:
  // No features, no objects, no OnChange. AOwner (may be null) owns the new
  // matrix and deletes it with itself.
  explicit TFeatureMatrix(TComponent* AOwner);
  // Releases everything without firing OnChange.
  ~TFeatureMatrix() override;

  String ClassName() const override;

  // From another TFeatureMatrix: counts, every feature's properties, every
  // value and the OnChange handler. OnChange fires for the count changes (as
  // the setters do), not at the end. Any other source goes to
  // TPersistent::Assign.
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;

  // Calls OnChange(this) if assigned.
  void Changed();
  // No features, no objects; OnChange.
  void Clear();
  // Every value of an fkInteger or fkDouble feature becomes "0", every other
  // value ""; OnChange once per object.
  void ResetToDefault();

  // ---- counts ----
  int32_t NFeatures() const noexcept { return FNFeats; }  // Number of features (columns).
  // Removed features lose their properties; added ones get default
  // properties and empty values. OnChange.
  void SetNFeatures(int32_t Value);
  int32_t NObjects() const noexcept { return FNObjs; }  // Number of objects (rows).
  // Kept values stay, new ones are empty. OnChange.
  void SetNObjects(int32_t Value);
  // Sets the object count to NObjs, then the feature count to NFeats, fires
  // OnChange once more and returns true; false (and no further change) for a
  // negative count or when memory runs out.
  bool Resize(int32_t NFeats, int32_t NObjs);

  // Called with the matrix after changes (see the file comment); may be empty.
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
  // Sets the OnChange handler (an empty one turns it off).
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

  // ---- properties of a feature (see "Ownership of properties") ----
  // The properties object of feature fix, owned by the matrix; outside
  // 1..NFeatures the scratch object, reset to the defaults. The const form
  // gives a shared object with the defaults for a feature without storage.
  TFeatMatProps& GetFeatProps(int32_t fix);
  const TFeatMatProps& GetFeatProps(int32_t fix) const;
  // Same as GetFeatProps(fix).
  TFeatMatProps& FeatProps(int32_t fix) { return GetFeatProps(fix); }
  const TFeatMatProps& FeatProps(int32_t fix) const { return GetFeatProps(fix); }
  // Copies FeatMatProps (all seven fields) into feature fix; OnChange.
  // Ignored outside 1..NFeatures.
  void SetFeatProps(int32_t fix, const TFeatMatProps& FeatMatProps);

  // The first feature after fix that has storage of its own (see Storage),
  // 0 when there is none: every feature in between has the default
  // properties and no values. NextFeature(0) starts the walk.
  int32_t NextFeature(int32_t fix) const noexcept;
  // The first object after obj in which feature fix holds a non-empty value,
  // 0 when there is none (and for fix out of range). NextObject(fix, 0)
  // starts the walk; it costs nothing for the objects that hold no value.
  int32_t NextObject(int32_t fix, int32_t obj) const noexcept;

  // ---- values ----
  // The stored text of feature fix in object obj; "" out of range. Raises
  // "feature F is undefined" for an fkUndefined feature.
  String GetFeatValStr(int32_t fix, int32_t obj) const;
  // Checks Value by the kind of feature fix and stores it in object obj;
  // OnChange. The empty text passes for every kind but fkUndefined. Raises
  // "feature F is undefined", "feature value "V" is not a valid integer
  // number", "... floating point number", "... tri-state value". Ignored out of
  // range.
  void SetFeatValStr(int32_t fix, int32_t obj, const String& Value);
  // Same as GetFeatValStr(fix, obj).
  String FeatVal(int32_t fix, int32_t obj) const { return GetFeatValStr(fix, obj); }
  // Same as SetFeatValStr(fix, obj, Value).
  void SetFeatVal(int32_t fix, int32_t obj, const String& Value) { SetFeatValStr(fix, obj, Value); }

  // The value of the integer text of feature fix in object obj (any kind); 0
  // out of range. Raises "feature is not an integer" for other texts,
  // EConvertError beyond 64 bits.
  int64_t GetFeatValInt(int32_t fix, int32_t obj) const;
  // Stores the decimal text of Value in feature fix of object obj; raises
  // "feature is not of numeric or string type" for fkUndefined and
  // fkTriState. Ignored out of range.
  void SetFeatValint(int32_t fix, int32_t obj, int64_t Value);
  // Same as GetFeatValInt(fix, obj).
  int64_t FeatValAsInt(int32_t fix, int32_t obj) const { return GetFeatValInt(fix, obj); }
  // Same as SetFeatValint(fix, obj, Value).
  void SetFeatValAsInt(int32_t fix, int32_t obj, int64_t Value) { SetFeatValint(fix, obj, Value); }

  // The value of the floating-point text of feature fix in object obj (any
  // kind); 0 out of range. Raises "feature is not a floating point number" for
  // other texts, EConvertError for a text StrToFloat rejects.
  double GetFeatValDouble(int32_t fix, int32_t obj) const;
  // Stores FloatToStr(Value) in feature fix of object obj for fkDouble and
  // fkString ("NAN", "INF", "-INF" for the values that are not finite), raises
  // "feature is not a floating point or string type" otherwise. An fkDouble
  // feature refuses NaN and infinities, which its check would not read back:
  // "feature value "NAN" is not a valid floating point number". Ignored out of
  // range.
  void SetFeatValDouble(int32_t fix, int32_t obj, double Value);
  // Same as GetFeatValDouble(fix, obj).
  double FeatValAsDouble(int32_t fix, int32_t obj) const { return GetFeatValDouble(fix, obj); }
  // Same as SetFeatValDouble(fix, obj, Value).
  void SetFeatValAsDouble(int32_t fix, int32_t obj, double Value) {
    SetFeatValDouble(fix, obj, Value);
  }

  // The value of feature fix in object obj: tsTrue / tsFalse / tsUndefined for
  // "true" / "false" / "" in any case; tsUndefined out of range. Raises
  // "feature is not a tri-state value" for other texts.
  TTriState GetFeatValTriState(int32_t fix, int32_t obj) const;
  // Stores "true", "false" or "" (for Value tsTrue, tsFalse, tsUndefined) in
  // feature fix of object obj for fkTriState and fkString; raises "feature is
  // not a tri-state or string type" otherwise. Ignored out of range.
  void SetFeatValTriState(int32_t fix, int32_t obj, TTriState Value);
  // Same as GetFeatValTriState(fix, obj).
  TTriState FeatValAsTriState(int32_t fix, int32_t obj) const {
    return GetFeatValTriState(fix, obj);
  }
  // Same as SetFeatValTriState(fix, obj, Value).
  void SetFeatValAsTriState(int32_t fix, int32_t obj, TTriState Value) {
    SetFeatValTriState(fix, obj, Value);
  }

  // Store FeatVal in every object of feature fix and fire OnChange; false,
  // nothing done, for fix out of range. The text form checks as
  // SetFeatValStr, except that fkInteger and fkDouble refuse the empty text.
  // The typed forms require the matching kind and raise "feature F is not an
  // integer number", "feature F is not floating point number", "feature F is
  // not a tri-state value" otherwise.
  bool Fill(int32_t fix, const String& FeatVal);
  bool Fill(int32_t fix, int64_t FeatVal);
  bool Fill(int32_t fix, int32_t FeatVal) { return Fill(fix, static_cast<int64_t>(FeatVal)); }
  bool Fill(int32_t fix, double FeatVal);
  bool Fill(int32_t fix, TTriState FeatVal);

  // ---- features ----
  // Feature ranges: IxFrom = IxTo = 0 means all features; otherwise both
  // bounds are clamped into 1..NFeatures and ordered. No OnChange.
  // SetFeatType sets the kind of features IxFrom..IxTo to FeatKind.
  void SetFeatType(int32_t IxFrom, int32_t IxTo, TFeatKind FeatKind);
  // FeatNum of feature i in IxFrom..IxTo := FirstNum + (i - low) * Delta
  // (wrapping in 32 bits).
  void RenumberFeatures(int32_t IxFrom, int32_t IxTo, int32_t FirstNum, int32_t Delta);
  // Names features IxFrom..IxTo (0, 0: all; no clamping) from Template, with
  // the feature index i and n = FirstNum + (i - low) * Delta. Placeholders
  // "<%" letter parameter "%>":
  //   D w  n in decimal: w > 0 right-aligned in w characters (only the last w
  //        if longer; w at most 255), w < 0 exactly |w| mod 256 digits (0
  //        counting as 1) with leading zeros, "-" in front of a negative n,
  //        w = 0 plain
  //   I w  the index i, as D
  //   H w  n as exactly w (1..16) upper-case hexadecimal digits of its 32-bit
  //        two's complement
  //   T f  the current date and time (taken once) through FormatDateTime(f)
  // Returns 0; -1 for a bound outside 1..NFeatures (nothing changed); -2 when
  // a template does not expand (an unknown letter, a "%>" before "<%", a
  // "<%" without "%>", an expansion that keeps producing placeholders): the
  // names set before stay, the failing feature keeps its name. No OnChange.
  int32_t GenerateFeatNames(const String& Template, int32_t IxFrom, int32_t IxTo, int32_t FirstNum,
                            int32_t Delta);
  // First feature whose name equals Name with ASCII letters folded; -1 if none.
  int32_t FindFeatName(const String& Name) const;
  // First feature whose FeatNum equals Num; -1 if none.
  int32_t FindFeatNum(int32_t Num) const;

  // ---- structure (OnChange; ignored out of range) ----
  // Inserts an empty object (kind defaults: "0" for numeric kinds) before obj
  // (1..NObjects).
  void InsertObject(int32_t obj);
  // Removes object obj; later objects move up by one.
  void RemoveObject(int32_t obj);
  // Inserts a feature with default properties and empty values before feat
  // (1..NFeatures + 1, the last appends).
  void InsertFeature(int32_t feat);
  // Removes feature feat with its values; later features (properties and
  // values) move down by one, and the last properties object is released.
  void RemoveFeature(int32_t feat);
  // Resets the values of object obj (every feature) or of feature feat (every
  // object) to the kind defaults: "0" for fkInteger and fkDouble, "" for the
  // others.
  void ClearObject(int32_t obj);
  // Resets every value of feature feat to its kind default, as ClearObject.
  void ClearFeature(int32_t feat);
  // Copies every value of object Source to object Target.
  void CopyObject(int32_t Source, int32_t Target);

  // ---- files ----
  // Writes the matrix to FName, replacing the file only once it is complete
  // (TextFile::Rewrite); the previous contents stay on any failure, which
  // raises EInOutError. Values are written as stored, kinds unchecked.
  //
  // The format is one text per line, so a text holding a line break (CR or
  // LF) could not be read back. Before anything is opened or written, Save
  // and SaveToOpenFile check every feature name, comment, preset text and
  // value and raise, for the first such text found, one of
  //   "feature F name holds a line break"
  //   "feature F comment holds a line break"
  //   "feature F preset values hold a line break"
  //   "feature F value of object O holds a line break"
  // leaving an existing file (or the open file) untouched. The setters accept
  // such texts; only saving refuses them.
  void Save(const String& FName) const;
  // Writes the lines of the format at the current place of the open file F
  // (after the same check as Save).
  void SaveToOpenFile(TextFile& F) const;
  // Reads FName: 0 loaded; -1 the file does not exist (nothing opened);
  // -2 no section header found; -3 the file could not be read or holds a
  // damaged section.
  int32_t Load(const String& FName);
  // Reads the sections of the open file F from its current place up to the end
  // of the value section (the line that ends it is consumed) or the end of the
  // file. 0: at least one section was read and the matrix now holds the file's
  // contents (OnChange once); -1: no "featdef" or "featvals" header; -2: a
  // damaged section (see below). On -1 and -2 the matrix is left as it was and
  // OnChange does not fire.
  //
  // Reading rules: lines that do not start with "#" outside a section are
  // skipped; keywords and keys are matched without case; a definition header
  // with a version other than 1 is skipped with its lines; unknown keys and
  // "fplGUIElem" are ignored; an unknown kind name reads as fkUndefined; a
  // key line without a value leaves the default; values and property texts
  // lose their trailing blanks, values also their leading ones. A value line
  // is read as: blanks, the feature index (an optional sign and digits),
  // blanks, the object index (the same), and the rest of the line as the
  // value, so "1 2abc" gives feature 1, object 2 the value "abc". The value
  // section ends at the end of the file or at an empty line or a line
  // starting with "#"; a file that ends without "#featend" loads all the
  // same (EndMarkerRead tells).
  // A section is damaged (-2) when a count or index is not an integer, a count
  // is negative, the definition lines run out (the file holds fewer than six
  // per announced feature), or a line names a feature or object outside the
  // announced counts. The counts cost nothing by themselves (see Storage):
  // the memory and time of a load follow the lines of the file.
  int32_t LoadFromOpenFile(TextFile& F);
  // True when the last successful load ended its value section at a
  // "#featend" line; false when the file ended first (perhaps cut off) or the
  // section ended at another line.
  bool EndMarkerRead() const noexcept { return FEndMarkerRead; }

  // Bytes held by the matrix: values, properties objects and their texts,
  // and the bookkeeping of both (see Storage), for measurements.
  size_t MemoryUsed() const noexcept;

 private:
  friend class FeatureMatrixLoader;

  // The storage of one feature.
  struct Feature {
    std::unique_ptr<TFeatMatProps> Props;  // the feature's properties object
    internal::FeatColumn Values;           // the feature's values, by object
  };

  [[noreturn]] void Error(const String& Detail) const;
  bool InRange(int32_t fix, int32_t obj) const noexcept {
    return fix >= 1 && fix <= FNFeats && obj >= 1 && obj <= FNObjs;
  }
  // The storage of feature fix, null when it has none.
  const Feature* Find(int32_t fix) const noexcept;
  Feature* Find(int32_t fix) noexcept;
  // The storage of feature fix (1..NFeatures), created with the defaults.
  Feature& Touch(int32_t fix);
  // The shared defaults (see GetFeatProps).
  const TFeatMatProps& Defaults() const;
  TFeatKind KindOf(int32_t fix) const noexcept;
  void Store(int32_t fix, int32_t obj, std::u16string_view Value);
  void ResizeFeatures(int32_t Value);
  void ResizeObjects(int32_t Value);
  void ClearCells(int32_t fix, int32_t obj);
  void CheckText(int32_t fix, const String& Value, bool EmptyNumberOk) const;
  void Swap(TFeatureMatrix& Other) noexcept;
  void CheckSavable() const;
  void WriteLines(TextFile& F) const;

  int32_t FNFeats = 0;
  int32_t FNObjs = 0;
  // The features that have storage, by index (1..FNFeats); every other
  // feature has the default properties and no values.
  std::map<int32_t, Feature> FFeats;
  TNotifyEvent FOnChange;
  bool FDestroying = false;
  bool FEndMarkerRead = false;
  // Handed out for indices out of range (see "Ownership of properties").
  mutable std::unique_ptr<TFeatMatProps> FScratch;
  // Handed out by the const GetFeatProps for features without storage.
  mutable std::unique_ptr<TFeatMatProps> FDefaults;
};

}  // namespace zel
