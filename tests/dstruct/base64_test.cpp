// Base64: RFC 4648 vectors, the system's encoder as oracle (OpenSSL's
// EVP_EncodeBlock on Linux, CryptBinaryToStringA on Windows), round trips,
// the decoder's return codes and block rule against a literal block-by-block
// model, and every processor path against the portable one.
#include "zel/dstruct/base64.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/reference_digest.h"
#include "zel/dstruct/internal/base64_kernels.h"
#include "zel/platform/cpu_features.h"

namespace zel {
namespace {

using internal::Base64Kernels;
using internal::CpuLevel;

std::string Encode(const std::string& in, bool lines) {
  TStringStream src(in);
  TMemoryStream dst;
  EncodeBase64(src, dst, lines);
  return std::string(reinterpret_cast<const char*>(dst.Memory()), static_cast<size_t>(dst.Size()));
}

int32_t Decode(const std::string& text, std::string& out) {
  TStringStream src(text);
  TMemoryStream dst;
  const int32_t r = DecodeBase64(src, dst);
  out.assign(reinterpret_cast<const char*>(dst.Memory()), static_cast<size_t>(dst.Size()));
  return r;
}

// The reference's one-line form, cut into lines of 60 with CR LF if asked.
std::string ReferenceEncode(const std::string& in, bool lines) {
  const std::string out = zel_test::ReferenceBase64Encode(in);
  if (!lines) return out;
  std::string broken;
  for (size_t i = 0; i < out.size(); i += 60) broken += out.substr(i, 60) + "\r\n";
  return broken;
}

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

// The decoder taken literally: blocks of 88 characters (CR LF skipped), each
// group checked and decoded on its own, a block written only when it is
// whole and valid.
int32_t ModelDecode(const std::string& text, std::string& out) {
  static const std::string kAlpha =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  auto val = [](char c) { return static_cast<int>(kAlpha.find(c)); };  // npos -> -1
  std::string sig;
  for (char c : text)
    if (c != '\r' && c != '\n') sig += c;
  out.clear();
  for (size_t b = 0; b < sig.size() || b == 0; b += 88) {
    const std::string block = sig.substr(b, 88);
    std::string bytes;
    for (size_t g = 0; g < block.size(); g += 4) {
      std::string grp = block.substr(g, 4);
      if (grp.size() == 1) return -1;
      if (grp.size() < 4) grp += grp.size() == 2 ? "==" : "=";
      const int a = val(grp[0]), bb = val(grp[1]), c = val(grp[2]), d = val(grp[3]);
      if (a < 0 || bb < 0) return -1;
      if (grp[2] != '=' && c < 0) return -1;
      if (grp[3] != '=' && d < 0) return -1;
      bytes += static_cast<char>((a << 2) | (bb >> 4));
      if (grp[2] == '=') continue;
      bytes += static_cast<char>((bb << 4) | (c >> 2));
      if (grp[3] == '=') continue;
      bytes += static_cast<char>((c << 6) | d);
    }
    out += bytes;
    if (block.size() < 88) break;
  }
  return 0;
}

// A stream without a read window that hands out at most 7 bytes per read.
class TrickleStream : public TStream {
 public:
  explicit TrickleStream(std::string data) : data_(std::move(data)) {}
  int64_t Read(void* Buffer, int64_t Count) override {
    const int64_t n = std::min<int64_t>({Count, 7, static_cast<int64_t>(data_.size()) - pos_});
    if (n <= 0) return 0;
    std::memcpy(Buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
    pos_ = (Origin == soBeginning ? 0 : Origin == soCurrent ? pos_ : Size()) + Offset;
    return pos_;
  }
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

 private:
  std::string data_;
  int64_t pos_ = 0;
};

struct PathCase {
  const char* name;
  CpuLevel level;
};
const PathCase kPaths[] = {
    {"portable", CpuLevel::kPortable}, {"avx2", CpuLevel::kAVX2}, {"avx512", CpuLevel::kAVX512}};

// Every test runs on every kernel path the processor offers.
class Base64PathTest : public ::testing::TestWithParam<PathCase> {
 protected:
  void SetUp() override {
    internal::CapCpuLevel(GetParam().level);
    const std::string active = internal::Base64ActiveKernels().name;
    const bool wanted = GetParam().level == CpuLevel::kPortable ? active == "portable"
                        : GetParam().level == CpuLevel::kAVX2   ? active == "avx2"
                                                                : active == "avx512vbmi";
    if (!wanted) GTEST_SKIP() << "path " << GetParam().name << " not available here";
  }
  void TearDown() override { internal::ResetCpuFeatureSwitches(); }
};

TEST_P(Base64PathTest, KnownAnswers) {
  const struct {
    std::string in, plain, lines;
  } kCases[] = {
      {"", "", ""},
      {"f", "Zg==", "Zg==\r\n"},
      {"fo", "Zm8=", "Zm8=\r\n"},
      {"foo", "Zm9v", "Zm9v\r\n"},
      {"foob", "Zm9vYg==", "Zm9vYg==\r\n"},
      {"fooba", "Zm9vYmE=", "Zm9vYmE=\r\n"},
      {"foobar", "Zm9vYmFy", "Zm9vYmFy\r\n"},
      {"abc", "YWJj", "YWJj\r\n"},
      {std::string("\xFB\xFF\xBF", 3), "+/+/", "+/+/\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(Encode(c.in, false), c.plain);
    EXPECT_EQ(Encode(c.in, true), c.lines);
    std::string out;
    EXPECT_EQ(Decode(c.lines, out), 0);
    EXPECT_EQ(out, c.in);
  }
}

TEST_P(Base64PathTest, LineLayout) {
  const std::string line45(45, 'x');
  const std::string enc45 = Encode(line45, true);
  ASSERT_EQ(enc45.size(), 62u);
  EXPECT_EQ(enc45.substr(60), "\r\n");
  EXPECT_EQ(enc45.substr(0, 60), Encode(line45, false));
  const std::string enc46 = Encode(line45 + "y", true);
  EXPECT_EQ(enc46.substr(0, 62), enc45);
  EXPECT_EQ(enc46.substr(62), "eQ==\r\n");
  // A multiple of 45 ends right after its last line break.
  EXPECT_EQ(Encode(std::string(90, 'x'), true), enc45 + enc45);
}

TEST_P(Base64PathTest, EncodeMatchesTheReferenceForEveryLengthTo300) {
  const std::string data = RandomBytes(300, 1);
  for (size_t n = 0; n <= 300; ++n) {
    SCOPED_TRACE(n);
    const std::string in = data.substr(0, n);
    EXPECT_EQ(Encode(in, false), ReferenceEncode(in, false));
    EXPECT_EQ(Encode(in, true), ReferenceEncode(in, true));
  }
}

TEST_P(Base64PathTest, RoundTripsEveryLengthTo300) {
  const std::string data = RandomBytes(300, 2);
  for (size_t n = 0; n <= 300; ++n) {
    SCOPED_TRACE(n);
    const std::string in = data.substr(0, n);
    for (bool lines : {false, true}) {
      std::string out;
      ASSERT_EQ(Decode(Encode(in, lines), out), 0) << "lines " << lines;
      EXPECT_EQ(out, in) << "lines " << lines;
    }
  }
}

// The reference decodes what zel encodes, and zel decodes the reference's text.
TEST_P(Base64PathTest, DecodeAgreesWithTheReferenceEveryLengthTo300) {
  const std::string data = RandomBytes(300, 3);
  for (size_t n = 0; n <= 300; ++n) {
    SCOPED_TRACE(n);
    const std::string in = data.substr(0, n);
    EXPECT_EQ(zel_test::ReferenceBase64Decode(Encode(in, false)), in)
        << zel_test::ReferenceName();
    std::string out;
    ASSERT_EQ(Decode(zel_test::ReferenceBase64Encode(in), out), 0);
    EXPECT_EQ(out, in);
  }
}

TEST_P(Base64PathTest, LargeInputsAcrossChunkBoundaries) {
  // Sizes around the encoder's 46080-byte and the decoder's 65536-byte
  // chunks, so lines, blocks and groups straddle them.
  for (size_t n : {46079u, 46080u, 46081u, 49151u, 49152u, 49153u, 1000003u}) {
    SCOPED_TRACE(n);
    const std::string in = RandomBytes(n, static_cast<uint32_t>(n));
    for (bool lines : {false, true}) {
      const std::string enc = Encode(in, lines);
      ASSERT_EQ(enc, ReferenceEncode(in, lines)) << "lines " << lines;
      std::string out;
      ASSERT_EQ(Decode(enc, out), 0);
      EXPECT_EQ(out, in);
    }
  }
}

TEST_P(Base64PathTest, InvalidCharactersGiveMinusOne) {
  // Every byte outside the alphabet, at every position of a group.
  for (int c = 0; c < 256; ++c) {
    const std::string alpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (alpha.find(static_cast<char>(c)) != std::string::npos || c == '=' || c == 13 || c == 10)
      continue;
    for (size_t pos = 0; pos < 4; ++pos) {
      SCOPED_TRACE(testing::Message() << "char " << c << " at " << pos);
      std::string text = "QUJD";
      text[pos] = static_cast<char>(c);
      std::string out;
      EXPECT_EQ(Decode(text, out), -1);
      EXPECT_EQ(out, "");
    }
  }
  std::string out;
  EXPECT_EQ(Decode("QUJD QUJD", out), -1);
}

TEST_P(Base64PathTest, EqualsSignByPosition) {
  const struct {
    std::string text;
    int32_t result;
    std::string out;
  } kCases[] = {
      {"=UJD", -1, ""},        {"Q=JD", -1, ""},        {"QU=D", 0, "A"},
      {"QU==", 0, "A"},        {"QUJ=", 0, "AB"},       {"QU=!", -1, ""},
      {"QQ==QUJD", 0, "AABC"}, {"QUI=QUI=", 0, "ABAB"}, {"QQ==\r\nQQ==\r\n", 0, "AA"},
      {"QQ", 0, "A"},          {"QUI", 0, "AB"},        {"QQ=", 0, "A"},
      {"QUJDQ", -1, ""},       {"Q=", -1, ""},          {"\r\n", 0, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    std::string out;
    EXPECT_EQ(Decode(c.text, out), c.result);
    EXPECT_EQ(out, c.out);
  }
}

TEST_P(Base64PathTest, FailureKeepsEarlierBlocksOnly) {
  const std::string data = RandomBytes(3000, 3);
  const std::string plain = Encode(data, false);
  const std::string lines = Encode(data, true);
  for (size_t pos : {0u, 3u, 87u, 88u, 89u, 175u, 176u, 1000u, 3999u}) {
    SCOPED_TRACE(pos);
    std::string bad = plain;
    bad[pos] = '*';
    std::string out;
    ASSERT_EQ(Decode(bad, out), -1);
    EXPECT_EQ(out, data.substr(0, pos / 88 * 66));
    // The same character in the line-broken text (62 bytes per 60 chars).
    std::string bad_lines = lines;
    bad_lines[pos / 60 * 62 + pos % 60] = '-';
    ASSERT_EQ(Decode(bad_lines, out), -1);
    EXPECT_EQ(out, data.substr(0, pos / 88 * 66));
  }
}

TEST_P(Base64PathTest, FailureLeavesInputAfterTheFailingBlock) {
  const std::string data = RandomBytes(150000, 4);
  const std::string lines = Encode(data, true);
  // Character 100001 (line breaks not counted) lies in the second chunk.
  for (size_t pos : {5u, 100001u}) {
    SCOPED_TRACE(pos);
    std::string bad = lines;
    const size_t raw_bad = pos / 60 * 62 + pos % 60;
    bad[raw_bad] = '.';
    TStringStream src(bad);
    TMemoryStream dst;
    ASSERT_EQ(DecodeBase64(src, dst), -1);
    const size_t block_end = (pos / 88 + 1) * 88;  // characters consumed
    EXPECT_EQ(src.Position(), static_cast<int64_t>(block_end / 60 * 62 + block_end % 60));
    EXPECT_EQ(dst.Size(), static_cast<int64_t>(pos / 88 * 66));
  }
}

TEST_P(Base64PathTest, MatchesTheBlockModelOnCorruptedText) {
  std::mt19937 gen(5);
  const std::string noise = "=\r\n*.-A+/z{ ";
  for (int round = 0; round < 400; ++round) {
    const std::string data = RandomBytes(gen() % 700, static_cast<uint32_t>(round));
    std::string text = Encode(data, round % 2 == 0);
    if (round % 3 == 0) text += Encode(RandomBytes(gen() % 10, 7), false);  // concatenated
    const int edits = round % 4;
    for (int e = 0; e < edits && !text.empty(); ++e)
      text[gen() % text.size()] = noise[gen() % noise.size()];
    if (round % 5 == 0 && !text.empty()) text.pop_back();
    SCOPED_TRACE(text);
    std::string want, got;
    const int32_t expected = ModelDecode(text, want);
    EXPECT_EQ(Decode(text, got), expected);
    EXPECT_EQ(got, want);
  }
}

TEST_P(Base64PathTest, StreamsUsedFromTheirCurrentPosition) {
  TStringStream src(std::string("skip:abc"));
  src.SetPosition(5);
  TStringStream dst(std::string("0123456789"));
  dst.SetPosition(2);
  EncodeBase64(src, dst, false);
  EXPECT_EQ(dst.Bytes(), "01YWJj6789");  // written in place, not truncated
  EXPECT_EQ(dst.Position(), 6);
  EXPECT_EQ(src.Position(), 8);

  TStringStream text(std::string("xxYWJj"));
  text.SetPosition(2);
  TStringStream out(std::string("..."));
  out.SetPosition(1);
  EXPECT_EQ(DecodeBase64(text, out), 0);
  EXPECT_EQ(out.Bytes(), ".abc");
}

TEST_P(Base64PathTest, StreamsWithoutReadWindow) {
  const std::string data = RandomBytes(100001, 11);
  for (bool lines : {false, true}) {
    TrickleStream src(data);
    TMemoryStream dst;
    EncodeBase64(src, dst, lines);
    const std::string text(reinterpret_cast<const char*>(dst.Memory()),
                           static_cast<size_t>(dst.Size()));
    EXPECT_EQ(text, ReferenceEncode(data, lines));
    TrickleStream text_src(text);
    TMemoryStream back;
    EXPECT_EQ(DecodeBase64(text_src, back), 0);
    EXPECT_EQ(back.Size(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(0, std::memcmp(back.Memory(), data.data(), data.size()));
    // A failure leaves the input after its block here too.
    std::string bad = text;
    bad[70000] = '!';
    TrickleStream bad_src(bad);
    TMemoryStream partial;
    EXPECT_EQ(DecodeBase64(bad_src, partial), -1);
    const size_t sig = lines ? 70000 / 62 * 60 + 70000 % 62 : 70000;
    const size_t block_end = (sig / 88 + 1) * 88;
    EXPECT_EQ(bad_src.Position(),
              static_cast<int64_t>(lines ? block_end / 60 * 62 + block_end % 60 : block_end));
    EXPECT_EQ(partial.Size(), static_cast<int64_t>(sig / 88 * 66));
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, Base64PathTest, ::testing::ValuesIn(kPaths),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- kernels against the portable set -------------------------------------

std::vector<const Base64Kernels*> VectorKernels() {
  std::vector<const Base64Kernels*> v;
  if (auto* k = internal::Base64Avx2Kernels()) v.push_back(k);
  if (auto* k = internal::Base64Avx512Kernels()) v.push_back(k);
  return v;
}

TEST(Base64Kernels, EncodeAcrossLengthsAndAlignments) {
  const Base64Kernels& ref = internal::Base64PortableKernels();
  const std::string data = RandomBytes(1200, 8);
  for (const Base64Kernels* k : VectorKernels()) {
    for (size_t offset = 0; offset < 64; ++offset) {
      for (size_t groups = 0; groups <= 120; ++groups) {
        SCOPED_TRACE(testing::Message() << k->name << " offset " << offset << " groups " << groups);
        const auto* src = reinterpret_cast<const uint8_t*>(data.data()) + offset;
        std::vector<uint8_t> want(groups * 4 + 64, 0xAA), got(groups * 4 + 64, 0xAA);
        ref.encode(src, groups, want.data());
        k->encode(src, groups, got.data());
        ASSERT_TRUE(
            std::equal(want.begin(), want.begin() + static_cast<long>(groups * 4), got.begin()));
      }
      for (size_t lines = 0; lines <= 5; ++lines) {
        const auto* src = reinterpret_cast<const uint8_t*>(data.data()) + offset;
        std::vector<uint8_t> want(lines * 62 + 64), got(lines * 62 + 64);
        ref.encode_lines(src, lines, want.data());
        k->encode_lines(src, lines, got.data());
        ASSERT_TRUE(
            std::equal(want.begin(), want.begin() + static_cast<long>(lines * 62), got.begin()))
            << k->name << " lines " << lines;
      }
    }
  }
}

TEST(Base64Kernels, DecodeStopsBeforeEveryNonAlphabetByte) {
  const Base64Kernels& ref = internal::Base64PortableKernels();
  const std::string text = Encode(RandomBytes(48 * 4, 9), false);  // 256 characters
  for (const Base64Kernels* k : VectorKernels()) {
    for (int c = 0; c < 256; ++c) {
      for (size_t pos = 0; pos < 128; pos += 1) {
        std::string t = text;
        t[pos] = static_cast<char>(c);
        const auto* src = reinterpret_cast<const uint8_t*>(t.data());
        std::vector<uint8_t> want(256, 0), got(256 + 64, 0);
        const size_t n_ref = ref.decode(src, 64, want.data());
        const size_t n = k->decode(src, 64, got.data());
        SCOPED_TRACE(testing::Message() << k->name << " char " << c << " at " << pos);
        ASSERT_LE(n, n_ref);
        if (n_ref == 64) {
          ASSERT_GE(n, 64u - 15);  // only a short tail is left over
        }
        ASSERT_TRUE(std::equal(want.begin(), want.begin() + static_cast<long>(n * 3), got.begin()));
      }
    }
  }
}

TEST(Base64Kernels, StripLineBreaksAcrossDensities) {
  const Base64Kernels& ref = internal::Base64PortableKernels();
  std::mt19937 gen(10);
  for (const Base64Kernels* k : VectorKernels()) {
    for (int density : {0, 2, 10, 50, 100}) {
      for (size_t n = 0; n <= 400; n += 7) {
        std::string s(n + 64, 'a');
        for (auto& c : s) {
          const int r = static_cast<int>(gen() % 100);
          c = r < density ? (gen() % 2 ? '\r' : '\n') : static_cast<char>('A' + gen() % 26);
        }
        for (size_t offset : {0u, 1u, 31u, 63u}) {
          const auto* src = reinterpret_cast<const uint8_t*>(s.data()) + offset;
          std::vector<uint8_t> want(n + 64), got(n + 64);
          const size_t m_ref = ref.strip_line_breaks(src, n, want.data());
          const size_t m = k->strip_line_breaks(src, n, got.data());
          ASSERT_EQ(m, m_ref) << k->name << " n " << n << " density " << density;
          ASSERT_TRUE(std::equal(want.begin(), want.begin() + static_cast<long>(m), got.begin()));
        }
      }
    }
  }
}

TEST(Base64Kernels, ForcedPortableIsActive) {
  internal::ForcePortable(true);
  EXPECT_STREQ(internal::Base64ActiveKernels().name, "portable");
  EXPECT_EQ(internal::Base64Avx2Kernels(), nullptr);
  internal::ResetCpuFeatureSwitches();
}

}  // namespace
}  // namespace zel
