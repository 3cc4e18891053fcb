#include "zel/streams/primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "stream_kinds.h"
#include "support/pipe.h"
#include "zel/platform/descriptors.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stringlist.h"
#include "zel/streams/xmltag.h"

namespace zel {
namespace {

using zel_test::S;

template <class Kind>
class StreamFunctions : public ::testing::Test {
 protected:
  std::unique_ptr<TStream> Make(const std::string& bytes) { return kind_.Make(bytes); }
  Kind kind_;
};
TYPED_TEST_SUITE(StreamFunctions, zel_test::StreamKinds, zel_test::KindNames);

struct LineStep {
  std::string line;
  bool eos;
  int64_t pos;
};

struct ReadLnCase {
  std::string input;
  int mode;
  std::vector<LineStep> steps;
};

TYPED_TEST(StreamFunctions, ReadLnStreamEveryMode) {
  const std::vector<ReadLnCase> cases = {
      {"a\r\nb", 4, {{"a", false, 3}, {"b", true, 4}, {"", true, 4}}},
      {"a\r\n", 0, {{"a", false, 3}, {"", true, 3}}},
      {"a\r\n", 1, {{"a", false, 2}, {"\n", true, 3}, {"", true, 3}}},
      {"a\r\nb\r\n", 2, {{"a", false, 2}, {"", false, 3}, {"b", false, 5}, {"", false, 6}}},
      {"x\n\ry\n\r", 3, {{"x", false, 3}, {"y", false, 6}, {"", true, 6}}},
      {"x\ry\r\n", 3, {{"x\ry\r\n", true, 5}}},  // runs out: nothing removed
      {"a\nb\rc", 7, {{"a\nb\rc", true, 5}}},
      {"a\nb", -1, {{"a\nb", true, 3}}},
      {"line\n\n", 0, {{"line", false, 5}, {"", false, 6}, {"", true, 6}}},
      {"ab\r", 1, {{"ab", false, 3}, {"", true, 3}}},  // lone CR at the end
      {"ab\r", 0, {{"ab\r", true, 3}}},                // ... never ends a LF line
      {"ab\r", 4, {{"ab\r", true, 3}}},
      {"\n\r\n", 0, {{"", false, 1}, {"", false, 3}}},  // "\r\n" both removed
      {"a\r\r\n", 0, {{"a\r", false, 4}}},              // at most two removed
      {"a\n\r\n", 4, {{"a\n", false, 4}}},              // LF CR LF: two removed
      {std::string("a\0b\n\0", 5),
       0,
       {{std::string("a\0b", 3), false, 4}, {std::string("\0", 1), true, 5}}},
      {"", 0, {{"", true, 0}}},
      {"\r\n", 4, {{"", false, 2}, {"", true, 2}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + " input size " +
                 std::to_string(c.input.size()));
    auto s = this->Make(c.input);
    for (size_t i = 0; i < c.steps.size(); ++i) {
      SCOPED_TRACE("call " + std::to_string(i));
      bool eos = !c.steps[i].eos;
      EXPECT_EQ(ReadLnStream(*s, eos, c.mode), S(c.steps[i].line));
      EXPECT_EQ(eos, c.steps[i].eos);
      EXPECT_EQ(s->Position(), c.steps[i].pos);
    }
  }
}

TYPED_TEST(StreamFunctions, ReadLnStreamAcrossRefillsAndLongLines) {
  // CR LF straddling the 4096-byte first read-ahead of file streams and every
  // 3-byte window of the choppy stream.
  std::string input(4095, 'x');
  input += "\r\nyz\r\n";
  auto s = this->Make(input);
  bool eos = true;
  EXPECT_EQ(ReadLnStream(*s, eos, 4), String(4095, u'x'));
  EXPECT_FALSE(eos);
  EXPECT_EQ(s->Position(), 4097);
  EXPECT_EQ(ReadLnStream(*s, eos, 4), u"yz");
  EXPECT_EQ(s->Position(), 4101);

  // A line of three megabytes (one window refill after another).
  std::string big(3 << 20, 'q');
  big[12345] = '\0';
  big += "\nend";
  auto t = this->Make(big);
  const String line = ReadLnStream(*t, eos, 0);
  EXPECT_EQ(line.size(), size_t(3 << 20));
  EXPECT_EQ(line[12345], u'\0');
  EXPECT_EQ(t->Position(), (3 << 20) + 1);
  EXPECT_EQ(ReadLnStream(*t, eos, 0), u"end");
  EXPECT_TRUE(eos);
}

TYPED_TEST(StreamFunctions, FindInStreamAndCountLines) {
  auto s = this->Make("ab\ncd\nef");
  EXPECT_TRUE(FindInStream(*s, 'c'));
  EXPECT_EQ(s->Position(), 4);
  EXPECT_FALSE(FindInStream(*s, 'z'));
  EXPECT_EQ(s->Position(), 8);

  auto t = this->Make("ab\ncd\nef");
  t->SetPosition(1);
  EXPECT_EQ(CountLinesInStream(*t), 2);
  EXPECT_EQ(t->Position(), 8);
  auto u = this->Make("no line feed at all\r");
  EXPECT_EQ(CountLinesInStream(*u), 0);
  EXPECT_EQ(u->Position(), 20);
  std::string many;
  for (int i = 0; i < 10000; ++i) many += (i % 7 == 0) ? "\n" : "abc\n\r";
  auto v = this->Make(many);
  EXPECT_EQ(CountLinesInStream(*v), 10000);
}

struct DecimalCase {
  std::string input;
  int32_t value;
  int64_t pos;
};

TYPED_TEST(StreamFunctions, ScanStreamDecimal) {
  const std::vector<DecimalCase> cases = {
      {" \n-42x", -42, 6},
      {"", 0, 0},
      {"+7 8", 7, 3},
      {"123", 123, 3},
      {"\r\n  \t5", 0, 5},  // TAB is not skipped: it ends the number at once
      {"-", 0, 1},
      {"- 5", 0, 2},
      {"x12", 0, 1},
      {"2147483647,", 2147483647, 11},
      {"2147483648,", INT32_MIN, 11},  // wraps around in 32 bits
      {"-2147483648", INT32_MIN, 11},
      {"4294967297;", 1, 11},
      {"00012\n3", 12, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    auto s = this->Make(c.input);
    EXPECT_EQ(ScanStreamDecimal(*s), c.value);
    EXPECT_EQ(s->Position(), c.pos);
  }
}

struct FPCase {
  std::string input;
  bool allow_exp;
  int dec;
  double value;
  int64_t pos;
};

TYPED_TEST(StreamFunctions, ScanStreamFPNum) {
  const std::vector<FPCase> cases = {
      {"12,5E2 ", true, 2, 1250.0, 7},
      {"12,5E2 ", true, 1, 12.0, 3},
      {"5. ", true, 1, 5.0, 3},
      {"1E ", true, 1, 0.0, 3},
      {"1E999 ", true, 1, 1.7e308, 6},
      {"-1E999 ", true, 1, -1.7e308, 7},
      {"1E-999 ", true, 1, 0.0, 7},
      {"  \t\r\n-3.25x", true, 3, -3.25, 11},
      {"+.5", true, 1, 0.5, 3},  // the end of the stream ends the number
      {".", true, 1, 0.0, 1},
      {"1.5e+3;", true, 1, 1500.0, 7},
      {"1.5e3", false, 1, 1.5, 4},  // without AllowExp the E ends the number
      {"1.5.3", true, 1, 0.0, 4},   // a second separator is an error
      {"1,5", true, 0, 1.0, 2},     // no separator accepted
      {"7E5.1", true, 1, 700000.0, 4},
      {"- 1", true, 1, 0.0, 2},
      {"--1", true, 1, 0.0, 2},
      {"abc", true, 1, 0.0, 1},
      {"", true, 1, 0.0, 0},
      {"1E+x", true, 1, 0.0, 4},
      {"2e0000000000000000000003 ", true, 1, 2000.0, 25},
      {"1e4200 ", true, 1, 1.7e308, 7},
      {"3E42000000000 ", true, 1, 1.7e308, 14},  // digits past 4200 are not copied
      {"0.1", true, 3, 0.1, 3},
      // 309 digits: just below the largest double, still clamped.
      {"17976931348623157" + std::string(292, '0') + " ", true, 1, 1.7e308, 310},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    auto s = this->Make(c.input);
    const double v = ScanStreamFPNum(*s, c.allow_exp, c.dec);
    EXPECT_EQ(v, c.value);
    EXPECT_EQ(s->Position(), c.pos);
  }
}

TYPED_TEST(StreamFunctions, ReadStreamUntil) {
  auto s = this->Make("xx end yy");
  int32_t found = 7;
  EXPECT_EQ(ReadStreamUntil(*s, u"END", found), u"xx end");
  EXPECT_EQ(found, 0);
  EXPECT_EQ(s->Position(), 6);
  EXPECT_EQ(ReadStreamUntil(*s, u"end", found), u" yy");
  EXPECT_EQ(found, -1);
  EXPECT_EQ(s->Position(), 9);

  // Delimiter across a 256-byte block boundary, starting mid-stream.
  std::string text = "skip" + std::string(300, '.') + "MaRk" + std::string(600, '-');
  auto t = this->Make(text);
  t->SetPosition(4);
  EXPECT_EQ(ReadStreamUntil(*t, u"mark", found), S(std::string(300, '.') + "MaRk"));
  EXPECT_EQ(found, 0);
  EXPECT_EQ(t->Position(), 308);
  // Empty delimiter: never found, the rest is returned.
  EXPECT_EQ(ReadStreamUntil(*t, u"", found).size(), 600u);
  EXPECT_EQ(found, -1);
  EXPECT_EQ(t->Position(), int64_t(text.size()));
}

TYPED_TEST(StreamFunctions, StreamAsStringAndByteString) {
  for (size_t n : {0u, 1u, 255u, 256u, 257u, 512u, 513u, 1000u}) {
    SCOPED_TRACE(n);
    std::string bytes;
    for (size_t i = 0; i < n; ++i) bytes.push_back(static_cast<char>(i * 7 + 1));
    auto s = this->Make(bytes);
    const String u = StreamAsString(*s);
    ASSERT_EQ(u.size(), n / 2);
    for (size_t i = 0; i < u.size(); ++i)
      ASSERT_EQ(u[i], Char(uint8_t(bytes[2 * i]) | (uint8_t(bytes[2 * i + 1]) << 8)));
    EXPECT_EQ(s->Position(), int64_t(n));
    auto t = this->Make(bytes);
    EXPECT_EQ(StreamAsByteString(*t), S(bytes));
    EXPECT_EQ(t->Position(), int64_t(n));
  }
}

TYPED_TEST(StreamFunctions, BinaryImagesRoundTripAndShortReads) {
  auto s = this->Make("");
  WriteLongintToStream(*s, -2);
  WriteSingleToStream(*s, 1.5f);
  WriteDoubleToStream(*s, 0.1);
  WriteExtendedToStream(*s, -1.0L);
  EXPECT_EQ(s->Size(), 26);
  s->SetPosition(0);
  std::string img(26, '\0');
  s->ReadBuffer(img.data(), 26);
  const std::string expected = std::string("\xfe\xff\xff\xff", 4) + std::string("\0\0\xc0\x3f", 4) +
                               std::string("\x9a\x99\x99\x99\x99\x99\xb9\x3f", 8) +
                               std::string("\0\0\0\0\0\0\0\x80\xff\xbf", 10);
  EXPECT_EQ(img, expected);

  s->SetPosition(0);
  bool err = true;
  EXPECT_EQ(ReadLongintFromStream(*s, err), -2);
  EXPECT_FALSE(err);
  EXPECT_EQ(ReadSingleFromStream(*s, err), 1.5f);
  EXPECT_EQ(ReadDoubleFromStream(*s, err), 0.1);
  EXPECT_EQ(ReadExtendedFromStream(*s, err), -1.0L);
  EXPECT_FALSE(err);
  EXPECT_EQ(s->Position(), 26);
  EXPECT_EQ(ReadLongintFromStream(*s, err), 0);
  EXPECT_TRUE(err);

  // A Double with only 3 bytes left: those bytes, then zeros.
  auto t = this->Make("\x11\x22\x33");
  const double d = ReadDoubleFromStream(*t, err);
  EXPECT_TRUE(err);
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  EXPECT_EQ(bits, 0x332211u);
  auto u = this->Make("\x01\x02");
  EXPECT_EQ(ReadLongintFromStream(*u, err), 0x0201);
  EXPECT_TRUE(err);
}

TYPED_TEST(StreamFunctions, WritingText) {
  auto s = this->Make("");
  WriteLnStream(*s, u"\u20ac1");
  std::string big(5000, 'z');
  WriteStringStream(*s, S(big));
  EXPECT_EQ(s->Size(), 5004);
  s->SetPosition(0);
  std::string img(4, '\0');
  s->ReadBuffer(img.data(), 4);
  EXPECT_EQ(img,
            "\xac"
            "1\r\n");
}

TYPED_TEST(StreamFunctions, ReadLnStreamIntoCallersTextMatchesReturnedText) {
  // The form that fills a caller's text gives the same lines, end flags and
  // positions as the form that returns a new text, in every mode, while the
  // reused text shrinks and grows (stale longer contents must not survive).
  const std::vector<std::string> inputs = {
      "",
      "a\r\nb",
      "x\n\ry\n\r\n\r",
      "ab\r",
      "\r\n\n\r\r",
      std::string(5000, 'w') + "\r\nshort\n\r" + std::string(300, 'z') + "\ntail",
      std::string("nul\0\nin\r\0", 9)};
  for (const int mode : {0, 1, 2, 3, 4, 7}) {
    for (const auto& input : inputs) {
      SCOPED_TRACE("mode " + std::to_string(mode) + " input size " + std::to_string(input.size()));
      auto a = this->Make(input);
      auto b = this->Make(input);
      String reused(6000, u'#');
      for (bool e1 = false; !e1;) {
        bool e2 = !e1;
        const String line = ReadLnStream(*a, e1, mode);
        ReadLnStream(*b, reused, e2, mode);
        ASSERT_EQ(reused, line);
        ASSERT_EQ(e2, e1);
        ASSERT_EQ(b->Position(), a->Position());
      }
    }
  }
}

TYPED_TEST(StreamFunctions, AllKindsAgreeOnRandomInput) {
  // Differential check: every stream class gives the same results and
  // positions as a caller's stream read one Read call per byte.
  std::mt19937 rng(7);
  const char alphabet[] = "\r\n\r\n 0123456789.,+-eEx\t";
  for (int round = 0; round < 60; ++round) {
    std::string bytes;
    const int n = static_cast<int>(rng() % 9000);
    for (int i = 0; i < n; ++i) bytes.push_back(alphabet[rng() % (sizeof(alphabet) - 1)]);
    auto a = this->Make(bytes);
    zel_test::PlainStream b(bytes);
    for (int step = 0; step < 200 && b.Position() < n; ++step) {
      const int op = static_cast<int>(rng() % 6);
      SCOPED_TRACE("round " + std::to_string(round) + " op " + std::to_string(op));
      bool e1 = false, e2 = false;
      switch (op) {
        case 0: {
          const int mode = static_cast<int>(rng() % 6);
          ASSERT_EQ(ReadLnStream(*a, e1, mode), ReadLnStream(b, e2, mode));
          ASSERT_EQ(e1, e2);
          break;
        }
        case 1:
          ASSERT_EQ(ScanStreamDecimal(*a), ScanStreamDecimal(b));
          break;
        case 2: {
          const bool ax = rng() % 2;
          const int dp = static_cast<int>(rng() % 4);
          ASSERT_EQ(ScanStreamFPNum(*a, ax, dp), ScanStreamFPNum(b, ax, dp));
          break;
        }
        case 3:
          ASSERT_EQ(FindInStream(*a, '.'), FindInStream(b, '.'));
          break;
        case 4:
          ASSERT_EQ(ReadLongintFromStream(*a, e1), ReadLongintFromStream(b, e2));
          ASSERT_EQ(e1, e2);
          break;
        default: {
          int32_t f1, f2;
          ASSERT_EQ(ReadStreamUntil(*a, u"E1", f1), ReadStreamUntil(b, u"E1", f2));
          ASSERT_EQ(f1, f2);
        }
      }
      ASSERT_EQ(a->Position(), b.Position());
    }
  }
}

// A caller's plain stream that also changes its size, as the model below.
class SizedPlainStream : public zel_test::PlainStream {
 public:
  using PlainStream::PlainStream;
  void SetSize(int64_t NewSize) override {
    bytes_.resize(static_cast<size_t>(std::max<int64_t>(NewSize, 0)));
    if (pos_ > NewSize) pos_ = static_cast<int64_t>(bytes_.size());
  }
};

// One step of a script: 'L' ReadLnStream (mode n) into one reused text, 'R'
// Read of n bytes, 'S' Seek, 'W' Write of text, 'Z' SetSize(n), 'A' advance
// over up to n bytes of the read window.
struct StreamOp {
  char op;
  int64_t n = 0;
  TSeekOrigin origin = soBeginning;
  std::string text = {};
};

TYPED_TEST(StreamFunctions, ReadLnStreamKeepsThePositionAmongOtherOperations) {
  // Lines read one after another from the window are followed by reads,
  // seeks, writes and size changes: every result and every position is the
  // one a plain stream read byte by byte gives.
  std::string text;
  for (int i = 0; i < 2000; ++i)
    text +=
        std::string(static_cast<size_t>(i * 7 % 97), 'a' + i % 26) + (i % 5 == 0 ? "\r\n" : "\n");
  const int64_t size = static_cast<int64_t>(text.size());
  const std::vector<std::vector<StreamOp>> scripts = {
      {{'L', 0}, {'L', 0}, {'R', 7}, {'L', 0}, {'L', 4}, {'L', 2}, {'L', 1}},
      {{'L', 0},
       {'L', 0},
       {'S', 0},
       {'L', 0},
       {'L', 0},
       {'S', -3, soCurrent},
       {'L', 0},
       {'S', -50, soEnd},
       {'L', 0},
       {'L', 0},
       {'L', 0}},
      {{'L', 0}, {'W', 0, soBeginning, "xy\nz"}, {'L', 0}, {'S', 3}, {'L', 0}, {'L', 0}},
      {{'L', 0},
       {'L', 0},
       {'Z', 40},
       {'L', 0},
       {'L', 0},
       {'W', 0, soBeginning, "end\n"},
       {'S', 0},
       {'L', 0},
       {'L', 0},
       {'L', 0}},
      {{'S', 100, soEnd},
       {'W', 0, soBeginning, "tail\n"},
       {'S', -400, soEnd},
       {'L', 0},
       {'L', 0},
       {'L', 0},
       {'L', 0},
       {'L', 0},
       {'L', 0}},
      {{'A', 5}, {'L', 0}, {'A', 1000}, {'L', 2}, {'L', 4}, {'A', 1}, {'L', 3}},
      {{'S', 4090}, {'L', 0}, {'L', 0}, {'R', 3000}, {'L', 0}, {'Z', size - 10}, {'L', 0}},
  };
  std::vector<StreamOp> to_end;  // every line in every mode, then past the end
  for (int i = 0; i < 2100; ++i) to_end.push_back({'L', i % 5});
  std::vector<StreamOp> mixed = to_end;  // writes and seeks among them
  for (size_t i = 36; i < mixed.size(); i += 37)
    mixed[i] = i % 2 ? StreamOp{'W', 0, soBeginning, "w\r\n"} : StreamOp{'S', -20, soCurrent};
  std::vector<std::vector<StreamOp>> all = scripts;
  all.push_back(to_end);
  all.push_back(mixed);
  for (size_t k = 0; k < all.size(); ++k) {
    auto a = this->Make(text);
    SizedPlainStream b(text);
    String line;
    for (size_t i = 0; i < all[k].size(); ++i) {
      const StreamOp& o = all[k][i];
      SCOPED_TRACE("script " + std::to_string(k) + " step " + std::to_string(i) + " " + o.op);
      switch (o.op) {
        case 'L': {
          bool e1 = false, e2 = true;
          ReadLnStream(*a, line, e1, static_cast<int32_t>(o.n));
          ASSERT_EQ(line, ReadLnStream(b, e2, static_cast<int32_t>(o.n)));
          ASSERT_EQ(e1, e2);
          break;
        }
        case 'R': {
          std::string x(static_cast<size_t>(o.n), '\0'), y = x;
          ASSERT_EQ(a->Read(x.data(), o.n), b.Read(y.data(), o.n));
          ASSERT_EQ(x, y);
          break;
        }
        case 'S':
          ASSERT_EQ(a->Seek(o.n, o.origin), b.Seek(o.n, o.origin));
          break;
        case 'W':
          a->WriteBuffer(o.text.data(), static_cast<int64_t>(o.text.size()));
          b.WriteBuffer(o.text.data(), static_cast<int64_t>(o.text.size()));
          break;
        case 'Z':
          a->SetSize(o.n);
          if (a->Size() == o.n) b.SetSize(o.n);  // the callers' plain streams keep their size
          break;
        default: {
          const std::span<const uint8_t> w = a->ReadWindow();
          const size_t n = std::min<size_t>(w.size(), static_cast<size_t>(o.n));
          std::string y(n, '\0');
          ASSERT_EQ(b.Read(y.data(), static_cast<int64_t>(n)), static_cast<int64_t>(n));
          ASSERT_EQ(std::string(reinterpret_cast<const char*>(w.data()), n), y);
          a->AdvanceWindow(static_cast<int64_t>(n));
        }
      }
      ASSERT_EQ(a->Position(), b.Position());
    }
    a->SetPosition(0);
    b.SetPosition(0);
    ASSERT_EQ(StreamAsByteString(*a), StreamAsByteString(b));
  }
}

// ---- a stream that raises on read -------------------------------------------------

TEST(StreamFunctionsErrors, ReadErrorsPassToTheCallerAfterTheBytesBefore) {
  zel_test::FailingStream s("abcdef\nxyz", 3);
  bool eos = false;
  EXPECT_THROW(ReadLnStream(s, eos, 0), EReadError);
  EXPECT_EQ(s.Position(), 3);  // the three bytes before the failure are consumed
  s.SetPosition(0);
  EXPECT_THROW(CountLinesInStream(s), EReadError);
  zel_test::FailingStream digits("123456789", 3);
  EXPECT_THROW(ScanStreamDecimal(digits), EReadError);
  EXPECT_EQ(digits.Position(), 3);
  digits.SetPosition(0);
  EXPECT_THROW(ScanStreamFPNum(digits, true, 1), EReadError);
  s.SetPosition(0);
  EXPECT_THROW(FindInStream(s, 'z'), EReadError);
  s.SetPosition(0);
  EXPECT_THROW(StreamAsByteString(s), EReadError);
  s.SetPosition(0);
  int32_t found = 1;
  EXPECT_THROW(ReadStreamUntil(s, u"x", found), EReadError);
  EXPECT_EQ(found, -1);
  // Binary readers swallow the error and report it.
  s.SetPosition(0);
  bool err = false;
  EXPECT_EQ(ReadLongintFromStream(s, err), 0);
  EXPECT_TRUE(err);
}

TEST(StreamFunctionsErrors, CallsPerByteOnAStreamWithoutWindow) {
  zel_test::PlainStream s("12 34\n");
  EXPECT_EQ(ScanStreamDecimal(s), 12);
  EXPECT_EQ(s.reads, 3);  // '1', '2', ' ': one Read per byte, as documented
}

// ---- extracting and replacing ----------------------------------------------------

TEST(ExtractFromStream, RangesInListOrder) {
  TStringStream in(std::string("0123456789"));
  TMemoryStream out;
  out.WriteBuffer(">", 1);
  TStringList ranges;
  ranges.Add(u"7,2");
  ranges.Add(u"  ");
  ranges.Add(u" 1 , 3 ");
  ranges.Add(u"8,*");
  ranges.Add(u"9");
  ranges.Add(u"5,100");
  ranges.Add(u"20,1");  // beyond the end: nothing
  ExtractFromStream(in, out, ranges);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Memory()), out.Size()), ">7812389956789");
  EXPECT_EQ(out.Position(), out.Size());
  EXPECT_EQ(in.Position(), 10);

  for (const String bad : {u"x", u"1,-2", u"-1,2", u"1,2,3", u",5"}) {
    TStringList l;
    l.Add(u"0,1");
    l.Add(bad);
    TMemoryStream o;
    try {
      ExtractFromStream(in, o, l);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), u"Invalid range \"" + bad + u"\" in extraction list");
    }
    EXPECT_EQ(o.Size(), 0);  // nothing written before the fault was found
  }
}

TEST(ExtractFromStream, SameStreamAppendsTheBytesItHadBefore) {
  TMemoryStream m;
  m.WriteBuffer("abcdef", 6);
  TStringList ranges;
  ranges.Add(u"1,2");
  ranges.Add(u"0,1");
  ranges.Add(u"4,*");
  ExtractFromStream(m, m, ranges);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), m.Size()), "abcdefbcaef");
  EXPECT_EQ(m.Position(), m.Size());
}

std::string Bytes(TMemoryStream& m) {
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

TEST(SearchAndReplace, Variants) {
  struct Case {
    std::string in, search, repl;
    bool ignore_case;
    int start, max;
    std::string end, out;
  };
  const std::vector<Case> cases = {
      {"a-b-c", "-", "+", false, 0, 0, "", "a+b+c"},
      {"aaa", "a", "aa", false, 0, 0, "", "aaaaaa"},
      {"ABab", "ab", "x", true, 0, 0, "", "xx"},
      {"ABab", "ab", "x", false, 0, 0, "", "ABx"},
      {"a-b-c", "-", "+", false, 2, 0, "", "a-b+c"},
      {"a-b-c-d", "-", "", false, 0, 2, "", "abc-d"},
      {"x<!--c-->y<!--z", "<!--", "", false, 0, 0, "-->", "xy<!--z"},
      {"abc", "", "z", false, 0, 0, "", "abc"},
      {"abc", "b", "z", false, 99, 0, "", "abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in + " / " + c.search);
    TStringStream in(c.in);
    TMemoryStream out;
    out.WriteBuffer("old", 3);
    SearchAndReplace(in, out, S(c.search), S(c.repl), c.ignore_case, c.start, c.max, S(c.end),
                     nullptr);
    EXPECT_EQ(Bytes(out), c.out);
    EXPECT_EQ(out.Position(), out.Size());
    EXPECT_EQ(in.Position(), in.Size());
  }
  // The callback sees each match and may change its replacement; the same
  // stream may be input and output; a character above U+00FF never matches.
  TStringStream io(std::string("v=1; v=22;"));
  std::vector<String> seen;
  SearchAndReplace(io, io, u"v=", u"", false, 0, 0, u";", [&](const String& f, String& r) {
    seen.push_back(f);
    r = String(u"[");
    r.append(f, 2, f.size() - 3);
    r.push_back(u']');
  });
  EXPECT_EQ(Bytes(io), "[1] [22]");
  EXPECT_EQ(seen, (std::vector<String>{u"v=1;", u"v=22;"}));
  TStringStream w(std::string("\xac"));
  TMemoryStream o;
  SearchAndReplace(w, o, u"\u20ac", u"E", false, 0, 0, u"", nullptr);
  EXPECT_EQ(Bytes(o), "\xac");
}

// A pipe cannot go back: ReadStreamUntil takes nothing beyond the delimiter
// from it, so a second search finds what follows; ReadStreamUntilTagList,
// which must give the tag back, refuses it before reading. A stream that
// reports a position but does not return to it raises too.
TEST(StreamsThatCannotGoBack, NothingIsLostWithoutAWord) {
  auto& d = platform::Descriptors();
  int fds[2];
  ASSERT_TRUE(zel_test::MakePipe(fds));
  const std::string data = std::string(600, 'x') + "AbC" + std::string(300, 'y') + "abc!";
  ASSERT_EQ(d.WriteAll(fds[1], data.data(), data.size()), 0);
  d.Close(fds[1]);
  {
    THandleStream pipe(fds[0]);
    int32_t found = -1;
    EXPECT_EQ(ReadStreamUntil(pipe, u"abc", found), S(std::string(600, 'x') + "AbC"));
    EXPECT_EQ(found, 0);
    EXPECT_EQ(ReadStreamUntil(pipe, u"aBc", found), S(std::string(300, 'y') + "abc"));
    EXPECT_EQ(found, 0);
    int32_t index = 0;
    EXPECT_THROW(ReadStreamUntilTagList(pipe, {u"a"}, index), EStreamError);
    EXPECT_EQ(ReadStreamUntil(pipe, u"zz", found), u"!");
    EXPECT_EQ(found, -1);
  }
  d.Close(fds[0]);

  // Reports positions, but Seek leaves it where it is.
  class Forgetful : public TMemoryStream {
   public:
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
      if (Origin == soBeginning && Offset < TMemoryStream::Seek(0, soCurrent))
        return TMemoryStream::Seek(0, soCurrent);
      return TMemoryStream::Seek(Offset, Origin);
    }
  };
  Forgetful f;
  f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  f.TMemoryStream::Seek(0, soBeginning);
  int32_t found = -1;
  EXPECT_THROW(ReadStreamUntil(f, u"abc", found), EStreamError);
  f.TMemoryStream::Seek(0, soBeginning);
  const std::string xml = "text <b>bold</b>";
  Forgetful g;
  g.WriteBuffer(xml.data(), static_cast<int64_t>(xml.size()));
  g.TMemoryStream::Seek(0, soBeginning);
  int32_t index = -1;
  EXPECT_THROW(ReadStreamUntilTagList(g, {u"b"}, index), EStreamError);
}

}  // namespace
}  // namespace zel
