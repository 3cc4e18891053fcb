// TStringArray: the XML form, round trips and damaged input.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "zel/dstruct/stringarray.h"
#include "zel/platform/backend.h"
#include "zel/platform/replace.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;
using zel::TStringArray;

void SmallGrid(TStringArray& g) {
  g.Resize(2, 2);
  g.SetString(0, 1, u"title");
  g.SetString(1, 1, u"a<b");
  g.SetString(2, 2, u"x\"y&z>");
  g.SetColAttrib(2, 5);
  g.SetRowAttrib(2, 7);
}

const char kSmallXml[] =
    "<?xml version=\"1.0\"?>\r\n"
    "\r\n"
    "<!-- TStringArray / Zelorbita -->\r\n"
    "<stringarray sig=\"Zelorbita\" vers=\"1.0\" id=\"Data1\" cols=\"2\" rows=\"2\">\r\n"
    "  <colattrib c=\"2\" val=\"5\" />\r\n"
    "  <rowattrib r=\"2\" val=\"7\" />\r\n"
    "  <cell c=\"0\" r=\"1\">title</cell>\r\n"
    "  <cell c=\"1\" r=\"1\">a&lt;b</cell>\r\n"
    "  <cell c=\"2\" r=\"2\">x&quot;y&amp;z&gt;</cell>\r\n"
    "</stringarray>\r\n";

// Everything a reader can see.
std::vector<String> Snapshot(const TStringArray& g) {
  std::vector<String> out;
  out.push_back(zel::IntToStr(g.NrOfColumns()) + u"x" + zel::IntToStr(g.NrOfRows()));
  for (int c = 1; c <= g.NrOfColumns(); ++c) out.push_back(zel::IntToStr(g.GetColAttrib(c)));
  for (int r = 1; r <= g.NrOfRows(); ++r) {
    out.push_back(zel::IntToStr(g.GetRowAttrib(r)));
    for (int c = 0; c <= g.NrOfColumns(); ++c) out.push_back(g.GetString(c, r));
  }
  return out;
}

TEST(StringArrayXml, WritesTheDocumentedLayout) {
  zel_test::TempDir dir;
  TStringArray g(nullptr);
  SmallGrid(g);
  const String path = dir.File("small.xml");
  g.SaveAsXMLFile(path, u"Data1");
  EXPECT_EQ(zel_test::TempDir::Read(path), kSmallXml);

  TStringArray back(nullptr);
  int changes = 0;
  back.SetOnChange([&](zel::TObject*) { ++changes; });
  EXPECT_TRUE(back.LoadFromXMLFile(path, u"data1"));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Snapshot(back), Snapshot(g));
}

TEST(StringArrayXml, RoundTripIsExact) {
  zel_test::TempDir dir;
  TStringArray g(nullptr);
  g.Resize(4, 70);
  // Every byte value, texts of 255 characters, blanks at both ends, column 0.
  for (int b = 0; b < 256; ++b) {
    const String ch = zel::Cp1252ToString(std::string(1, static_cast<char>(b)));
    g.SetString(b % 5, b / 5 + 1, u" " + ch + u"<&>\"" + ch + u" ");
  }
  String longest;
  for (int i = 0; i < 255; ++i)
    longest += zel::Cp1252ToString(std::string(1, static_cast<char>(i + 1)));
  g.SetString(1, 60, longest);
  g.SetString(0, 61, String(255, u'&'));
  g.SetString(4, 70, String(255, u'z'));
  for (int r = 1; r <= 70; r += 3) g.SetRowAttrib(r, static_cast<zel::Byte>(r * 3));
  g.SetColAttrib(1, 255);
  g.SetColAttrib(4, 1);
  g.Sort(1, 2, false);  // saved in the visible order
  const String path = dir.File("all.xml");
  g.SaveAsXMLFile(path, u"id with \"quotes\" & <angles>");

  TStringArray back(nullptr);
  back.SetAllocRowsBy(32);
  ASSERT_TRUE(back.LoadFromXMLFile(path, u"ID WITH \"QUOTES\" & <ANGLES>"));
  EXPECT_EQ(Snapshot(back), Snapshot(g));
  for (int r = 1; r <= 70; ++r) ASSERT_EQ(back.GetSortOrder(r), r);
  EXPECT_EQ(back.AllocRowsBy(), 32);
  EXPECT_EQ(back.Capacity(), 96);
  // Saving the loaded grid again gives the same file.
  const String again = dir.File("again.xml");
  back.SaveAsXMLFile(again, u"id with \"quotes\" & <angles>");
  EXPECT_EQ(zel_test::TempDir::Read(again), zel_test::TempDir::Read(path));
}

TEST(StringArrayXml, SeveralBlocksInOneFile) {
  zel_test::TempDir dir;
  const String path = dir.File("multi.xml");
  TStringArray a(nullptr), b(nullptr);
  a.SetString(1, 1, u"first");
  b.Resize(3, 1);
  b.SetString(3, 1, u"second");
  {
    zel::TextFile f(path);
    f.Rewrite();
    a.WriteToOpenXMLFile(f, true, u"A");
    b.WriteToOpenXMLFile(f, false, u"B");
    f.Close();
  }
  TStringArray g(nullptr);
  EXPECT_TRUE(g.LoadFromXMLFile(path, u"b"));
  EXPECT_EQ(g.GetString(3, 1), u"second");
  EXPECT_TRUE(g.LoadFromXMLFile(path, u""));
  EXPECT_EQ(g.GetString(1, 1), u"first");
  EXPECT_EQ(g.NrOfColumns(), 1);
  EXPECT_FALSE(g.LoadFromXMLFile(path, u"C"));
  EXPECT_EQ(g.GetString(1, 1), u"first");
  // Reading from an open file continues after the block that was read.
  zel::TextFile f(path);
  f.Reset();
  EXPECT_TRUE(g.ReadFromOpenXMLFile(f, u""));
  EXPECT_EQ(g.GetString(1, 1), u"first");
  EXPECT_TRUE(g.ReadFromOpenXMLFile(f, u""));
  EXPECT_EQ(g.GetString(3, 1), u"second");
  EXPECT_FALSE(g.ReadFromOpenXMLFile(f, u""));
  EXPECT_EQ(g.GetString(3, 1), u"second");
  f.Close();
}

// Loading must fail and leave the grid (and its handlers) untouched.
void ExpectRejected(const std::string& bytes, const std::string& what) {
  SCOPED_TRACE(what);
  zel_test::TempDir dir;
  const String path = dir.Write("bad.xml", bytes);
  TStringArray g(nullptr);
  g.Resize(3, 4);
  g.SetString(0, 4, u"keep");
  g.SetRowAttrib(2, 9);
  g.Sort(0, 0, false);
  const auto before = Snapshot(g);
  int changes = 0;
  g.SetOnChange([&](zel::TObject*) { ++changes; });
  EXPECT_FALSE(g.LoadFromXMLFile(path, u"Data1"));
  EXPECT_EQ(Snapshot(g), before);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(g.GetSortOrder(1), 4);
}

TEST(StringArrayXml, TruncatedFilesAreRejected) {
  const std::string full = kSmallXml;
  const size_t close = full.find("</stringarray>");
  for (size_t n = 0; n <= close + 2; ++n) ExpectRejected(full.substr(0, n), std::to_string(n));
}

TEST(StringArrayXml, DamagedFilesAreRejected) {
  const std::string full = kSmallXml;
  struct Edit {
    const char* from;
    const char* to;
  } edits[] = {
      {"c=\"1\" r=\"1\"", "c=\"3\" r=\"1\""},        // column beyond cols
      {"c=\"1\" r=\"1\"", "c=\"1\" r=\"0\""},        // row 0
      {"c=\"1\" r=\"1\"", "c=\"-1\" r=\"1\""},       // sign
      {"c=\"1\" r=\"1\"", "r=\"1\""},                // column missing
      {"a&lt;b", "a<b"},                             // raw "<"
      {"a&lt;b", "a&lx;b"},                          // unknown reference
      {"a&lt;b", "a&b"},                             // lone "&"
      {"a&lt;b", "a&#xD800;b"},                      // surrogate
      {"a&lt;b", "a&#1114112;b"},                    // beyond U+10FFFF
      {"rows=\"2\"", "rows=\"x\""},                  // bad size
      {"rows=\"2\"", "rows=\"0\""},                  // no rows
      {"cols=\"2\"", "cols=\"99999999\""},           // more cells than a load accepts
      {"val=\"7\"", "val=\"256\""},                  // attribute byte
      {"<colattrib c=\"2\"", "<colattrib c=\"0\""},  // column 0 has no attribute
      {"</stringarray>", "</stringarra>"},           // no end
      {"sig=\"Zelorbita\"", "sig=\"other\""},        // not our block
  };
  for (const auto& e : edits) {
    std::string bytes = full;
    const size_t at = bytes.find(e.from);
    ASSERT_NE(at, std::string::npos) << e.from;
    bytes.replace(at, std::string(e.from).size(), e.to);
    ExpectRejected(bytes, e.to);
  }
}

// A header's dimensions are bounded by the storage they need, so a file of a
// few bytes cannot ask for gigabytes; large grids of sensible shape load.
TEST(StringArrayXml, DimensionsBeyondTheStorageBoundAreRejected) {
  auto block = [](const char* cols, const char* rows, bool closed) {
    return std::string("<stringarray sig=\"Zelorbita\" id=\"Data1\" cols=\"") + cols +
           "\" rows=\"" + rows + "\">\r\n" + (closed ? "</stringarray>\r\n" : "");
  };
  ExpectRejected(block("67108863", "1", true), "67108863 columns");
  ExpectRejected(block("1", "67108863", true), "67108863 rows");
  ExpectRejected(block("67108863", "1", false), "67108863 columns, truncated");
  ExpectRejected(block("1", "67108863", false), "67108863 rows, truncated");
  ExpectRejected(block("2147483647", "2147483647", true), "largest");
  zel_test::TempDir dir;
  TStringArray g(nullptr);
  ASSERT_TRUE(g.LoadFromXMLFile(dir.Write("big.xml", block("3000", "3000", true)), u"Data1"));
  EXPECT_EQ(g.NrOfColumns(), 3000);
  EXPECT_EQ(g.NrOfRows(), 3000);
}

TEST(StringArrayXml, LenientWhereNothingIsLost) {
  zel_test::TempDir dir;
  // Unknown elements are skipped; hexadecimal references and &apos; read.
  std::string bytes = kSmallXml;
  bytes.replace(bytes.find("  <cell c=\"0\""), 0, "  <future x=\"1\" />\r\n  <note>n</note>\r\n");
  bytes.replace(bytes.find("title"), 5, "t&#x69;tle&apos;");
  const String path = dir.Write("ok.xml", bytes);
  TStringArray g(nullptr);
  ASSERT_TRUE(g.LoadFromXMLFile(path, u"DATA1"));
  EXPECT_EQ(g.GetString(0, 1), u"title'");
  EXPECT_EQ(g.GetString(2, 2), u"x\"y&z>");
}

// Saving replaces the file safely: a write that fails midway (a file-size
// limit stands for a full disk) raises and keeps the previous file; a name
// holding U+0000 is refused instead of saving to the name before it.
TEST(StringArrayXml, FailedSaveKeepsThePreviousFile) {
  zel_test::TempDir dir;
  const String name = dir.Write("grid.xml", "previous");
  TStringArray g(nullptr);
  g.Resize(3, 200);
  g.Fill(u"a text long enough to pass the limit");
#ifndef _WIN32
  // Windows has no file-size limit: there the refused replacement below
  // stands for the failed write.
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit old_limit;
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 4096;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_THROW(g.SaveAsXMLFile(name, u"id"), zel::EInOutError);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(zel_test::TempDir::Read(name), "previous");
#endif
  {
    // A full disk when the new file is put in place, on every system.
    struct FullDiskOnRename : zel::platform::NativeReplaceServices {
      int Rename(int, const std::string&, const std::string&) override { return ENOSPC; }
    } full_disk;
    zel::platform::ScopedBackend<zel::platform::ReplaceServices> guard(
        &full_disk, &zel::platform::SetReplaceBackend);
    EXPECT_ANY_THROW(g.SaveAsXMLFile(name, u"id"));
  }
  EXPECT_EQ(zel_test::TempDir::Read(name), "previous");
  EXPECT_THROW(g.SaveAsXMLFile(name + String(u"\0.xml", 5), u"id"), zel::EInOutError);
  EXPECT_EQ(zel_test::TempDir::Read(name), "previous");
  g.SaveAsXMLFile(name, u"id");
  TStringArray back(nullptr);
  ASSERT_TRUE(back.LoadFromXMLFile(name, u"id"));
  EXPECT_EQ(Snapshot(back), Snapshot(g));
}

TEST(StringArrayXml, MissingFileIsFalse) {
  zel_test::TempDir dir;
  TStringArray g(nullptr);
  g.SetString(1, 1, u"keep");
  EXPECT_FALSE(g.LoadFromXMLFile(dir.File("nothing.xml"), u""));
  EXPECT_EQ(g.GetString(1, 1), u"keep");
}

}  // namespace
