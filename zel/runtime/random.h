// The seeded pseudo-random generator shared by the library.
//
// A 32-bit linear congruential generator: each step sets
// RandSeed = RandSeed * 134775813 + 1 (mod 2^32). Random(n) is the high 32
// bits of the 64-bit product RandSeed * n after the step; Random() is
// RandSeed / 2^32 after the step. A given seed always gives the same
// sequence, so scramble tables, passwords and random colours repeat.
// Process-wide state; not thread-safe.
#pragma once

#include <cstdint>

#include "zel/export.h"

namespace zel {

// The generator's state; 0 at start. Setting it restarts a sequence.
ZEL_API extern uint32_t RandSeed;

// An integer in 0..n-1; 0 when n <= 0 (the seed still steps).
ZEL_API int32_t Random(int32_t n);
// A value in [0, 1).
ZEL_API double Random();
// Seeds from the clock.
ZEL_API void Randomize();

}  // namespace zel
