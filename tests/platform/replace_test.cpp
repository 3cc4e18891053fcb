#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <signal.h>
#endif

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_dir.h"
#include "zel/platform/backend.h"
#include "zel/platform/descriptors.h"
#include "zel/platform/interrupt.h"
#include "zel/platform/replace.h"

namespace {

namespace fs = std::filesystem;
using zel::platform::Descriptors;
using zel::platform::NativeReplace;
using zel::platform::ReplaceTarget;

void WriteText(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Text(const fs::path& p) { return zel_test::PathText(p); }

// Makes a symbolic link; false where the system makes none (Wine reports
// success for CreateSymbolicLinkW and creates nothing; Windows without the
// right to make links refuses).
bool MakeSymlink(const fs::path& target, const fs::path& link) {
  std::error_code ec;
  fs::create_symlink(target, link, ec);
  return !ec && fs::is_symlink(fs::symlink_status(link, ec));
}

// The device that swallows every write.
#ifdef _WIN32
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif

TEST(ReplaceServicesTest, InspectTellsKindsApartWithoutFollowingWhenAsked) {
  zel_test::TempDir dir;
  const fs::path file = dir.Path() / "f", link = dir.Path() / "l";
  WriteText(file, "x");
  const bool linked = MakeSymlink(file, link);
  struct Case {
    fs::path path;
    bool follow;
    ReplaceTarget::Kind kind;
    bool needs_link;
  } cases[] = {{file, false, ReplaceTarget::Kind::kRegular, false},
               {link, true, ReplaceTarget::Kind::kRegular, true},
               {link, false, ReplaceTarget::Kind::kSymlink, true},
               {dir.Path(), false, ReplaceTarget::Kind::kDirectory, false},
               {kNullDevice, true, ReplaceTarget::Kind::kOther, false}};
  for (const Case& c : cases) {
    if (c.needs_link && !linked) continue;
    SCOPED_TRACE(Text(c.path) + (c.follow ? " followed" : ""));
    ReplaceTarget t;
    ASSERT_EQ(NativeReplace().Inspect(-1, Text(c.path), c.follow, t), 0);
    EXPECT_EQ(t.kind, c.kind);
  }
  ReplaceTarget t;
  ASSERT_EQ(NativeReplace().Inspect(-1, Text(file), false, t), 0);
  EXPECT_EQ(t.links, 1u);
  EXPECT_EQ(t.mode & 0600, 0600u);
  EXPECT_EQ(NativeReplace().Inspect(-1, Text(dir.Path() / "none"), true, t), ENOENT);
  if (!linked) GTEST_SKIP() << "the system made no symbolic link (Wine creates none)";
}

TEST(ReplaceServicesTest, ExclusiveCreationRefusesEveryTakenName) {
  zel_test::TempDir dir;
  WriteText(dir.Path() / "taken", "old");
  fs::create_directory(dir.Path() / "folder");
  const bool linked = MakeSymlink(dir.Path() / "nowhere", dir.Path() / "link");
  for (const char* name : {"taken", "folder", "link"}) {
    if (std::string(name) == "link" && !linked) continue;
    SCOPED_TRACE(name);
    int fd = 0;
    EXPECT_EQ(NativeReplace().CreateExclusive(-1, Text(dir.Path() / name), 0600, fd), EEXIST);
    EXPECT_EQ(fd, -1);
  }
  EXPECT_FALSE(fs::exists(dir.Path() / "nowhere"));
  EXPECT_EQ(ReadText(dir.Path() / "taken"), "old");
  // A free name is made, and can go again.
  int fd = -1;
  ASSERT_EQ(NativeReplace().CreateExclusive(-1, Text(dir.Path() / "new"), 0600, fd), 0);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(Descriptors().WriteAll(fd, "abc", 3), 0);
  EXPECT_EQ(Descriptors().Close(fd), 0);
  EXPECT_EQ(ReadText(dir.Path() / "new"), "abc");
  EXPECT_EQ(NativeReplace().Remove(-1, Text(dir.Path() / "new")), 0);
  EXPECT_FALSE(fs::exists(dir.Path() / "new"));
  EXPECT_EQ(NativeReplace().Remove(-1, Text(dir.Path() / "new")), ENOENT);
  if (!linked) GTEST_SKIP() << "the system made no symbolic link (Wine creates none)";
}

TEST(ReplaceServicesTest, ReadLinkTellsLinksFromFiles) {
  zel_test::TempDir dir;
  WriteText(dir.Path() / "f", "x");
  std::string text = "stale";
  EXPECT_EQ(NativeReplace().ReadLink(Text(dir.Path() / "f"), text), EINVAL);
  EXPECT_EQ(NativeReplace().ReadLink(Text(dir.Path() / "none"), text), ENOENT);
  EXPECT_EQ(text, "stale");
  if (!MakeSymlink("f", dir.Path() / "rel"))
    GTEST_SKIP() << "the system made no symbolic link (Wine creates none)";
  ASSERT_EQ(NativeReplace().ReadLink(Text(dir.Path() / "rel"), text), 0);
  EXPECT_EQ(text, "f");
}

TEST(ReplaceServicesTest, RandomBytesFillTheBuffer) {
  for (size_t len : {size_t{0}, size_t{1}, size_t{6}, size_t{4096}}) {
    SCOPED_TRACE(len);
    std::string a(len, '\0'), b(len, '\0');
    ASSERT_EQ(NativeReplace().RandomBytes(a.data(), len), 0);
    ASSERT_EQ(NativeReplace().RandomBytes(b.data(), len), 0);
    if (len >= 6) {
      EXPECT_NE(a, b);
    }
  }
}

TEST(ReplaceServicesTest, RenameReplacesAndAnonymousFilesLeaveNothing) {
  zel_test::TempDir dir;
  WriteText(dir.Path() / "from", "new");
  WriteText(dir.Path() / "to", "old");
  ASSERT_EQ(NativeReplace().Rename(-1, Text(dir.Path() / "from"), Text(dir.Path() / "to")), 0);
  EXPECT_EQ(ReadText(dir.Path() / "to"), "new");
  EXPECT_FALSE(fs::exists(dir.Path() / "from"));
  // To a free name.
  ASSERT_EQ(NativeReplace().Rename(-1, Text(dir.Path() / "to"), Text(dir.Path() / "fresh")), 0);
  EXPECT_EQ(ReadText(dir.Path() / "fresh"), "new");
  EXPECT_EQ(NativeReplace().Rename(-1, Text(dir.Path() / "gone"), Text(dir.Path() / "x")), ENOENT);

  int fd = -1;
  ASSERT_EQ(NativeReplace().OpenAnonymous(fd), 0);
  EXPECT_EQ(Descriptors().WriteAll(fd, "scratch", 7), 0);
  int copy = -1;
  ASSERT_EQ(NativeReplace().OpenForRewrite(-1, Text(dir.Path() / "fresh"), false, copy), 0);
  EXPECT_EQ(NativeReplace().CopyOver(fd, copy), 0);
  EXPECT_EQ(Descriptors().Close(copy), 0);
  EXPECT_EQ(Descriptors().Close(fd), 0);
  EXPECT_EQ(ReadText(dir.Path() / "fresh"), "scratch");
}

TEST(ReplaceServicesTest, CopyOverCutsTheTargetToTheSourceLength) {
  zel_test::TempDir dir;
  WriteText(dir.Path() / "from", "new");
  WriteText(dir.Path() / "to", "much longer old text");
  int from = -1, to = -1;
  ASSERT_EQ(Descriptors().OpenFile(Text(dir.Path() / "from"),
                                   zel::platform::OpenFor::kReading, from),
            0);
  ASSERT_EQ(NativeReplace().OpenForRewrite(-1, Text(dir.Path() / "to"), false, to), 0);
  EXPECT_EQ(NativeReplace().CopyOver(from, to), 0);
  Descriptors().Close(from);
  Descriptors().Close(to);
  EXPECT_EQ(ReadText(dir.Path() / "to"), "new");
}

#ifndef _WIN32
// Signals are Linux's requests to end; the Windows console's are tested with
// the Windows implementation of the interrupts.
std::atomic<int> g_requests{0};
void CountRequest() { g_requests.fetch_add(1); }

TEST(InterruptServicesTest, StopRequestsCallTheHandlerUntilReleased) {
  auto& interrupts = zel::platform::NativeInterrupts();
  struct sigaction before_int {}, before_term {};
  ::sigaction(SIGINT, nullptr, &before_int);
  ::sigaction(SIGTERM, nullptr, &before_term);
  ASSERT_EQ(interrupts.Catch(CountRequest), 0);
  ::raise(SIGINT);
  ::raise(SIGTERM);
  EXPECT_EQ(g_requests.load(), 2);
  interrupts.Release();
  for (int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    struct sigaction now {};
    ::sigaction(sig, nullptr, &now);
    EXPECT_EQ(now.sa_handler, sig == SIGINT ? before_int.sa_handler : before_term.sa_handler);
  }
  interrupts.Release();  // nothing caught: nothing changes
}

#endif  // !_WIN32

#ifdef _WIN32
// Windows: what a replacement must keep or refuse in attributes.

DWORD AttributesOf(const fs::path& p) { return ::GetFileAttributesW(p.wstring().c_str()); }

TEST(ReplaceServicesWindowsTest, ReadOnlyIsRefusedAndHiddenIsCarried) {
  zel_test::TempDir dir;
  const fs::path ro = dir.Path() / "ro", hidden = dir.Path() / "hidden";
  WriteText(ro, "keep");
  ASSERT_TRUE(::SetFileAttributesW(ro.wstring().c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(NativeReplace().CheckWritable(-1, Text(ro), true), EACCES);
  EXPECT_EQ(NativeReplace().CheckWritable(-1, Text(ro), false), EACCES);
  EXPECT_EQ(NativeReplace().CheckWritable(-1, Text(dir.Path() / "none"), false), ENOENT);
  ReplaceTarget t;
  ASSERT_EQ(NativeReplace().Inspect(-1, Text(ro), true, t), 0);
  EXPECT_EQ(t.mode & 0222, 0u);
  // Even renamed over (run as an administrator, some systems would let it).
  WriteText(dir.Path() / "new", "new");
  EXPECT_EQ(NativeReplace().Rename(-1, Text(dir.Path() / "new"), Text(ro)), EACCES);
  EXPECT_EQ(ReadText(ro), "keep");
  EXPECT_EQ(NativeReplace().Remove(-1, Text(ro)), 0);  // removed as unlink would
  EXPECT_FALSE(fs::exists(ro));

  WriteText(hidden, "old");
  ASSERT_TRUE(::SetFileAttributesW(hidden.wstring().c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(NativeReplace().CheckWritable(-1, Text(hidden), false), 0);
  ASSERT_EQ(NativeReplace().Rename(-1, Text(dir.Path() / "new"), Text(hidden)), 0);
  EXPECT_EQ(ReadText(hidden), "new");
  const DWORD now = AttributesOf(hidden);
  EXPECT_NE(now & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_NE(now & FILE_ATTRIBUTE_SYSTEM, 0u);
}

TEST(ReplaceServicesWindowsTest, SetModeIsTheReadOnlyAttribute) {
  zel_test::TempDir dir;
  int fd = -1;
  ASSERT_EQ(NativeReplace().CreateExclusive(-1, Text(dir.Path() / "f"), 0600, fd), 0);
  EXPECT_EQ(NativeReplace().SetOwner(fd, 0, 0), 0);  // security passes with ReplaceFileW
  EXPECT_EQ(NativeReplace().SetMode(fd, 0444), 0);
  EXPECT_NE(AttributesOf(dir.Path() / "f") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(NativeReplace().SetMode(fd, 0644), 0);
  EXPECT_EQ(AttributesOf(dir.Path() / "f") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(Descriptors().Close(fd), 0);
  EXPECT_EQ(NativeReplace().SyncFolderNamed(Text(dir.Path())), 0);
}

TEST(ReplaceServicesWindowsTest, FileInUseWithoutDeleteSharingIsNotReplaced) {
  zel_test::TempDir dir;
  const fs::path target = dir.Path() / "busy";
  WriteText(target, "in use");
  WriteText(dir.Path() / "new", "new");
  const HANDLE other = ::CreateFileW(target.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_NE(NativeReplace().Rename(-1, Text(dir.Path() / "new"), Text(target)), 0);
  ::CloseHandle(other);
  EXPECT_EQ(ReadText(target), "in use");
  EXPECT_EQ(ReadText(dir.Path() / "new"), "new");
}

TEST(ReplaceServicesWindowsTest, EntriesOfAnOpenFolder) {
  zel_test::TempDir dir;
  const HANDLE folder = ::CreateFileW(
      dir.Path().wstring().c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(folder, INVALID_HANDLE_VALUE);
  const int at = static_cast<int>(reinterpret_cast<intptr_t>(folder));
  int fd = -1;
  ASSERT_EQ(NativeReplace().CreateExclusive(at, "t\xC3\xA9mp", 0600, fd), 0);
  EXPECT_EQ(Descriptors().WriteAll(fd, "abc", 3), 0);
  EXPECT_EQ(Descriptors().Close(fd), 0);
  ReplaceTarget t;
  ASSERT_EQ(NativeReplace().Inspect(at, "t\xC3\xA9mp", false, t), 0);
  EXPECT_EQ(t.kind, ReplaceTarget::Kind::kRegular);
  EXPECT_EQ(NativeReplace().Rename(at, "t\xC3\xA9mp", "final"), 0);
  EXPECT_EQ(ReadText(dir.Path() / "final"), "abc");
  EXPECT_EQ(NativeReplace().SyncFolder(at), 0);
  EXPECT_EQ(NativeReplace().Remove(at, "final"), 0);
  EXPECT_TRUE(fs::is_empty(dir.Path()));
  ::CloseHandle(folder);
}
#endif  // _WIN32

}  // namespace
