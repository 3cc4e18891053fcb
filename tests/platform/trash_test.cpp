#include "zel/platform/trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The Linux trash with no home trash, taking `top` as the top folder of every
// mount, so a test folder plays the part of another file system's top.
class MountTrash : public zel::platform::NativeTrashSystem {
 public:
  explicit MountTrash(std::string top) : top_(std::move(top)) {}
  std::string HomeTrash() override { return {}; }

 protected:
  std::string MountTop(const std::string&, uint64_t) override { return top_; }

 private:
  std::string top_;
};

// A shared $top/.Trash/$uid is used only when it is the caller's own private,
// real folder inside a real sticky .Trash; otherwise $top/.Trash-$uid, which
// is held to the same checks.
TEST(MountTrashTest, UsesOnlyFoldersPrivateToTheCaller) {
  const std::string uid = std::to_string(::getuid());
  const auto sticky_shared = [](const fs::path& top) {
    fs::create_directory(top / ".Trash");
    ::chmod((top / ".Trash").c_str(), 01777);
  };
  struct Case {
    const char* name;
    std::function<void(const fs::path& top)> prepare;
    const char* expected;  // the trash used, relative to top; "" for none
  } cases[] = {
      {"no shared trash", [](const fs::path&) {}, ".Trash-"},
      {"sticky shared trash", sticky_shared, ".Trash/"},
      {"shared trash not sticky",
       [&](const fs::path& top) {
         fs::create_directory(top / ".Trash");
         ::chmod((top / ".Trash").c_str(), 0777);
       },
       ".Trash-"},
      {"shared trash is a link",
       [&](const fs::path& top) {
         fs::create_directory(top / "elsewhere");
         sticky_shared(top / "elsewhere");
         fs::create_directory_symlink("elsewhere/.Trash", top / ".Trash");
       },
       ".Trash-"},
      {"own folder open to others",
       [&](const fs::path& top) {
         sticky_shared(top);
         fs::create_directory(top / ".Trash" / uid);
         ::chmod((top / ".Trash" / uid).c_str(), 0777);
       },
       ".Trash-"},
      {"own folder is a link",
       [&](const fs::path& top) {
         sticky_shared(top);
         fs::create_directory(top / "planted");
         ::chmod((top / "planted").c_str(), 0700);
         fs::create_directory_symlink("../planted", top / ".Trash" / uid);
       },
       ".Trash-"},
      {"own folder is a file",
       [&](const fs::path& top) {
         sticky_shared(top);
         std::ofstream(top / ".Trash" / uid) << "x";
       },
       ".Trash-"},
      {"fallback open to others",
       [&](const fs::path& top) {
         fs::create_directory(top / (".Trash-" + uid));
         ::chmod((top / (".Trash-" + uid)).c_str(), 0755);
       },
       ""},
      {"fallback is a link",
       [&](const fs::path& top) {
         fs::create_directory(top / "planted");
         ::chmod((top / "planted").c_str(), 0700);
         fs::create_directory_symlink("planted", top / (".Trash-" + uid));
       },
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    zel_test::TempDir dir;
    const fs::path top = dir.Path();
    c.prepare(top);
    std::ofstream(top / "doc.txt") << "doc";
    MountTrash trash(top.string());
    std::string as;
    const int err = trash.MoveToTrash((top / "doc.txt").string(), as);
    if (c.expected[0] == '\0') {
      EXPECT_EQ(err, EACCES);
      EXPECT_TRUE(fs::exists(top / "doc.txt"));
      EXPECT_FALSE(fs::exists(top / "planted" / "files"));
      continue;
    }
    ASSERT_EQ(err, 0);
    const std::string used = (top / (c.expected + uid)).string();
    EXPECT_EQ(as, used + "/files/doc.txt");
    struct stat st {};
    ASSERT_EQ(::lstat(used.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
    EXPECT_FALSE(fs::exists(top / "planted" / "files"));
    EXPECT_FALSE(fs::exists(top / "doc.txt"));
  }
}

// Another user's folder under the shared trash is never used (only root can
// make a folder owned by someone else).
TEST(MountTrashTest, AnotherUsersFolderIsNotUsed) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
  zel_test::TempDir dir;
  const fs::path top = dir.Path();
  const std::string uid = std::to_string(::getuid());
  fs::create_directory(top / ".Trash");
  ::chmod((top / ".Trash").c_str(), 01777);
  fs::create_directory(top / ".Trash" / uid);
  ::chmod((top / ".Trash" / uid).c_str(), 0700);
  ASSERT_EQ(::chown((top / ".Trash" / uid).c_str(), 65534, 65534), 0);
  std::ofstream(top / "doc.txt") << "doc";
  MountTrash trash(top.string());
  std::string as;
  ASSERT_EQ(trash.MoveToTrash((top / "doc.txt").string(), as), 0);
  EXPECT_EQ(as, (top / (".Trash-" + uid) / "files" / "doc.txt").string());
  EXPECT_FALSE(fs::exists(top / ".Trash" / uid / "files"));
}

// The entry moved is the one the path designates: its folder part is
// resolved by the file system, its last component is taken as it is.
TEST(TrashPathTest, ActsOnTheEntryThePathDesignates) {
  zel_test::TempDir dir;
  const fs::path w = dir.Path() / "w";
  fs::create_directories(w / "sub");
  fs::create_directories(dir.Path() / "other" / "deep");
  fs::create_directory_symlink("../other/deep", w / "link");
  std::ofstream(w / "v.txt") << "here";
  std::ofstream(dir.Path() / "other" / "v.txt") << "there";
  zel_test::ScopedEnv env("XDG_DATA_HOME", (dir.Path() / "data").string());
  auto& trash = zel::platform::NativeTrash();
  std::string as;
  for (const char* tail : {"/.", "/..", "/sub/..", "/sub/.", "/link/..", "/", ""}) {
    SCOPED_TRACE(tail);
    const std::string path = tail[0] == '\0' ? std::string() : w.string() + tail;
    EXPECT_EQ(trash.MoveToTrash(path, as), EINVAL);
    EXPECT_EQ(as, "");
  }
  EXPECT_TRUE(fs::exists(w / "sub"));
  EXPECT_FALSE(fs::exists(dir.Path() / "data"));

  ASSERT_EQ(trash.MoveToTrash((w / "link" / ".." / "v.txt").string(), as), 0);
  EXPECT_FALSE(fs::exists(dir.Path() / "other" / "v.txt"));
  EXPECT_TRUE(fs::exists(w / "v.txt"));
  std::ifstream info(dir.Path() / "data" / "Trash" / "info" / "v.txt.trashinfo");
  std::string line;
  std::getline(info, line);
  std::getline(info, line);
  EXPECT_EQ(line, "Path=" + (dir.Path() / "other" / "v.txt").string());

  // The link itself, not its target.
  ASSERT_EQ(trash.MoveToTrash((w / "link").string(), as), 0);
  EXPECT_TRUE(fs::is_symlink(as));
  EXPECT_TRUE(fs::is_directory(dir.Path() / "other" / "deep"));
}

}  // namespace
