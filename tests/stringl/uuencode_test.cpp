#include "zel/stringl/uuencode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"
#include "zel/base/errors.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

std::string Bytes(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

TEST(UUEncode, KnownForm) {
  EXPECT_EQ(UUEncodeBytes("Cat"), "begin 644 data\n#0V%T\n`\nend\n");
  EXPECT_EQ(UUEncodeBytes(""), "begin 644 data\n`\nend\n");
  EXPECT_EQ(UUEncodeBytes(std::string(3, '\0'), "z.bin", 0600), "begin 600 z.bin\n#````\n`\nend\n");
  const std::string two_lines = UUEncodeBytes(std::string(46, 'a'));
  EXPECT_EQ(two_lines.substr(15, 1), "M");  // 45 bytes on the first line
  EXPECT_EQ(UUEncodeStr(u"Cat"), u"begin 644 data\n#0V%T\n`\nend\n");
}

// The name ends the "begin" line: a name that would break that line, or no
// name at all, is refused before anything is encoded.
TEST(UUEncode, RefusesNamesThatBreakTheHeader) {
  for (const char* name : {"a\nb", "a\n", "\nbegin 644 x", "a\rb", "a\r", ""}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(UUEncodeBytes("Cat", name), EZELStringlError);
  }
  EXPECT_EQ(UUEncodeBytes("Cat", "a b\t.txt"), "begin 644 a b\t.txt\n#0V%T\n`\nend\n");
}

TEST(UUEncode, RoundTripsEveryLength) {
  for (size_t n = 0; n <= 300; ++n) {
    SCOPED_TRACE(n);
    const std::string bytes = Bytes(n, static_cast<uint32_t>(n));
    std::string back;
    ASSERT_EQ(UUDecodeBytes(UUEncodeBytes(bytes), back), uuOK);
    ASSERT_EQ(back, bytes);
    String text;
    for (size_t i = 0; i < n; ++i) text.push_back(static_cast<Char>(bytes[i] & 0xFF));
    if (n % 7 == 3) text += u"\u20ac\U0001F600";
    ASSERT_EQ(UUDecodeStr(UUEncodeStr(text)), text);
  }
}

TEST(UUDecode, LenientAndDamagedInput) {
  struct C {
    std::string text;
    int32_t status;
    std::string bytes;
  };
  const C cases[] = {
      {"#0V%T\n`\n", uuOK, "Cat"},  // no begin line
      {"mail\r\nbegin 644 x\r\n#0V%T\r\n`\r\nend\r\n", uuOK, "Cat"},
      {"begin 644 x\n\n#0V%T\nend\n", uuOK, "Cat"},  // empty line, "end" ends
      {"begin 644 x\n#0V%T\n", uuNoEnd, "Cat"},
      {"begin 644 x\n#0V\n`\n", uuOK, std::string("C`\0", 3)},  // short line reads zeros
      {"begin 644 x\n#0V%Tjunk\n`\n", uuOK, "Cat"},             // extra characters ignored
      {"begin 644 x\n#0V%T\n#0v%T\n`\n", uuBadCharacter, "Cat"},
      {"begin 644 x\n\x7f\n", uuBadCharacter, ""},
      {"", uuNoEnd, ""},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(c.text);
    std::string out = "old";
    EXPECT_EQ(UUDecodeBytes(c.text, out), c.status);
    EXPECT_EQ(out, c.bytes);
  }
  EXPECT_EQ(UUDecodeStr(u"#0V%T\n#0\u0156%T\n"), u"Cat");  // a wide character is no digit
  EXPECT_EQ(UUDecodeStr(Utf8ToString(UUEncodeBytes("\xff\xfe"))), u"\u00ff\u00fe");
}

TEST(UUEncode, ReadByUudecode) {
  if (std::system("command -v uudecode >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "uudecode (sharutils) is not installed";
  zel_test::TempDir dir;
  for (size_t n : {0, 1, 44, 45, 46, 1000}) {
    SCOPED_TRACE(n);
    const std::string bytes = Bytes(n, 7);
    const String in = dir.Write("in.uu", UUEncodeBytes(bytes));
    const std::string out = (dir.Path() / "out.bin").string();
    const std::string cmd =
        "uudecode -o '" + out + "' '" + (dir.Path() / "in.uu").string() + "' 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(zel_test::TempDir::Read(Utf8ToString(out)), bytes);
  }
}

}  // namespace
}  // namespace zel
