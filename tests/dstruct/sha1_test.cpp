// SHA-1: the FIPS 180 examples, the string overloads and the old variant,
// streams from their position, files, the hex form, and both compression
// paths against the system's SHA-1 (OpenSSL on Linux, BCrypt on Windows) on
// many lengths and chunkings.
#include "zel/dstruct/sha1.h"

#include <gtest/gtest.h>

#include <string>

#include "support/reference_digest.h"
#include "support/temp_dir.h"
#include "zel/dstruct/internal/sha1_engine.h"
#include "zel/platform/cpu_features.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

using internal::CpuLevel;

std::string Hex(const TSHACode& d) { return StringToUtf8(SHA1DigestToHex(d)); }

TSHACode ReferenceSha1(const void* p, size_t n) { return zel_test::ReferenceSha1(p, n); }

std::string LcgBytes(uint32_t seed, size_t length) {
  std::string out(length, '\0');
  for (auto& b : out) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<char>(seed >> 24);
  }
  return out;
}

const CpuLevel kPaths[] = {CpuLevel::kPortable, CpuLevel::kPCLMUL /* includes SHA */};

class Sha1Test : public ::testing::Test {
 protected:
  void TearDown() override { internal::ResetCpuFeatureSwitches(); }
};

TEST_F(Sha1Test, FipsExamplesOnEveryPath) {
  const struct {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
      {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmn"
       "opq"
       "rsmnopqrstnopqrstu",
       "A49B2446A02C645BF419F995B67091253A04A259"},
      {std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
  };
  for (CpuLevel level : kPaths) {
    internal::CapCpuLevel(level);
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << "level " << int(level) << " length " << c.input.size());
      EXPECT_EQ(Hex(SHA1FromString(c.input)), c.digest);
    }
  }
}

TEST_F(Sha1Test, StringOverloadsAndTheOldVariant) {
  const std::string abc_utf16le("a\0b\0c\0", 6);
  EXPECT_EQ(SHA1FromString(String(u"abc")), SHA1FromString(abc_utf16le));
  EXPECT_EQ(SHA1FromStringOLd(u"abc"), SHA1FromString(std::string("a\0b", 3)));
  EXPECT_NE(SHA1FromStringOLd(u"abc"), SHA1FromString(String(u"abc")));
  EXPECT_NE(SHA1FromStringOLd(u"a"), SHA1FromString(String(u"a")));
  // Code units above 0xFF contribute both bytes, low byte first.
  EXPECT_EQ(SHA1FromString(String(u"\u20AC\u00E9")),
            SHA1FromString(std::string("\xAC\x20\xE9\x00", 4)));
  EXPECT_EQ(SHA1FromStringOLd(u"\u20AC\u00E9"), SHA1FromString(std::string("\xAC\x20", 2)));
  const char* empty = "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709";
  EXPECT_EQ(Hex(SHA1FromString(String())), empty);
  EXPECT_EQ(Hex(SHA1FromString(AnsiString())), empty);
  EXPECT_EQ(Hex(SHA1FromStringOLd(String())), empty);
}

// Lengths 0..600 (every padding case: 55, 56, 63, 64, 65 ...) and some big
// ones, on both compression paths, in one piece and fed in uneven chunks.
TEST_F(Sha1Test, EveryLengthAndChunkingMatchesTheReference) {
  const std::string pool = LcgBytes(3, (1 << 20) + 4099);
  for (CpuLevel level : kPaths) {
    internal::CapCpuLevel(level);
    for (size_t len = 0; len <= 600; ++len) {
      for (size_t align : {size_t{0}, size_t{1}, size_t{7}}) {
        const std::string input = pool.substr(align, len);
        ASSERT_EQ(SHA1FromString(input), ReferenceSha1(input.data(), len))
            << "level " << int(level) << " length " << len << " align " << align;
      }
    }
    for (size_t len : {size_t{4096}, size_t{65537}, pool.size()}) {
      const TSHACode want = ReferenceSha1(pool.data(), len);
      for (size_t chunk : {size_t{1}, size_t{13}, size_t{64}, size_t{100}, size_t{4096}}) {
        SCOPED_TRACE(testing::Message()
                     << "level " << int(level) << " length " << len << " chunk " << chunk);
        internal::Sha1Context ctx;
        for (size_t pos = 0; pos < len; pos += chunk)
          ctx.Update(pool.data() + pos, std::min(chunk, len - pos));
        EXPECT_EQ(ctx.Final(), want);
      }
    }
  }
}

TEST_F(Sha1Test, PathsAgreeBlockByBlock) {
  internal::CapCpuLevel(CpuLevel::kPCLMUL);
  const std::string blocks = LcgBytes(11, 64 * 37);
  uint32_t a[5] = {1, 2, 3, 4, 5};
  uint32_t b[5] = {1, 2, 3, 4, 5};
  internal::Sha1Compress(a, reinterpret_cast<const uint8_t*>(blocks.data()), 37);
  internal::Sha1CompressPortable(b, reinterpret_cast<const uint8_t*>(blocks.data()), 37);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a[i], b[i]) << i;
}

TEST_F(Sha1Test, StreamsFromTheirPosition) {
  const std::string data = LcgBytes(5, 100000);
  const struct {
    int64_t start;
    size_t hashed_from;
  } cases[] = {{0, 0}, {1, 1}, {64, 64}, {54321, 54321}, {100000, 100000}, {200000, 100000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "start " << c.start);
    const TSHACode want = ReferenceSha1(data.data() + c.hashed_from, data.size() - c.hashed_from);
    TMemoryStream ms;
    ms.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    ms.SetPosition(c.start);
    EXPECT_EQ(SHA1FromStream(ms), want);
    EXPECT_EQ(ms.Position(), std::max<int64_t>(c.start, 100000));  // at the end, not rewound
    TStringStream ss(data);
    ss.SetPosition(c.start);
    EXPECT_EQ(SHA1FromStream(ss), want);
    EXPECT_EQ(ss.Position(), std::max<int64_t>(c.start, 100000));
  }
}

// A stream that is not a plain memory stream is read through Read.
class CountingStream : public TMemoryStream {
 public:
  int64_t Read(void* Buffer, int64_t Count) override {
    ++reads;
    return TMemoryStream::Read(Buffer, std::min<int64_t>(Count, 1000));  // short reads
  }
  int reads = 0;
};

class FailingStream : public TMemoryStream {
 public:
  int64_t Read(void*, int64_t) override { throw EReadError(u"Stream read error"); }
};

TEST_F(Sha1Test, OtherStreamsAreReadThroughRead) {
  const std::string data = LcgBytes(6, 5000);
  CountingStream cs;
  cs.WriteBuffer(data.data(), 5000);
  cs.SetPosition(10);
  EXPECT_EQ(SHA1FromStream(cs), ReferenceSha1(data.data() + 10, 4990));
  EXPECT_EQ(cs.reads, 6);  // five with data, one that returns 0
  EXPECT_EQ(cs.Position(), 5000);
  FailingStream fs;
  EXPECT_THROW(SHA1FromStream(fs), EReadError);
}

TEST_F(Sha1Test, Files) {
  zel_test::TempDir dir;
  for (size_t len : {size_t{0}, size_t{3}, size_t{1024}, size_t{300000}}) {
    SCOPED_TRACE(testing::Message() << "length " << len);
    const std::string data = LcgBytes(static_cast<uint32_t>(len), len);
    EXPECT_EQ(SHA1FromFile(dir.Write(std::to_string(len) + ".bin", data)),
              ReferenceSha1(data.data(), len));
  }
  EXPECT_THROW(SHA1FromFile(dir.File("missing")), EFOpenError);
}

TEST_F(Sha1Test, HexForm) {
  TSHACode d{};
  EXPECT_EQ(Hex(d), std::string(40, '0'));
  d[0] = 0x0A;
  d[1] = 0xF0;
  d[19] = 0xFF;
  const String hex = SHA1DigestToHex(d);
  ASSERT_EQ(hex.size(), 40u);
  EXPECT_EQ(StringToUtf8(hex), "0AF0" + std::string(34, '0') + "FF");
}

}  // namespace
}  // namespace zel
