#include <gtest/gtest.h>
#include <signal.h>

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

void WriteText(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }

std::string ReadText(const fs::path& p) {
  std::ifstream in(p);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ReplaceServicesTest, InspectTellsKindsApartWithoutFollowingWhenAsked) {
  zel_test::TempDir dir;
  const fs::path file = dir.Path() / "f", link = dir.Path() / "l";
  WriteText(file, "x");
  fs::create_symlink(file, link);
  struct Case {
    fs::path path;
    bool follow;
    ReplaceTarget::Kind kind;
  } cases[] = {{file, false, ReplaceTarget::Kind::kRegular},
               {link, true, ReplaceTarget::Kind::kRegular},
               {link, false, ReplaceTarget::Kind::kSymlink},
               {dir.Path(), false, ReplaceTarget::Kind::kDirectory},
               {"/dev/null", true, ReplaceTarget::Kind::kOther}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string() + (c.follow ? " followed" : ""));
    ReplaceTarget t;
    ASSERT_EQ(NativeReplace().Inspect(-1, c.path.string(), c.follow, t), 0);
    EXPECT_EQ(t.kind, c.kind);
  }
  ReplaceTarget t;
  EXPECT_EQ(NativeReplace().Inspect(-1, (dir.Path() / "none").string(), true, t), ENOENT);
}

TEST(ReplaceServicesTest, ExclusiveCreationRefusesEveryTakenName) {
  zel_test::TempDir dir;
  WriteText(dir.Path() / "taken", "old");
  fs::create_symlink(dir.Path() / "nowhere", dir.Path() / "link");
  for (const char* name : {"taken", "link"}) {
    SCOPED_TRACE(name);
    int fd = 0;
    EXPECT_EQ(NativeReplace().CreateExclusive(-1, (dir.Path() / name).string(), 0600, fd), EEXIST);
    EXPECT_EQ(fd, -1);
  }
  EXPECT_FALSE(fs::exists(dir.Path() / "nowhere"));
  EXPECT_EQ(ReadText(dir.Path() / "taken"), "old");
}

TEST(ReplaceServicesTest, CopyOverCutsTheTargetToTheSourceLength) {
  zel_test::TempDir dir;
  WriteText(dir.Path() / "from", "new");
  WriteText(dir.Path() / "to", "much longer old text");
  int from = -1, to = -1;
  ASSERT_EQ(Descriptors().OpenFile((dir.Path() / "from").string(),
                                   zel::platform::OpenFor::kReading, from),
            0);
  ASSERT_EQ(NativeReplace().OpenForRewrite(-1, (dir.Path() / "to").string(), false, to), 0);
  EXPECT_EQ(NativeReplace().CopyOver(from, to), 0);
  Descriptors().Close(from);
  Descriptors().Close(to);
  EXPECT_EQ(ReadText(dir.Path() / "to"), "new");
}

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

}  // namespace
