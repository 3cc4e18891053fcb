// Bounded stacks of strings and of named two-dimensional arrays, and a tally
// of distinct strings.
//
// Positions count from 1: position 1 of a stack is its bottom (the entry
// pushed first), position NumEntries() its top. Stack operations report
// failure by -1, searches report "not found" by 0; nothing raises for full,
// empty or out-of-range conditions. Case-insensitive comparisons fold the
// ASCII letters only.
//
// Not thread-safe: one object belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "zel/base/types.h"  // TDouble2DArray
#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

// A last-in first-out stack of at most MaxSize strings (default 20).
class ZEL_API TStringStack : public TComponent {
 public:
  // Empty, MaxSize 20. AOwner (may be null) owns the new stack and deletes
  // it with itself.
  explicit TStringStack(TComponent* AOwner);
  ~TStringStack() override;

  String ClassName() const override;

  int32_t MaxSize() const noexcept { return FStackSize; }  // Most entries the stack holds.
  // Accepts 1..999 (other values are ignored); an accepted value empties the
  // stack.
  void SetMaxSize(int32_t Value);
  int32_t NumEntries() const noexcept { return FStackPoi; }  // Entries on the stack.

  // Stores Str on top and returns the new NumEntries; -1 (nothing changed)
  // when the stack is full.
  int32_t Push(const String& Str);
  // Str := the top entry, which is removed; returns 0. On an empty stack Str
  // := the empty text and the result is -1.
  int32_t Pop(String& Str);
  // Str := entry ix (1..NumEntries, not removed), result 0; otherwise Str :=
  // the empty text and -1.
  int32_t CloneString(int32_t ix, String& Str) const;
  // Position of the first entry from the bottom that contains Str (SubString;
  // the empty text is contained nowhere) or equals it, ASCII case ignored if
  // IgnoreCase; 0 when none does.
  int32_t FindString(const String& Str, bool SubString, bool IgnoreCase) const;
  // NumEntries := 0.
  void Clear() noexcept { FStackPoi = 0; }

 private:
  int32_t FStackSize = 20;
  std::vector<String> FStrings;
  int32_t FStackPoi = 0;
};

// A last-in first-out stack of at most MaxSize named arrays of doubles
// (default 20). The stack keeps its own copies: later changes to a pushed or
// popped array do not reach the stored one, and vice versa. Arrays are
// stored exactly as given, so an array without rows, or one whose rows
// differ in length, comes back unchanged.
class ZEL_API T2DArrayStack : public TComponent {
 public:
  // Empty, MaxSize 20. AOwner (may be null) owns the new stack and deletes
  // it with itself.
  explicit T2DArrayStack(TComponent* AOwner);
  ~T2DArrayStack() override;

  String ClassName() const override;

  int32_t MaxSize() const noexcept { return FStackSize; }  // Most entries the stack holds.
  // Accepts 1..999 (other values are ignored); an accepted value empties the
  // stack.
  void SetMaxSize(int32_t Value);
  int32_t NumEntries() const noexcept { return FStackPoi; }  // Entries on the stack.
  // Name of entry idx (1..NumEntries); the empty text outside, where writes
  // are ignored.
  String ArrayName(int32_t idx) const;
  // Renames entry idx to Name; ignored outside 1..NumEntries.
  void SetArrayName(int32_t idx, const String& Name);

  // Stores a copy of Arr (named Name, or unnamed) on top and returns the new
  // NumEntries; -1 when the stack is full.
  int32_t Push(const TDouble2DArray& Arr);
  int32_t Push(const TDouble2DArray& Arr, const String& Name);
  // Arr := the top array (and Name := its name), which is removed; result 0.
  // On an empty stack Arr := empty, Name := empty text, result -1.
  int32_t Pop(TDouble2DArray& Arr);
  int32_t Pop(TDouble2DArray& Arr, String& Name);
  // Arr := a copy of entry ix (1..NumEntries), result 0; otherwise Arr :=
  // empty and -1.
  int32_t CloneArray(int32_t ix, TDouble2DArray& Arr) const;
  // Position of the first entry from the bottom whose name equals Name, ASCII
  // case ignored; 0 when none does.
  int32_t FindByName(const String& Name) const;
  // NumEntries := 0.
  void Clear() noexcept { FStackPoi = 0; }

 private:
  int32_t FStackSize = 20;
  std::vector<TDouble2DArray> FData;
  std::vector<String> FNames;
  int32_t FStackPoi = 0;
};

// A tally of distinct strings (case-sensitive) in order of first appearance,
// with the number of times each was added. Add is O(1) on average (a hash
// index beside the arrays).
class ZEL_API TStringAccu : public TComponent {
 public:
  // Empty. AOwner (may be null) owns the new tally and deletes it with
  // itself.
  explicit TStringAccu(TComponent* AOwner);
  ~TStringAccu() override;

  String ClassName() const override;

  // Counts AString: increments its count, or appends it with count 1. Raises
  // EZELDStructError Component "<Name>": not enough memory on heap when the
  // arrays cannot grow (the tally is then unchanged).
  void Add(const String& AString);
  int32_t Size() const noexcept { return FSize; }  // Number of distinct strings.
  // String number ix (1..Size); the empty text outside.
  String Elem(int32_t ix) const;
  // How often string ix was added (at most 2147483647); 0 outside 1..Size.
  int32_t Count(int32_t ix) const;
  // Forgets every string.
  void Clear();

 private:
  int32_t FSize = 0;
  std::vector<String> FStrArray;
  std::vector<int32_t> FCntArray;
  std::unordered_map<String, int32_t> index_;  // string -> position - 1
};

}  // namespace zel
