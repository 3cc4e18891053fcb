// Population count of a word array with the POPCNT instruction, four
// independent sums so that the adds do not wait for each other.
#include "zel/dstruct/internal/bitfld_kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

namespace zel::internal {

__attribute__((target("popcnt"))) uint64_t PopcountWordsPopcnt(const uint64_t* words,
                                                               size_t n) noexcept {
  uint64_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    s0 += static_cast<uint64_t>(__builtin_popcountll(words[i]));
    s1 += static_cast<uint64_t>(__builtin_popcountll(words[i + 1]));
    s2 += static_cast<uint64_t>(__builtin_popcountll(words[i + 2]));
    s3 += static_cast<uint64_t>(__builtin_popcountll(words[i + 3]));
  }
  for (; i < n; ++i) s0 += static_cast<uint64_t>(__builtin_popcountll(words[i]));
  return s0 + s1 + s2 + s3;
}

}  // namespace zel::internal
#endif
