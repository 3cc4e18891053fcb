// Lookup tables and single-byte steps of the two cyclic redundancy checks.
//
// CRC-16: width 16, poly 0x1021, not reflected (most significant bit first).
//   Entry i of kCRC16Table is the register after shifting i * 256 left
//   through eight steps of the polynomial: entry 1 = 0x1021, 255 = 0x1EF0.
// CRC-32: width 32, reflected poly 0xEDB88320 (0x04C11DB7 bit-reversed).
//   Entry i of kCRC32Table is i shifted right through eight steps:
//   entry 1 = 0x77073096, 255 = 0x2D02EF8D.
// kCRC32Slice/kCRC16Slice extend each to eight tables so the portable path
// can consume eight bytes per step ("slicing-by-8"); table 0 is the plain
// table. All tables are constexpr: no start-up work.
//
// The step helpers are `static inline` on purpose: instruction-set kernels
// include this header under other compiler flags, and internal linkage keeps
// each translation unit on its own copy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zel::internal {

constexpr std::array<uint16_t, 256> MakeCRC16Table() {
  std::array<uint16_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 8;
    for (int k = 0; k < 8; ++k) c = (c & 0x8000) ? ((c << 1) ^ 0x1021) : (c << 1);
    t[i] = static_cast<uint16_t>(c);
  }
  return t;
}

constexpr std::array<uint32_t, 256> MakeCRC32Table() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? ((c >> 1) ^ 0xEDB88320u) : (c >> 1);
    t[i] = c;
  }
  return t;
}

inline constexpr std::array<uint16_t, 256> kCRC16Table = MakeCRC16Table();
inline constexpr std::array<uint32_t, 256> kCRC32Table = MakeCRC32Table();

static_assert(kCRC16Table[1] == 0x1021 && kCRC16Table[255] == 0x1EF0);
static_assert(kCRC32Table[1] == 0x77073096u && kCRC32Table[255] == 0x2D02EF8Du);

// One byte through the CRC-16 register (most significant bit first).
static inline uint16_t Crc16Step(uint16_t c, uint8_t b) {
  return static_cast<uint16_t>(kCRC16Table[((c >> 8) ^ b) & 0xFF] ^ (c << 8));
}

// One byte through the reflected CRC-32 register.
static inline uint32_t Crc32Step(uint32_t c, uint8_t b) {
  return kCRC32Table[(c ^ b) & 0xFF] ^ (c >> 8);
}

static inline uint16_t Crc16Bytes(uint16_t c, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) c = Crc16Step(c, p[i]);
  return c;
}

static inline uint32_t Crc32Bytes(uint32_t c, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) c = Crc32Step(c, p[i]);
  return c;
}

// Slice k of the eight-table forms: the register contribution of a byte
// followed by k zero bytes.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeCRC32Slices() {
  std::array<std::array<uint32_t, 256>, 8> s{};
  s[0] = MakeCRC32Table();
  for (int k = 1; k < 8; ++k) {
    for (int i = 0; i < 256; ++i) s[k][i] = (s[k - 1][i] >> 8) ^ s[0][s[k - 1][i] & 0xFF];
  }
  return s;
}

constexpr std::array<std::array<uint16_t, 256>, 8> MakeCRC16Slices() {
  std::array<std::array<uint16_t, 256>, 8> s{};
  s[0] = MakeCRC16Table();
  for (int k = 1; k < 8; ++k) {
    for (int i = 0; i < 256; ++i) {
      const uint16_t c = s[k - 1][i];
      s[k][i] = static_cast<uint16_t>((c << 8) ^ s[0][c >> 8]);
    }
  }
  return s;
}

inline constexpr std::array<std::array<uint32_t, 256>, 8> kCRC32Slice = MakeCRC32Slices();
inline constexpr std::array<std::array<uint16_t, 256>, 8> kCRC16Slice = MakeCRC16Slices();

}  // namespace zel::internal
