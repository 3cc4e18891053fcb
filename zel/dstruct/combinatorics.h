// Stepping through combinations and permutations in place, and the index of
// the array element nearest to a value.
//
// The current combination or permutation is the whole state: nothing is kept
// between calls. Byte 0 of a TCombination holds the number of elements k
// (1..255), bytes 1..k the elements.
//  - Combinations: k distinct values of 1..MaxVal in ascending order. The
//    first is 1, 2, ..., k; NextCombination runs through all C(MaxVal, k) of
//    them in lexicographic order up to MaxVal - k + 1, ..., MaxVal.
//  - Permutations: the values 1..n in some order. The first is 1, 2, ..., n;
//    NextPermutation visits all n! orders exactly once, moving the smallest
//    value one place to the right at each step (n = 3: 123, 213, 231, 132,
//    312, 321); the last is always n, ..., 2, 1.
// Both functions return false, leaving the array unchanged, after the last
// element of their sequence, and also for a count of 0. Contents that are not
// a combination or permutation of the stated kind never make them touch
// bytes beyond k; NextPermutation returns false for them when the value it
// has to move is missing.
//
// Cost: NextCombination O(k), NextPermutation O(n) on average (O(n^2) in the
// worst step).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "zel/runtime/types.h"

namespace zel {

// A combination or permutation: byte 0 the element count k, bytes 1..k the
// elements, the rest unused.
using TCombination = std::array<uint8_t, 256>;

// The first combination or permutation of k elements: byte 0 = k, bytes
// 1..k = 1..k, the rest 0.
ZEL_API TCombination FirstCombination(uint8_t k);

// Advances C to the next combination of C[0] values out of 1..MaxVal. A
// MaxVal above 255 counts as 255 (elements are bytes); MaxVal < k has no
// combinations (false).
ZEL_API bool NextCombination(TCombination& C, int32_t MaxVal);

// Advances P to the next permutation of 1..P[0].
ZEL_API bool NextPermutation(TCombination& P);

// Index (from 0) of the element of Data nearest to x, the first one on ties;
// -1 for an empty array or when every distance is 1.7e308 or more. Elements
// that are not numbers (NaN) are never nearest, and a NaN x matches nothing.
ZEL_API int32_t IndexOfNearestArrayValue(double x, const std::vector<double>& Data);
// The same for integers in Data. Differences are exact (computed in 64 bits),
// so elements far from x on the other side of zero are handled like any other.
ZEL_API int32_t IndexOfNearestArrayValue(int32_t x, const std::vector<int32_t>& Data);

}  // namespace zel
