// The native file system through its own interface, on every system: names
// the runtime makes of any String, long paths, read-only targets, links, and
// walks that notice an entry swapped for another.
#include "zel/platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "support/temp_dir.h"
#include "zel/platform/backend.h"
#include "zel/platform/descriptors.h"
#include "zel/platform/tree_walk.h"
#include "zel/runtime/filename.h"

namespace {

using zel::platform::DirEntry;
using zel::platform::FileKind;
using zel::platform::Files;
using zel::platform::FileStatus;

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif

std::string Join(const std::string& dir, const std::string& name) { return dir + kSep + name; }

// Creates (or empties) the file `path` and writes `bytes` to it.
int WriteFile(const std::string& path, const std::string& bytes) {
  auto& d = zel::platform::Descriptors();
  int fd = -1;
  int err = d.OpenFile(path, zel::platform::OpenFor::kCreating, fd);
  if (err != 0) return err;
  err = d.WriteAll(fd, bytes.data(), bytes.size());
  const int closed = d.Close(fd);
  return err != 0 ? err : closed;
}

std::string ReadFile(const std::string& path) {
  auto& f = Files();
  int fd = -1;
  if (f.OpenRead(path, fd) != 0) return "<cannot open>";
  std::string out;
  char buf[4096];
  size_t got = 0;
  while (f.Read(fd, buf, sizeof buf, got) == 0 && got > 0) out.append(buf, got);
  f.Close(fd);
  return out;
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<DirEntry> entries;
  EXPECT_EQ(Files().List(dir, entries), 0);
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.name);
  std::sort(out.begin(), out.end());
  return out;
}

#ifdef _WIN32
// Whether the program runs under Wine, whose names are UTF-8 Unix names.
bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#endif

// Whether symbolic links can be made here (Wine reports success and makes
// nothing; Windows without the right to make them refuses).
bool CanMakeLinks(const std::string& dir) {
  const std::string link = Join(dir, "probe-link");
  if (Files().MakeSymlink("probe-target", link) != 0) return false;
  FileStatus st;
  const bool made = Files().Status(link, false, st) == 0 && st.kind == FileKind::kSymlink;
  Files().Unlink(link);
  return made;
}

TEST(NativeFilesTest, NameWithLoneSurrogatesRoundTrips) {
  zel_test::TempDir dir;
  const std::string root = zel_test::PathText(dir.Path());
  // Lone surrogates, one of them in the range the runtime uses for bytes
  // that are not UTF-8 on Linux.
  const zel::String names[] = {
      zel::String(u"a") + zel::Char(0xD800) + u"b",
      zel::String(u"x") + zel::Char(0xDC81),
      zel::String(1, zel::Char(0xDFFF)) + u"\u00fc\U0001F600",
  };
  for (const zel::String& name : names) {
    std::string leaf;
    ASSERT_TRUE(zel::FileNameToPath(name, leaf));
#ifdef _WIN32
    // Windows names are UTF-16: every one comes back exactly.
    EXPECT_EQ(zel::PathToFileName(leaf), name);
#endif
    const std::string path = Join(root, leaf);
    const int made = WriteFile(path, "content");
#ifdef _WIN32
    if (made != 0 && UnderWine())
      GTEST_SKIP() << "Wine keeps names as UTF-8 Unix names, which cannot hold a lone surrogate "
                      "(error "
                   << made << ")";
#endif
    ASSERT_EQ(made, 0);
    EXPECT_EQ(Names(root), std::vector<std::string>{leaf});
    EXPECT_EQ(ReadFile(path), "content");
    FileStatus st;
    EXPECT_EQ(Files().Status(path, false, st), 0);
    EXPECT_EQ(st.kind, FileKind::kRegular);
    EXPECT_EQ(st.size, 7u);
    EXPECT_EQ(Files().Unlink(path), 0);
    EXPECT_TRUE(Names(root).empty());
  }
}

TEST(NativeFilesTest, PathsLongerThan260CharactersWork) {
  zel_test::TempDir dir;
  std::string path = zel_test::PathText(dir.Path());
  std::vector<std::string> folders;
  while (path.size() < 400) {
    path = Join(path, std::string(60, 'd') + std::to_string(folders.size()));
    ASSERT_EQ(Files().MakeDir(path, 0700), 0) << path.size();
    folders.push_back(path);
  }
  const std::string file = Join(path, "file.txt");
  ASSERT_GT(file.size(), 260u);
  ASSERT_EQ(WriteFile(file, "deep"), 0);
  EXPECT_EQ(ReadFile(file), "deep");
  FileStatus st;
  ASSERT_EQ(Files().Status(file, true, st), 0);
  EXPECT_EQ(st.size, 4u);
  bool final_paths = true;
#ifdef _WIN32
  // Wine's GetFinalPathNameByHandleW holds no more than 260 characters, and
  // real paths, listings and open folders rest on it.
  final_paths = !UnderWine();
#endif
  if (final_paths) {
    std::string real;
    EXPECT_EQ(Files().RealPath(file, real), 0);
    EXPECT_GT(real.size(), 260u);
    EXPECT_EQ(Names(path), std::vector<std::string>{"file.txt"});
  }
  EXPECT_EQ(Files().Rename(file, Join(path, "renamed")), 0);
  EXPECT_EQ(Files().Unlink(Join(path, "renamed")), 0);
  for (auto it = folders.rbegin(); it != folders.rend(); ++it)
    EXPECT_EQ(Files().RemoveDir(*it), 0) << it->size();
}

TEST(NativeFilesTest, RenameOntoAReadOnlyFile) {
  zel_test::TempDir dir;
  const std::string root = zel_test::PathText(dir.Path());
  const std::string from = Join(root, "new"), to = Join(root, "kept");
  ASSERT_EQ(WriteFile(from, "new"), 0);
  ASSERT_EQ(WriteFile(to, "old"), 0);
  auto& d = zel::platform::Descriptors();
  int fd = -1;
  ASSERT_EQ(d.OpenFile(to, zel::platform::OpenFor::kUpdating, fd), 0);
  ASSERT_EQ(Files().SetMode(fd, 0444), 0);
  d.Close(fd);
  FileStatus st;
  ASSERT_EQ(Files().Status(to, false, st), 0);
  EXPECT_EQ(st.mode & zel::platform::kOwnerWrite, 0u);
#ifdef _WIN32
  // Windows keeps the read-only attribute as the owner's word: the name is
  // not taken over, and nothing changes.
  EXPECT_EQ(Files().Rename(from, to), EACCES);
  EXPECT_EQ(ReadFile(to), "old");
  EXPECT_EQ(ReadFile(from), "new");
  EXPECT_EQ(Files().Access(to, zel::platform::kAccessWrite), EACCES);
  // Removing it is still the folder's business, as on POSIX systems.
  EXPECT_EQ(Files().Unlink(to), 0);
#else
  // POSIX systems: the folder decides, so the name is taken over.
  EXPECT_EQ(Files().Rename(from, to), 0);
  EXPECT_EQ(ReadFile(to), "new");
#endif
}

TEST(NativeFilesTest, StatusListingAndErrors) {
  zel_test::TempDir dir;
  const std::string root = zel_test::PathText(dir.Path());
  const std::string file = Join(root, "f"), sub = Join(root, "sub");
  ASSERT_EQ(WriteFile(file, "12345"), 0);
  ASSERT_EQ(Files().MakeDir(sub, 0700), 0);
  EXPECT_EQ(Files().MakeDir(sub, 0700), EEXIST);
  EXPECT_EQ(Files().MakeDir(Join(Join(root, "no"), "x"), 0700), ENOENT);
  FileStatus a, b;
  ASSERT_EQ(Files().Status(file, true, a), 0);
  EXPECT_EQ(a.kind, FileKind::kRegular);
  EXPECT_EQ(a.size, 5u);
  int fd = -1;
  ASSERT_EQ(Files().OpenRead(file, fd), 0);
  ASSERT_EQ(Files().StatusOf(fd, b), 0);
  EXPECT_TRUE(a.SameFile(b));
  Files().Close(fd);
  ASSERT_EQ(Files().Status(sub, true, b), 0);
  EXPECT_EQ(b.kind, FileKind::kDirectory);
  EXPECT_FALSE(a.SameFile(b));
  EXPECT_EQ(Files().Status(Join(root, "missing"), true, b), ENOENT);
  EXPECT_EQ(b.kind, FileKind::kMissing);
  EXPECT_EQ(Files().Status("", true, b), ENOENT);
  EXPECT_EQ(Names(root), (std::vector<std::string>{"f", "sub"}));
  std::vector<DirEntry> entries;
  EXPECT_EQ(Files().List(file, entries), ENOTDIR);
  EXPECT_EQ(Files().List(Join(root, "missing"), entries), ENOENT);
  // Times set by path and by descriptor come back.
  const zel::platform::FileTimeSpec when{1234567890, 500000000};
  ASSERT_EQ(Files().SetTimes(file, &when, &when), 0);
  ASSERT_EQ(Files().Status(file, true, a), 0);
  EXPECT_EQ(a.modify.sec, when.sec);
  EXPECT_EQ(a.modify.nsec, when.nsec);
  // Removal: a folder is no file and a file no folder.
  EXPECT_NE(Files().Unlink(sub), 0);
  EXPECT_EQ(Files().RemoveDir(file), ENOTDIR);
  ASSERT_EQ(WriteFile(Join(sub, "x"), ""), 0);
  EXPECT_EQ(Files().RemoveDir(sub), ENOTEMPTY);
  EXPECT_EQ(Files().RenameNoReplace(file, Join(sub, "x")), EEXIST);
  EXPECT_EQ(Files().RenameNoReplace(file, Join(sub, "y")), 0);
  EXPECT_EQ(ReadFile(Join(sub, "y")), "12345");
}

TEST(NativeFilesTest, OpenFolderEntries) {
  zel_test::TempDir dir;
  const std::string root = zel_test::PathText(dir.Path());
  ASSERT_EQ(WriteFile(Join(root, "f"), "data"), 0);
  auto& f = Files();
  int fd = -1;
  ASSERT_EQ(f.OpenFolder(root, false, fd), 0);
  EXPECT_EQ(f.MakeDirAt(fd, "sub", 0700), 0);
  EXPECT_EQ(f.MakeDirAt(fd, "sub", 0700), EEXIST);
  for (const char* bad : {"", ".", "..", "a/b"}) EXPECT_EQ(f.MakeDirAt(fd, bad, 0700), EINVAL);
  std::vector<DirEntry> entries;
  ASSERT_EQ(f.ListAt(fd, entries), 0);
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].kind, FileKind::kRegular);
  EXPECT_EQ(entries[1].kind, FileKind::kDirectory);
  FileStatus st;
  ASSERT_EQ(f.StatusAt(fd, "f", false, st), 0);
  EXPECT_EQ(st.size, 4u);
  int file = -1;
  ASSERT_EQ(f.OpenReadAt(fd, "f", file), 0);
  char buf[8];
  size_t got = 0;
  EXPECT_EQ(f.Read(file, buf, sizeof buf, got), 0);
  EXPECT_EQ(std::string(buf, got), "data");
  f.Close(file);
  int sub = -1;
  ASSERT_EQ(f.OpenFolderAt(fd, "sub", sub), 0);
  EXPECT_EQ(f.OpenFolderAt(fd, "f", file), ENOTDIR);
  int up = -1;
  ASSERT_EQ(f.OpenParent(sub, up), 0);
  FileStatus above, here;
  ASSERT_EQ(f.StatusOf(up, above), 0);
  ASSERT_EQ(f.StatusOf(fd, here), 0);
  EXPECT_TRUE(above.SameFile(here));
  f.Close(up);
  f.Close(sub);
  EXPECT_EQ(f.RenameAt(fd, "f", "g", false), 0);
  EXPECT_EQ(f.UnlinkAt(fd, "sub", false), EISDIR);
  EXPECT_EQ(f.UnlinkAt(fd, "g", true), ENOTDIR);
  EXPECT_EQ(f.UnlinkAt(fd, "g", false), 0);
  EXPECT_EQ(f.UnlinkAt(fd, "sub", true), 0);
  ASSERT_EQ(f.ListAt(fd, entries), 0);
  EXPECT_TRUE(entries.empty());
  f.Close(fd);
}

TEST(NativeFilesTest, LinksAreEntriesOfTheirOwn) {
  zel_test::TempDir dir;
  const std::string root = zel_test::PathText(dir.Path());
  if (!CanMakeLinks(root)) GTEST_SKIP() << "symbolic links cannot be made here (Wine makes none)";
  auto& f = Files();
  const std::string target = Join(root, "target"), link = Join(root, "link");
  ASSERT_EQ(f.MakeDir(target, 0700), 0);
  ASSERT_EQ(WriteFile(Join(target, "inside"), "x"), 0);
  ASSERT_EQ(f.MakeSymlink("target", link), 0);
  EXPECT_EQ(f.MakeSymlink("target", link), EEXIST);
  std::string text;
  EXPECT_EQ(f.ReadLink(link, text), 0);
  EXPECT_EQ(text, "target");
  EXPECT_EQ(f.ReadLink(target, text), EINVAL);
  FileStatus st;
  ASSERT_EQ(f.Status(link, false, st), 0);
  EXPECT_EQ(st.kind, FileKind::kSymlink);
  ASSERT_EQ(f.Status(link, true, st), 0);
  EXPECT_EQ(st.kind, FileKind::kDirectory);
  // A link is not opened as a folder (Linux says ENOTDIR, Windows ELOOP).
  const auto refused = [](int err) { return err == ELOOP || err == ENOTDIR; };
  int fd = -1;
  EXPECT_TRUE(refused(f.OpenFolder(link, false, fd)));
  ASSERT_EQ(f.OpenFolder(root, false, fd), 0);
  int sub = -1;
  EXPECT_TRUE(refused(f.OpenFolderAt(fd, "link", sub)));
  EXPECT_EQ(f.ReadLinkAt(fd, "link", text), 0);
  EXPECT_EQ(text, "target");
  // Removing the link leaves what it points to.
  EXPECT_EQ(f.UnlinkAt(fd, "link", false), 0);
  f.Close(fd);
  EXPECT_EQ(ReadFile(Join(target, "inside")), "x");
}

// A walk whose folder gets a listed entry swapped for another file right
// after its status is read.
class SwapAfterStatus : public zel::platform::NativeFileSystem {
 public:
  std::string name, folder;
  bool swapped = false;
  int StatusAt(int dir, const std::string& entry, bool follow, FileStatus& out) override {
    const int err = NativeFileSystem::StatusAt(dir, entry, follow, out);
    if (!swapped && entry == name) {
      swapped = true;
      // Made while the first exists, so it cannot get the first's number.
      const std::string path = Join(folder, name);
      EXPECT_EQ(WriteFile(path + ".new", "another file"), 0);
      EXPECT_EQ(NativeFileSystem::Rename(path + ".new", path), 0);
    }
    return err;
  }
};

TEST(NativeFilesTest, AnEntrySwappedDuringAWalkIsReported) {
  zel_test::TempDir dir;
  const std::string root = zel_test::PathText(dir.Path());
  ASSERT_EQ(WriteFile(Join(root, "f"), "first"), 0);
  SwapAfterStatus swapping;
  swapping.name = "f";
  swapping.folder = root;
  const zel::platform::ScopedBackend<zel::platform::FileSystem> guard(
      &swapping, &zel::platform::SetFilesBackend);
  zel::platform::WalkFolder folder;
  ASSERT_EQ(folder.OpenRoot(root, false), 0);
  std::vector<zel::platform::WalkEntry> entries;
  ASSERT_EQ(folder.List(entries), 0);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(swapping.swapped);
  int fd = -1;
  FileStatus st;
  EXPECT_EQ(folder.OpenFile(entries[0], fd, st), zel::platform::kEntryReplaced);
  EXPECT_EQ(fd, -1);
}

}  // namespace
