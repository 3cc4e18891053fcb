#include "zel/runtime/filename.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>

#include "support/temp_dir.h"
#include "support/wine.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/textfile.h"

namespace zel {
namespace {

TEST(FileName, ConversionBothWays) {
  const struct {
    String name;
    std::string path;
  } cases[] = {
      {u"plain/a.txt", "plain/a.txt"},
      {u"caf\u00e9", "caf\xc3\xa9"},
      {u"\U0001F600", "\xf0\x9f\x98\x80"},
#ifdef _WIN32
      // Windows names are UTF-16: lone surrogates are kept as their
      // three-byte forms, whatever their value.
      {u"a\xDCFF"
       u"b",
       "a\xed\xb3\xbf"
       "b"},
      {u"\xD800", "\xed\xa0\x80"},
      {u"\xDC80\xD83D", "\xed\xb2\x80\xed\xa0\xbd"},
#else
      {u"a\xDCFF"
       u"b",
       "a\xff"
       "b"},                                    // a byte that is not UTF-8
      {u"\xDCC3(", "\xc3("},                    // a broken two-byte sequence
      {u"\xDCED\xDCA0\xDC80", "\xed\xa0\x80"},  // an encoded surrogate is no UTF-8
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::string path;
    ASSERT_TRUE(FileNameToPath(c.name, path));
    EXPECT_EQ(path, c.path);
    EXPECT_EQ(PathToFileName(c.path), c.name);
  }
  std::mt19937 rng(3);
#ifdef _WIN32
  // Any name (UTF-16 without U+0000) comes back unchanged.
  for (int round = 0; round < 2000; ++round) {
    String name(rng() % 12, u'x');
    for (Char& c : name)
      c = static_cast<Char>(rng() % 4 == 0 ? 0xD800 + rng() % 0x800 : 1 + rng() % 0xFFFF);
    std::string path;
    ASSERT_TRUE(FileNameToPath(name, path));
    ASSERT_EQ(PathToFileName(path), name);
  }
#else
  // Any byte string comes back unchanged.
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(rng() % 12, '\0');
    for (char& b : bytes) b = static_cast<char>(1 + rng() % 255);
    std::string back;
    ASSERT_TRUE(FileNameToPath(PathToFileName(bytes), back));
    ASSERT_EQ(back, bytes);
  }
#endif
  std::string path = "x";
  errno = 0;
  EXPECT_FALSE(FileNameToPath(String(u"victim\0.xml", 11), path));
  EXPECT_EQ(errno, EINVAL);
  EXPECT_TRUE(path.empty());
}

// A name with U+0000 is refused by every opener; a file whose name is not
// UTF-8 can be created, written and read by name.
TEST(FileName, OpenersUseTheConversion) {
  zel_test::TempDir dir;
  const String victim = dir.Write("victim", "keep");
  const String with_nul = victim + String(u"\0.xml", 5);
  EXPECT_THROW(TFileStream(with_nul, fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(with_nul, fmOpenRead), EFOpenError);
  TextFile t(with_nul);
  EXPECT_THROW(t.Rewrite(), EInOutError);
  EXPECT_THROW(t.Reset(), EInOutError);
  TMemoryStream ms;
  ms.WriteBuffer("new", 3);
  EXPECT_THROW(ms.SaveToFile(with_nul), EFCreateError);
  EXPECT_EQ(zel_test::TempDir::Read(victim), "keep");

#ifdef _WIN32
  // A name with a lone surrogate, which Windows names may hold.
  const String odd = dir.File("lone-") + Char(0xD800) + u".txt";
  if (zel_test::UnderWine())
    GTEST_SKIP() << "Wine keeps names as UTF-8 Unix names, which cannot hold a lone surrogate";
  ms.SaveToFile(odd);
#else
  const String odd = dir.File("latin1-\xe9.txt");
  EXPECT_EQ(odd.back(), u't');
  EXPECT_NE(odd.find(u'\xDCE9'), String::npos);
  ms.SaveToFile(odd);
  EXPECT_EQ(zel_test::TempDir::Read(dir.File("latin1-\xe9.txt")), "new");
#endif
  TMemoryStream back;
  back.LoadFromFile(odd);
  EXPECT_EQ(back.Size(), 3);
  TextFile f(odd);
  f.Reset();
  EXPECT_EQ(f.ReadLn(), u"new");
  f.Close();
}

}  // namespace
}  // namespace zel
