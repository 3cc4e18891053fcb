#include "zel/streams/mixedfstream.h"

#include <gtest/gtest.h>

#include "stream_kinds.h"
#include "support/pipe.h"
#include "zel/platform/descriptors.h"
#include "zel/runtime/exception.h"
#include "zel/streams/primitives.h"

namespace zel {
namespace {

using zel_test::S;

TEST(MixedFStream, TextThenBinaryRoundTrip) {
  zel_test::TempDir dir;
  const String name = dir.File("m.bin");
  {
    TMixedFStream f(name, fmCreate);
    f.WriteLn(u"abc");
    f.WriteInteger(7);
    f.WriteDouble(0.5);
    EXPECT_EQ(f.Size(), 17);
    EXPECT_TRUE(f.Eos());
  }
  TMixedFStream f(name, fmOpenRead);
  EXPECT_EQ(f.ClassName(), u"TMixedFStream");
  EXPECT_FALSE(f.Eos());
  EXPECT_EQ(f.ReadLn(4), u"abc");
  EXPECT_EQ(f.Position(), 5);
  bool err = true;
  EXPECT_EQ(f.ReadInteger(err), 7);
  EXPECT_FALSE(err);
  EXPECT_EQ(f.ReadDouble(err), 0.5);
  EXPECT_FALSE(err);
  EXPECT_TRUE(f.Eos());
  EXPECT_EQ(f.ReadByte(err), 0);
  EXPECT_TRUE(err);
}

// A folder is no file: refused at once instead of a size of 2^63 - 1 and a
// read loop that never ends.
TEST(MixedFStream, FolderIsRefused) {
  zel_test::TempDir dir;
  EXPECT_THROW(TMixedFStream(dir.File(""), fmOpenRead), EFOpenError);
  EXPECT_THROW(TMixedFStream(dir.File(""), fmCreate), EFCreateError);
}

TEST(MixedFStream, ShortReadsAndExtended) {
  zel_test::TempDir dir;
  const String name = dir.Write("s.bin", std::string("\x34\x12", 2));
  TMixedFStream f(name, fmOpenReadWrite);
  bool err = false;
  EXPECT_EQ(f.ReadInteger(err), 0x1234);
  EXPECT_TRUE(err);
  f.SetSize(0);
  WriteExtendedToStream(f, 3.25L);
  f.WriteByte(0xAB);
  f.SetPosition(0);
  EXPECT_EQ(f.ReadExtended(err), 3.25L);
  EXPECT_FALSE(err);
  EXPECT_EQ(f.ReadByte(err), 0xAB);
  EXPECT_FALSE(err);
  EXPECT_THROW(TMixedFStream(dir.File("missing"), fmOpenRead), EFOpenError);
}

struct MixedLnCase {
  std::string input;
  int mode;
  std::vector<std::string> lines;  // successive ReadLn results
};

TEST(MixedFStream, ReadLnModes) {
  const std::vector<MixedLnCase> cases = {
      {"a\r\n", 0, {"a", ""}},
      {"a\r\n", 1, {"a", ""}},  // the LF is dropped by the next call
      {std::string("a\tb\x0c"
                   "c\0d\n",
                   8),
       0,
       {"a\tbcd", ""}},
      {"x\n\ry\n\r", 3, {"x", "y"}},
      {"p\r\nq", 4, {"p", "q"}},
      {"one\ntwo\rthree", 7, {"onetwothree", ""}},
      {"a\rb\nc", 2, {"a", "b", "c"}},
  };
  zel_test::TempDir dir;
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::string file = std::to_string(n++);
    TMixedFStream f(dir.Write(file, c.input), fmOpenRead);
    for (const auto& line : c.lines) EXPECT_EQ(f.ReadLn(c.mode), S(line));
  }
  // A NUL inside a line needs the explicit length.
  // (Not named "nul": that is a device on Windows.)
  TMixedFStream g(dir.Write("with-nul", std::string("a\0b\n", 4)), fmOpenRead);
  EXPECT_EQ(g.ReadLn(0), u"ab");
  EXPECT_TRUE(g.Eos());
}

TEST(MixedFStream, NumbersInText) {
  zel_test::TempDir dir;
  TMixedFStream f(dir.Write("n.txt", "  12 -3.5e2;7,25\n"), fmOpenRead);
  EXPECT_EQ(f.ReadDecimal(), 12);
  EXPECT_EQ(f.ReadFPNum(true, 1), -350.0);
  EXPECT_EQ(f.ReadFPNum(false, 2), 7.25);
  EXPECT_EQ(f.Position(), 17);
  EXPECT_TRUE(f.Eos());
}

// ---- the file stream's read-ahead keeps every position exact ---------------------

TEST(HandleStreamWindow, ReadAheadIsInvisible) {
  zel_test::TempDir dir;
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes.push_back(static_cast<char>('a' + i % 26));
  const String name = dir.Write("w.bin", bytes);
  TFileStream f(name, fmOpenReadWrite);
  bool eos = false;
  EXPECT_TRUE(FindInStream(f, 'z'));  // reads ahead 4 KiB
  EXPECT_EQ(f.Position(), 26);
  EXPECT_EQ(f.Size(), 100000);
  // The descriptor is back on the logical position for a caller using it.
  int64_t at = -1;
  EXPECT_EQ(platform::Descriptors().Seek(f.Handle(), 0, platform::SeekFrom::kCurrent, at), 0);
  EXPECT_EQ(at, 26);
  EXPECT_TRUE(FindInStream(f, 'c'));
  EXPECT_EQ(f.Position(), 29);
  char buf[3];
  EXPECT_EQ(f.Read(buf, 3), 3);  // plain reads continue from the read-ahead
  EXPECT_EQ(std::string(buf, 3), "def");
  EXPECT_EQ(f.Seek(-2, soCurrent), 30);
  EXPECT_EQ(f.Read(buf, 1), 1);
  EXPECT_EQ(buf[0], 'e');
  // Writing goes to the logical position, and is then read back.
  f.WriteBuffer("XY", 2);
  EXPECT_EQ(f.Position(), 33);
  f.SetPosition(30);
  EXPECT_EQ(ReadLnStream(f, eos, 7).substr(0, 5), u"eXYhi");
  EXPECT_TRUE(eos);
  EXPECT_EQ(f.Position(), 100000);
  // Seeking far away, truncating and reading again.
  f.SetPosition(50000);
  EXPECT_TRUE(FindInStream(f, 'a'));
  f.SetSize(50010);
  EXPECT_EQ(f.Position(), 50010);
  f.SetPosition(50008);
  EXPECT_EQ(StreamAsByteString(f).size(), 2u);
  EXPECT_EQ(f.Seek(0, soEnd), 50010);
}

// Callers' subclasses that read differently keep being read through Read.
class ShoutingMemoryStream : public TMemoryStream {
 public:
  int64_t Read(void* Buffer, int64_t Count) override {
    const int64_t n = TMemoryStream::Read(Buffer, Count);
    auto* p = static_cast<uint8_t*>(Buffer);
    for (int64_t i = 0; i < n; ++i)
      if (p[i] >= 'a' && p[i] <= 'z') p[i] = static_cast<uint8_t>(p[i] - 32);
    return n;
  }
};

class CountingFileStream : public TFileStream {
 public:
  using TFileStream::TFileStream;
  int64_t Read(void* Buffer, int64_t Count) override {
    ++reads;
    return TFileStream::Read(Buffer, Count);
  }
  int reads = 0;
};

TEST(HandleStreamWindow, CallersSubclassesOverridingReadAreHonoured) {
  ShoutingMemoryStream m;
  m.WriteBuffer("abc\ndef", 7);
  m.SetPosition(0);
  bool eos = false;
  EXPECT_EQ(ReadLnStream(m, eos, 0), u"ABC");
  EXPECT_EQ(m.Position(), 4);
  EXPECT_EQ(StreamAsByteString(m), u"DEF");

  zel_test::TempDir dir;
  CountingFileStream f(dir.Write("c.txt", "12 34\n"), fmOpenRead);
  EXPECT_EQ(ScanStreamDecimal(f), 12);
  EXPECT_EQ(f.reads, 3);
  EXPECT_EQ(CountLinesInStream(f), 1);
  EXPECT_EQ(f.reads, 3 + 4);  // '3', '4', LF, then the end
}

// A caller's subclass of TMixedFStream that overrides Read is read through it.
class ShoutingMixedFStream : public TMixedFStream {
 public:
  using TMixedFStream::TMixedFStream;
  int64_t Read(void* Buffer, int64_t Count) override {
    const int64_t n = TMixedFStream::Read(Buffer, Count);
    auto* p = static_cast<uint8_t*>(Buffer);
    for (int64_t i = 0; i < n; ++i)
      if (p[i] >= 'a' && p[i] <= 'z') p[i] = static_cast<uint8_t>(p[i] - 32);
    return n;
  }
};

TEST(MixedFStream, SubclassOverridingReadIsHonoured) {
  zel_test::TempDir dir;
  ShoutingMixedFStream f(dir.Write("s.txt", "abc\nxyz 12\n"), fmOpenRead);
  EXPECT_EQ(f.ReadLn(0), u"ABC");
  EXPECT_EQ(f.Position(), 4);
  bool eos = false;
  EXPECT_EQ(ReadLnStream(f, eos, 0), u"XYZ 12");
  f.SetPosition(1);
  bool err = true;
  EXPECT_EQ(f.ReadByte(err), 'B');
  EXPECT_FALSE(err);
}

TEST(HandleStreamWindow, PipesAreNotReadAhead) {
  auto& d = platform::Descriptors();
  int fds[2];
  ASSERT_TRUE(zel_test::MakePipe(fds));
  ASSERT_EQ(d.WriteAll(fds[1], "12 34\n", 6), 0);
  d.Close(fds[1]);
  {
    THandleStream s(fds[0]);
    EXPECT_EQ(ScanStreamDecimal(s), 12);
    char rest[8];
    // Nothing beyond the number was taken from the pipe.
    size_t got = 0;
    EXPECT_EQ(d.Read(fds[0], rest, sizeof rest, got), 0);
    EXPECT_EQ(got, 3u);
  }
  d.Close(fds[0]);
}

}  // namespace
}  // namespace zel
