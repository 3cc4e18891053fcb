#include "zel/filesys/paths.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <functional>
#include <string>

#include "support/temp_dir.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;

struct Case {
  String in;
  String want;
};

void Check(const char* what, const std::function<String(const String&)>& fn,
           std::initializer_list<Case> cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(what) + " of \"" + zel::StringToUtf8(c.in) + "\"");
    EXPECT_EQ(zel::StringToUtf8(fn(c.in)), zel::StringToUtf8(c.want));
  }
}

TEST(PathsTest, SplittingWithBothSeparatorsAndHiddenNames) {
  Check("ExtractFilePath", zel::ExtractFilePath,
        {{u"C:\\a\\b.txt", u"C:\\a\\"},
         {u"/home/u/f", u"/home/u/"},
         {u"C:f", u"C:"},
         {u"f", u""},
         {u"ab:c", u""},
         {u"dir\\sub/f", u"dir\\sub/"}});
  Check("ExtractFileName", zel::ExtractFileName,
        {{u"C:\\a\\b.txt", u"b.txt"},
         {u"C:f", u"f"},
         {u"a/", u""},
         {u"ab:c", u"ab:c"},
         {u"a:b", u"b"}});
  Check("ExtractFileExt", zel::ExtractFileExt,
        {{u"a/b.tar.gz", u".gz"},
         {u"C:\\my.dir\\file", u""},
         {u".bashrc", u""},
         {u"/home/.bashrc.bak", u".bak"},
         {u"file.", u"."},
         {u"...", u""}});
  Check("StripExtension", zel::StripExtension,
        {{u"C:\\my.dir\\file", u"C:\\my.dir\\file"},
         {u"C:\\a\\b.tar.gz", u"C:\\a\\b.tar"},
         {u"name.", u"name"},
         {u"/home/u/.bashrc", u"/home/u/.bashrc"},
         {u".profile.old", u".profile"},
         {u"a/b.c/d", u"a/b.c/d"}});
  Check("StripPath", zel::StripPath, {{u"C:\\a\\b.txt", u"b.txt"}, {u"x/y", u"y"}});
  Check("ParentDir", zel::ParentDir,
        {{u"C:\\a\\b\\", u"C:\\a\\"},
         {u"C:\\a\\b", u"C:\\a\\"},
         {u"C:\\", u""},
         {u"file", u""},
         {u"a/b/c", u"a/b/"},
         {u"/a", u"/"},
         {u"/", u""}});
}

TEST(PathsTest, HiddenNamesKeepTheirLeadingDot) {
  using zel::EnsureDefaultFileExt;
  using zel::InsertBeforeFileExt;
  EXPECT_EQ(InsertBeforeFileExt(u"_v2", u"C:\\a\\data.tar.gz"), u"C:\\a\\data_v2.tar.gz");
  EXPECT_EQ(InsertBeforeFileExt(u"_v2", u"/h/.bashrc"), u"/h/.bashrc_v2");
  EXPECT_EQ(InsertBeforeFileExt(u"_v2", u".config.old"), u".config_v2.old");
  EXPECT_EQ(InsertBeforeFileExt(u"_v2", u"a.b/c"), u"a.b/c_v2");
  EXPECT_EQ(EnsureDefaultFileExt(u"report", u"txt"), u"report.txt");
  EXPECT_EQ(EnsureDefaultFileExt(u"report", u".txt"), u"report.txt");
  EXPECT_EQ(EnsureDefaultFileExt(u"report.", u"txt"), u"report.");
  EXPECT_EQ(EnsureDefaultFileExt(u"a.csv", u"txt"), u"a.csv");
  EXPECT_EQ(EnsureDefaultFileExt(u"report", u""), u"report");
  EXPECT_EQ(EnsureDefaultFileExt(u".bashrc", u"txt"), u".bashrc.txt");
  EXPECT_EQ(EnsureDefaultFileExt(u"my.dir/file", u"txt"), u"my.dir/file.txt");
}

TEST(PathsTest, RootsAndDrives) {
  struct {
    String path;
    bool root;
    int drive;
  } const cases[] = {{u"c:\\", true, 2},   {u" C:\\ ", false, -1},
                     {u"c:", false, 2},    {u"c:\\a", false, 2},
                     {u"\\\\", false, -1}, {u"/", true, -1},
                     {u"d:/", true, 3},    {u"1:", false, 0},
                     {u"x", false, -1},    {u"\\\\server\\share", false, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.path));
    EXPECT_EQ(zel::ExtractDrive(c.path), c.drive);
    if (c.path != u" C:\\ ") {
      EXPECT_EQ(zel::IsRootDir(c.path), c.root);
    }
  }
  EXPECT_TRUE(zel::IsRootDir(u" C:\\ "));  // blanks trimmed on both sides
}

TEST(PathsTest, AbridgeNeverGrowsThePath) {
  struct {
    String path;
    int max;
    String want;
  } const cases[] = {
      {u"C:\\dir1\\dir2\\file.txt", 20, u"C:\\..\\dir2\\file.txt"},
      {u"C:\\dir1\\dir2\\file.txt", 16, u"C:\\..\\..\\file.txt"},
      {u"C:\\dir1\\dir2\\file.txt", 0, u"C:\\..\\..\\file.txt"},
      {u"C:\\dir1\\dir2\\file.txt", 22, u"C:\\dir1\\dir2\\file.txt"},
      {u"C:\\dir1\\dir2\\file.txt", 21, u"C:\\..\\dir2\\file.txt"},  // exactly max is shortened
      {u"nosep-at-all", 3, u"nosep-at-all"},
      {u"/home/someone/file", 10, u"/../../file"},
      {u"C:\\a\\b\\c\\file", 5, u"C:\\a\\b\\c\\file"},  // one-letter names stay
      {u"/a/bb/ccc/f", 1, u"/a/../../f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.path) + " max " + std::to_string(c.max));
    const String got = zel::AbridgeFilePath(c.path, c.max);
    EXPECT_EQ(zel::StringToUtf8(got), zel::StringToUtf8(c.want));
    EXPECT_LE(got.size(), c.path.size());
  }
}

TEST(PathsTest, NameRules) {
  EXPECT_EQ(zel::ReplaceInvalidFileNameChars(u"a:b*c", u'_'), u"a_b_c");
  EXPECT_EQ(zel::ReplaceInvalidFileNameChars(u".", u'_'), u"_");
  EXPECT_EQ(zel::ReplaceInvalidFileNameChars(u"..", u'_'), u"__");
  EXPECT_EQ(zel::ReplaceInvalidFileNameChars(u"say \"hi\"/<x>|?\\", u'-'), u"say \"hi\"--x----");
  EXPECT_EQ(zel::ReplaceInvalidFileNameChars(String(u"a\0b", 3), u'_'), u"a_b");
  struct {
    String name;
    bool valid;
  } const names[] = {
      {u"a?b", false},       {u"..", false}, {u".", false},   {u"", true},
      {u"say \"hi\"", true}, {u"-rf", true}, {u"a/b", false}, {String(u"a\0", 2), false},
      {u"grüße", true}};
  for (const auto& n : names) {
    SCOPED_TRACE(zel::StringToUtf8(n.name));
    EXPECT_EQ(zel::IsValidFileName(n.name), n.valid);
  }
  struct {
    String path;
    bool compliant, dos83;
  } const paths[] = {{u"C:\\DOS\\EDIT.COM", true, true},
                     {u"C:\\My Files", false, false},
                     {u"C:\\LONGNAME1\\X.TXT", true, false},
                     {u"C:\\ABCDEFGH\\X.TXT", true, true},
                     {u"", true, true},
                     {u"A+B", false, false},
                     {u"ÄB", false, false},
                     {u"ABCDEFGHI", true, true},
                     {u"ABCDEFGHIJ", true, false}};
  for (const auto& p : paths) {
    SCOPED_TRACE(zel::StringToUtf8(p.path));
    EXPECT_EQ(zel::IsFN83CompliantPath(p.path), p.compliant);
    EXPECT_EQ(zel::IsDOS83Path(p.path), p.dos83);
  }
}

// Text written with "/" as the system's own paths are written.
String Native(std::string text) {
#ifdef _WIN32
  std::replace(text.begin(), text.end(), '/', '\\');
#endif
  return zel::Utf8ToString(text);
}

TEST(PathsTest, ExpandAndStoredSpelling) {
  zel_test::TempDir dir;
  const std::string root = zel_test::PathText(dir.Path());
  std::filesystem::create_directories(dir.Path() / "Mixed Case" / zel_test::PathOf("Ünïcode"));
  dir.Write("Mixed Case/Ünïcode/Data.TXT", "x");
  EXPECT_EQ(zel::ExpandFileName(zel::Utf8ToString(root + "/a/./b/../c\\d/")),
            Native(root + "/a/c/d/"));
  // The folder as the disk spells it (Windows may have been given another
  // case for it).
  const std::string base = zel::StringToUtf8(zel::DOSToWinPath(zel::Utf8ToString(root)));
  const String stored = Native(base + "/Mixed Case/Ünïcode/Data.TXT");
  EXPECT_EQ(zel::DOSToWinPath(zel::Utf8ToString(root + "/mixed case/ÜNÏCODE/data.txt")), stored);
  EXPECT_EQ(zel::DOSToWinPath(zel::Utf8ToString(root + "\\MIXED CASE\\ünïcode\\Data.TXT")), stored);
  // An element that does not exist keeps the rest as given.
  EXPECT_EQ(zel::DOSToWinPath(zel::Utf8ToString(root + "/mixed case/nothing/x")),
            Native(base + "/Mixed Case/nothing/x"));
  // Relative names start from the current folder.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  EXPECT_EQ(zel::ExpandFileName(u"rel/x"), Native(root + "/rel/x"));
#ifdef _WIN32
  // "\x" and "C:x" count from the current folder's drive.
  const String drive = zel::Utf8ToString(root.substr(0, 2));
  EXPECT_EQ(zel::ExpandFileName(u"\\.."), drive + u"\\");
  EXPECT_EQ(zel::ExpandFileName(drive + u"rel"), Native(root + "/rel"));
#else
  EXPECT_EQ(zel::ExpandFileName(u"/.."), u"/");
#endif
  std::filesystem::current_path(cwd);
}

#ifdef _WIN32
TEST(PathsTest, WindowsDrivesAndShares) {
  Check("ExpandFileName", zel::ExpandFileName,
        {{u"C:/a/../b", u"C:\\b"},
         {u"c:\\", u"c:\\"},
         {u"C:\\..\\..", u"C:\\"},
         {u"C:\\a\\.\\b\\", u"C:\\a\\b\\"},
         {u"\\\\server\\share\\x\\..\\y", u"\\\\server\\share\\y"},
         {u"//server/share/", u"\\\\server\\share\\"}});
}
#endif

}  // namespace
