#include "zel/filesys/textfiles.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/full_disk.h"
#include "support/temp_dir.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/utf8.h"
#include "zel/streams/primitives.h"

namespace zel {
namespace {

using zel_test::TempDir;

int IoCode(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const EInOutError& e) {
    return e.ErrorCode();
  }
  return 0;
}

// ---- CheckTextFileType ------------------------------------------------------------

TEST(CheckTextFileType, Marks) {
  struct Case {
    std::string bytes;
    TTextfileType want;
  };
  const std::vector<Case> cases = {
      {"", tftUnknown},
      {"a", tftUnknown},
      {"\xEF\xBB\xBF", tftUTF8},
      {"\xEF\xBB\xBFhello", tftUTF8},
      {"\xEF\xBB", tftUnknown},
      {"\xFF\xFE", tftUnicode_le},  // only the bytes read are compared
      {"\xFF\xFE\x00", tftUnicode_le},
      {std::string("\xFF\xFE\x00\x00", 4), tftUnicode4_le},
      {std::string("\xFF\xFE\x41\x00", 4), tftUnicode_le},
      {std::string("\x00\x00\xFE\xFF", 4), tftUnicode4_be},
      {std::string("\x00\x00\xFE", 3), tftUnknown},
      {"\xFE\xFF", tftUnicode_be},
      {"\xFE", tftUnknown},
      {"{\\rtf1", tftRTF},
      {"{\\r", tftRTF},
      {"{\\", tftUnknown},
      {"{\\R", tftUnknown},
  };
  TempDir dir;
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(CheckTextFileType(dir.Write("t.bin", cases[i].bytes)), cases[i].want);
  }
}

TEST(CheckTextFileType, MissingFileRaises) {
  TempDir dir;
  EXPECT_EQ(IoCode([&] { CheckTextFileType(dir.File("none")); }), ENOENT);
}

// ---- AppendToTextFile, ClearTextFile -------------------------------------------------

TEST(AppendToTextFile, CreatesThenAppends) {
  TempDir dir;
  const String name = dir.File("a.txt");
  AppendToTextFile(name, u"one");
  AppendToTextFile(name, u"t\u00E9");
  TStringList list;
  list.Add(u"x");
  list.Add(u"");
  list.Add(u"y");
  AppendToTextFile(name, list);
  EXPECT_EQ(TempDir::Read(name), "one\r\nt\xC3\xA9\r\nx\r\n\r\ny\r\n");
}

TEST(AppendToTextFile, UnwritablePlaceRaises) {
  TempDir dir;
  EXPECT_EQ(IoCode([&] { AppendToTextFile(dir.File("no/such/dir.txt"), u"x"); }), ENOENT);
  // A file that exists but cannot be opened for appending: that failure is
  // reported, not a creation that was never needed.
  std::filesystem::create_directory(dir.Path() / "folder");
  try {
    AppendToTextFile(dir.File("folder"), u"x");
    ADD_FAILURE() << "appended to a folder";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), EISDIR);
    EXPECT_EQ(e.Message().rfind(u"Cannot open file \"", 0), 0u) << StringToUtf8(e.Message());
  }
#ifndef _WIN32
  if (::geteuid() == 0) return;  // root may write any file
#endif
  // Windows: the read-only attribute, checked for every account.
  const String ro = dir.Write("ro.txt", "keep\r\n");
  std::filesystem::permissions(dir.Path() / "ro.txt", std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::group_read |
                                                          std::filesystem::perms::others_read);
  EXPECT_EQ(IoCode([&] { AppendToTextFile(ro, u"x"); }), EACCES);
  EXPECT_EQ(TempDir::Read(ro), "keep\r\n");
  std::filesystem::permissions(dir.Path() / "ro.txt", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

TEST(ClearTextFile, LeavesOneLineEnd) {
  TempDir dir;
  const String name = dir.Write("c.txt", "lots of text\r\nmore\r\n");
  ClearTextFile(name);
  EXPECT_EQ(TempDir::Read(name), "\r\n");
  const String fresh = dir.File("new.txt");
  ClearTextFile(fresh);
  EXPECT_EQ(TempDir::Read(fresh), "\r\n");
}

// ---- ReadStringFromTextFile --------------------------------------------------------------

TEST(ReadStringFromTextFile, Cases) {
  struct Case {
    const char* name;
    std::string bytes;
    String start, end, want;
  };
  const std::vector<Case> cases = {
      {"tags on one line", "x[A]hello[/A]y", u"[a]", u"[/a]", u"hello\r\n"},
      {"both tags empty", "l1\nl2\r\nl3", u"", u"", u"l1\r\nl2\r\nl3\r\n"},
      {"over lines", "head\n<b>one\ntwo\nthr</B>ee\nafter", u"<B>", u"</b>",
       u"one\r\ntwo\r\nthr\r\n"},
      {"case kept", "<t>MiXed</t>", u"<T>", u"</T>", u"MiXed\r\n"},
      {"no end tag", "a\n<t>b\nc", u"<t>", u"</t>", u"b\r\nc\r\n"},
      {"empty end tag", "a<t>b\nc", u"<t>", u"", u"b\r\nc\r\n"},
      {"empty start tag", "a\nb</t>c\nd", u"", u"</t>", u"a\r\nb\r\n"},
      {"start tag missing", "abc\ndef", u"<t>", u"</t>", u""},
      {"end before start on the line", "</t><t>x</t>", u"<t>", u"</t>", u"x\r\n"},
      {"empty file", "", u"", u"", u""},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadStringFromTextFile(dir.Write("s.txt", c.bytes), c.start, c.end), c.want);
  }
}

TEST(ReadStringFromTextFile, MissingFileGivesEmptyText) {
  TempDir dir;
  EXPECT_EQ(ReadStringFromTextFile(dir.File("none.txt"), u"", u""), u"");
  // Other failures still raise.
  EXPECT_EQ(IoCode([&] { ReadStringFromTextFile(dir.File(""), u"", u""); }), EISDIR);
}

// ---- ReadLastNLinesOfTextFile --------------------------------------------------------------

TEST(ReadLastNLinesOfTextFile, Examples) {
  TempDir dir;
  int32_t n = -1;
  EXPECT_EQ(ReadLastNLinesOfTextFile(dir.Write("2.txt", "l1\r\nl2\r\n"), 3, n),
            (TStrArray{u"", u"l1", u"l2"}));
  EXPECT_EQ(n, 2);
  EXPECT_EQ(ReadLastNLinesOfTextFile(dir.Write("5.txt", "1\n2\n3\n4\n5"), 3, n),
            (TStrArray{u"3", u"4", u"5"}));
  EXPECT_EQ(n, 5);
  EXPECT_EQ(ReadLastNLinesOfTextFile(dir.Write("3.txt", "a\rb\rc\r"), 3, n),
            (TStrArray{u"a", u"b", u"c"}));
  EXPECT_EQ(n, 3);
  EXPECT_EQ(ReadLastNLinesOfTextFile(dir.Write("e.txt", ""), 2, n), (TStrArray{u"", u""}));
  EXPECT_EQ(n, 0);
  EXPECT_EQ(ReadLastNLinesOfTextFile(dir.Write("1.txt", "x\ny\nz\n"), 1, n), (TStrArray{u"z"}));
  EXPECT_EQ(n, 3);
}

TEST(ReadLastNLinesOfTextFile, NBelowOneGivesNoEntriesButCounts) {
  TempDir dir;
  const String name = dir.Write("f.txt", "a\nb\n");
  for (int32_t bad : {0, -1, INT32_MIN}) {
    SCOPED_TRACE(bad);
    int32_t n = -1;
    EXPECT_TRUE(ReadLastNLinesOfTextFile(name, bad, n).empty());
    EXPECT_EQ(n, 2);
  }
}

// INT_MAX entries need some 64 GiB: the runtime's EOutOfMemory, never a bare
// std::bad_alloc (skipped on machines where the allocation could succeed).
TEST(ReadLastNLinesOfTextFile, ResultBeyondMemoryRaisesOutOfMemory) {
#ifdef _WIN32
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  ASSERT_TRUE(::GlobalMemoryStatusEx(&memory));
  const double ram = static_cast<double>(memory.ullTotalPhys);
#else
  const double ram = static_cast<double>(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
#endif
  if (ram > 40e9) GTEST_SKIP() << "enough memory to build the result";
  if (zel_test::AllocationFailuresAreFatal()) GTEST_SKIP() << "allocation failures end the process";
  TempDir dir;
  int32_t n = -1;
  EXPECT_THROW(ReadLastNLinesOfTextFile(dir.Write("f.txt", "a\nb\n"), INT32_MAX, n), EOutOfMemory);
}

TEST(ReadLastNLinesOfTextFile, FileFormLeavesFileAtFirstLine) {
  TempDir dir;
  TextFile f(dir.Write("f.txt", "first\nsecond\nthird\n"));
  int32_t n = 0;
  // An assigned file that is not open yet is opened.
  EXPECT_EQ(ReadLastNLinesOfTextFile(f, 2, n), (TStrArray{u"second", u"third"}));
  EXPECT_EQ(n, 3);
  ASSERT_TRUE(f.IsOpen());
  EXPECT_EQ(f.ReadLn(), u"first");
  // Called again on the open, advanced file: starts from the top.
  EXPECT_EQ(ReadLastNLinesOfTextFile(f, 1, n), (TStrArray{u"third"}));
  EXPECT_EQ(f.ReadLn(), u"first");
}

TEST(ReadLastNLinesOfTextFile, MissingFileRaises) {
  TempDir dir;
  int32_t n = 0;
  EXPECT_EQ(IoCode([&] { ReadLastNLinesOfTextFile(dir.File("x"), 2, n); }), ENOENT);
}

// ---- CountLinesInTextFile --------------------------------------------------------------------

TEST(CountLinesInTextFile, LineEndKinds) {
  struct Case {
    const char* name;
    std::string bytes;
    int32_t want;
  };
  const std::vector<Case> cases = {
      {"empty", "", 0},
      {"one line without end", "abc", 1},
      {"CR LF", "a\r\nb\r\n", 2},
      {"bare LF", "a\nb\nc", 3},
      {"bare CR", "a\rb\r", 2},
      {"lone CR at end", "a\r\nb\r", 2},
      {"only line ends", "\r\n\n\r", 3},
      {"LF CR", "\n\r", 2},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CountLinesInTextFile(dir.Write("c.txt", c.bytes), nullptr), c.want);
  }
}

TEST(CountLinesInTextFile, ProgressEveryThousandLines) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 2500; ++i) bytes += "line\r\n";
  std::vector<double> calls;
  TFeedbackProc progress = [&](TObject* sender, double count, double percent) {
    EXPECT_EQ(sender, nullptr);
    EXPECT_EQ(percent, 0.0);
    calls.push_back(count);
  };
  const String name = dir.Write("p.txt", bytes);
  EXPECT_EQ(CountLinesInTextFile(name, progress), 2500);
  EXPECT_EQ(calls, (std::vector<double>{1000, 2000}));
  // Exactly 2000 lines: the 2000th line still reports.
  calls.clear();
  EXPECT_EQ(CountLinesInTextFile(dir.Write("q.txt", bytes.substr(0, 2000 * 6)), progress), 2000);
  EXPECT_EQ(calls, (std::vector<double>{1000, 2000}));
}

TEST(CountLinesInTextFile, FileFormResetsTheFile) {
  TempDir dir;
  TextFile f(dir.Write("f.txt", "a\nb\nc"));
  f.Reset();
  f.ReadLn();
  EXPECT_EQ(CountLinesInTextFile(f, nullptr), 3);
  EXPECT_EQ(f.ReadLn(), u"a");
}

TEST(CountLinesInTextFile, MissingFileRaises) {
  TempDir dir;
  EXPECT_EQ(IoCode([&] { CountLinesInTextFile(dir.File("x"), nullptr); }), ENOENT);
}

// ---- ReadHeaderOfASC ---------------------------------------------------------------------------

struct Header {
  int32_t status = 99;
  String comment;
  int32_t c1 = -9, c2 = -9;
  bool f1 = true, f2 = true, f3 = true, f4 = true;
  bool operator==(const Header&) const = default;
};

Header FromFile(const String& name) {
  Header h;
  h.status = ReadHeaderOfASC(name, h.comment, h.c1, h.c2, h.f1, h.f2, h.f3, h.f4);
  return h;
}

Header FromStream(TStream& s) {
  Header h;
  h.status = ReadHeaderOfASC(s, h.comment, h.c1, h.c2, h.f1, h.f2, h.f3, h.f4);
  return h;
}

void PrintTo(const Header& h, std::ostream* os) {
  *os << "status " << h.status << " comment \"" << StringToUtf8(h.comment) << "\" counts " << h.c1
      << "," << h.c2 << " flags " << h.f1 << h.f2 << h.f3 << h.f4;
}

TEST(ReadHeaderOfASC, BothForms) {
  struct Case {
    const char* name;
    std::string bytes;
    Header file;    // the file form
    Header stream;  // the stream form
  };
  const std::vector<Case> cases = {
      {"plain",
       "my data\r\n3\r\n4\r\ntrue false true xyz\r\n",
       {0, u"my data", 3, 4, true, false, true, false},
       {0, u"my data", 3, 4, true, false, true, false}},
      {"fourth flag true",
       "c\r\n1\r\n2\r\n FALSE  false TRUE true\r\n",
       {0, u"c", 1, 2, false, false, true, true},
       {0, u"c", 1, 2, false, false, true, true}},
      {"second line holds 0",
       "c\r\n0\r\n5\r\ntrue true true true\r\n",
       {-1, u"c", 0, 0, false, false, false, false},
       {-1, u"c", 0, 0, false, false, false, false}},
      {"negative second count",
       "c\r\n7\r\n-2\r\ntrue true true\r\n",
       {-2, u"c", 7, -2, false, false, false, false},
       {-2, u"c", 7, -2, false, false, false, false}},
      {"true maybe",
       "c\r\n1\r\n1\r\ntrue maybe\r\n",
       {-3, u"c", 1, 1, true, false, false, false},
       {-3, u"c", 1, 1, true, false, false, false}},
      {"tabs: file form only",
       "c\r\n1\r\n1\r\ntrue\tfalse\ttrue\ttrue\r\n",
       {0, u"c", 1, 1, true, false, true, true},
       {-3, u"c", 1, 1, true, false, false, false}},
      {"rest of count lines ignored",
       "c\r\n12 rows\r\n5 cols\r\ntrue true false\r\n",
       {0, u"c", 12, 5, true, true, false, false},
       {0, u"c", 12, 5, true, true, false, false}},
      // Bare LF files, the native form here: the number ends its own line.
      {"bare LF",
       "c\n3\n4\nTRUE FALSE TRUE TRUE\n",
       {0, u"c", 3, 4, true, false, true, true},
       {0, u"c", 3, 4, true, false, true, true}},
      {"bare LF, no final line end",
       "c\n3\n4\nfalse false false",
       {0, u"c", 3, 4, false, false, false, false},
       {0, u"c", 3, 4, false, false, false, false}},
      {"no integer on line 2",
       "c\r\nabc\r\n4\r\ntrue true true\r\n",
       {-1, u"c", 0, 0, false, false, false, false},
       {-1, u"c", 0, 0, false, false, false, false}},
      {"empty file",
       "",
       {-1, u"", 0, 0, false, false, false, false},
       {-1, u"", 0, 0, false, false, false, false}},
      // CR-only lines: the file form reads them; the stream form ends lines at
      // LF only, so the whole stream is the comment.
      {"bare CR",
       "c\r3\r4\rtrue true true\r",
       {0, u"c", 3, 4, true, true, true, false},
       {-1, u"c\r3\r4\rtrue true true\r", 0, 0, false, false, false, false}},
      {"truncated after the counts",
       "c\n3\n4",
       {-3, u"c", 3, 4, false, false, false, false},
       {-3, u"c", 3, 4, false, false, false, false}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FromFile(dir.Write("h.asc", c.bytes)), c.file);
    TStringStream s(c.bytes);
    EXPECT_EQ(FromStream(s), c.stream);
  }
}

TEST(ReadHeaderOfASC, StreamIsLeftAfterLineFour) {
  for (const char* eol : {"\n", "\r\n"}) {
    SCOPED_TRACE(eol[0] == '\n' ? "LF" : "CR LF");
    const std::string e = eol;
    TStringStream s("c" + e + "3" + e + "4" + e + "true true true" + e + "DATA" + e);
    Header h = FromStream(s);
    EXPECT_EQ(h.status, 0);
    bool eos = false;
    EXPECT_EQ(ReadLnStream(s, eos, eolLF), u"DATA");
  }
}

TEST(ReadHeaderOfASC, BareLfCountDoesNotSwallowTheNextLine) {
  // The count's terminating byte is the line feed itself; the next line (the
  // second count) must still be read.
  TStringStream s(std::string("comment\n5\n6\ntrue true true\n"));
  Header h = FromStream(s);
  EXPECT_EQ(h.c1, 5);
  EXPECT_EQ(h.c2, 6);
  EXPECT_EQ(h.status, 0);
}

TEST(ReadHeaderOfASC, MissingFileRaises) {
  TempDir dir;
  Header h;
  EXPECT_EQ(IoCode([&] {
              ReadHeaderOfASC(dir.File("none.asc"), h.comment, h.c1, h.c2, h.f1, h.f2, h.f3, h.f4);
            }),
            ENOENT);
}

// ---- EnsureCRLFInFile ---------------------------------------------------------------------------

TEST(EnsureCRLFInFile, Cases) {
  struct Case {
    std::string in, out;
  };
  const std::vector<Case> cases = {
      {"A\rB", "A\r\nB"},
      {"A\r\nB", "A\r\nB"},
      {"A\nB", "A\nB"},
      {"A\r", "A\r\n"},
      {"\r\rA", "\r\n\rA"},
      {"", ""},
      {"\r", "\r\n"},
      {"A\r\r", "A\r\n\r"},
      {"x\xC3\xA9\ry", "x\xC3\xA9\r\ny"},
      {"\xE9\r", "\xE9\r\n"},            // Windows-1252 stays Windows-1252
      {"a\x80\xFF\r", "a\x80\xFF\r\n"},  // any byte is copied as it is
      // UTF-16 and UTF-32 are repaired in their own units and byte order.
      {std::string("\xFF\xFE"
                   "a\0\r\0b\0\r\0",
                   10),
       std::string("\xFF\xFE"
                   "a\0\r\0\n\0b\0\r\0\n\0",
                   14)},
      {std::string("\xFE\xFF\0a\0\r\0\r\0\n", 10), std::string("\xFE\xFF\0a\0\r\0\n\0\r\0\n", 12)},
      {std::string("\xFF\xFE\0\0\r\0\0\0", 8), std::string("\xFF\xFE\0\0\r\0\0\0\n\0\0\0", 12)},
      {std::string("\xFF\xFE\r\0\x0D", 5), std::string("\xFF\xFE\r\0\n\0\x0D", 7)},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    const String in = dir.Write("in.txt", c.in);
    const String out = dir.File("out.txt");
    EnsureCRLFInFile(in, out);
    EXPECT_EQ(TempDir::Read(out), c.out);
  }
}

TEST(EnsureCRLFInFile, SameFileInAndOut) {
  TempDir dir;
  const String name = dir.Write("f.txt", "a\rb\rc");
  EnsureCRLFInFile(name, name);
  EXPECT_EQ(TempDir::Read(name), "a\r\nb\r\nc");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(EnsureCRLFInFile, MissingInputRaisesAndCreatesNoOutput) {
  TempDir dir;
  const String out = dir.File("out.txt");
  EXPECT_EQ(IoCode([&] { EnsureCRLFInFile(dir.File("none"), out); }), ENOENT);
  EXPECT_FALSE(std::filesystem::exists(StringToUtf8(out)));
}

// ---- FilterCopyTextFile
// ---------------------------------------------------------------------------

TEST(FilterCopyTextFile, Cases) {
  struct Case {
    const char* name;
    std::string in;
    TIntArray drop;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"drop 1 and 3", "l1\r\nl2\r\nl3\r\nl4\r\n", {1, 3}, "l2\r\nl4\r\n"},
      {"drop nothing", "l1\nl2", {}, "l1\r\nl2\r\n"},
      {"unsorted, repeated, out of range", "a\nb\nc", {3, -1, 3, 0, 99}, "a\r\nb\r\n"},
      {"drop all", "a\rb", {2, 1}, ""},
      {"empty input", "", {1}, ""},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const String out = dir.File("out.txt");
    EXPECT_EQ(FilterCopyTextFile(dir.Write("in.txt", c.in), out, c.drop), 0);
    EXPECT_EQ(TempDir::Read(out), c.out);
  }
}

TEST(FilterCopyTextFile, BytesAndUnitsAreKept) {
  TempDir dir;
  const String out = dir.File("out.txt");
  EXPECT_EQ(FilterCopyTextFile(dir.Write("in.txt", "\xE9t\xE9\nx\ny\xFF\r"), out, {2}), 0);
  EXPECT_EQ(TempDir::Read(out), "\xE9t\xE9\r\ny\xFF\r\n");
  const std::string utf16(
      "\xFF\xFE"
      "a\0\n\0b\0\r\0\n\0c\0",
      14);
  EXPECT_EQ(FilterCopyTextFile(dir.Write("in16.txt", utf16), out, {1}), 0);
  EXPECT_EQ(TempDir::Read(out), std::string("\xFF\xFE"
                                            "b\0\r\0\n\0c\0\r\0\n\0",
                                            14));
}

// The in-place repairs replace the file safely: its mode, a symbolic link to
// it and its hard links stay as they were; only the contents change.
TEST(TextFileRepairs, InPlaceRepairsKeepWhatTheFileWas) {
  namespace fs = std::filesystem;
  const std::vector<std::pair<const char*, std::function<void(const String&)>>> repairs = {
      {"EnsureCRLFInFile", [](const String& f) { EnsureCRLFInFile(f, f); }},
      {"FilterCopyTextFile", [](const String& f) { ASSERT_EQ(FilterCopyTextFile(f, f, {9}), 0); }},
  };
  for (const auto& [what, repair] : repairs) {
    SCOPED_TRACE(what);
#ifndef _WIN32  // Windows has no permission bits
    for (const fs::perms mode : {fs::perms(0600), fs::perms(0755), fs::perms(0640)}) {
      TempDir dir;
      const String name = dir.Write("f.txt", "a\rb\r");
      fs::permissions(dir.Path() / "f.txt", mode);
      repair(name);
      EXPECT_EQ(TempDir::Read(name), "a\r\nb\r\n");
      EXPECT_EQ(fs::status(dir.Path() / "f.txt").permissions(), mode);
    }
#endif
    TempDir dir;
    dir.Write("real.txt", "a\rb\r");
    fs::create_hard_link(dir.Path() / "real.txt", dir.Path() / "hard.txt");
    // Wine makes no symbolic links (it reports success and creates nothing):
    // the hard link is repaired through its other name then.
    std::error_code ec;
    fs::create_symlink("real.txt", dir.Path() / "link.txt", ec);
    const bool linked = !ec && fs::is_symlink(fs::symlink_status(dir.Path() / "link.txt", ec));
    repair(dir.File(linked ? "link.txt" : "real.txt"));
    if (linked) {
      EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.txt"));
    }
    EXPECT_EQ(TempDir::Read(dir.File("hard.txt")), "a\r\nb\r\n");
#ifndef _WIN32  // MinGW's std::filesystem counts one name for every file
    EXPECT_EQ(fs::hard_link_count(dir.Path() / "real.txt"), 2u);
#endif
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()),
              linked ? 3 : 2);
  }
}

TEST(FilterCopyTextFile, Statuses) {
  TempDir dir;
  const String in = dir.Write("in.txt", "a\nb\n");
  EXPECT_EQ(FilterCopyTextFile(dir.File("none"), dir.File("o.txt"), {}), -1);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "o.txt"));
  EXPECT_EQ(FilterCopyTextFile(in, dir.File("no/dir/o.txt"), {}), -2);
#ifndef _WIN32
  EXPECT_EQ(FilterCopyTextFile(in, u"/dev/full", {}), -2);
#endif
  // A full disk: the output is not made.
  zel_test::WithFullDisk(0, [&] {
    EXPECT_EQ(FilterCopyTextFile(in, dir.File("full.txt"), {}), -2);
  });
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "full.txt"));
  // Same file: filtered in place.
  EXPECT_EQ(FilterCopyTextFile(in, in, {1}), 0);
  EXPECT_EQ(TempDir::Read(in), "b\r\n");
}

// ---- DetectStringInFile, FindFirstMatchInTextFile ---------------------------------------------

TEST(DetectStringInFile, Cases) {
  struct Case {
    const char* name;
    std::string bytes;
    String search;
    bool ignore_case;
    int32_t max;
    int32_t want;
  };
  const std::vector<Case> cases = {
      {"worked example", "ab\nxcd", u"cd", false, 100, 4},
      {"beyond the maximum", "ab\nxcd", u"cd", false, 3, 0},
      {"exactly the maximum", "ab\nxcd", u"cd", false, 4, 4},
      {"first line", "hello", u"ll", false, 10, 3},
      {"case differs", "ab\nxCD", u"cd", false, 100, 0},
      {"ignore case", "ab\nxCD", u"Cd", true, 100, 4},
      {"line ends not counted", "a\r\n\r\nb\rc", u"c", false, 100, 3},
      {"empty search", "abc", u"", false, 100, 0},
      {"empty file", "", u"a", false, 100, 0},
      {"zero maximum", "abc", u"a", false, 0, 0},
      {"not found", "abc\ndef", u"x", false, 100, 0},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DetectStringInFile(dir.Write("d.txt", c.bytes), c.search, c.ignore_case, c.max),
              c.want);
  }
  EXPECT_EQ(IoCode([&] { DetectStringInFile(dir.File("none"), u"a", false, 5); }), ENOENT);
}

TEST(FindFirstMatchInTextFile, Cases) {
  TempDir dir;
  const String name = dir.Write("f.txt", "first\r\nSecond \xC3\x84pfel\nthird \xC3\xA4pfel\n");
  String line = u"junk";
  EXPECT_EQ(FindFirstMatchInTextFile(name, u"\u00E4pfel", false, line), 7);
  EXPECT_EQ(line, u"third \u00E4pfel");
  EXPECT_EQ(FindFirstMatchInTextFile(name, u"\u00E4PFEL", true, line), 8);  // locale-aware
  EXPECT_EQ(line, u"Second \u00C4pfel");
  EXPECT_EQ(FindFirstMatchInTextFile(name, u"zzz", true, line), 0);
  EXPECT_EQ(line, u"");
  EXPECT_EQ(FindFirstMatchInTextFile(name, u"", false, line), 0);
  EXPECT_EQ(FindFirstMatchInTextFile(dir.Write("e.txt", ""), u"a", true, line), 0);
  EXPECT_EQ(line, u"");
  EXPECT_EQ(IoCode([&] { FindFirstMatchInTextFile(dir.File("none"), u"a", false, line); }), ENOENT);
}

// ---- ReadNextWordInTextFile
// ------------------------------------------------------------------------

TEST(ReadNextWordInTextFile, Words) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<String> words;
  };
  const std::vector<Case> cases = {
      {"worked example", "  hello world", {u"hello", u"world"}},
      {"line ends and tabs", "\r\n\ta\r\nb\tc\n", {u"a", u"b", u"c"}},
      {"controls separate", "x\x01y", {u"x", u"y"}},
      {"non-ASCII letters", "gr\xC3\xBC\xC3\x9F gott", {u"gr\u00FC\u00DF", u"gott"}},
      {"empty", "", {}},
      {"only blanks", " \r\n ", {}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TextFile f(dir.Write("w.txt", c.bytes));
    f.Reset();
    for (const String& w : c.words) EXPECT_EQ(ReadNextWordInTextFile(f), w);
    EXPECT_EQ(ReadNextWordInTextFile(f), u"");
    EXPECT_EQ(ReadNextWordInTextFile(f), u"");
  }
}

TEST(ReadNextWordInTextFile, ConsumesTheSeparator) {
  TempDir dir;
  TextFile f(dir.Write("w.txt", "ab cd\r\nef"));
  f.Reset();
  EXPECT_EQ(ReadNextWordInTextFile(f), u"ab");
  EXPECT_EQ(f.ReadChar(), u'c');
  EXPECT_EQ(ReadNextWordInTextFile(f), u"d");
  EXPECT_EQ(f.ReadChar(), u'\n');  // the CR went with the word
}

// ---- shared conventions
// --------------------------------------------------------------------------

TEST(TextFileUtilities, InvalidUtf8ReadsAsWindows1252PerLine) {
  TempDir dir;
  // Line 1 UTF-8, line 2 Windows-1252 (0x93 and 0x94 are curly quotes).
  const String name = dir.Write("m.txt", "caf\xC3\xA9\r\n\x93quoted\x94\r\n");
  int32_t n = 0;
  EXPECT_EQ(ReadLastNLinesOfTextFile(name, 2, n), (TStrArray{u"caf\u00E9", u"\u201Cquoted\u201D"}));
  String line;
  EXPECT_EQ(FindFirstMatchInTextFile(name, u"\u201D", false, line), 8);
}

TEST(TextFileUtilities, LongLines) {
  TempDir dir;
  const std::string big(3 * 1024 * 1024 + 17, 'q');
  const String name = dir.Write("big.txt", "start\n" + big + "END\nlast");
  EXPECT_EQ(CountLinesInTextFile(name, nullptr), 3);
  EXPECT_EQ(DetectStringInFile(name, u"END", false, INT32_MAX),
            static_cast<int32_t>(5 + big.size() + 1));
  int32_t n = 0;
  const TStrArray tail = ReadLastNLinesOfTextFile(name, 2, n);
  ASSERT_EQ(tail.size(), 2u);
  EXPECT_EQ(tail[0].size(), big.size() + 3);
  EXPECT_EQ(tail[1], u"last");
}

}  // namespace
}  // namespace zel
