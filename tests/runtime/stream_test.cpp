#include "zel/runtime/stream.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "zel/runtime/exception.h"

namespace zel {
namespace {

TEST(MemoryStream, WriteSeekReadAndShortRead) {
  TMemoryStream ms;
  ms.WriteBuffer("hello", 5);
  EXPECT_EQ(ms.Size(), 5);
  ms.SetPosition(3);
  char buf[8] = {};
  EXPECT_EQ(ms.Read(buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(ms.Read(buf, 8), 0);
  EXPECT_EQ(ms.Read(buf, -4), 0);
  ms.SetPosition(4);
  EXPECT_THROW(ms.ReadBuffer(buf, 2), EReadError);
}

TEST(MemoryStream, WritingPastTheEndZeroFillsTheGap) {
  TMemoryStream ms;
  ms.SetPosition(3);
  ms.WriteBuffer("x", 1);
  ASSERT_EQ(ms.Size(), 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ms.Memory()), 4), std::string("\0\0\0x", 4));
}

// Positions whose end an int64_t cannot hold are refused with the stream
// error instead of wrapping around; sizes no memory can hold raise
// EOutOfMemory.
TEST(MemoryStream, PositionsBeyondTheRangeAreRefused) {
  constexpr int64_t kMax = INT64_MAX;
  TMemoryStream ms;
  ms.WriteBuffer("abc", 3);
  EXPECT_EQ(ms.Seek(kMax, soBeginning), kMax);
  EXPECT_THROW(ms.Write("x", 1), EStreamError);
  EXPECT_EQ(ms.Size(), 3);
  EXPECT_THROW(ms.Seek(1, soCurrent), EStreamError);
  EXPECT_THROW(ms.Seek(kMax, soEnd), EStreamError);
  EXPECT_EQ(ms.Seek(INT64_MIN, soCurrent), 0);  // below the start: the start
  if (!zel_test::AllocationFailuresAreFatal()) {
    ms.SetPosition(kMax / 2);
    EXPECT_THROW(ms.Write("x", 1), EOutOfMemory);
    EXPECT_THROW(ms.SetSize(kMax), EOutOfMemory);
    EXPECT_EQ(ms.Size(), 3);
  }

  zel_test::TempDir dir;
  TFileStream f(dir.Write("f", std::string(10000, 'a')), fmOpenRead);
  char buf[4];
  f.ReadBuffer(buf, 4);
  ASSERT_FALSE(f.ReadWindow().empty());  // read ahead: Seek works on the buffer
  EXPECT_THROW(f.Seek(kMax, soCurrent), EStreamError);
  EXPECT_EQ(f.Position(), 4);
}

TEST(FileStream, CreateReadAndOpenErrors) {
  zel_test::TempDir dir;
  const String name = dir.File("a.bin");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("abc", 3);
  }
  TFileStream f(name, fmOpenRead);
  EXPECT_EQ(f.Size(), 3);
  char buf[3];
  f.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "abc");

  try {
    TFileStream missing(dir.File("nope"), fmOpenRead);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind(u"Cannot open file \"" + dir.File("nope") + u"\". ", 0), 0u);
  }
  EXPECT_THROW(TFileStream(dir.File("no/such/dir"), fmCreate), EFCreateError);
}

TEST(StringStream, BytesAreLowBytesOfCharacters) {
  TStringStream ss(String(u"A\u00e9\u0141"));
  EXPECT_EQ(ss.Size(), 3);
  EXPECT_EQ(ss.Bytes(), std::string("A\xe9\x41"));
  EXPECT_EQ(ss.DataString(), String(u"A\u00e9A"));
}

TEST(Stream, CopyFromWholeSource) {
  TStringStream src(std::string("0123456789"));
  src.SetPosition(5);
  TMemoryStream dst;
  EXPECT_EQ(dst.CopyFrom(src, 0), 10);
  EXPECT_EQ(dst.Size(), 10);
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

TEST(HandleStream, ReadErrorIsNotEndOfData) {
  zel_test::TempDir dir;
  const String name = dir.Write("w.bin", "data");
  TFileStream writeOnly(name, fmOpenWrite);
  char buf[4];
  EXPECT_THROW(writeOnly.Read(buf, 4), EReadError);
  EXPECT_THROW(writeOnly.ReadWindow(), EReadError);
}

}  // namespace
}  // namespace zel
