#include "zel/dstruct/internal/stringpool.h"

#include <cstring>
#include <new>

namespace zel::internal {

StringPools::StringPools() {
  pools_.push_back(std::make_unique<Pool>());
  first_free_.push_back(1);
}

StringPools::StringPools(const StringPools& other) : first_free_(other.first_free_) {
  pools_.reserve(other.pools_.size());
  for (const auto& p : other.pools_) pools_.push_back(std::make_unique<Pool>(*p));
}

void StringPools::Reset() {
  pools_.resize(1);
  first_free_.assign(1, 1);
  ResetHints();
}

void StringPools::Store(uint32_t& ref, const uint8_t* bytes, uint32_t len) {
  if (len > kMaxShortString) len = kMaxShortString;
  // 1. In place when the old text is at least as long.
  if (ref != 0) {
    const uint32_t p = ref >> 16;
    const uint32_t o = ref & 0xFFFFu;
    if (p >= 1 && p <= pools_.size() && o >= 1) {
      uint8_t* at = pools_[p - 1]->data() + (o - 1);
      if (at[0] >= len) {
        at[0] = static_cast<uint8_t>(len);
        if (len != 0) std::memmove(at + 1, bytes, len);
        return;
      }
    }
  }
  // 2. First fit over the pools in order.
  const size_t n = pools_.size();
  uint32_t& hint = hint_[len];
  for (size_t p = hint; p < n; ++p) {
    const uint32_t f = first_free_[p];
    if (f + len < kPoolSize) {
      hint = static_cast<uint32_t>(p);
      uint8_t* at = pools_[p]->data() + (f - 1);
      at[0] = static_cast<uint8_t>(len);
      if (len != 0) std::memcpy(at + 1, bytes, len);
      ref = (static_cast<uint32_t>(p + 1) << 16) | f;
      first_free_[p] = f + len + 1;
      return;
    }
  }
  // 3. A new pool. Pool numbers must fit the 16 high bits of a reference.
  if (n >= 0xFFFFu) throw std::bad_alloc();
  first_free_.reserve(n + 1);
  pools_.push_back(std::make_unique<Pool>());
  first_free_.push_back(len + 2);
  hint = static_cast<uint32_t>(n);
  uint8_t* at = pools_[n]->data();
  at[0] = static_cast<uint8_t>(len);
  if (len != 0) std::memcpy(at + 1, bytes, len);
  ref = (static_cast<uint32_t>(n + 1) << 16) | 1u;
}

}  // namespace zel::internal
