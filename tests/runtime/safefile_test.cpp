#include "zel/runtime/safefile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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

mode_t ModeOf(const fs::path& p) {
  struct stat st;
  EXPECT_EQ(::stat(p.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(SafeFile, ReplacesContentsAndKeepsPermissions) {
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
}

TEST(SafeFile, ReadOnlyFileIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  TempDir dir;
  const String name = dir.Write("ro", "keep");
  ::chmod(zel::StringToUtf8(name).c_str(), 0444);
  EXPECT_THROW(WriteText(name, "new"), zel::EFCreateError);
  EXPECT_EQ(TempDir::Read(name), "keep");
}

TEST(SafeFile, NewFileGetsTheUmaskMode) {
  TempDir dir;
  const mode_t old = ::umask(027);
  WriteText(dir.File("new"), "x");
  ::umask(old);
  EXPECT_EQ(ModeOf(dir.Path() / "new"), 0640u);
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

  // A file-size limit makes the write itself fail midway, as a full disk does.
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit old_limit;
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 1024;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const std::string big(4096, 'z');
  EXPECT_THROW(WriteText(name, big), zel::EWriteError);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(TempDir::Read(name), "precious");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

// A replacement whose system refuses one step: creating the temporary, giving
// it the old file's mode, or renaming it over the target.
struct RefusingReplace : zel::platform::NativeReplaceServices {
  int step = 0;  // 1 create, 2 mode, 3 rename
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
  fs::create_symlink("../real", dir.Path() / "sub" / "link");
  WriteText(dir.File("sub/link"), "via link");
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
  EXPECT_EQ(fs::hard_link_count(dir.Path() / "a"), 2u);
  EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

// The entry of an open folder: written when it is free or a regular file
// (kept mode; another name of a hard-linked file keeps the old contents),
// never through or over anything else.
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

TEST(SafeFile, DevicesAreWrittenNotReplaced) {
  TSafeFileStream s(u"/dev/null");
  EXPECT_TRUE(s.WritesDirectly());
  s.WriteBuffer("x", 1);
  s.Commit();
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
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

// Runs `fn` with a file-size limit, so writes fail midway as on a full disk.
void WithFileSizeLimit(rlim_t bytes, const std::function<void()>& fn) {
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit old_limit;
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit limit = old_limit;
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  fn();
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
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
    ::chmod(zel::StringToUtf8(name).c_str(), 0600);
    WithFileSizeLimit(1024, [&] { EXPECT_ANY_THROW(save(name)); });
    EXPECT_EQ(TempDir::Read(name), "precious");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    save(name);  // and without the limit it works, keeping the mode
    EXPECT_GT(TempDir::Read(name).size(), 1024u);
    EXPECT_EQ(ModeOf(dir.Path() / "f"), 0600u);
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

// The temporary of an existing private file is never readable by others.
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

// Directories are no files: opening one for a stream is refused; loading
// reads to the end of the data whatever size the file reports.
TEST(FileStreams, DirectoriesRefusedAndLoadsReadToTheEnd) {
  TempDir dir;
  EXPECT_THROW(zel::TFileStream(zel::PathToFileName(dir.Path().string()), zel::fmOpenRead),
               zel::EFOpenError);
  zel::TMemoryStream ms;
  EXPECT_THROW(ms.LoadFromFile(zel::PathToFileName(dir.Path().string())), zel::EFOpenError);
  ms.LoadFromFile(u"/proc/self/status");  // reports size 0
  ASSERT_GT(ms.Size(), 20);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ms.Memory()), 5), "Name:");
  zel::TStringList list;
  list.LoadFromFile(u"/proc/self/status");
  EXPECT_GT(list.Count(), 5);
}

}  // namespace
