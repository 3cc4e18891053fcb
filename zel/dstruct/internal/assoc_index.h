// The hash index of TAssocArray: entry positions by key, for exact or
// ASCII-case-folded comparison.
//
// Open addressing with linear probing, at most half full, backward-shift
// deletion (no tombstones). A slot holds an entry position and the low 32
// bits of its key's hash. Every entry is in the index, duplicates included,
// so Find visits the whole probe run of a key and returns the lowest
// matching position. The index does not own the keys: callers pass the key
// array to every call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zel/runtime/types.h"

namespace zel::internal {

// Hash of a key, folding "A".."Z" to "a".."z" when Fold.
uint64_t HashKey(const Char* s, size_t n, bool Fold) noexcept;

// Key equality, folding ASCII letters of both sides when Fold.
bool KeysEqual(const String& a, const String& b, bool Fold) noexcept;

class AssocKeyIndex {
 public:
  explicit AssocKeyIndex(bool Fold) : fold_(Fold) {}

  bool Fold() const noexcept { return fold_; }
  // Indexes entries 0..keys.size()-1 afresh.
  void Rebuild(const std::vector<String>& keys);
  // Adds entry pos (keys[pos] is its key).
  void Insert(const std::vector<String>& keys, uint32_t pos);
  // Removes entry pos (keys[pos] must still be its key).
  void Erase(const std::vector<String>& keys, uint32_t pos) noexcept;
  // Makes the slot of entry from (key keys[from]) name entry to instead.
  void Renumber(const std::vector<String>& keys, uint32_t from, uint32_t to) noexcept;
  // Lowest position whose key matches Key, or -1.
  int32_t Find(const std::vector<String>& keys, const String& Key) const noexcept;

 private:
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  struct Slot {
    uint32_t pos;
    uint32_t hash;
  };
  uint32_t HashOf(const String& key) const noexcept {
    return static_cast<uint32_t>(HashKey(key.data(), key.size(), fold_));
  }
  size_t SlotOf(const std::vector<String>& keys, uint32_t pos) const noexcept;
  void Place(uint32_t pos, uint32_t hash) noexcept;
  void Resize(size_t slots);

  bool fold_;
  size_t count_ = 0;
  size_t mask_ = 0;
  std::vector<Slot> slots_;
};

}  // namespace zel::internal
