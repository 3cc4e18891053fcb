// Conversion between zel's UTF-16 strings and the single-byte short strings
// kept in the string grid's pools, and the byte weights the grid's sort uses.
//
// The single-byte code page is Windows-1252 (the five codes it leaves
// undefined stand for the C1 controls of the same value), so the mapping is
// one to one on the 256 byte values. A character that has no byte in that
// code page, and a surrogate pair as a whole, become "?".
#pragma once

#include <array>
#include <cstdint>

#include "zel/runtime/types.h"

namespace zel::internal {

// Character of each byte.
const std::array<Char, 256>& ShortStringDecodeTable() noexcept;

// Encodes the first 255 characters of S (a surrogate pair counts as one
// character) into Out; returns the number of bytes written.
uint32_t EncodeShortString(const String& S, uint8_t* Out) noexcept;

// Encodes Len bytes as a String.
String DecodeShortString(const uint8_t* Bytes, uint32_t Len);

// For every byte, the rank of its character after ASCII lower-casing among
// all such lower-cased characters: comparing rank sequences byte by byte
// (shorter first on a common prefix) gives the same order as comparing the
// lower-cased UTF-16 texts by code unit.
const std::array<uint8_t, 256>& SortRankTable() noexcept;

}  // namespace zel::internal
