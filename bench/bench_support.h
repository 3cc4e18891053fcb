// Shared pieces of the buffer benchmarks: the 64 MiB input, byte counting and
// the switch between the fastest and the portable code path.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include "zel/platform/cpu_features.h"
#include "zel/runtime/types.h"

namespace zel_bench {

inline constexpr size_t kSize = size_t{64} << 20;

// 64 MiB of repeatable pseudo-random bytes, made once.
inline const zel::TBytes& RandomBytes() {
  static const zel::TBytes buf = [] {
    zel::TBytes b(kSize);
    uint32_t x = 12345;
    for (auto& v : b) {
      x = x * 1103515245u + 12345u;
      v = static_cast<uint8_t>(x >> 24);
    }
    return b;
  }();
  return buf;
}

// Counts kSize bytes per iteration.
inline void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

// Benchmark argument 0: 0 runs the fastest path, 1 forces the portable one.
struct PathScope {
  explicit PathScope(const benchmark::State& state) {
    zel::internal::ForcePortable(state.range(0) == 1);
  }
  ~PathScope() { zel::internal::ResetCpuFeatureSwitches(); }
};

}  // namespace zel_bench
