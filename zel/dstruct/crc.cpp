#include "zel/dstruct/crc.h"

#include <algorithm>
#include <cstring>

#include "zel/dstruct/internal/crc_kernels.h"
#include "zel/dstruct/internal/crc_tables.h"
#include "zel/platform/cpu_features.h"
#include "zel/platform/read_file.h"
#include "zel/runtime/filemode.h"
#include "zel/runtime/filename.h"

namespace zel {
namespace internal {
namespace {

#if defined(__x86_64__) || defined(_M_X64)
constexpr uint32_t kPclmulPath = kCpuPCLMUL | kCpuSSE41 | kCpuSSSE3;
constexpr uint32_t kVpclmulPath =
    kPclmulPath | kCpuVPCLMUL | kCpuAVX2 | kCpuAVX512F | kCpuAVX512BW | kCpuAVX512VL;
// Below these sizes the kernels would only run their byte loop.
constexpr size_t kPclmulMin = 64;
constexpr size_t kVpclmulMin = 256;
#endif

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap32(v);
#endif
  return v;
}

}  // namespace

uint32_t Crc32Portable(uint32_t c, const uint8_t* p, size_t n) {
  const auto& s = kCRC32Slice;
  while (n >= 8) {
    c ^= Load32(p);
    c = s[7][c & 0xFF] ^ s[6][(c >> 8) & 0xFF] ^ s[5][(c >> 16) & 0xFF] ^ s[4][c >> 24] ^
        s[3][p[4]] ^ s[2][p[5]] ^ s[1][p[6]] ^ s[0][p[7]];
    p += 8;
    n -= 8;
  }
  return Crc32Bytes(c, p, n);
}

uint16_t Crc16Portable(uint16_t c, const uint8_t* p, size_t n) {
  const auto& s = kCRC16Slice;
  while (n >= 8) {
    // The register enters the first two bytes, high byte first.
    c = static_cast<uint16_t>(s[7][p[0] ^ (c >> 8)] ^ s[6][p[1] ^ (c & 0xFF)] ^ s[5][p[2]] ^
                              s[4][p[3]] ^ s[3][p[4]] ^ s[2][p[5]] ^ s[1][p[6]] ^ s[0][p[7]]);
    p += 8;
    n -= 8;
  }
  return Crc16Bytes(c, p, n);
}

uint32_t Crc32Update(uint32_t reg, const uint8_t* data, size_t len) {
#if defined(__x86_64__) || defined(_M_X64)
  if (len >= kPclmulMin) {
    const uint32_t f = CpuFeatureBits();
    if (len >= kVpclmulMin && (f & kVpclmulPath) == kVpclmulPath)
      return Crc32Vpclmul(reg, data, len);
    if ((f & kPclmulPath) == kPclmulPath) return Crc32Pclmul(reg, data, len);
  }
#endif
  return Crc32Portable(reg, data, len);
}

uint16_t Crc16Update(uint16_t reg, const uint8_t* data, size_t len) {
#if defined(__x86_64__) || defined(_M_X64)
  if (len >= kPclmulMin) {
    const uint32_t f = CpuFeatureBits();
    if (len >= kVpclmulMin && (f & kVpclmulPath) == kVpclmulPath)
      return Crc16Vpclmul(reg, data, len);
    if ((f & kPclmulPath) == kPclmulPath) return Crc16Pclmul(reg, data, len);
  }
#endif
  return Crc16Portable(reg, data, len);
}

}  // namespace internal

namespace {

// The count the caller asked for, cut to what the array holds.
size_t Clamp(const TBytes& buffer, int32_t count) {
  if (count <= 0) return 0;
  return std::min(buffer.size(), static_cast<size_t>(count));
}

}  // namespace

uint16_t CalcNextCRC16(uint8_t b, uint16_t crc) { return internal::Crc16Step(crc, b); }

uint16_t CRC16ofBuffer(const TBytes& Buffer, int32_t NumData, TCRC16Mode Mode) {
  const uint16_t init = Mode == crcCCITT ? 0xFFFF : 0x0000;
  return internal::Crc16Update(init, Buffer.data(), Clamp(Buffer, NumData));
}

int32_t CalcNextCRC32(uint8_t b, int32_t crc) {
  return static_cast<int32_t>(internal::Crc32Step(static_cast<uint32_t>(crc), b));
}

int32_t CRC32ofBuffer(const TBytes& Buffer, int32_t NumData) {
  return static_cast<int32_t>(
      ~internal::Crc32Update(0xFFFFFFFFu, Buffer.data(), Clamp(Buffer, NumData)));
}

int32_t CalcCRC32ofFile(const String& FName) {
  // Untyped-file reads follow FileMode: it is read-only (0) for the duration
  // of the call and restored on every way out.
  struct FileModeGuard {
    uint8_t saved = FileMode;
    ~FileModeGuard() { FileMode = saved; }
  } guard;
  FileMode = 0;
  uint32_t reg = 0xFFFFFFFFu;
  std::string path;
  const bool ok = FileNameToPath(FName, path) &&
                  internal::ReadFileInBlocks(path, [&reg](const uint8_t* data, size_t len) {
                    reg = internal::Crc32Update(reg, data, len);
                  });
  if (!ok) reg = 0xFFFFFFFFu;
  return static_cast<int32_t>(~reg);
}

}  // namespace zel
