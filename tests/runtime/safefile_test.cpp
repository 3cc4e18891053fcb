#include "zel/runtime/safefile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "zel/runtime/exception.h"
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

}  // namespace
