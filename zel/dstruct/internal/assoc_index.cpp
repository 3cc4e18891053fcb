#include "zel/dstruct/internal/assoc_index.h"

#include <cstring>

namespace zel::internal {

namespace {

constexpr uint64_t kMul = 0x9E3779B97F4A7C15u;
constexpr uint64_t kLanes16 = 0x8000800080008000u;

// Folds the four UTF-16 units of w ("A".."Z" += 0x20), lane-parallel: a lane
// below 0x8000 is flagged when (x | 0x8000) - 0x41 keeps and
// (x | 0x8000) - 0x5B loses the top bit; no borrow crosses a lane.
inline uint64_t FoldLanes(uint64_t w) noexcept {
  const uint64_t t = w | kLanes16;
  const uint64_t ge_a = (t - 0x0041004100410041u) & kLanes16;
  const uint64_t ge_after_z = (t - 0x005B005B005B005Bu) & kLanes16;
  const uint64_t flag = ge_a & ~ge_after_z & ~w;
  return w + (flag >> 10);
}

inline uint64_t Mix(uint64_t h, uint64_t w) noexcept {
  h = (h ^ w) * kMul;
  return h ^ (h >> 29);
}

inline Char FoldChar(Char c) noexcept {
  return static_cast<Char>(c + ((static_cast<unsigned>(c) - u'A' < 26u) << 5));
}

}  // namespace

uint64_t HashKey(const Char* s, size_t n, bool Fold) noexcept {
  uint64_t h = 0x243F6A8885A308D3u ^ (n * kMul);
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    uint64_t w;
    std::memcpy(&w, s + i, 8);
    h = Mix(h, Fold ? FoldLanes(w) : w);
  }
  if (i < n) {
    uint64_t w = 0;
    std::memcpy(&w, s + i, (n - i) * sizeof(Char));
    h = Mix(h, Fold ? FoldLanes(w) : w);
  }
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93u;
  return h ^ (h >> 32);
}

bool KeysEqual(const String& a, const String& b, bool Fold) noexcept {
  if (a.size() != b.size()) return false;
  if (!Fold) return a == b;
  // Four units at a time, folded lane-parallel, then the rest one by one.
  const size_t n = a.size();
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    uint64_t wa, wb;
    std::memcpy(&wa, a.data() + i, 8);
    std::memcpy(&wb, b.data() + i, 8);
    if (wa != wb && FoldLanes(wa) != FoldLanes(wb)) return false;
  }
  for (; i < n; ++i)
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  return true;
}

void AssocKeyIndex::Resize(size_t slots) {
  std::vector<Slot> old(slots, Slot{kEmpty, 0});
  old.swap(slots_);
  mask_ = slots - 1;
  for (const Slot& s : old)
    if (s.pos != kEmpty) Place(s.pos, s.hash);
}

void AssocKeyIndex::Place(uint32_t pos, uint32_t hash) noexcept {
  size_t i = hash & mask_;
  while (slots_[i].pos != kEmpty) i = (i + 1) & mask_;
  slots_[i] = Slot{pos, hash};
}

void AssocKeyIndex::Rebuild(const std::vector<String>& keys) {
  size_t slots = 16;
  while (slots < 2 * keys.size()) slots *= 2;
  slots_.assign(slots, Slot{kEmpty, 0});
  mask_ = slots - 1;
  count_ = keys.size();
  for (size_t p = 0; p < keys.size(); ++p) Place(static_cast<uint32_t>(p), HashOf(keys[p]));
}

void AssocKeyIndex::Insert(const std::vector<String>& keys, uint32_t pos) {
  if (slots_.empty()) {
    Resize(16);
  } else if (2 * (count_ + 1) > slots_.size()) {
    Resize(2 * slots_.size());
  }
  Place(pos, HashOf(keys[pos]));
  ++count_;
}

size_t AssocKeyIndex::SlotOf(const std::vector<String>& keys, uint32_t pos) const noexcept {
  size_t i = HashOf(keys[pos]) & mask_;
  while (slots_[i].pos != pos) i = (i + 1) & mask_;
  return i;
}

void AssocKeyIndex::Erase(const std::vector<String>& keys, uint32_t pos) noexcept {
  size_t hole = SlotOf(keys, pos);
  // Backward shift: pull later members of the probe run into the hole when
  // their home slot does not lie between the hole and them.
  for (size_t j = (hole + 1) & mask_; slots_[j].pos != kEmpty; j = (j + 1) & mask_) {
    const size_t home = slots_[j].hash & mask_;
    if (((j - home) & mask_) >= ((j - hole) & mask_)) {
      slots_[hole] = slots_[j];
      hole = j;
    }
  }
  slots_[hole] = Slot{kEmpty, 0};
  --count_;
}

void AssocKeyIndex::Renumber(const std::vector<String>& keys, uint32_t from, uint32_t to) noexcept {
  slots_[SlotOf(keys, from)].pos = to;
}

int32_t AssocKeyIndex::Find(const std::vector<String>& keys, const String& Key) const noexcept {
  if (count_ == 0) return -1;
  const uint32_t h = HashOf(Key);
  uint32_t best = kEmpty;
  for (size_t i = h & mask_; slots_[i].pos != kEmpty; i = (i + 1) & mask_) {
    const Slot& s = slots_[i];
    if (s.hash == h && s.pos < best && KeysEqual(keys[s.pos], Key, fold_)) best = s.pos;
  }
  return best == kEmpty ? -1 : static_cast<int32_t>(best);
}

}  // namespace zel::internal
