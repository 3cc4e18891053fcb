#include "zel/platform/scratch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "support/temp_dir.h"
#include "zel/platform/terminal.h"

namespace {

namespace fs = std::filesystem;
using zel::platform::LinuxScratch;

TEST(ScratchSpaceTest, PrivateFolderIsNewAndOwnerOnly) {
  zel_test::TempDir dir;
  std::string first, second;
  ASSERT_EQ(LinuxScratch().MakePrivateFolder(dir.Path().string(), "t-", first), 0);
  ASSERT_EQ(LinuxScratch().MakePrivateFolder(dir.Path().string() + "/", "t-", second), 0);
  EXPECT_NE(first, second);
  for (const std::string& made : {first, second}) {
    SCOPED_TRACE(made);
    EXPECT_EQ(fs::path(made).parent_path(), dir.Path());
    EXPECT_EQ(fs::path(made).filename().string().rfind("t-", 0), 0u);
    EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all);
  }
  std::string none = "stale";
  EXPECT_EQ(LinuxScratch().MakePrivateFolder((dir.Path() / "missing").string(), "t-", none),
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
    ASSERT_EQ(LinuxScratch().CaptureAnonymousFile(
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
  EXPECT_THROW(LinuxScratch().CaptureAnonymousFile(
                   "zel-test", [](const std::string&) { throw std::runtime_error("stop"); }, bytes),
               std::runtime_error);
}

TEST(TerminalTest, FilesAndClosedDescriptorsAreNoTerminal) {
  zel_test::TempDir dir;
  std::FILE* f = std::fopen((dir.Path() / "f").c_str(), "w");
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(zel::platform::LinuxTerminal().IsTerminal(fileno(f)));
  std::fclose(f);
  EXPECT_FALSE(zel::platform::LinuxTerminal().IsTerminal(-1));
}

}  // namespace
