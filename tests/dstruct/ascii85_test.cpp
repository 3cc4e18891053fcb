// ASCII85 variant: worked examples, the short final group, line breaks, the
// decoder's results, the overflow exception and round trips.
#include "zel/dstruct/ascii85.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "zel/runtime/exception.h"

namespace zel {
namespace {

std::string Encode(const std::string& in, bool lines) {
  TStringStream src(in);
  TMemoryStream dst;
  EncodeASCII85(src, dst, lines);
  return std::string(reinterpret_cast<const char*>(dst.Memory()), static_cast<size_t>(dst.Size()));
}

int32_t Decode(const std::string& text, std::string& out) {
  TStringStream src(text);
  TMemoryStream dst;
  const int32_t r = DecodeASCII85(src, dst);
  out.assign(reinterpret_cast<const char*>(dst.Memory()), static_cast<size_t>(dst.Size()));
  return r;
}

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen() % 3 == 0 ? 0 : gen());
  return s;
}

TEST(Ascii85, WorkedExamples) {
  const struct {
    std::string in, out;
  } kCases[] = {
      {"", "~>"},
      {std::string(4, '\0'), "z~>"},
      {std::string(3, '\0'), "!!!!~>"},  // a short group is never "z"
      {std::string(8, '\0'), "zz~>"},
      {"Man ", "9jqo^~>"},
      {"A", "!b~>"},  // the byte's own value, 65 = 0 * 85 + 65
      {"Man A", "9jqo^!b~>"},
      {"\xFF\xFF\xFF\xFF", "s8W-!~>"},
      {std::string("\0\0\0\1", 4), "!!!!\"~>"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.out);
    EXPECT_EQ(Encode(c.in, false), c.out);
    std::string back;
    EXPECT_EQ(Decode(c.out, back), 0);
    EXPECT_EQ(back, c.in);
  }
}

TEST(Ascii85, LineBreakAfterEveryTwelveGroups) {
  const std::string in(48, 'x');
  const std::string enc = Encode(in, true);
  ASSERT_EQ(enc.size(), 64u);
  EXPECT_EQ(enc.substr(60), "\r\n~>");
  EXPECT_EQ(enc.substr(0, 60), Encode(in, false).substr(0, 60));
  // "z" groups do not count; the final short group does.
  const std::string mixed = std::string(44, 'x') + std::string(4, '\0') + "x";
  EXPECT_EQ(Encode(mixed, true), Encode(std::string(44, 'x'), false).substr(0, 55) + "z" +
                                     "\"D\r\n~>");  // 120 = 1 * 85 + 35
  EXPECT_EQ(Encode(std::string(96, 'y'), true).size(), 2u * 62 + 2);
}

TEST(Ascii85, RoundTripsEveryLengthTo300) {
  const std::string data = RandomBytes(300, 1);
  for (size_t n = 0; n <= 300; ++n) {
    SCOPED_TRACE(n);
    const std::string in = data.substr(0, n);
    for (bool lines : {false, true}) {
      std::string out;
      ASSERT_EQ(Decode(Encode(in, lines), out), 0);
      EXPECT_EQ(out, in);
    }
  }
}

TEST(Ascii85, RoundTripsAcrossChunks) {
  for (size_t n : {65535u, 65536u, 65537u, 300001u}) {
    SCOPED_TRACE(n);
    const std::string in = RandomBytes(n, static_cast<uint32_t>(n));
    for (bool lines : {false, true}) {
      std::string out;
      ASSERT_EQ(Decode(Encode(in, lines), out), 0);
      EXPECT_EQ(out, in);
    }
  }
}

TEST(Ascii85, DecoderResults) {
  const struct {
    std::string text;
    int32_t result;
    std::string out;
  } kCases[] = {
      // "z" in second position: -2, the group still decodes with its code.
      {"9zqo^~>", -2, "M\xf7\\\xf0"},
      {"9jqo{~>", -1, "Man="},
      {"9zqo^9j{o^~>", -1, "M\xf7\\\xf0Mb\x88Z"},  // the last invalid digit decides
      {"9j{o^9zqo^~>", -2, "Mb\x88ZM\xf7\\\xf0"},
      {"9\x7fqo^~>", -1, "N&7\x91"},
      {"9 qo^~>", -1, "J\xab\xfd\x9e"},  // below "!" but not opening the group
      {"9j\r\nqo^\r\n~>", 0, "Man "},
      {"~>", 0, ""},
      {"!~>", 0, ""},        // one digit holds no byte
      {"9jqo^", 0, "Man "},  // no end mark
      {"9jqo^!b", 0, "Man A"},
      {"9jqo^~>9jqo^", 0, "Man "},  // nothing after the end mark is read
      {"zz", 0, std::string(8, '\0')},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    std::string out;
    EXPECT_EQ(Decode(c.text, out), c.result);
    EXPECT_EQ(out, c.out);
  }
}

TEST(Ascii85, OverflowRaisesAfterEarlierGroups) {
  const struct {
    std::string text;
    std::string written;
  } kCases[] = {
      {"9jqo^s8W-\"~>", "Man "},                            // 2^32
      {"uuuuu~>", ""},           {"9jqo^ abcd~>", "Man "},  // below "!" while the value is 0
      {"9jqo^\x01~>", "Man "},   {"\xff\xff\xff\xff\xff", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    TStringStream src(c.text);
    TMemoryStream dst;
    try {
      DecodeASCII85(src, dst);
      ADD_FAILURE() << "no EIntOverflow";
    } catch (const EIntOverflow& e) {
      EXPECT_EQ(e.Message(), u"Integer overflow");
    }
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(dst.Memory()), static_cast<size_t>(dst.Size())),
        c.written);
  }
  std::string out;
  EXPECT_EQ(Decode("s8W-!~>", out), 0);  // 2^32 - 1 is the largest group
  EXPECT_EQ(out, "\xFF\xFF\xFF\xFF");
}

// A stream without a read window that hands out at most 5 bytes per read.
class TrickleStream : public TStream {
 public:
  explicit TrickleStream(std::string data) : data_(std::move(data)) {}
  int64_t Read(void* Buffer, int64_t Count) override {
    const int64_t n = std::min<int64_t>({Count, 5, static_cast<int64_t>(data_.size()) - pos_});
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

TEST(Ascii85, StreamsWithoutReadWindow) {
  const std::string data = RandomBytes(70001, 3);
  TrickleStream src(data);
  TMemoryStream text;
  EncodeASCII85(src, text, true);
  const std::string encoded(reinterpret_cast<const char*>(text.Memory()),
                            static_cast<size_t>(text.Size()));
  EXPECT_EQ(encoded, Encode(data, true));
  TrickleStream text_src(encoded + "after");
  TMemoryStream back;
  EXPECT_EQ(DecodeASCII85(text_src, back), 0);
  EXPECT_EQ(back.Size(), static_cast<int64_t>(data.size()));
  EXPECT_EQ(0, std::memcmp(back.Memory(), data.data(), data.size()));
  EXPECT_EQ(text_src.Position(), static_cast<int64_t>(encoded.size() - 1));  // after "~"
}

TEST(Ascii85, StreamPositions) {
  TStringStream src(std::string("head9jqo^~>tail"));
  src.SetPosition(4);
  TStringStream dst(std::string("0123456789"));
  dst.SetPosition(1);
  EXPECT_EQ(DecodeASCII85(src, dst), 0);
  EXPECT_EQ(dst.Bytes(), "0Man 56789");
  EXPECT_EQ(src.Position(), 10);  // just after "~"

  TStringStream in(std::string("--Man "));
  in.SetPosition(2);
  TStringStream out(std::string("abcdefghij"));
  out.SetPosition(2);
  EncodeASCII85(in, out, false);
  EXPECT_EQ(out.Bytes(), "ab9jqo^~>j");
}

}  // namespace
}  // namespace zel
