#include "zel/runtime/safefile.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/full_disk.h"
#include "support/temp_dir.h"
#include "zel/platform/backend.h"
#include "zel/platform/replace.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"

namespace {

namespace fs = std::filesystem;
using zel::String;
using zel::TSafeFileStream;
using zel_test::TempDir;
using zel_test::WithFullDisk;

void WriteText(const String& name, const std::string& text) {
  zel::SafeReplaceFile(name, [&](zel::TStream& s) {
    s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  });
}

size_t EntriesIn(const fs::path& dir) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(dir)) ++n;
  return n;
}

// Makes a symbolic link; false where the system makes none (Wine reports
// success for CreateSymbolicLinkW and creates nothing).
bool MakeSymlink(const fs::path& target, const fs::path& link) {
  std::error_code ec;
  fs::create_symlink(target, link, ec);
  return !ec && fs::is_symlink(fs::symlink_status(link, ec));
}

// How many names the file `p` has.
uint64_t LinksOf(const fs::path& p) {
  zel::platform::ReplaceTarget t;
  EXPECT_EQ(zel::platform::NativeReplace().Inspect(-1, zel_test::PathText(p), true, t), 0);
  return t.links;
}

#ifndef _WIN32
mode_t ModeOf(const fs::path& p) {
  struct stat st;
  EXPECT_EQ(::stat(p.c_str(), &st), 0);
  return st.st_mode & 07777;
}
#endif

TEST(SafeFile, ReplacesContentsAndKeepsPermissions) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no permission bits (the read-only attribute is tested apart)";
#else
  TempDir dir;
  for (mode_t mode : {0600, 0644, 0755, 0604}) {
    SCOPED_TRACE(mode);
    const String name = dir.Write("f", "old contents");
    ASSERT_EQ(::chmod(zel::StringToUtf8(name).c_str(), mode), 0);
    WriteText(name, "new");
    EXPECT_EQ(TempDir::Read(name), "new");
    EXPECT_EQ(ModeOf(dir.Path() / "f"), mode);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);  // no temporary left behind
    fs::remove(dir.Path() / "f");
  }
#endif
}

TEST(SafeFile, ReplacesContentsLeavingNoTemporary) {
  TempDir dir;
  const String name = dir.Write("f", "old contents");
  for (const std::string& text : {std::string("new"), std::string(), std::string(100000, 'x')}) {
    SCOPED_TRACE(text.size());
    WriteText(name, text);
    EXPECT_EQ(TempDir::Read(name), text);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
  }
  WriteText(dir.File("fresh"), "made");
  EXPECT_EQ(TempDir::Read(dir.File("fresh")), "made");
  EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

TEST(SafeFile, ReadOnlyFileIsRefused) {
#ifndef _WIN32
  // Windows: the read-only attribute is checked for every account.
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
#endif
  TempDir dir;
  const String name = dir.Write("ro", "keep");
  fs::permissions(dir.Path() / "ro", fs::perms::owner_read | fs::perms::group_read |
                                         fs::perms::others_read);
  EXPECT_THROW(WriteText(name, "new"), zel::EFCreateError);
  EXPECT_EQ(TempDir::Read(name), "keep");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
  fs::permissions(dir.Path() / "ro", fs::perms::owner_write, fs::perm_options::add);
}

TEST(SafeFile, NewFileGetsTheUmaskMode) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no umask: a new file inherits its folder's access list";
#else
  TempDir dir;
  const mode_t old = ::umask(027);
  WriteText(dir.File("new"), "x");
  ::umask(old);
  EXPECT_EQ(ModeOf(dir.Path() / "new"), 0640u);
#endif
}

TEST(SafeFile, UncommittedOrFailedWriteLeavesTargetAlone) {
  TempDir dir;
  const String name = dir.Write("keep", "precious");
  {
    TSafeFileStream s(name);
    s.WriteBuffer("junk", 4);
  }  // destroyed without Commit
  EXPECT_EQ(TempDir::Read(name), "precious");
  EXPECT_THROW(zel::SafeReplaceFile(name,
                                    [](zel::TStream& s) {
                                      s.WriteBuffer("half", 4);
                                      throw std::runtime_error("writer failed");
                                    }),
               std::runtime_error);
  EXPECT_EQ(TempDir::Read(name), "precious");

  // A full disk makes the write itself fail midway.
  const std::string big(4096, 'z');
  WithFullDisk(1024, [&] { EXPECT_THROW(WriteText(name, big), zel::EWriteError); });
  EXPECT_EQ(TempDir::Read(name), "precious");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);

#ifndef _WIN32
  // So does a file-size limit of the system.
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit old_limit;
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 1024;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_THROW(WriteText(name, big), zel::EWriteError);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(TempDir::Read(name), "precious");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
#endif
}

// A replacement whose system refuses one step: creating the temporary, giving
// it the old file's mode, renaming it over the target, or opening a handed
// over temporary again to flush it.
struct RefusingReplace : zel::platform::NativeReplaceServices {
  int step = 0;  // 1 create, 2 mode, 3 rename, 4 reopen
  int CreateExclusive(int folder, const std::string& path, uint32_t mode, int& fd) override {
    if (step == 1) {
      fd = -1;
      return ENOSPC;
    }
    return NativeReplaceServices::CreateExclusive(folder, path, mode, fd);
  }
  int SetMode(int fd, uint32_t mode) override {
    return step == 2 ? EPERM : NativeReplaceServices::SetMode(fd, mode);
  }
  int Rename(int folder, const std::string& from, const std::string& to) override {
    return step == 3 ? EXDEV : NativeReplaceServices::Rename(folder, from, to);
  }
  int OpenForRewrite(int folder, const std::string& path, bool no_follow, int& fd) override {
    if (step == 4) {
      fd = -1;
      return EIO;
    }
    return NativeReplaceServices::OpenForRewrite(folder, path, no_follow, fd);
  }
};

TEST(SafeFile, RefusedSystemStepsKeepTheTargetAndLeaveNothingBehind) {
  RefusingReplace refusing;
  zel::platform::ScopedBackend<zel::platform::ReplaceServices> guard(
      &refusing, &zel::platform::SetReplaceBackend);
  for (int step : {1, 2, 3}) {
    SCOPED_TRACE(step);
    TempDir dir;
    const String name = dir.Write("keep", "precious");
    refusing.step = step;
    if (step == 3) {
      EXPECT_THROW(WriteText(name, "new"), zel::EWriteError);
    } else {
      EXPECT_THROW(WriteText(name, "new"), zel::EFCreateError);
    }
    EXPECT_EQ(TempDir::Read(name), "precious");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
  }
}

TEST(SafeFile, SymbolicLinkStaysALinkAndItsTargetChanges) {
  TempDir dir;
  dir.Write("real", "old");
  fs::create_directory(dir.Path() / "sub");
  if (!MakeSymlink(fs::path("..") / "real", dir.Path() / "sub" / "link"))
    GTEST_SKIP() << "the system made no symbolic link (Wine creates none)";
  WriteText(zel::PathToFileName(zel_test::PathText(dir.Path() / "sub" / "link")), "via link");
  EXPECT_TRUE(fs::is_symlink(dir.Path() / "sub" / "link"));
  EXPECT_EQ(TempDir::Read(dir.File("real")), "via link");
  EXPECT_EQ(EntriesIn(dir.Path() / "sub"), 1u);
}

TEST(SafeFile, HardLinksStayOneFile) {
  TempDir dir;
  dir.Write("a", "old old old");
  fs::create_hard_link(dir.Path() / "a", dir.Path() / "b");
  WriteText(dir.File("a"), "new");
  EXPECT_EQ(TempDir::Read(dir.File("b")), "new");
  EXPECT_EQ(LinksOf(dir.Path() / "a"), 2u);
#ifndef _WIN32  // MinGW's std::filesystem counts one name for every file
  EXPECT_EQ(fs::hard_link_count(dir.Path() / "a"), 2u);
#endif
  EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

// The entry of an open folder: written when it is free or a regular file
// (kept mode; another name of a hard-linked file keeps the old contents),
// never through or over anything else.
#ifndef _WIN32
TEST(SafeFile, EntryOfAnOpenFolderIsOnlyEverARegularFile) {
  TempDir dir;
  const fs::path d = dir.Path();
  dir.Write("plain", "old");
  ::chmod((d / "plain").c_str(), 0640);
  dir.Write("linked", "old old");
  fs::create_hard_link(d / "linked", d / "other-name");
  dir.Write("outside", "outside");
  fs::create_symlink("outside", d / "link");
  fs::create_directory(d / "folder");
  ASSERT_EQ(::mkfifo((d / "fifo").c_str(), 0600), 0);
  const int folder = ::open(d.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  const struct {
    const char* name;
    int error;
  } cases[] = {{"new", 0},       {"plain", 0}, {"linked", 0},  {"link", ELOOP}, {"folder", EISDIR},
               {"fifo", EEXIST}, {"", EINVAL}, {"..", EINVAL}, {"a/b", EINVAL}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int err = -1;
    TSafeFileStream s(folder, zel::Utf8ToString(c.name), err);
    EXPECT_EQ(err, c.error);
    if (err != 0) continue;
    s.WriteBuffer("new", 3);
    s.Commit();
    EXPECT_EQ(TempDir::Read(dir.File(c.name)), "new");
  }
  ::close(folder);
  EXPECT_EQ(ModeOf(d / "plain"), 0640u);
  EXPECT_EQ(TempDir::Read(dir.File("other-name")), "old old");
  EXPECT_EQ(TempDir::Read(dir.File("outside")), "outside");
  EXPECT_EQ(EntriesIn(d), 8u);  // no temporary left behind
}
#else
// Windows: the folder is a handle; there are no FIFOs, and Wine makes no
// symbolic links (the link case runs where the system makes one).
TEST(SafeFile, EntryOfAnOpenFolderIsOnlyEverARegularFile) {
  TempDir dir;
  const fs::path d = dir.Path();
  dir.Write("plain", "old");
  dir.Write("linked", "old old");
  fs::create_hard_link(d / "linked", d / "other-name");
  dir.Write("outside", "outside");
  const bool linked = MakeSymlink("outside", d / "link");
  fs::create_directory(d / "folder");
  const HANDLE handle = ::CreateFileW(d.wstring().c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  const int folder = static_cast<int>(reinterpret_cast<intptr_t>(handle));
  const struct {
    const char* name;
    int error;
  } cases[] = {{"new", 0},          {"plain", 0},   {"linked", 0},  {"link", ELOOP},
               {"folder", EISDIR}, {"", EINVAL},   {"..", EINVAL}, {"a/b", EINVAL},
               {"a\\b", EINVAL}};
  for (const auto& c : cases) {
    if (std::string(c.name) == "link" && !linked) continue;
    SCOPED_TRACE(c.name);
    int err = -1;
    TSafeFileStream s(folder, zel::Utf8ToString(c.name), err);
    EXPECT_EQ(err, c.error);
    if (err != 0) continue;
    s.WriteBuffer("new", 3);
    s.Commit();
    EXPECT_EQ(TempDir::Read(dir.File(c.name)), "new");
  }
  ::CloseHandle(handle);
  EXPECT_EQ(TempDir::Read(dir.File("other-name")), "old old");
  EXPECT_EQ(TempDir::Read(dir.File("outside")), "outside");
  EXPECT_EQ(EntriesIn(d), linked ? 7u : 6u);  // no temporary left behind
}
#endif

TEST(SafeFile, DevicesAreWrittenNotReplaced) {
#ifdef _WIN32
  const String device = u"NUL";
#else
  const String device = u"/dev/null";
#endif
  TSafeFileStream s(device);
  EXPECT_TRUE(s.WritesDirectly());
  s.WriteBuffer("x", 1);
  s.Commit();
#ifndef _WIN32
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
#endif
}

TEST(SafeFile, UnusableTargetsRaiseCreateError) {
  TempDir dir;
  fs::create_directory(dir.Path() / "folder");
  for (const char* name : {"folder", "missing/f"}) {
    SCOPED_TRACE(name);
    try {
      TSafeFileStream s(dir.File(name));
      ADD_FAILURE() << "opened";
    } catch (const zel::EFCreateError& e) {
      EXPECT_EQ(e.Message().rfind(u"Cannot create file \"" + dir.File(name) + u"\". ", 0), 0u);
    }
  }
}

// Runs `fn` with a file-size limit, so writes fail midway as on a full disk
// (Windows has no such limit: a full disk substituted).
void WithFileSizeLimit(size_t bytes, const std::function<void()>& fn) {
#ifdef _WIN32
  WithFullDisk(bytes, fn);
#else
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit old_limit;
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit limit = old_limit;
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  fn();
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
#endif
}

// Every whole-file save of the runtime replaces the file safely: a failure
// midway raises and leaves the previous contents, and no temporary behind.
TEST(SafeFile, SavesThatFailMidwayKeepThePreviousFile) {
  const std::string big(8192, 'z');
  const std::vector<std::pair<const char*, std::function<void(const String&)>>> savers = {
      {"TMemoryStream::SaveToFile",
       [&](const String& name) {
         zel::TMemoryStream ms;
         ms.WriteBuffer(big.data(), static_cast<int64_t>(big.size()));
         ms.SaveToFile(name);
       }},
      {"TStringList::SaveToFile",
       [&](const String& name) {
         zel::TStringList list;
         for (int i = 0; i < 100; ++i) list.Add(zel::Utf8ToString(big.substr(0, 100)));
         list.SaveToFile(name);
       }},
      {"TextFile::Rewrite",
       [&](const String& name) {
         zel::TextFile f(name);
         f.Rewrite();
         f.WriteLn(zel::Utf8ToString(big));
         f.Close();
       }},
  };
  for (const auto& saver : savers) {
    const auto& save =
        saver.second;  // a plain name: lambdas may not capture a structured binding in clang 14
    SCOPED_TRACE(saver.first);
    TempDir dir;
    const String name = dir.Write("f", "precious");
#ifndef _WIN32
    ::chmod(zel::StringToUtf8(name).c_str(), 0600);
#endif
    WithFileSizeLimit(1024, [&] { EXPECT_ANY_THROW(save(name)); });
    EXPECT_EQ(TempDir::Read(name), "precious");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    save(name);  // and without the limit it works, keeping the mode
    EXPECT_GT(TempDir::Read(name).size(), 1024u);
#ifndef _WIN32
    EXPECT_EQ(ModeOf(dir.Path() / "f"), 0600u);
#endif
  }
}

// A TextFile abandoned while an exception is on its way keeps the old file.
TEST(SafeFile, TextFileAbandonedByAnErrorKeepsTheOldContents) {
  TempDir dir;
  const String name = dir.Write("t", "old\r\n");
  try {
    zel::TextFile f(name);
    f.Rewrite();
    f.WriteLn(u"half");
    throw std::runtime_error("writer failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(TempDir::Read(name), "old\r\n");
  {
    zel::TextFile f(name);
    f.Rewrite();
    f.WriteLn(u"new");
  }  // destroyed normally: written
  EXPECT_EQ(TempDir::Read(name), "new\r\n");
}

#ifndef _WIN32
// The temporary of an existing private file is never readable by others.
// (Windows: the temporary inherits the folder's access list, and takes the
// file's own with ReplaceFileW.)
TEST(SafeFile, TemporaryOfAPrivateFileIsPrivate) {
  TempDir dir;
  const String name = dir.Write("secret", "old");
  ::chmod(zel::StringToUtf8(name).c_str(), 0600);
  TSafeFileStream s(name);
  struct stat st;
  ASSERT_EQ(::fstat(s.Handle(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A name that stands for an open descriptor is written, not replaced, also
// when the descriptor is a pipe or a redirected regular file.
TEST(SafeFile, DescriptorNamesAreWrittenDirectly) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const String pipe_name = zel::Utf8ToString("/proc/self/fd/" + std::to_string(fds[1]));
  {
    TSafeFileStream s(pipe_name);
    EXPECT_TRUE(s.WritesDirectly());
    s.WriteBuffer("via pipe", 8);
    s.Commit();
  }
  ::close(fds[1]);
  char buf[16] = {};
  EXPECT_EQ(::read(fds[0], buf, sizeof buf), 8);
  ::close(fds[0]);

  TempDir dir;
  const String file = dir.Write("out", "old");
  const int fd = ::open(zel::StringToUtf8(file).c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  struct stat before;
  ::fstat(fd, &before);
  zel::SafeReplaceFile(zel::Utf8ToString("/proc/self/fd/" + std::to_string(fd)),
                       [](zel::TStream& s) { s.WriteBuffer("new", 3); });
  struct stat after;
  ASSERT_EQ(::stat(zel::StringToUtf8(file).c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // the same file, written in place
  EXPECT_EQ(TempDir::Read(file), "new");
  ::close(fd);
}
#endif  // !_WIN32

// Directories are no files: opening one for a stream is refused; loading
// reads to the end of the data whatever size the file reports.
TEST(FileStreams, DirectoriesRefusedAndLoadsReadToTheEnd) {
  TempDir dir;
  EXPECT_THROW(zel::TFileStream(zel::PathToFileName(dir.Path().string()), zel::fmOpenRead),
               zel::EFOpenError);
  zel::TMemoryStream ms;
  EXPECT_THROW(ms.LoadFromFile(zel::PathToFileName(dir.Path().string())), zel::EFOpenError);
#ifndef _WIN32
  ms.LoadFromFile(u"/proc/self/status");  // reports size 0
  ASSERT_GT(ms.Size(), 20);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ms.Memory()), 5), "Name:");
  zel::TStringList list;
  list.LoadFromFile(u"/proc/self/status");
  EXPECT_GT(list.Count(), 5);
#endif
}

#ifdef _WIN32
// Windows: a replacement keeps the attributes that say how a file is shown,
// never replaces a file another program holds without delete sharing, and
// leaves the file as it was when that is refused.

DWORD AttributesOf(const fs::path& p) { return ::GetFileAttributesW(p.wstring().c_str()); }

TEST(SafeFileWindows, HiddenAndSystemAttributesAreKept) {
  TempDir dir;
  const String name = dir.Write("h", "old");
  ASSERT_TRUE(::SetFileAttributesW((dir.Path() / "h").wstring().c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  WriteText(name, "new");
  EXPECT_EQ(TempDir::Read(name), "new");
  const DWORD now = AttributesOf(dir.Path() / "h");
  EXPECT_NE(now & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_NE(now & FILE_ATTRIBUTE_SYSTEM, 0u);
  EXPECT_EQ(now & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
  // A plain file stays plain (the temporary's name starts with ".").
  const String plain = dir.Write("p", "old");
  WriteText(plain, "new");
  EXPECT_EQ(AttributesOf(dir.Path() / "p") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
}

TEST(SafeFileWindows, ReadOnlyAttributeRefusesAndStays) {
  TempDir dir;
  const String name = dir.Write("ro", "keep");
  const std::wstring path = (dir.Path() / "ro").wstring();
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  int err = 0;
  {
    TSafeFileStream s(name, err);
    EXPECT_EQ(err, EACCES);
    EXPECT_LT(s.Handle(), 0);
  }
  EXPECT_EQ(TempDir::Read(name), "keep");
  EXPECT_NE(AttributesOf(dir.Path() / "ro") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SafeFileWindows, FileHeldWithoutDeleteSharingIsReportedAndIntact) {
  TempDir dir;
  const String name = dir.Write("busy", "in use");
  for (const DWORD share : {DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
    SCOPED_TRACE(share);
    const HANDLE other = ::CreateFileW((dir.Path() / "busy").wstring().c_str(), GENERIC_READ, share,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    try {
      WriteText(name, "clobbered");
      ADD_FAILURE() << "replaced a file in use";
    } catch (const zel::EWriteError& e) {
      EXPECT_NE(e.Message().find(u"Cannot write file"), String::npos);
    }
    ::CloseHandle(other);
    EXPECT_EQ(TempDir::Read(name), "in use");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
  }
  WriteText(name, "free again");
  EXPECT_EQ(TempDir::Read(name), "free again");
}

// Entries of a folder, counted through the system (long paths included).
size_t EntriesThroughTheSystem(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  const HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return 0;
  size_t n = 0;
  do {
    const std::wstring entry = found.cFileName;
    if (entry != L"." && entry != L"..") ++n;
  } while (::FindNextFileW(h, &found));
  ::FindClose(h);
  return n;
}

TEST(SafeFileWindows, LongPathsAndUnicodeNames) {
  TempDir dir;
  std::wstring deep = L"\\\\?\\" + dir.Path().wstring();
  std::string deep_text = zel_test::PathText(dir.Path());
  for (int i = 0; i < 6; ++i) {
    const std::string part(50, static_cast<char>('a' + i));
    deep += L"\\" + std::wstring(part.begin(), part.end());
    deep_text += "\\" + part;
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
  }
  const String name = zel::PathToFileName(deep_text + "\\\xC3\xA9t\xC3\xA9 \xE6\x97\xA5.txt");
  ASSERT_GT(name.size(), 300u);
  WriteText(name, "first");
  WriteText(name, "second");
  zel::TStringList list;
  list.LoadFromFile(name);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], u"second");
  EXPECT_EQ(EntriesThroughTheSystem(deep), 1u);
  // Removed through the system too: std::filesystem stops at the old limit.
  EXPECT_TRUE(::DeleteFileW((deep + L"\\\u00e9t\u00e9 \u65e5.txt").c_str()));
  for (int i = 0; i < 6; ++i) {
    EXPECT_TRUE(::RemoveDirectoryW(deep.c_str()));
    deep.erase(deep.rfind(L'\\'));
  }
}
#endif  // _WIN32

// A writer that opens the file by name (the Windows print spooler) takes
// over the temporary; Commit puts its contents in place, destruction
// without Commit removes them.
TEST(SafeFile, HandOverLetsAWriterByNameReplaceTheFile) {
  const auto write_by_name = [](const std::string& path, const std::string& text) {
    // The path is UTF-8 on both systems.
    std::ofstream out(fs::path(reinterpret_cast<const char8_t*>(path.c_str())),
                      std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
  };
  TempDir dir;
  const String name = dir.Write("f", "old");
  for (bool commit : {false, true}) {
    SCOPED_TRACE(commit);
    TSafeFileStream s(name);
    const std::string path = s.HandOver();
    ASSERT_FALSE(path.empty());
    EXPECT_NE(fs::path(path).filename(), "f");
    EXPECT_EQ(fs::path(path).parent_path(), dir.Path());
    EXPECT_EQ(s.HandOver(), "");  // once
    ASSERT_TRUE(write_by_name(path, "new"));
    EXPECT_EQ(TempDir::Read(name), "old");
    if (commit) {
      s.Commit();
      EXPECT_TRUE(s.Committed());
      EXPECT_EQ(s.HandOver(), "");
    }
  }
  EXPECT_EQ(TempDir::Read(name), "new");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
  // What the writer left cannot be flushed before it would replace the file:
  // the commit fails, and the file and folder stay as they were.
  {
    RefusingReplace refusing;
    refusing.step = 4;
    zel::platform::ScopedBackend<zel::platform::ReplaceServices> guard(
        &refusing, &zel::platform::SetReplaceBackend);
    TSafeFileStream s(name);
    ASSERT_TRUE(write_by_name(s.HandOver(), "lost"));
    EXPECT_THROW(s.Commit(), zel::EWriteError);
    EXPECT_FALSE(s.Committed());
  }
  EXPECT_EQ(TempDir::Read(name), "new");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
  // A new file.
  {
    TSafeFileStream s(dir.File("fresh"));
    ASSERT_TRUE(write_by_name(s.HandOver(), "made"));
    s.Commit();
  }
  EXPECT_EQ(TempDir::Read(dir.File("fresh")), "made");
  EXPECT_EQ(EntriesIn(dir.Path()), 2u);
  // A file with several names is rewritten in place from a file without a
  // name: nothing to hand over, and the stream writes on as before.
  std::error_code ec;
  fs::create_hard_link(dir.Path() / "f", dir.Path() / "g", ec);
  if (!ec && LinksOf(dir.Path() / "f") == 2) {
    TSafeFileStream s(name);
    EXPECT_EQ(s.HandOver(), "");
    s.WriteBuffer("both", 4);
    s.Commit();
    EXPECT_EQ(TempDir::Read(dir.File("g")), "both");
  }
}

}  // namespace
