#include "zel/runtime/textfile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "zel/platform/backend.h"
#include "zel/platform/descriptors.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filemode.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

using zel_test::TempDir;

std::vector<String> ReadAllLines(const String& name) {
  TextFile f(name);
  f.Reset();
  std::vector<String> lines;
  while (!f.Eof()) lines.push_back(f.ReadLn());
  f.Close();
  return lines;
}

// The lines a file holds, computed the plain way: CR LF, CR and LF end a
// line; a last line needs no line end.
std::vector<std::string> ReferenceLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string cur;
  bool open = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      open = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      cur.push_back(c);
      open = true;
    }
  }
  if (open) lines.push_back(cur);
  return lines;
}

int IoCode(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const EInOutError& e) {
    return e.ErrorCode();
  }
  return 0;
}

TEST(TextFile, LineEndKinds) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<String> lines;
  };
  const std::vector<Case> cases = {
      {"empty file", "", {}},
      {"CR LF", "a\r\nb\r\n", {u"a", u"b"}},
      {"bare LF", "a\nb\n", {u"a", u"b"}},
      {"bare CR", "a\rb\r", {u"a", u"b"}},
      {"mixed", "a\r\nb\nc\rd", {u"a", u"b", u"c", u"d"}},
      {"no final line end", "a\r\nb", {u"a", u"b"}},
      {"lone CR at end", "ab\r", {u"ab"}},
      {"only CR", "\r", {u""}},
      {"LF CR is two line ends", "a\n\rb", {u"a", u"", u"b"}},
      {"CR CR LF", "a\r\r\nb", {u"a", u"", u"b"}},
      {"empty lines", "\r\n\r\n\n", {u"", u"", u""}},
      {"NUL bytes stay", std::string("a\0b\n", 4), {String(u"a\0b", 3)}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadAllLines(dir.Write("f.txt", c.bytes)), c.lines);
  }
}

TEST(TextFile, ReadingPastTheEndGivesNeutralValues) {
  TempDir dir;
  TextFile f(dir.Write("f.txt", "x"));
  f.Reset();
  EXPECT_EQ(f.ReadLn(), u"x");
  EXPECT_TRUE(f.Eof());
  EXPECT_TRUE(f.Eoln());
  EXPECT_EQ(f.ReadLn(), u"");
  EXPECT_EQ(f.ReadChar(), 0);
  EXPECT_EQ(f.ReadInteger(), 0);
  int32_t v = 5;
  EXPECT_FALSE(f.TryReadInteger(v));
  EXPECT_EQ(v, 0);
  EXPECT_EQ(f.SkipLines(10), 0);
  EXPECT_TRUE(f.Eof());
}

TEST(TextFile, ReadCharReturnsLineEndsAsTheyAre) {
  TempDir dir;
  TextFile f(dir.Write("f.txt", "a\r\nb\nc\r"));
  f.Reset();
  String got;
  while (!f.Eof()) got.push_back(f.ReadChar());
  EXPECT_EQ(got, u"a\r\nb\nc\r");
}

TEST(TextFile, DecodesEachLineAsUtf8OrWindows1252) {
  TempDir dir;
  // Line 1 valid UTF-8 (e-acute, euro sign, an emoji); line 2 is
  // Windows-1252 (0x80 euro, 0xE9 e-acute); line 3 UTF-8 again.
  const std::string bytes =
      "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n"
      "\x80\xE9 \xC3\r\n"
      "ok \xC3\xA9";
  const std::vector<String> want = {u"\u00E9\u20AC\U0001F600", u"\u20AC\u00E9 \u00C3",
                                    u"ok \u00E9"};
  const String name = dir.Write("f.txt", bytes);
  EXPECT_EQ(ReadAllLines(name), want);
  // Character by character the decoding is the same.
  TextFile f(name);
  f.Reset();
  String chars;
  while (!f.Eof()) chars.push_back(f.ReadChar());
  EXPECT_EQ(chars, want[0] + u"\r\n" + want[1] + u"\r\n" + want[2]);
}

TEST(TextFile, LongLinesAcrossBufferAndPieceBoundaries) {
  TempDir dir;
  // Lines around the 64 KiB buffer and the decoding piece; the CR of a CR LF
  // pair sits in the last byte of the first buffer load.
  std::string bytes;
  const std::vector<size_t> lengths = {
      65535, 1, kTextDecodePiece - 1, kTextDecodePiece, kTextDecodePiece + 1, 3 * 65536 + 7, 0, 10};
  std::vector<std::string> raw;
  for (size_t i = 0; i < lengths.size(); ++i) {
    std::string line(lengths[i], static_cast<char>('a' + i));
    // A two-byte UTF-8 character straddling the piece cut.
    if (line.size() > kTextDecodePiece + 1) {
      line[kTextDecodePiece - 1] = '\xC3';
      line[kTextDecodePiece] = '\xA9';
    }
    raw.push_back(line);
    bytes += line + "\r\n";
  }
  const String name = dir.Write("long.txt", bytes);
  const auto lines = ReadAllLines(name);
  ASSERT_EQ(lines.size(), raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines[i], Utf8ToString(raw[i]));
  }
  // Mixed: a few characters, then the rest of the line.
  TextFile f(name);
  f.Reset();
  for (size_t i = 0; i < raw.size(); ++i) {
    SCOPED_TRACE(i);
    String got;
    for (int k = 0; k < 3 && !f.Eoln(); ++k) got.push_back(f.ReadChar());
    got += f.ReadLn();
    EXPECT_EQ(got, Utf8ToString(raw[i]));
  }
  EXPECT_TRUE(f.Eof());
}

TEST(TextFile, SkipLinesAgreesWithReadLn) {
  TempDir dir;
  std::mt19937 rng(7);
  const char alphabet[] = {'a', 'b', '\r', '\n', ' '};
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::string bytes;
    const size_t n = (round % 4 == 0) ? 200000 : rng() % 300;
    for (size_t i = 0; i < n; ++i) bytes.push_back(alphabet[rng() % 5]);
    const String name = dir.Write("r.txt", bytes);
    const auto want = static_cast<int64_t>(ReferenceLines(bytes).size());
    TextFile f(name);
    f.Reset();
    EXPECT_EQ(f.SkipLines(INT64_MAX), want);
    EXPECT_TRUE(f.Eof());
    // In steps: every step stops exactly where ReadLn would.
    f.Reset();
    TextFile g(name);
    g.Reset();
    const int64_t step = 1 + static_cast<int64_t>(rng() % 50);
    int64_t total = 0;
    for (;;) {
      const int64_t got = f.SkipLines(step);
      total += got;
      for (int64_t k = 0; k < got; ++k) g.ReadLn();
      ASSERT_EQ(f.Eof(), g.Eof());
      if (f.Eof()) break;
      ASSERT_EQ(got, step);
      // Both stand at the same place: the next line reads the same.
      ASSERT_EQ(f.ReadLn(), g.ReadLn());
      ++total;
    }
    EXPECT_EQ(total, want);
  }
}

TEST(TextFile, ReadIntegerTokens) {
  TempDir dir;
  TextFile f(dir.Write("n.txt", "  12\t-7\r\n+3 2147483647 -2147483648 4x 2147483648 - 5"));
  f.Reset();
  EXPECT_EQ(f.ReadInteger(), 12);
  EXPECT_EQ(f.ReadInteger(), -7);
  EXPECT_EQ(f.ReadInteger(), 3);
  EXPECT_EQ(f.ReadInteger(), 2147483647);
  EXPECT_EQ(f.ReadInteger(), -2147483647 - 1);
  int32_t v = 1;
  EXPECT_FALSE(f.TryReadInteger(v));  // 4x
  EXPECT_EQ(v, 0);
  try {
    f.ReadInteger();  // out of range
    FAIL() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), kIoInvalidNumber);
    EXPECT_EQ(e.Message(), u"Invalid numeric format: \"" + f.FileName() + u"\"");
  }
  EXPECT_FALSE(f.TryReadInteger(v));  // a lone minus
  EXPECT_EQ(f.ReadInteger(), 5);
  EXPECT_TRUE(f.Eof());
}

TEST(TextFile, ReadIntegerLeavesTheDelimiter) {
  TempDir dir;
  TextFile f(dir.Write("n.txt", "42 rest\nnext"));
  f.Reset();
  EXPECT_EQ(f.ReadInteger(), 42);
  EXPECT_EQ(f.ReadLn(), u" rest");
  EXPECT_EQ(f.ReadLn(), u"next");
}

TEST(TextFile, EolnAndSeekEof) {
  TempDir dir;
  TextFile f(dir.Write("f.txt", "ab\r\n  \t\r\n \n"));
  f.Reset();
  EXPECT_FALSE(f.Eoln());
  EXPECT_FALSE(f.SeekEof());
  EXPECT_EQ(f.ReadChar(), u'a');
  EXPECT_EQ(f.ReadChar(), u'b');
  EXPECT_TRUE(f.Eoln());
  EXPECT_EQ(f.ReadLn(), u"");
  EXPECT_TRUE(f.SeekEoln());
  EXPECT_TRUE(f.SeekEof());
  EXPECT_TRUE(f.Eof());
}

TEST(TextFile, WritesUtf8WithCrLf) {
  TempDir dir;
  const String name = dir.File("w.txt");
  TextFile f(name);
  f.Rewrite();
  f.WriteLn(u"a\u00E9\u20AC");
  f.Write(u'x');
  // A surrogate pair written in two calls is one character.
  const String emoji = u"\U0001F600";
  f.Write(emoji[0]);
  f.Write(emoji[1]);
  f.WriteLn();
  // Unpaired surrogates become U+FFFD.
  f.WriteLn(String(1, static_cast<Char>(0xDC00)) + String(1, static_cast<Char>(0xD800)));
  f.Write(String(1, static_cast<Char>(0xD801)));
  f.Close();
  EXPECT_EQ(TempDir::Read(name),
            "a\xC3\xA9\xE2\x82\xAC\r\nx\xF0\x9F\x98\x80\r\n"
            "\xEF\xBF\xBD\xEF\xBF\xBD\r\n\xEF\xBF\xBD");
}

TEST(TextFile, AppendRewriteAndReset) {
  TempDir dir;
  const String name = dir.Write("a.txt", "one\r\n");
  TextFile f(name);
  f.Append();
  f.WriteLn(u"two");
  f.Close();
  EXPECT_EQ(TempDir::Read(name), "one\r\ntwo\r\n");
  f.Reset();
  EXPECT_EQ(f.ReadLn(), u"one");
  f.Reset();  // rewinds an input file
  EXPECT_EQ(f.ReadLn(), u"one");
  f.Rewrite();  // closes and truncates
  f.Write(u"3");
  f.Reset();  // closes (writing the buffer) and reopens for reading
  EXPECT_EQ(f.ReadLn(), u"3");
  EXPECT_TRUE(f.Eof());
}

TEST(TextFile, LargeWriteRoundTrip) {
  TempDir dir;
  const String name = dir.File("big.txt");
  TextFile f(name);
  f.Rewrite();
  for (int i = 0; i < 30000; ++i) f.WriteLn(u"line \u00E9 " + Utf8ToString(std::to_string(i)));
  f.Close();
  f.Reset();
  for (int i = 0; i < 30000; ++i) {
    ASSERT_EQ(f.ReadLn(), u"line \u00E9 " + Utf8ToString(std::to_string(i)));
  }
  EXPECT_TRUE(f.Eof());
}

TEST(TextFile, ErrorCodesAndMessages) {
  TempDir dir;
  const String missing = dir.File("missing.txt");
  struct Case {
    const char* name;
    std::function<void()> fn;
    int code;
  };
  TextFile unassigned;
  TextFile closed(missing);
  const String existing = dir.Write("e.txt", "x\n");
  TextFile input(existing);
  input.Reset();
  TextFile output(dir.File("o.txt"));
  output.Rewrite();
  const std::vector<Case> cases = {
      {"unassigned Reset", [&] { unassigned.Reset(); }, kIoFileNotAssigned},
      {"missing Reset", [&] { closed.Reset(); }, ENOENT},
      {"missing Append", [&] { closed.Append(); }, ENOENT},
      {"directory Reset",
       [&] {
         TextFile d(dir.File(""));
         d.Reset();
       },
       EISDIR},
      {"closed ReadLn", [&] { closed.ReadLn(); }, kIoFileNotOpen},
      {"closed Eof", [&] { closed.Eof(); }, kIoFileNotOpen},
      {"closed Write", [&] { closed.Write(u"x"); }, kIoFileNotOpen},
      {"closed Close", [&] { closed.Close(); }, kIoFileNotOpen},
      {"output ReadLn", [&] { output.ReadLn(); }, kIoNotOpenForInput},
      {"output Eof", [&] { output.Eof(); }, kIoNotOpenForInput},
      {"input WriteLn", [&] { input.WriteLn(u"x"); }, kIoNotOpenForOutput},
      {"input Flush", [&] { input.Flush(); }, kIoNotOpenForOutput},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IoCode(c.fn), c.code);
  }
  try {
    closed.Reset();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), u"Cannot open file \"" + missing + u"\". No such file or directory");
  }
  try {
    unassigned.ReadLn();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), u"File not open");
  }
  EXPECT_FALSE(closed.IsOpen());
  EXPECT_EQ(input.State(), tfsInput);
  EXPECT_EQ(output.State(), tfsOutput);
}

#ifdef _WIN32
// A disk with no room left (Windows has no device that is always full).
class FullDisk : public platform::NativeDescriptorServices {
 public:
  int WriteAll(int, const void*, size_t) override { return ENOSPC; }
  int WriteSome(int, const void*, size_t, size_t& written) override {
    written = 0;
    return ENOSPC;
  }
};
#endif

TEST(TextFile, WriteFailureReportsErrno) {
#ifdef _WIN32
  TempDir dir;
  FullDisk full;
  const platform::ScopedBackend<platform::DescriptorServices> guard(
      &full, &platform::SetDescriptorsBackend);
  TextFile f(dir.File("full"));
#else
  TextFile f(u"/dev/full");
#endif
  f.Rewrite();
  f.WriteLn(u"x");
  EXPECT_EQ(IoCode([&] { f.Close(); }), ENOSPC);
  EXPECT_FALSE(f.IsOpen());
}

TEST(TextFile, DestructorWritesBufferedOutput) {
  TempDir dir;
  const String name = dir.File("d.txt");
  {
    TextFile f(name);
    f.Rewrite();
    f.Write(u"kept");
  }
  EXPECT_EQ(TempDir::Read(name), "kept");
}

TEST(FileMode, DefaultsToReadWrite) { EXPECT_EQ(FileMode, 2); }

}  // namespace
}  // namespace zel
