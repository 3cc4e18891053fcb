#include "zel/runtime/random.h"

#include <chrono>

namespace zel {

uint32_t RandSeed = 0;

namespace {
uint32_t Step() {
  RandSeed = RandSeed * 134775813u + 1u;
  return RandSeed;
}
}  // namespace

int32_t Random(int32_t n) {
  const uint64_t seed = Step();
  if (n <= 0) return 0;
  return static_cast<int32_t>((seed * static_cast<uint64_t>(n)) >> 32);
}

double Random() { return static_cast<double>(Step()) / 4294967296.0; }

void Randomize() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  RandSeed =
      static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

}  // namespace zel
