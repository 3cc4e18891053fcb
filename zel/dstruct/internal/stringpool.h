// String pools of the string grid: 32768-byte blocks holding short strings
// (a length byte followed by at most 255 bytes), addressed by 32-bit cell
// references.
//
// A reference is 0 for "no text"; otherwise its high 16 bits are the pool
// number p (from 1) and its low 16 bits the offset o (from 1) of the length
// byte within pool p. A text of length L is placed in pool p only when the
// pool's first-free offset f satisfies f + L < 32768, so offset 32768 is
// never used and a text never spans two pools.
//
// Placement is first fit over pools 1, 2, ...; a new pool is appended when
// none has room. Finding the first fit costs amortised O(1): for every length
// the pools before a remembered candidate are known to be too full, and pool
// rooms only shrink between Reset/Compact, so the candidate only moves
// forward.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace zel::internal {

inline constexpr uint32_t kPoolSize = 32768;
inline constexpr uint32_t kMaxShortString = 255;

class StringPools {
 public:
  StringPools();
  StringPools(const StringPools& other);
  StringPools& operator=(const StringPools&) = delete;

  // Number of pools (at least 1).
  int Count() const noexcept { return static_cast<int>(pools_.size()); }
  // First-free offset (1-based) of pool p (1-based).
  uint32_t FirstFree(int p) const noexcept { return first_free_[static_cast<size_t>(p - 1)]; }

  // The bytes of reference ref: pointer to the length byte, or nullptr when
  // ref is 0 or does not lie inside an existing pool.
  const uint8_t* Text(uint32_t ref) const noexcept {
    const uint32_t p = ref >> 16;
    const uint32_t o = ref & 0xFFFFu;
    if (p == 0 || o == 0 || p > pools_.size()) return nullptr;
    return pools_[p - 1]->data() + (o - 1);
  }

  // Stores the short string (len <= 255 bytes) for a cell whose reference is
  // ref: in place when the old text is at least as long, otherwise in new
  // room (first fit, or a new pool). Updates ref. Raises std::bad_alloc only
  // when a new pool is needed and cannot be allocated (ref then unchanged).
  void Store(uint32_t& ref, const uint8_t* bytes, uint32_t len);

  // Back to one empty pool.
  void Reset();

  // Rewrites every pool so that the texts of the given references follow
  // each other from offset 1, in the order the references are visited; the
  // references are updated. Visit(f) must call f(ref) for every live
  // reference in the wanted order. Texts keep their pool.
  template <class VisitAll>
  void Compact(VisitAll&& visit);

 private:
  using Pool = std::array<uint8_t, kPoolSize>;

  void ResetHints() noexcept { hint_.fill(0); }

  std::vector<std::unique_ptr<Pool>> pools_;
  std::vector<uint32_t> first_free_;
  // hint_[L]: index (0-based) of the first pool that may still have room for
  // a text of length L.
  std::array<uint32_t, kMaxShortString + 1> hint_{};
};

template <class VisitAll>
void StringPools::Compact(VisitAll&& visit) {
  // All new blocks first, so a failed allocation changes nothing.
  std::vector<std::unique_ptr<Pool>> fresh(pools_.size());
  for (auto& b : fresh) b = std::make_unique<Pool>();
  std::vector<uint32_t> write(pools_.size(), 1);
  visit([&](uint32_t& ref) {
    const uint8_t* src = Text(ref);
    if (src == nullptr) return;
    const uint32_t p = ref >> 16;
    const uint32_t len = src[0];
    uint32_t& w = write[p - 1];
    uint8_t* dst = fresh[p - 1]->data() + (w - 1);
    for (uint32_t k = 0; k <= len; ++k) dst[k] = src[k];
    ref = (p << 16) | w;
    w += len + 1;
  });
  pools_.swap(fresh);
  first_free_.swap(write);
  ResetHints();
}

}  // namespace zel::internal
