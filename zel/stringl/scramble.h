// A reversible character-by-character substitution.
//
// Two tables of 256 codes: the forward table maps 0 to 0 and permutes 1..255,
// the inverse table undoes it. InitScramble(seed) builds them from the
// runtime's random generator (zel/runtime/random.h), so the same seed always
// gives the same tables. The library builds them once at start-up with
// kDefaultScrambleSeed; a caller may rebuild them with a seed of its own.
//
// Scramble and DeScramble replace each character with a code 0..255 by its
// table entry; characters above 255 are left as they are (the tables cover
// one byte), so DeScramble(Scramble(t)) == t for every text. The character 0
// maps to itself and no other character maps to 0.
//
// The tables and the random seed are process-wide: InitScramble must not run
// while another thread scrambles or draws random numbers.
#pragma once

#include <cstdint>

#include "zel/runtime/types.h"

namespace zel {

// The seed the tables are built with at library start-up.
inline constexpr int32_t kDefaultScrambleSeed = 0x2B5E1D07;

// Sets RandSeed to Seed (this also changes what later Random calls return),
// then, for codes 1..255 in order, draws Random(255) + 1 until it hits an
// unused code and maps the code to it.
ZEL_API void InitScramble(int32_t Seed) noexcept;

// Text with every character c <= 255 replaced by its forward (Scramble)
// or inverse (DeScramble) table entry; same length.
ZEL_API String Scramble(const String& Text);
// Text with every character c <= 255 replaced by its inverse table entry:
// undoes Scramble made with the same tables.
ZEL_API String DeScramble(const String& Text);

}  // namespace zel
