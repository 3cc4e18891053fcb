// CRC-16 and CRC-32: published check values, the tables, count rules, the
// file function, and every processor path against the portable one, with
// zlib's crc32 and Python's binascii.crc_hqx as independent references.
#include "zel/dstruct/crc.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "zel/dstruct/internal/crc_kernels.h"
#include "zel/dstruct/internal/crc_tables.h"
#include "zel/platform/cpu_features.h"
#include "zel/runtime/filemode.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

using internal::CpuLevel;

TBytes Bytes(const std::string& s) { return TBytes(s.begin(), s.end()); }

// The generator of scripts/gen_crc16_vectors.py.
TBytes LcgBytes(uint32_t seed, size_t length) {
  TBytes out(length);
  uint32_t x = seed;
  for (auto& b : out) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 24);
  }
  return out;
}

uint32_t ZlibCrc32(const uint8_t* p, size_t n) {
  return static_cast<uint32_t>(crc32_z(crc32_z(0, nullptr, 0), p, n));
}

// Every path the processor offers, from portable up; each test restores the
// switches afterwards.
const CpuLevel kLevels[] = {CpuLevel::kPortable, CpuLevel::kSSE, CpuLevel::kPCLMUL, CpuLevel::kAVX2,
                            CpuLevel::kAVX512};

class CrcTest : public ::testing::Test {
 protected:
  void TearDown() override { internal::ResetCpuFeatureSwitches(); }
};

TEST_F(CrcTest, TablesHoldTheDescribedEntries) {
  EXPECT_EQ(internal::kCRC16Table[0], 0);
  EXPECT_EQ(internal::kCRC16Table[1], 0x1021);
  EXPECT_EQ(internal::kCRC16Table[255], 0x1EF0);
  EXPECT_EQ(internal::kCRC32Table[0], 0u);
  EXPECT_EQ(internal::kCRC32Table[1], 0x77073096u);
  EXPECT_EQ(internal::kCRC32Table[255], 0x2D02EF8Du);
  // zlib's own table is the same standard table.
  const auto* z = get_crc_table();
  for (int i = 0; i < 256; ++i) EXPECT_EQ(internal::kCRC32Table[i], z[i]) << i;
}

TEST_F(CrcTest, CheckValues) {
  const TBytes digits = Bytes("123456789");
  EXPECT_EQ(CRC16ofBuffer(digits, 9, crcZModem), 0x31C3);
  EXPECT_EQ(CRC16ofBuffer(digits, 9, crcCCITT), 0x29B1);
  EXPECT_EQ(CRC32ofBuffer(digits, 9), static_cast<int32_t>(0xCBF43926u));
  EXPECT_EQ(CRC32ofBuffer(digits, 9), -873187034);
}

TEST_F(CrcTest, CountRules) {
  const TBytes digits = Bytes("123456789");
  const TBytes empty;
  struct Case {
    const TBytes* buf;
    int32_t count;
    uint16_t zmodem, ccitt;
    uint32_t crc32;
  } cases[] = {
      {&digits, 0, 0x0000, 0xFFFF, 0},
      {&digits, -5, 0x0000, 0xFFFF, 0},
      {&empty, 0, 0x0000, 0xFFFF, 0},
      {&empty, 100, 0x0000, 0xFFFF, 0},  // past the end: cut to the length
      {&digits, 9, 0x31C3, 0x29B1, 0xCBF43926u},
      {&digits, 10, 0x31C3, 0x29B1, 0xCBF43926u},
      {&digits, 1 << 30, 0x31C3, 0x29B1, 0xCBF43926u},
      // Fewer than the array's length: only the first count bytes.
      {&digits, 3, CalcNextCRC16('3', CalcNextCRC16('2', CalcNextCRC16('1', 0))),
       CalcNextCRC16('3', CalcNextCRC16('2', CalcNextCRC16('1', 0xFFFF))),
       ZlibCrc32(digits.data(), 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.buf->size() << " count " << c.count);
    EXPECT_EQ(CRC16ofBuffer(*c.buf, c.count, crcZModem), c.zmodem);
    EXPECT_EQ(CRC16ofBuffer(*c.buf, c.count, crcCCITT), c.ccitt);
    EXPECT_EQ(static_cast<uint32_t>(CRC32ofBuffer(*c.buf, c.count)), c.crc32);
  }
}

TEST_F(CrcTest, StepsMatchTheBufferFunctions) {
  const TBytes data = LcgBytes(7, 1000);
  uint16_t x = 0, c = 0xFFFF;
  int32_t r = -1;
  for (uint8_t b : data) {
    x = CalcNextCRC16(b, x);
    c = CalcNextCRC16(b, c);
    r = CalcNextCRC32(b, r);
  }
  EXPECT_EQ(x, CRC16ofBuffer(data, 1000, crcZModem));
  EXPECT_EQ(c, CRC16ofBuffer(data, 1000, crcCCITT));
  EXPECT_EQ(~r, CRC32ofBuffer(data, 1000));
  // The shift of the 32-bit step is logical, also for negative registers.
  EXPECT_EQ(CalcNextCRC32(0, static_cast<int32_t>(0x80000000u)),
            static_cast<int32_t>(0x00800000u ^ internal::kCRC32Table[0]));
  EXPECT_EQ(CalcNextCRC32(0, -1), static_cast<int32_t>(internal::kCRC32Table[0xFF] ^ 0x00FFFFFFu));
}

struct Crc16Vector {
  std::string line;
  TBytes data;
  uint16_t zmodem, ccitt;
};

std::vector<Crc16Vector> LoadCrc16Vectors() {
  const auto path = std::filesystem::path(ZEL_TEST_SOURCE_DIR) / "dstruct" / "data" / "crc16_vectors.txt";
  std::ifstream in(path);
  std::vector<Crc16Vector> out;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::string kind, arg, x, c;
    ls >> kind >> arg >> x >> c;
    Crc16Vector v{line,
                  {},
                  static_cast<uint16_t>(std::stoul(x, nullptr, 16)),
                  static_cast<uint16_t>(std::stoul(c, nullptr, 16))};
    if (kind == "hex") {
      for (size_t i = 0; arg != "-" && i + 1 < arg.size(); i += 2) {
        v.data.push_back(static_cast<uint8_t>(std::stoul(arg.substr(i, 2), nullptr, 16)));
      }
    } else {
      const auto colon = arg.find(':');
      v.data = LcgBytes(static_cast<uint32_t>(std::stoul(arg.substr(0, colon))),
                        std::stoul(arg.substr(colon + 1)));
    }
    out.push_back(std::move(v));
  }
  return out;
}

TEST_F(CrcTest, Crc16MatchesPythonVectorsOnEveryPath) {
  const auto vectors = LoadCrc16Vectors();
  ASSERT_GT(vectors.size(), 300u);
  for (CpuLevel level : kLevels) {
    internal::CapCpuLevel(level);
    for (const auto& v : vectors) {
      SCOPED_TRACE(testing::Message() << "level " << int(level) << ": " << v.line.substr(0, 40));
      const auto n = static_cast<int32_t>(v.data.size());
      EXPECT_EQ(CRC16ofBuffer(v.data, n, crcZModem), v.zmodem);
      EXPECT_EQ(CRC16ofBuffer(v.data, n, crcCCITT), v.ccitt);
    }
  }
}

TEST_F(CrcTest, Crc32MatchesZlibOnEveryPath) {
  for (CpuLevel level : kLevels) {
    internal::CapCpuLevel(level);
    for (size_t len : {size_t{0}, size_t{1}, size_t{63}, size_t{64}, size_t{255}, size_t{256},
                       size_t{4097}, size_t{1} << 20, (size_t{1} << 20) + 13}) {
      SCOPED_TRACE(testing::Message() << "level " << int(level) << " length " << len);
      const TBytes data = LcgBytes(static_cast<uint32_t>(len), len);
      EXPECT_EQ(static_cast<uint32_t>(CRC32ofBuffer(data, static_cast<int32_t>(len))),
                ZlibCrc32(data.data(), len));
    }
  }
}

// Every length 0..600 at every alignment 0..15, register values other than
// the usual initial ones, and chunked updates: each path equals the portable
// loop.
TEST_F(CrcTest, EveryPathEqualsPortable) {
  const TBytes pool = LcgBytes(99, 600 + 64);
  for (CpuLevel level : kLevels) {
    internal::CapCpuLevel(level);
    SCOPED_TRACE(testing::Message() << "level " << int(level));
    for (size_t align = 0; align < 16; ++align) {
      for (size_t len = 0; len <= 600; ++len) {
        const uint8_t* p = pool.data() + align;
        const uint32_t reg32 = 0x9E3779B9u * static_cast<uint32_t>(len + 1);
        const auto reg16 = static_cast<uint16_t>(reg32 >> 7);
        ASSERT_EQ(internal::Crc32Update(reg32, p, len), internal::Crc32Portable(reg32, p, len))
            << "align " << align << " length " << len;
        ASSERT_EQ(internal::Crc16Update(reg16, p, len), internal::Crc16Portable(reg16, p, len))
            << "align " << align << " length " << len;
      }
    }
    // Big buffers, odd lengths, cut into uneven chunks.
    const TBytes big = LcgBytes(5, (3 << 20) + 77);
    const uint32_t whole32 = internal::Crc32Portable(0xFFFFFFFFu, big.data(), big.size());
    const uint16_t whole16 = internal::Crc16Portable(0xFFFF, big.data(), big.size());
    EXPECT_EQ(internal::Crc32Update(0xFFFFFFFFu, big.data(), big.size()), whole32);
    EXPECT_EQ(internal::Crc16Update(0xFFFF, big.data(), big.size()), whole16);
    uint32_t r32 = 0xFFFFFFFFu;
    uint16_t r16 = 0xFFFF;
    size_t pos = 0, step = 1;
    while (pos < big.size()) {
      const size_t n = std::min(step, big.size() - pos);
      r32 = internal::Crc32Update(r32, big.data() + pos, n);
      r16 = internal::Crc16Update(r16, big.data() + pos, n);
      pos += n;
      step = step * 3 + 1;
    }
    EXPECT_EQ(r32, whole32);
    EXPECT_EQ(r16, whole16);
  }
}

TEST_F(CrcTest, ForcePortableSwitch) {
  internal::ForcePortable(true);
  EXPECT_TRUE(internal::PortableForced());
  EXPECT_EQ(internal::CpuFeatureBits(), 0u);
  const TBytes digits = Bytes("123456789");
  EXPECT_EQ(CRC32ofBuffer(digits, 9), static_cast<int32_t>(0xCBF43926u));
  internal::ForcePortable(false);
  EXPECT_EQ(internal::CpuFeatureBits() & ~internal::CpuFeatureMask(), 0u);
}

TEST_F(CrcTest, FileCrcEqualsBufferCrc) {
  zel_test::TempDir dir;
  for (size_t len : {size_t{0}, size_t{1}, size_t{9}, size_t{4095}, size_t{4096}, size_t{4097},
                     size_t{256 * 1024}, size_t{256 * 1024 + 1}, size_t{700001}}) {
    SCOPED_TRACE(testing::Message() << "length " << len);
    const TBytes data = LcgBytes(static_cast<uint32_t>(len) + 3, len);
    const String name =
        dir.Write(std::to_string(len) + ".bin", std::string(data.begin(), data.end()));
    EXPECT_EQ(CalcCRC32ofFile(name), CRC32ofBuffer(data, static_cast<int32_t>(len)));
    EXPECT_EQ(static_cast<uint32_t>(CalcCRC32ofFile(name)), ZlibCrc32(data.data(), len));
  }
  EXPECT_EQ(CalcCRC32ofFile(dir.Write("digits", "123456789")), static_cast<int32_t>(0xCBF43926u));
}

TEST_F(CrcTest, FileFailuresGiveZeroAndKeepFileMode) {
  zel_test::TempDir dir;
  const String missing = dir.File("does-not-exist");
  const String unreadable_names[] = {missing, String(), dir.File(""), String(u"a\0b", 3)};
  for (uint8_t mode : {uint8_t{0}, uint8_t{1}, uint8_t{2}, uint8_t{0x42}}) {
    FileMode = mode;
    for (const String& name : unreadable_names) {
      SCOPED_TRACE(testing::Message() << "mode " << int(mode) << " name " << StringToUtf8(name));
      EXPECT_EQ(CalcCRC32ofFile(name), 0);
      EXPECT_EQ(FileMode, mode);
    }
    EXPECT_EQ(CalcCRC32ofFile(dir.Write("x", "123456789")), static_cast<int32_t>(0xCBF43926u));
    EXPECT_EQ(FileMode, mode);
  }
  FileMode = 2;
}

}  // namespace
}  // namespace zel
