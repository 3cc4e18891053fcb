// The scratch space on every system: private folders of fresh names, files
// that leave no name behind, and captured output read back.
#include "zel/platform/scratch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "support/temp_dir.h"
#include "zel/platform/descriptors.h"

namespace {

namespace fs = std::filesystem;
using zel::platform::NativeDescriptors;
using zel::platform::NativeScratch;
using zel_test::PathOf;
using zel_test::PathText;

TEST(ScratchSpace, PrivateFoldersAreFreshAndInTheirParent) {
  zel_test::TempDir dir;
  std::string made[3];
  // With and without a separator at the end of the parent.
  const std::string parents[3] = {PathText(dir.Path()), PathText(dir.Path()) + "/",
                                  PathText(dir.Path())};
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(NativeScratch().MakePrivateFolder(parents[i], "p-", made[i]), 0);
    SCOPED_TRACE(made[i]);
    const fs::path path = PathOf(made[i]);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_TRUE(fs::equivalent(path.parent_path(), dir.Path()));
    EXPECT_EQ(path.filename().string().rfind("p-", 0), 0u);
    EXPECT_EQ(path.filename().string().size(), 8u);  // the prefix and six random characters
  }
  EXPECT_NE(made[0], made[1]);
  EXPECT_NE(made[0], made[2]);
  std::string none = "stale";
  EXPECT_EQ(NativeScratch().MakePrivateFolder(PathText(dir.Path() / "missing"), "p-", none),
            ENOENT);
  EXPECT_EQ(none, "");
}

TEST(ScratchSpace, NamelessFilesAreGoneOnceClosed) {
  zel_test::TempDir dir;
  int fd = -1;
  ASSERT_EQ(NativeScratch().OpenNamelessFile(PathText(dir.Path()), "n-", fd), 0);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(NativeDescriptors().WriteAll(fd, "abc", 3), 0);
  EXPECT_EQ(NativeDescriptors().Rewind(fd), 0);
  char back[4] = {};
  size_t got = 0;
  EXPECT_EQ(NativeDescriptors().Read(fd, back, sizeof back, got), 0);
  EXPECT_EQ(std::string(back, got), "abc");
  EXPECT_EQ(NativeDescriptors().Close(fd), 0);
  EXPECT_TRUE(fs::is_empty(dir.Path()));
  EXPECT_EQ(NativeScratch().OpenNamelessFile(PathText(dir.Path() / "missing"), "n-", fd), ENOENT);
  EXPECT_EQ(fd, -1);
}

TEST(ScratchSpace, CapturedFilesGiveBackTheirBytesAndGo) {
  std::string big(200000, 'x');
  big[123456] = '\0';
  for (const std::string& text : {std::string(), std::string("one line\r\n"), big}) {
    SCOPED_TRACE(text.size());
    std::string bytes = "stale";
    std::string seen;
    ASSERT_EQ(NativeScratch().CaptureAnonymousFile(
                  "zel-test",
                  [&](const std::string& path) {
                    seen = path;
                    std::ofstream(PathOf(path), std::ios::binary) << text;
                  },
                  bytes),
              0);
    EXPECT_EQ(bytes, text);
#ifdef _WIN32
    // Linux's names stand for open descriptors; Windows' are files.
    EXPECT_FALSE(fs::exists(PathOf(seen))) << "the file outlived the call";
#endif
  }
  std::string bytes;
  std::string seen;
  EXPECT_THROW(NativeScratch().CaptureAnonymousFile(
                   "zel-test",
                   [&](const std::string& path) {
                     seen = path;
                     throw std::runtime_error("stop");
                   },
                   bytes),
               std::runtime_error);
#ifdef _WIN32
  EXPECT_FALSE(fs::exists(PathOf(seen)));
#endif
}

}  // namespace
