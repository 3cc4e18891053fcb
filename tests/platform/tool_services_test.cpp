#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/pipe.h"
#include "support/temp_dir.h"
#include "support/wine.h"
#include "zel/platform/descriptors.h"
#include "zel/platform/interrupt.h"
#include "zel/platform/scratch.h"
#include "zel/platform/terminal.h"

namespace {

namespace fs = std::filesystem;
using zel::platform::NativeScratch;

TEST(ScratchSpaceTest, PrivateFolderIsNewAndOwnerOnly) {
  zel_test::TempDir dir;
  std::string first, second;
  ASSERT_EQ(NativeScratch().MakePrivateFolder(dir.Path().string(), "t-", first), 0);
  ASSERT_EQ(NativeScratch().MakePrivateFolder(dir.Path().string() + "/", "t-", second), 0);
  EXPECT_NE(first, second);
  for (const std::string& made : {first, second}) {
    SCOPED_TRACE(made);
    EXPECT_EQ(fs::path(made).parent_path(), dir.Path());
    EXPECT_EQ(fs::path(made).filename().string().rfind("t-", 0), 0u);
    EXPECT_TRUE(fs::is_directory(made));
#ifndef _WIN32  // POSIX mode bits; Windows folders take their parent's access list
    EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all);
#endif
  }
  std::string none = "stale";
  EXPECT_EQ(NativeScratch().MakePrivateFolder((dir.Path() / "missing").string(), "t-", none),
            ENOENT);
  EXPECT_EQ(none, "");
}

TEST(ScratchSpaceTest, AnonymousFileGivesBackWhatWasWritten) {
  std::string big(200000, 'x');
  big[123456] = 'y';
  for (const std::string& text : {std::string(), std::string("one line\n"), big}) {
    SCOPED_TRACE(text.size());
    std::string bytes = "stale";
    std::string seen;
    ASSERT_EQ(NativeScratch().CaptureAnonymousFile(
                  "zel-test",
                  [&](const std::string& path) {
                    seen = path;
                    std::ofstream(path, std::ios::binary) << text;
                  },
                  bytes),
              0);
    EXPECT_EQ(bytes, text);
    EXPECT_FALSE(fs::exists(seen)) << "the file outlived the call";
  }
  std::string bytes;
  EXPECT_THROW(NativeScratch().CaptureAnonymousFile(
                   "zel-test", [](const std::string&) { throw std::runtime_error("stop"); }, bytes),
               std::runtime_error);
}

TEST(ScratchSpaceTest, NamelessFileLeavesNoName) {
  zel_test::TempDir dir;
  int fd = -1;
  ASSERT_EQ(NativeScratch().OpenNamelessFile(dir.Path().string(), "n-", fd), 0);
#ifdef _WIN32
  // Windows takes the name away at once where the file system deletes with
  // POSIX semantics; Wine has none of those, there it goes with the handle.
  if (!zel_test::UnderWine()) {
    EXPECT_TRUE(fs::is_empty(dir.Path()));
  }
#else
  EXPECT_TRUE(fs::is_empty(dir.Path()));
#endif
  EXPECT_EQ(zel::platform::NativeDescriptors().WriteAll(fd, "abc", 3), 0);
#ifndef _WIN32  // Linux reaches the file through its descriptor's /proc name
  EXPECT_EQ(fs::file_size("/proc/self/fd/" + std::to_string(fd)), 3u);
#endif
  EXPECT_EQ(zel::platform::NativeDescriptors().Sync(fd), 0);
  EXPECT_EQ(zel::platform::NativeDescriptors().Close(fd), 0);
  EXPECT_TRUE(fs::is_empty(dir.Path()));
  EXPECT_EQ(NativeScratch().OpenNamelessFile((dir.Path() / "missing").string(), "n-", fd), ENOENT);
  EXPECT_EQ(fd, -1);
}

TEST(DescriptorsTest, IdentityAndReadability) {
  zel_test::TempDir dir;
  auto& d = zel::platform::NativeDescriptors();
  std::ofstream(dir.Path() / "a") << "x";
  fs::create_hard_link(dir.Path() / "a", dir.Path() / "b");
  zel::platform::FileIdentity a, b, folder, none;
  ASSERT_EQ(d.Identify((dir.Path() / "a").string(), a), 0);
  ASSERT_EQ(d.Identify((dir.Path() / "b").string(), b), 0);
  ASSERT_EQ(d.Identify(dir.Path().string(), folder), 0);
  EXPECT_TRUE(a.regular);
  EXPECT_FALSE(a.directory);
  EXPECT_EQ(a.device, b.device);
  EXPECT_EQ(a.inode, b.inode);
  EXPECT_TRUE(folder.directory);
  EXPECT_NE(folder.inode, a.inode);
  EXPECT_EQ(d.Identify((dir.Path() / "missing").string(), none), ENOENT);
  EXPECT_EQ(d.CheckReadable((dir.Path() / "a").string()), 0);
  EXPECT_EQ(d.CheckReadable((dir.Path() / "missing").string()), ENOENT);
  EXPECT_EQ(d.WriteAll(-1, "x", 1), EBADF);
  EXPECT_EQ(d.Close(-1), EBADF);
}

TEST(DescriptorsTest, OpenReadRewindAppend) {
  zel_test::TempDir dir;
  auto& d = zel::platform::NativeDescriptors();
  using zel::platform::OpenFor;
  const std::string file = (dir.Path() / "f").string();
  std::ofstream(file) << "abc";
  int fd = -1;
  ASSERT_EQ(d.OpenFile(file, OpenFor::kAppending, fd), 0);
  EXPECT_EQ(d.WriteAll(fd, "de", 2), 0);
  EXPECT_EQ(d.Close(fd), 0);
  ASSERT_EQ(d.OpenFile(file, OpenFor::kReading, fd), 0);
  char buf[8] = {};
  size_t got = 0;
  EXPECT_EQ(d.Read(fd, buf, sizeof buf, got), 0);
  EXPECT_EQ(std::string(buf, got), "abcde");
  EXPECT_EQ(d.Read(fd, buf, sizeof buf, got), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(d.Rewind(fd), 0);
  EXPECT_EQ(d.Read(fd, buf, 2, got), 0);
  EXPECT_EQ(std::string(buf, got), "ab");
  EXPECT_EQ(d.Close(fd), 0);

  EXPECT_EQ(d.OpenFile(file + ".missing", OpenFor::kAppending, fd), ENOENT);
  EXPECT_EQ(fd, -1);
  EXPECT_FALSE(fs::exists(file + ".missing"));

  // A folder opens for reading; its identity tells it apart, and reads fail.
  ASSERT_EQ(d.OpenFile(dir.Path().string(), OpenFor::kReading, fd), 0);
  zel::platform::FileIdentity id;
  EXPECT_EQ(d.IdentifyOpen(fd, id), 0);
  EXPECT_TRUE(id.directory);
  EXPECT_EQ(d.Read(fd, buf, sizeof buf, got), EISDIR);
  EXPECT_EQ(d.Close(fd), 0);

#ifndef _WIN32  // the Windows pipe is in TerminalTest.PipesAndDevicesAreNoTerminal
  int pipe_fds[2];
  ASSERT_TRUE(zel_test::MakePipe(pipe_fds));
  EXPECT_EQ(d.Rewind(pipe_fds[0]), ESPIPE);
  EXPECT_FALSE(zel::platform::NativeTerminal().IsTerminal(pipe_fds[0]));
  d.Close(pipe_fds[0]);
  d.Close(pipe_fds[1]);
#endif
}

TEST(DescriptorsTest, CreateWriteSeekTruncate) {
  zel_test::TempDir dir;
  auto& d = zel::platform::NativeDescriptors();
  using zel::platform::OpenFor;
  using zel::platform::SeekFrom;
  const std::string file = (dir.Path() / "g").string();
  std::ofstream(file) << "old contents";
  int fd = -1;
  ASSERT_EQ(d.OpenFile(file, OpenFor::kCreating, fd), 0);  // cut to empty
  size_t written = 0;
  EXPECT_EQ(d.WriteSome(fd, "hello", 5, written), 0);
  EXPECT_EQ(written, 5u);
  int64_t at = 0;
  EXPECT_EQ(d.Seek(fd, -2, SeekFrom::kEnd, at), 0);
  EXPECT_EQ(at, 3);
  EXPECT_EQ(d.Seek(fd, 1, SeekFrom::kCurrent, at), 0);
  EXPECT_EQ(at, 4);
  EXPECT_EQ(d.Seek(fd, -9, SeekFrom::kStart, at), EINVAL);
  EXPECT_EQ(at, -1);
  EXPECT_EQ(d.Truncate(fd, 2), 0);
  zel::platform::FileIdentity id;
  EXPECT_EQ(d.IdentifyOpen(fd, id), 0);
  EXPECT_TRUE(id.regular);
  EXPECT_EQ(id.size, 2u);
  EXPECT_EQ(d.Close(fd), 0);

  // Writing and updating open an existing file without cutting it.
  for (OpenFor how : {OpenFor::kWriting, OpenFor::kUpdating}) {
    ASSERT_EQ(d.OpenFile(file, how, fd), 0);
    EXPECT_EQ(d.WriteAll(fd, "H", 1), 0);
    EXPECT_EQ(d.Close(fd), 0);
    EXPECT_EQ(fs::file_size(file), 2u);
    EXPECT_EQ(d.OpenFile(file + ".missing", how, fd), ENOENT);
  }
  std::ifstream in(file);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "He");
}

std::string g_collected;
int g_fail_with = 0;

int Collect(const char* data, size_t len) {
  if (g_fail_with != 0) return g_fail_with;
  g_collected.append(data, len);
  return 0;
}

TEST(DescriptorsTest, WriteFunctionStreamPassesBytesAndFailures) {
  auto& d = zel::platform::NativeDescriptors();
#ifdef _WIN32
  GTEST_SKIP() << "the Windows C library has no stream over functions; the tool keeps its plain "
                  "standard output";
#endif
  g_collected.clear();
  g_fail_with = 0;
  std::FILE* out = d.OpenWriteFunctionStream(Collect);
  ASSERT_NE(out, nullptr);
  std::fputs("first ", out);
  std::fprintf(out, "%d", 42);
  EXPECT_EQ(std::fflush(out), 0);
  EXPECT_EQ(g_collected, "first 42");
  g_fail_with = ENOSPC;
  std::fputs("lost", out);
  errno = 0;
  EXPECT_NE(std::fflush(out), 0);
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_TRUE(std::ferror(out));
  g_fail_with = 0;
  std::fclose(out);
  EXPECT_EQ(g_collected.rfind("first 42", 0), 0u);
}

#ifndef _WIN32
TEST(TerminalTest, FilesAndClosedDescriptorsAreNoTerminal) {
  zel_test::TempDir dir;
  std::FILE* f = std::fopen(zel_test::PathText(dir.Path() / "f").c_str(), "w");
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(zel::platform::NativeTerminal().IsTerminal(fileno(f)));
  std::fclose(f);
  EXPECT_FALSE(zel::platform::NativeTerminal().IsTerminal(-1));
}
#else
// On Windows a descriptor holds a handle (0, 1 and 2 stand for the standard
// handles).
int FdOf(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h)); }

TEST(TerminalTest, FilesAndClosedHandlesAreNoTerminal) {
  zel_test::TempDir dir;
  const HANDLE f = ::CreateFileW((dir.Path() / "f").wstring().c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(zel::platform::NativeTerminal().IsTerminal(FdOf(f)));
  ::CloseHandle(f);
  EXPECT_FALSE(zel::platform::NativeTerminal().IsTerminal(FdOf(f)));  // closed now
  EXPECT_FALSE(zel::platform::NativeTerminal().IsTerminal(-1));
}

TEST(TerminalTest, PipesAndDevicesAreNoTerminal) {
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(::CreatePipe(&read_end, &write_end, nullptr, 0));
  EXPECT_FALSE(zel::platform::NativeTerminal().IsTerminal(FdOf(read_end)));
  EXPECT_FALSE(zel::platform::NativeTerminal().IsTerminal(FdOf(write_end)));
  ::CloseHandle(read_end);
  ::CloseHandle(write_end);
  // NUL is a character device like a console, but has no console mode.
  const HANDLE nul = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(nul, INVALID_HANDLE_VALUE);
  EXPECT_EQ(::GetFileType(nul), static_cast<DWORD>(FILE_TYPE_CHAR));
  EXPECT_FALSE(zel::platform::NativeTerminal().IsTerminal(FdOf(nul)));
  ::CloseHandle(nul);
}

TEST(TerminalTest, StandardHandlesAreAskedThroughZeroOneTwo) {
  // The test's standard output is a file or a pipe under CTest: the standard
  // handle must give the same answer as the handle itself.
  auto& t = zel::platform::NativeTerminal();
  EXPECT_EQ(t.IsTerminal(zel::platform::kStandardOutput),
            t.IsTerminal(FdOf(::GetStdHandle(STD_OUTPUT_HANDLE))));
}

// Windows: Ctrl-C and the close, log-off and shutdown requests reach the
// caught handler through the console control routine. A test program under
// CTest has no console, and GenerateConsoleCtrlEvent reaches only processes
// attached to one (under Wine 8 AllocConsole and GenerateConsoleCtrlEvent
// both fail there), so the routine is called directly, as the system calls
// it, on a thread of its own.
std::atomic<int> g_stop_requests{0};
void CountStop() { g_stop_requests.fetch_add(1); }
void OtherStop() { g_stop_requests.fetch_add(100); }

TEST(InterruptsTest, ControlEventsCallTheCaughtHandler) {
  using zel::platform::NativeInterruptServices;
  auto& interrupts = zel::platform::NativeInterrupts();
  g_stop_requests = 0;
  // Not caught: the routine passes every event on (the default ends the process).
  EXPECT_FALSE(NativeInterruptServices::ConsoleControl(CTRL_C_EVENT));
  ASSERT_EQ(interrupts.Catch(CountStop), 0);
  EXPECT_TRUE(NativeInterruptServices::ConsoleControl(CTRL_C_EVENT));
  EXPECT_TRUE(NativeInterruptServices::ConsoleControl(CTRL_BREAK_EVENT));
  EXPECT_EQ(g_stop_requests.load(), 2);
  EXPECT_FALSE(NativeInterruptServices::ConsoleControl(12345));  // unknown: passed on
  EXPECT_EQ(g_stop_requests.load(), 2);
  // Catching again replaces the handler.
  ASSERT_EQ(interrupts.Catch(OtherStop), 0);
  EXPECT_TRUE(NativeInterruptServices::ConsoleControl(CTRL_C_EVENT));
  EXPECT_EQ(g_stop_requests.load(), 102);
  interrupts.Release();
  EXPECT_FALSE(NativeInterruptServices::ConsoleControl(CTRL_C_EVENT));
  EXPECT_EQ(g_stop_requests.load(), 102);
  interrupts.Release();  // nothing caught: nothing happens
}

TEST(InterruptsTest, CloseWaitsForReleaseBeforeTheProcessEnds) {
  using zel::platform::NativeInterruptServices;
  auto& interrupts = zel::platform::NativeInterrupts();
  g_stop_requests = 0;
  ASSERT_EQ(interrupts.Catch(CountStop), 0);
  for (const DWORD event : {CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT}) {
    SCOPED_TRACE(event);
    const int before = g_stop_requests.load();
    std::atomic<int> answer{-1};
    std::thread system_thread(
        [&] { answer = NativeInterruptServices::ConsoleControl(event) ? 1 : 0; });
    // The handler runs first; the routine then waits for Release.
    while (g_stop_requests.load() == before) std::this_thread::yield();
    interrupts.Release();
    system_thread.join();
    EXPECT_EQ(answer.load(), 1);
    EXPECT_EQ(g_stop_requests.load(), before + 1);
    ASSERT_EQ(interrupts.Catch(CountStop), 0);
  }
  interrupts.Release();
}
#endif

TEST(TerminalTest, WritesOnlyToStandardOutputAndError) {
  auto& t = zel::platform::NativeTerminal();
  EXPECT_EQ(t.WriteStandard(5, "x", 1), EBADF);
  EXPECT_EQ(t.WriteStandard(zel::platform::kStandardInput, "x", 1), EBADF);
  EXPECT_EQ(t.WriteStandard(zel::platform::kStandardOutput, "", 0), 0);
  t.PrepareConsole();  // twice is harmless
  t.PrepareConsole();
}

}  // namespace
