#include "zel/platform/trash.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "zel/runtime/utf8.h"

namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
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

#else
// Windows: the Recycle Bin.

// Under Wine the Recycle Bin is the host user's freedesktop trash: the Unix
// folder $XDG_DATA_HOME/Trash (or ~/.local/share/Trash), given back as a
// Windows path; empty on Windows itself.
fs::path WineTrash() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return {};
  using DosName = WCHAR*(CDECL*)(const char*);
  const auto dos_name = reinterpret_cast<DosName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  std::string unix_dir;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/')
    unix_dir = data;
  else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    unix_dir = std::string(home) + "/.local/share";
  if (!dos_name || unix_dir.empty()) return {};
  WCHAR* name = dos_name((unix_dir + "/Trash").c_str());
  if (!name) return {};
  fs::path out(name);
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}

TEST(RecycleBinTest, PathsNamingNoEntryAreRefused) {
  zel_test::TempDir dir;
  fs::create_directories(dir.Path() / "w" / "sub");
  auto& trash = zel::platform::NativeTrash();
  std::string as = "stale";
  const std::string w = zel_test::PathText(dir.Path() / "w");
  for (const std::string& path :
       {std::string(), w + "\\.", w + "\\..", w + "/sub/..", w + "\\", w + "/", std::string("C:"),
        std::string("C:.."), std::string("a\0b", 3)}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(trash.MoveToTrash(path, as), EINVAL);
    EXPECT_EQ(as, "");
  }
  EXPECT_TRUE(fs::is_directory(dir.Path() / "w" / "sub"));
  EXPECT_EQ(trash.MoveToTrash(w + "\\missing.txt", as), ENOENT);
  EXPECT_EQ(trash.MoveToTrash(w + "\\nofolder\\x.txt", as), ENOENT);
  // The shell takes no path of MAX_PATH (260) characters or more.
  EXPECT_EQ(trash.MoveToTrash(w + "\\" + std::string(300, 'x'), as), ENAMETOOLONG);
  EXPECT_EQ(trash.HomeTrash(), "");
}

// A file (named in UTF-8, with '/' or '\') leaves its folder for the Recycle
// Bin; under Wine it appears in the freedesktop trash with its entry.
TEST(RecycleBinTest, FilesGoToTheRecycleBin) {
  zel_test::TempDir dir;
  const std::string stem = "zel-recycled-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount64()) + "-\xC3\xA9";
  const fs::path sub = dir.Path() / "sub";
  fs::create_directories(sub / "folder");
  std::ofstream(zel_test::PathOf(zel_test::PathText(sub) + "\\" + stem + ".txt")) << "contents";
  std::ofstream(sub / "folder" / "inside.txt") << "x";
  auto& trash = zel::platform::NativeTrash();
  std::string as = "stale";
  ASSERT_EQ(trash.MoveToTrash(zel_test::PathText(sub) + "/" + stem + ".txt", as), 0);
  EXPECT_EQ(as, "");
  EXPECT_FALSE(fs::exists(zel_test::PathOf(zel_test::PathText(sub) + "\\" + stem + ".txt")));
  // A relative path starts at the working folder; a folder goes whole.
  const fs::path cwd = fs::current_path();
  fs::current_path(sub);
  EXPECT_EQ(trash.MoveToTrash("folder", as), 0);
  fs::current_path(cwd);
  EXPECT_FALSE(fs::exists(sub / "folder"));
  EXPECT_TRUE(fs::is_directory(sub));

  const fs::path bin = WineTrash();
  if (bin.empty()) return;  // Windows: the Recycle Bin keeps its own names
  bool found = false;
  for (const auto& entry : fs::directory_iterator(bin / "files")) {
    const std::string name = zel_test::PathText(entry.path().filename());
    if (name.rfind(stem, 0) != 0) continue;
    found = true;
    EXPECT_EQ(zel_test::TempDir::Read(zel::Utf8ToString(zel_test::PathText(entry.path()))),
              "contents");
    EXPECT_TRUE(fs::exists(bin / "info" / zel_test::PathOf(name + ".trashinfo")));
  }
  EXPECT_TRUE(found) << "not in " << zel_test::PathText(bin / "files");
}
#endif

}  // namespace
