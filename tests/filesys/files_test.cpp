#include "zel/filesys/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
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
#include "zel/platform/files.h"
#include "zel/platform/trash.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace {

namespace fs = std::filesystem;
using zel::String;
using zel::platform::ScopedBackend;
using Calls = std::vector<std::pair<int64_t, int64_t>>;

String U(const fs::path& p) { return zel::Utf8ToString(zel_test::PathText(p)); }
std::string S(const String& s) { return zel::StringToUtf8(s); }

// Makes a file read-only (the owner's write bit; Windows: the attribute) or
// writable again.
void ReadOnly(const fs::path& p, bool on) {
  fs::permissions(p, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  on ? fs::perm_options::remove : fs::perm_options::add);
}

// Whether symbolic links can be made in `dir` (Wine reports success and
// makes nothing; Windows may refuse them to users without the right).
bool LinksWork(const fs::path& dir) {
  std::error_code ec;
  fs::create_symlink("probe-target", dir / "probe-link", ec);
  const bool made = !ec && fs::is_symlink(fs::symlink_status(dir / "probe-link", ec));
  fs::remove(dir / "probe-link", ec);
  return made;
}

#define SKIP_WITHOUT_LINKS(dir) \
  if (!LinksWork(dir)) GTEST_SKIP() << "symbolic links cannot be made here (Wine makes none)"

// Names of the entries of a folder, sorted.
std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir))
    out.push_back(zel_test::PathText(e.path().filename()));
  std::sort(out.begin(), out.end());
  return out;
}

zel::TFileCopyFeedBack64 Recorder(Calls& calls) {
  return [&calls](int64_t b, int64_t n) { calls.emplace_back(b, n); };
}

TEST(FileCopyTest, FeedbackSequencesFollowTheBlocks) {
  zel_test::TempDir dir;
  const int64_t block = zel::kCopyBlockSize;
  struct {
    int64_t size;
    Calls want;
  } const cases[] = {
      {0, {{0, 0}, {0, 0}, {0, 0}}},
      {20000, {{0, 20000}, {0, 20000}, {20000, 20000}}},
      {block, {{0, block}, {0, block}, {block, block}, {block, block}}},
      {block + 1, {{0, block + 1}, {0, block + 1}, {block, block + 1}, {block + 1, block + 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    std::string bytes(static_cast<size_t>(c.size), '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    const String src = dir.Write("src", bytes);
    Calls calls;
    EXPECT_EQ(zel::FileCopyFeedBk64(src, dir.File("dst"), false, Recorder(calls)), 0);
    EXPECT_EQ(calls, c.want);
    EXPECT_EQ(zel_test::TempDir::Read(dir.File("dst")), bytes);
  }
  // The 32-bit form reports the same values.
  std::vector<std::pair<int32_t, int32_t>> narrow;
  EXPECT_EQ(zel::FileCopyFeedBk(dir.File("src"), dir.File("again"), false,
                                [&narrow](int32_t b, int32_t n) { narrow.emplace_back(b, n); }),
            0);
  EXPECT_EQ(narrow.size(), 4u);
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"again", "dst", "src"}));
}

TEST(FileCopyTest, IntoFolderKeepsTimeAndOptionallyMode) {
  zel_test::TempDir dir;
  fs::create_directory(dir.Path() / "into");
  const String src = dir.Write("-rf with space ü.txt", "data");
  auto& files = zel::platform::Files();
  fs::permissions(zel_test::PathOf(S(src)), static_cast<fs::perms>(0541));
  const zel::platform::FileTimeSpec access{1000000000, 0}, modify{1234567890, 500000000};
  ASSERT_EQ(files.SetTimes(S(src), &access, &modify), 0);
  EXPECT_EQ(zel::FileCopyFeedBk(src, U(dir.Path() / "into"), true, nullptr), 0);
  const fs::path copy = dir.Path() / "into" / zel_test::PathOf("-rf with space ü.txt");
  EXPECT_EQ(zel_test::TempDir::Read(U(copy)), "data");
  zel::platform::FileStatus st;
  ASSERT_EQ(files.Status(zel_test::PathText(copy), true, st), 0);
#ifndef _WIN32
  EXPECT_EQ(st.mode & 07777, 0741u);  // owner write added
#else
  EXPECT_NE(st.mode & zel::platform::kOwnerWrite, 0u);  // owner write added
#endif
  EXPECT_EQ(st.modify.sec, 1234567890);
  EXPECT_EQ(st.modify.nsec, 500000000);
  // Without attributes an existing destination keeps its mode.
  const String old = dir.Write("old", "previous contents");
  fs::permissions(zel_test::PathOf(S(old)), static_cast<fs::perms>(0640));
  EXPECT_EQ(zel::FileCopyFeedBk(src, old, false, nullptr), 0);
  ASSERT_EQ(files.Status(S(old), true, st), 0);
#ifndef _WIN32
  EXPECT_EQ(st.mode & 07777, 0640u);
#endif
  EXPECT_EQ(zel_test::TempDir::Read(old), "data");
}

TEST(FileCopyTest, OntoItselfUnderAnyNameLeavesTheSourceIntact) {
  zel_test::TempDir dir;
  SKIP_WITHOUT_LINKS(dir.Path());
  const String src = dir.Write("f", "precious");
  fs::create_hard_link(dir.Path() / "f", dir.Path() / "hard");
  fs::create_symlink(dir.Path() / "f", dir.Path() / "soft");
  const String names[] = {src, U(dir.Path() / "." / "f"), U(dir.Path() / "hard"),
                          U(dir.Path() / "soft"), U(dir.Path())};
  for (const auto& name : names) {
    SCOPED_TRACE(S(name));
    Calls calls;
    EXPECT_EQ(zel::FileCopyFeedBk64(src, name, true, Recorder(calls)), 0);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(zel_test::TempDir::Read(src), "precious");
  }
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"f", "hard", "soft"}));
}

TEST(FileCopyTest, StatusesAndTheMissingSource) {
  zel_test::TempDir dir;
  const String src = dir.Write("src", "abc");
  try {
    zel::FileCopyFeedBk(dir.File("missing"), dir.File("x"), false, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const zel::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOENT);
  }
  EXPECT_THROW(zel::FileCopyFeedBk(U(dir.Path()), dir.File("x"), false, nullptr), zel::EInOutError);
  EXPECT_EQ(zel::FileCopyFeedBk(src, dir.File("no/such/dir/x"), false, nullptr), -2);
  // A read-only destination is not replaced; a read-only source is copied.
  const String ro = dir.Write("ro", "keep");
  ReadOnly(zel_test::PathOf(S(ro)), true);
  EXPECT_EQ(zel::FileCopyFeedBk(src, ro, false, nullptr), -2);
  EXPECT_EQ(zel_test::TempDir::Read(ro), "keep");
  EXPECT_EQ(zel::FileCopyFeedBk(ro, dir.File("from-ro"), false, nullptr), 0);
  EXPECT_EQ(zel_test::TempDir::Read(dir.File("from-ro")), "keep");
  // Writing through a symbolic link keeps the link.
  if (!LinksWork(dir.Path())) return;
  fs::create_symlink("from-ro", dir.Path() / "link");
  EXPECT_EQ(zel::FileCopyFeedBk(src, dir.File("link"), false, nullptr), 0);
  EXPECT_TRUE(fs::is_symlink(dir.Path() / "link"));
  EXPECT_EQ(zel_test::TempDir::Read(dir.File("from-ro")), "abc");
}

// A disk that fills up after `room` bytes.
class FullDisk : public zel::platform::NativeFileSystem {
 public:
  int64_t room = 0;
  int Reserve(int fd, uint64_t size) override {
    return static_cast<int64_t>(size) > reserve_room ? ENOSPC : NativeFileSystem::Reserve(fd, size);
  }
  int64_t reserve_room = INT64_MAX;
  int CopyRange(int in, int out, size_t len, size_t& copied) override {
    if (room <= 0) return ENOSPC;
    const int err = NativeFileSystem::CopyRange(in, out, std::min<size_t>(len, room), copied);
    room -= static_cast<int64_t>(copied);
    return err;
  }
  // Where the system copies no range (Windows), the data comes through here.
  int Write(int fd, const void* buf, size_t len) override {
    if (static_cast<int64_t>(len) > room) return ENOSPC;
    room -= static_cast<int64_t>(len);
    return NativeFileSystem::Write(fd, buf, len);
  }
};

TEST(FileCopyTest, FailuresAndAbortLeaveTheDestinationAsItWas) {
  zel_test::TempDir dir;
  const String src = dir.Write("src", std::string(3 * zel::kCopyBlockSize / 2, 'x'));
  const String dst = dir.Write("dst", "old contents");
  const std::vector<std::string> before = Names(dir.Path());
  FullDisk disk;
  {
    ScopedBackend<zel::platform::FileSystem> guard(&disk, &zel::platform::SetFilesBackend);
    disk.room = zel::kCopyBlockSize;  // the second block does not fit
    EXPECT_EQ(zel::FileCopyFeedBk(src, dst, false, nullptr), -3);
    Calls calls;
    disk.reserve_room = zel::kCopyBlockSize;  // found before anything is written
    EXPECT_EQ(zel::FileCopyFeedBk64(src, dst, false, Recorder(calls)), -3);
    EXPECT_EQ(calls, (Calls{{0, 3 * zel::kCopyBlockSize / 2}, {0, 3 * zel::kCopyBlockSize / 2}}));
  }
  Calls calls;
  EXPECT_EQ(zel::FileCopyFeedBk64(src, dst, false,
                                  [&calls](int64_t b, int64_t n) {
                                    calls.emplace_back(b, n);
                                    if (b > 0) zel::AbortAnyFileCopying();
                                  }),
            -5);
  EXPECT_EQ(calls.size(), 4u);  // (0, n) (0, n) (block, n), stop, (total, n)
  EXPECT_EQ(zel_test::TempDir::Read(dst), "old contents");
  EXPECT_EQ(Names(dir.Path()), before);  // no temporary left behind
  // A new copy clears the flag again.
  EXPECT_EQ(zel::FileCopyFeedBk(src, dst, false, nullptr), 0);
  EXPECT_EQ(zel_test::TempDir::Read(dst).size(), 3 * zel::kCopyBlockSize / 2);
}

// A source that another program shortens while it is being copied.
class ShrinkingSource : public zel::platform::NativeFileSystem {
 public:
  std::string path;
  int Reserve(int fd, uint64_t size) override {
    const int err = NativeFileSystem::Reserve(fd, size);
    std::filesystem::resize_file(path, 10);
    return err;
  }
};

TEST(FileCopyTest, ReservedSpaceNeverPadsACopyOfAShrunkenFile) {
  zel_test::TempDir dir;
  const String src = dir.Write("src", std::string(2 * zel::kCopyBlockSize, 'x'));
  const String dst = dir.File("dst");
  ShrinkingSource fs;
  fs.path = zel_test::PathText(dir.Path() / "src");
  ScopedBackend<zel::platform::FileSystem> guard(&fs, &zel::platform::SetFilesBackend);
  EXPECT_EQ(zel::FileCopyFeedBk(src, dst, false, nullptr), 0);
  const std::string copy = zel_test::TempDir::Read(dst);
  EXPECT_EQ(copy.size(), 10u);
  EXPECT_TRUE(copy == std::string(10, 'x'));
}

TEST(CopyFileTreeTest, CopiesTreesLinksAndOddNames) {
  zel_test::TempDir dir;
  SKIP_WITHOUT_LINKS(dir.Path());
  const fs::path src = dir.Path() / "src";
  fs::create_directories(src / "sub dir" / "ärger");
  fs::create_directories(src / "Empty");
  std::ofstream(src / "-leading dash") << "1";
  std::ofstream(src / "sub dir" / "b file") << "22";
  std::ofstream(src / "sub dir" / "ärger" / "ç.txt") << "333";
  fs::create_symlink("../-leading dash", src / "sub dir" / "link");
  fs::create_symlink("/etc", src / "outside");
  std::vector<std::string> names;
  std::vector<int32_t> counts;
  zel::CopyFileTree(U(src), U(dir.Path() / "dst"), false,
                    [&](int32_t, int32_t, const String& name, int32_t n) {
                      if (names.empty() || names.back() != S(name)) names.push_back(S(name));
                      counts.push_back(n);
                    });
  const fs::path dst = dir.Path() / "dst";
  EXPECT_EQ(Names(dst), (std::vector<std::string>{"-leading dash", "Empty", "outside", "sub dir"}));
  EXPECT_EQ(zel_test::TempDir::Read(U(dst / "sub dir" / "ärger" / "ç.txt")), "333");
  EXPECT_EQ(fs::read_symlink(dst / "sub dir" / "link"), "../-leading dash");
  EXPECT_EQ(fs::read_symlink(dst / "outside"), "/etc");
  EXPECT_EQ(names.size(), 5u);
  EXPECT_EQ(names.front(), (dst / "-leading dash").string());
  EXPECT_EQ(counts.back(), 5);
}

TEST(CopyFileTreeTest, SameFolderAndFolderInsideItself) {
  zel_test::TempDir dir;
  SKIP_WITHOUT_LINKS(dir.Path());
  const fs::path a = dir.Path() / "a";
  fs::create_directories(a / "x");
  std::ofstream(a / "x" / "f") << "f";
  fs::create_symlink(a, dir.Path() / "alias");
  EXPECT_EQ(zel::CopyFileTree64(U(a), U(dir.Path() / "alias"), false, nullptr), 0);
  EXPECT_EQ(Names(a), (std::vector<std::string>{"x"}));
  // Folders that differ only in case are different folders here.
  EXPECT_EQ(zel::CopyFileTree64(U(a), U(dir.Path() / "A"), false, nullptr), 0);
  EXPECT_EQ(zel_test::TempDir::Read(U(dir.Path() / "A" / "x" / "f")), "f");
  // Abort from the feedback stops the walk.
  int files = 0;
  for (int i = 0; i < 5; ++i) std::ofstream(a / ("n" + std::to_string(i))) << i;
  zel::CopyFileTree64(U(a), U(dir.Path() / "partial"), false,
                      [&files](int64_t, int64_t, const String&, int32_t n) {
                        files = n;
                        zel::AbortAnyFileCopying();
                      });
  EXPECT_EQ(files, 1);
  EXPECT_LE(Names(dir.Path() / "partial").size(), 1u);
}

// Every entry lands on exactly its mirrored entry: whatever of another kind
// holds that name is reported and left alone, and links in the destination
// are never followed.
TEST(CopyFileTreeTest, ClashesFailTheEntryAndDestinationLinksAreNotFollowed) {
  zel_test::TempDir dir;
  SKIP_WITHOUT_LINKS(dir.Path());
  const fs::path src = dir.Path() / "src", dst = dir.Path() / "dst", out = dir.Path() / "outside";
  fs::create_directories(src / "d");
  fs::create_directories(src / "k");
  fs::create_directories(dst / "x");
  fs::create_directories(dst / "l");
  fs::create_directories(dst / "k");
  fs::create_directories(out);
  std::ofstream(src / "x") << "src-x";
  std::ofstream(src / "d" / "in") << "src-in";
  std::ofstream(src / "f") << "src-f";
  std::ofstream(src / "k" / "y") << "src-y";
  std::ofstream(src / "same") << "new";
  fs::create_symlink("target", src / "l");
  fs::create_symlink("new-target", src / "ll");
  std::ofstream(dst / "x" / "keep") << "keep";
  std::ofstream(out / "file") << "outside";
  std::ofstream(out / "y-file") << "outside-y";
  fs::create_symlink(out, dst / "d");
  fs::create_symlink(out / "file", dst / "f");
  fs::create_symlink(out / "y-file", dst / "k" / "y");
  std::ofstream(dst / "same") << "old";
  std::ofstream(src / "h") << "src-h";
  std::ofstream(out / "hard") << "outside-hard";
  fs::create_hard_link(out / "hard", dst / "h");  // a file of the destination with a name outside
  fs::create_symlink("old-target", dst / "ll");

  std::vector<std::pair<std::string, int32_t>> failed;
  EXPECT_EQ(zel::CopyFileTree64(U(src), U(dst), false, nullptr,
                                [&failed](const String& name, int32_t error) {
                                  failed.emplace_back(S(name), error);
                                }),
            5);
  const std::vector<std::pair<std::string, int32_t>> clashes = {
      {(dst / "d").string(), EEXIST},  // a folder where a link is
      {(dst / "f").string(), EEXIST},  // a file where a link is
      {(dst / "k" / "y").string(), EEXIST},
      {(dst / "l").string(), EEXIST},   // a link where a folder is
      {(dst / "x").string(), EEXIST}};  // a file where a folder is
  EXPECT_EQ(failed, clashes);
  EXPECT_EQ(Names(dst / "x"), (std::vector<std::string>{"keep"}));
  EXPECT_EQ(Names(out), (std::vector<std::string>{"file", "hard", "y-file"}));
  EXPECT_EQ(zel_test::TempDir::Read(U(out / "hard")), "outside-hard");
  EXPECT_EQ(zel_test::TempDir::Read(U(dst / "h")), "src-h");
  EXPECT_EQ(zel_test::TempDir::Read(U(out / "file")), "outside");
  EXPECT_EQ(zel_test::TempDir::Read(U(out / "y-file")), "outside-y");
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(dst / "l")));
  // Entries of the same kind are replaced.
  EXPECT_EQ(zel_test::TempDir::Read(U(dst / "same")), "new");
  EXPECT_EQ(fs::read_symlink(dst / "ll"), "new-target");
}

TEST(CopyFileTreeTest, IntoItsOwnSubtreeIsRefusedBeforeAnythingIsMade) {
  zel_test::TempDir dir;
  SKIP_WITHOUT_LINKS(dir.Path());
  const fs::path s2 = dir.Path() / "s2";
  fs::create_directories(s2 / "inner");
  std::ofstream(s2 / "inner" / "f") << "f";
  fs::create_directory_symlink(dir.Path(), dir.Path() / "alias");
  const std::vector<fs::path> inside = {s2 / "inner" / "deeper", s2 / "new" / "deeper",
                                        s2 / "inner", dir.Path() / "alias" / "s2" / "x"};
  for (const auto& target : inside) {
    SCOPED_TRACE(target.string());
    try {
      zel::CopyFileTree64(U(s2), U(target), false, nullptr);
      ADD_FAILURE() << "no exception";
    } catch (const zel::EInOutError& e) {
      EXPECT_EQ(e.ErrorCode(), EINVAL);
      EXPECT_NE(e.Message().find(u"inside"), String::npos);
    }
    EXPECT_EQ(Names(s2), (std::vector<std::string>{"inner"}));
    EXPECT_EQ(Names(s2 / "inner"), (std::vector<std::string>{"f"}));
  }
}

// Copying "s2/inner" to "s2" would copy "s2/inner/inner" over the source
// folder itself while it is being copied.
TEST(CopyFileTreeTest, ASourceInsideItsDestinationIsNeverWrittenOver) {
  zel_test::TempDir dir;
  const fs::path s2 = dir.Path() / "s2";
  fs::create_directories(s2 / "inner" / "inner");
  std::ofstream(s2 / "inner" / "z") << "inner-z";
  std::ofstream(s2 / "inner" / "inner" / "z") << "inner-inner-z";
  std::vector<std::pair<std::string, int32_t>> failed;
  EXPECT_EQ(zel::CopyFileTree64(U(s2 / "inner"), U(s2), false, nullptr,
                                [&failed](const String& name, int32_t error) {
                                  failed.emplace_back(S(name), error);
                                }),
            1);
  EXPECT_EQ(failed,
            (std::vector<std::pair<std::string, int32_t>>{{(s2 / "inner").string(), EINVAL}}));
  EXPECT_EQ(zel_test::TempDir::Read(U(s2 / "z")), "inner-z");
  EXPECT_EQ(zel_test::TempDir::Read(U(s2 / "inner" / "z")), "inner-z");
  EXPECT_EQ(zel_test::TempDir::Read(U(s2 / "inner" / "inner" / "z")), "inner-inner-z");
}

TEST(CopyFileTreeTest, MissingSourceStillMakesTheDestination) {
  zel_test::TempDir dir;
  const fs::path dst = dir.Path() / "a" / "b" / "c";
  EXPECT_EQ(zel::CopyFileTree64(U(dir.Path() / "missing"), U(dst), false, nullptr), 1);
  EXPECT_TRUE(fs::is_directory(dst));
  EXPECT_TRUE(Names(dst).empty());
  const fs::path dst2 = dir.Path() / "d" / "e";
  zel::CopyFileTree(U(dir.Path() / "missing"), U(dst2), false, nullptr);
  EXPECT_TRUE(fs::is_directory(dst2));
}

// Another program changing a tree while it is walked: the entry `name` of the
// folder being walked is replaced by `swap`, either right after the folder is
// listed or right after the entry's status is read.
class SwappingTree : public zel::platform::NativeFileSystem {
 public:
  bool after_status = false;
  std::string name;
  std::function<void()> swap;
  void Swap() {
    if (!swap) return;
    auto once = std::move(swap);
    swap = nullptr;
    once();
  }
  int ListAt(int dir, std::vector<zel::platform::DirEntry>& out) override {
    const int err = NativeFileSystem::ListAt(dir, out);
    if (!after_status &&
        std::any_of(out.begin(), out.end(), [this](const auto& e) { return e.name == name; }))
      Swap();
    return err;
  }
  int StatusAt(int dir, const std::string& entry, bool follow,
               zel::platform::FileStatus& out) override {
    const int err = NativeFileSystem::StatusAt(dir, entry, follow, out);
    if (after_status && !follow && entry == name) Swap();
    return err;
  }
};

TEST(TreeWalkTest, EntriesSwappedDuringTheWalkNeverLeadOutside) {
  {
    zel_test::TempDir probe;
    SKIP_WITHOUT_LINKS(probe.Path());
  }
  enum Swap { kLinkToFolder, kOtherFolder, kHardLinkToFile };
  struct Case {
    const char* label;
    bool after_status;
    Swap swap;
  };
  const Case cases[] = {
      {"folder becomes a link after the listing", false, kLinkToFolder},
      {"folder becomes a link after its status", true, kLinkToFolder},
      {"folder becomes another folder after its status", true, kOtherFolder},
      {"file becomes another file after its status", true, kHardLinkToFile},
  };
  const char* const operations[] = {"DelDirTree",         "CopyFileTree", "CountFiles",
                                    "ScanFilesToStrList", "FileDetect",   "SetAllFilenameCase"};
  for (const Case& c : cases) {
    for (const std::string op : operations) {
      SCOPED_TRACE(std::string(c.label) + ", " + op);
      zel_test::TempDir dir;
      const fs::path t = dir.Path() / "t", precious = dir.Path() / "precious";
      fs::create_directories(t / "a");
      fs::create_directories(precious);
      std::ofstream(t / "a" / "inner.txt") << "inner";
      std::ofstream(t / "f.txt") << "f";
      std::ofstream(precious / "keep.txt") << "keep";
      fs::path keep = precious / "keep.txt";
      SwappingTree backend;
      backend.after_status = c.after_status;
      backend.name = c.swap == kHardLinkToFile ? "f.txt" : "a";
      backend.swap = [&] {
        if (c.swap == kHardLinkToFile) {
          fs::remove(t / "f.txt");
          fs::create_hard_link(precious / "keep.txt", t / "f.txt");
          return;
        }
        fs::rename(t / "a", dir.Path() / "a.moved");
        if (c.swap == kLinkToFolder) {
          fs::create_directory_symlink(precious, t / "a");
        } else {
          fs::rename(precious, t / "a");
          keep = t / "a" / "keep.txt";
        }
      };
      zel::TStringList list;
      {
        ScopedBackend<zel::platform::FileSystem> guard(&backend, &zel::platform::SetFilesBackend);
        if (op == "DelDirTree") {
          zel::DelDirTree(U(t));
        } else if (op == "CopyFileTree") {
          zel::CopyFileTree64(U(t), U(dir.Path() / "copy"), false, nullptr);
        } else if (op == "CountFiles") {
          EXPECT_EQ(zel::CountFiles(U(t) + u"/*.txt", true, nullptr),
                    c.swap == kHardLinkToFile ? 2 : 1);  // t/f.txt, t/a/inner.txt
        } else if (op == "ScanFilesToStrList") {
          zel::ScanFilesToStrList(U(t) + u"/*.txt", true, &list, nullptr);
        } else if (op == "FileDetect") {
          EXPECT_EQ(zel::FileDetect(U(t) + u"/keep.txt"), u"");
        } else {
          zel::SetAllFilenameCase(U(t) + u"/*", true);
        }
      }
      EXPECT_FALSE(backend.swap) << "the tree was not changed";
      // The name of a folder moved into the tree may change; never its content.
      if (op == "SetAllFilenameCase" && c.swap == kOtherFolder) keep = t / "A" / "keep.txt";
      EXPECT_EQ(zel_test::TempDir::Read(U(keep)), "keep");
      for (const auto& line : list) EXPECT_EQ(S(line).find("keep"), std::string::npos);
      if (fs::exists(dir.Path() / "copy")) {
        for (const auto& e : fs::recursive_directory_iterator(dir.Path() / "copy")) {
          if (e.is_regular_file() && !e.is_symlink()) {
            EXPECT_NE(zel_test::TempDir::Read(U(e.path())), "keep") << e.path();
          }
        }
      }
    }
  }
}

TEST(DelDirTreeTest, NeverFollowsLinksAndStopsAtReadOnlyFiles) {
  zel_test::TempDir dir;
  SKIP_WITHOUT_LINKS(dir.Path());
  const fs::path keep = dir.Path() / "keep";
  fs::create_directories(keep);
  std::ofstream(keep / "precious") << "p";
  const fs::path tree = dir.Path() / "tree";
  fs::create_directories(tree / "a" / "b");
  std::ofstream(tree / "a" / "b" / "file") << "x";
  fs::create_symlink(keep, tree / "a" / "link-to-keep");
  fs::create_symlink(keep / "precious", tree / "file-link");
  fs::create_symlink(keep, dir.Path() / "tree-link");
  EXPECT_EQ(zel::DelDirTree(U(dir.Path() / "tree-link")), u"");  // removes only the link
  EXPECT_TRUE(fs::exists(keep / "precious"));
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(dir.Path() / "tree-link")));
  std::ofstream(tree / "z-readonly") << "r";
  ReadOnly(tree / "z-readonly", true);
  EXPECT_EQ(S(zel::DelDirTree(U(tree))), (tree / "z-readonly").string());
  EXPECT_FALSE(fs::exists(tree / "a"));
  EXPECT_TRUE(fs::exists(tree / "z-readonly"));
  ReadOnly(tree / "z-readonly", false);
  EXPECT_EQ(zel::DelDirTree(U(tree) + u"/"), u"");
  EXPECT_FALSE(fs::exists(tree));
  EXPECT_EQ(Names(keep), (std::vector<std::string>{"precious"}));
  EXPECT_EQ(zel::DelDirTree(u""), u"");
  EXPECT_EQ(S(zel::DelDirTree(U(dir.Path() / "gone"))), (dir.Path() / "gone/").string());
}

TEST(FileMaskTest, ScanCountDetectAndDelete) {
  zel_test::TempDir dir;
  const fs::path d = dir.Path() / "Data";
  fs::create_directories(d / "Sub");
  for (const char* n : {"a.txt", "B.TXT", "c.csv", ".config.txt", "Sub/d.Txt", "Sub/e.bin"})
    std::ofstream(d / n) << n;
  fs::create_directory(d / "folder.txt");
  const String mask = U(d) + u"/*.TXT";
  zel::TStringList list;
  list.Add(u"kept");
  std::vector<std::string> visited;
  zel::ScanFilesToStrList(mask, true, &list, [&visited](const String& folder, int32_t) {
    visited.push_back(S(folder));
  });
  std::vector<std::string> got;
  for (int i = 0; i < list.Count(); ++i) got.push_back(S(list[i]));
  const std::string base = d.string() + "/";
  EXPECT_EQ(got, (std::vector<std::string>{"kept", base + ".config.txt", base + "B.TXT",
                                           base + "a.txt", base + "Sub/d.Txt"}));
  EXPECT_EQ(visited.size(), 3u);  // Data/, Data/Sub/, Data/folder.txt/
  EXPECT_EQ(zel::CountFiles(mask, false, nullptr), 3);
  EXPECT_EQ(zel::CountFiles(U(d) + u"/*.*", true, nullptr), 6);
#ifdef _WIN32
  // Windows finds the folder "Sub" by any case.
  EXPECT_EQ(zel::CountFiles(U(d) + u"\\sub\\*.*", false, nullptr), 2);
#else
  EXPECT_EQ(zel::CountFiles(U(d) + u"\\sub\\*.*", false, nullptr), 0);  // folder part as given
#endif
  EXPECT_EQ(S(zel::FileDetect(U(d) + u"/E.BIN")), base + "Sub/e.bin");
  EXPECT_EQ(zel::FileDetect(U(d) + u"/nothing"), u"");
  ReadOnly(d / "B.TXT", true);
  EXPECT_EQ(zel::DeleteFiles(mask), 1);  // a.txt: not hidden, not read-only, not a folder
  EXPECT_EQ(Names(d),
            (std::vector<std::string>{".config.txt", "B.TXT", "Sub", "c.csv", "folder.txt"}));
}

TEST(FileMaskTest, CaseChangesOnlyTheNameAndNeverReplaces) {
  zel_test::TempDir dir;
  const fs::path d = dir.Path() / "Keep Case";
  fs::create_directories(d / "SubDir");
#ifdef _WIN32
  // Names that differ in case only are one name on Windows.
  for (const char* n : {"a", "MiXed.TXT", "SubDir/Inner"}) std::ofstream(d / n) << n;
  zel::SetAllFilenameCase(U(d) + u"/*", false);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr &&
      Names(d) == std::vector<std::string>{"MiXed.TXT", "SubDir", "a"})
    GTEST_SKIP() << "Wine renames a file to another case of its name without changing it";
  EXPECT_EQ(Names(d), (std::vector<std::string>{"a", "mixed.txt", "subdir"}));
  EXPECT_EQ(Names(d / "subdir"), (std::vector<std::string>{"inner"}));
#else
  for (const char* n : {"a", "A", "MiXed.TXT", "SubDir/Inner"}) std::ofstream(d / n) << n;
  zel::SetAllFilenameCase(U(d) + u"/*", false);
  EXPECT_EQ(Names(d), (std::vector<std::string>{"A", "a", "mixed.txt", "subdir"}));
  EXPECT_EQ(Names(d / "subdir"), (std::vector<std::string>{"inner"}));
  EXPECT_EQ(zel_test::TempDir::Read(U(d / "A")), "A");  // not replaced by "a"
#endif
  zel::SetAllFilenameCase(U(d) + u"/*.txt", true);
  EXPECT_TRUE(fs::exists(d / "MIXED.TXT"));
}

TEST(FolderTest, ExistsEmptyReadOnly) {
  zel_test::TempDir dir;
  fs::create_directory(dir.Path() / "empty");
  dir.Write("file", "x");
  EXPECT_TRUE(zel::DirExists(U(dir.Path())));
  EXPECT_TRUE(zel::DirExists(U(dir.Path()) + u"/"));
  EXPECT_FALSE(zel::DirExists(dir.File("file")));
  EXPECT_FALSE(zel::DirExists(u""));
  EXPECT_TRUE(zel::DirEmpty(dir.File("empty")));
  EXPECT_TRUE(zel::DirEmpty(dir.File("missing")));
  EXPECT_FALSE(zel::DirEmpty(U(dir.Path())));
  EXPECT_FALSE(zel::DirIsReadOnly(U(dir.Path())));
  EXPECT_TRUE(zel::DirIsReadOnly(dir.File("missing")));
  struct ReadOnlyMount : zel::platform::NativeFileSystem {
    int Access(const std::string&, int) override { return EROFS; }
  } ro;
  ScopedBackend<zel::platform::FileSystem> guard(&ro, &zel::platform::SetFilesBackend);
  EXPECT_TRUE(zel::DirIsReadOnly(U(dir.Path())));
  EXPECT_TRUE(zel::DirEmpty(dir.File("empty")));
}

TEST(FileSizeTest, ThirtyTwoAndSixtyFourBits) {
  zel_test::TempDir dir;
  const String small = dir.Write("small", "12345");
  const String big = dir.File("big");
  { std::ofstream(dir.Path() / "big"); }
  fs::resize_file(dir.Path() / "big", (uint64_t{5} << 30) + 7);  // sparse
  EXPECT_EQ(zel::GetFileSize(small), 5);
  EXPECT_EQ(zel::GetFileSize64(big), (int64_t{5} << 30) + 7);
  EXPECT_EQ(zel::GetFileSize(big), (1 << 30) + 7);  // the low 32 bits
  EXPECT_EQ(zel::GetFileSize(dir.File("none")), -1);
  EXPECT_EQ(zel::GetFileSize64(dir.File("none")), -1);
  EXPECT_EQ(zel::GetFileSize(U(dir.Path())), 0);
}

TEST(FileDatesTest, ConversionsAndRoundTrip) {
  EXPECT_EQ(zel::FileTimeToDateTime(94353120000000000ull), 0.0);
  EXPECT_EQ(zel::FileTimeToDateTime(0), -109205.0);
  EXPECT_EQ(zel::DateTimeToFileTime(0.0), 94353120000000000ull);
  EXPECT_EQ(zel::DateTimeToFileTime(-109205.0), 0u);
  // A Double holds today's dates to a few microseconds.
  EXPECT_NEAR(
      static_cast<double>(zel::DateTimeToFileTime(zel::FileTimeToDateTime(133000000000000000ull))),
      133000000000000000.0, 100);
  EXPECT_THROW(zel::DateTimeToFileTime(-109206.0), zel::EIntOverflow);
  EXPECT_THROW(zel::DateTimeToFileTime(std::nan("")), zel::EIntOverflow);

  zel_test::TempDir dir;
  const String f = dir.Write("dated", "x");
  const zel::TDateTime write = zel::EncodeDate(2020, 2, 29) + zel::EncodeTime(13, 14, 15, 500);
  const zel::TDateTime access = zel::EncodeDate(2021, 1, 1);
  EXPECT_EQ(zel::SetFileDates(f, 1.0, access, write), 0);
  ReadOnly(zel_test::PathOf(S(f)), true);  // read-only files have readable times
  zel::TDateTime c = -1, a = -1, w = -1;
  EXPECT_EQ(zel::GetFileDates(f, c, a, w), 0);
  EXPECT_NEAR(w, write, 1e-9);
  EXPECT_NEAR(a, access, 1e-9);
  EXPECT_GT(c, 40000.0);                        // the creation time is not settable: a real date
  EXPECT_EQ(zel::SetFileDates(f, 0, 0, 0), 0);  // nothing changes
  EXPECT_EQ(zel::GetFileDates(f, c, a, w), 0);
  EXPECT_NEAR(w, write, 1e-9);
  EXPECT_EQ(zel::SetFileDates(f, 0, 0, std::nan("")), -1);
  EXPECT_EQ(zel::SetFileDates(dir.File("none"), 0, 0, 0), -1);
  EXPECT_EQ(zel::GetFileDates(dir.File("none"), c, a, w), -1);
  EXPECT_EQ(c, 0.0);
}

#ifndef _WIN32
// The Recycle Bin of Windows is tested with the trash concern.
TEST(RecycleBinTest, MovesToTheFreedesktopTrash) {
  zel_test::TempDir dir;
  const fs::path data = dir.Path() / "data home";
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  fs::create_directory(dir.Path() / "w");
  for (const char* n : {"a b%.txt", "c.txt", ".hidden.txt", "d.csv"})
    std::ofstream(dir.Path() / "w" / n) << n;
  EXPECT_EQ(zel::MoveToRecycleBin(U(dir.Path() / "w") + u"/*.txt"), 2);
  std::ofstream(dir.Path() / "w" / "c.txt") << "second";
  EXPECT_EQ(zel::MoveToRecycleBin(U(dir.Path() / "w" / "c.txt")), 1);
  // Paths that name no entry of their own are refused before a trash exists.
  const fs::path other = dir.Path() / "other home";
  ::setenv("XDG_DATA_HOME", other.c_str(), 1);
  std::string as;
  for (const char* tail : {"/", "/.", "/.."}) {
    SCOPED_TRACE(tail);
    EXPECT_EQ(zel::platform::Trash().MoveToTrash((dir.Path() / "w").string() + tail, as), EINVAL);
  }
  EXPECT_FALSE(fs::exists(other));
  if (old != nullptr) {
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }
  EXPECT_EQ(Names(dir.Path() / "w"), (std::vector<std::string>{".hidden.txt", "d.csv"}));
  const fs::path trash = data / "Trash";
  EXPECT_EQ(Names(trash / "files"), (std::vector<std::string>{"a b%.txt", "c.txt", "c.txt.2"}));
  EXPECT_EQ(
      Names(trash / "info"),
      (std::vector<std::string>{"a b%.txt.trashinfo", "c.txt.2.trashinfo", "c.txt.trashinfo"}));
  const std::string info = zel_test::TempDir::Read(U(trash / "info" / "a b%.txt.trashinfo"));
  const std::string encoded = (dir.Path() / "w").string() + "/a%20b%25.txt";
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + encoded + "\nDeletionDate=", 0), 0u) << info;
  EXPECT_EQ(
      info.size(),
      std::string("[Trash Info]\nPath=" + encoded + "\nDeletionDate=2026-01-01T00:00:00\n").size());
  EXPECT_EQ(zel_test::TempDir::Read(U(trash / "files" / "c.txt.2")), "second");
}
#endif

}  // namespace

namespace {

// Permission errors as an unprivileged user meets them (the tests may run as
// root, who is never refused).
class Refusing : public zel::platform::NativeFileSystem {
 public:
  std::string refused;  // names ending in this are refused
  bool Hit(const std::string& path) const {
    return path.size() >= refused.size() &&
           path.compare(path.size() - refused.size(), refused.size(), refused) == 0;
  }
  int Unlink(const std::string& path) override {
    return Hit(path) ? EACCES : NativeFileSystem::Unlink(path);
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    return Hit(from) ? EACCES : NativeFileSystem::RenameNoReplace(from, to);
  }
  int OpenRead(const std::string& path, int& fd) override {
    fd = -1;
    return Hit(path) ? EACCES : NativeFileSystem::OpenRead(path, fd);
  }
  int UnlinkAt(int dir, const std::string& name, bool folder) override {
    return Hit(name) ? EACCES : NativeFileSystem::UnlinkAt(dir, name, folder);
  }
  int RenameAt(int dir, const std::string& from, const std::string& to, bool replace) override {
    return Hit(from) ? EACCES : NativeFileSystem::RenameAt(dir, from, to, replace);
  }
  int OpenReadAt(int dir, const std::string& name, int& fd) override {
    fd = -1;
    return Hit(name) ? EACCES : NativeFileSystem::OpenReadAt(dir, name, fd);
  }
};

TEST(PermissionTest, RefusalsAreReportedNotSkippedSilently) {
  zel_test::TempDir dir;
  const fs::path t = dir.Path() / "t";
  fs::create_directories(t / "sub");
  std::ofstream(t / "sub" / "locked") << "l";
  std::ofstream(t / "free") << "f";
  Refusing refusing;
  refusing.refused = "locked";
  ScopedBackend<zel::platform::FileSystem> guard(&refusing, &zel::platform::SetFilesBackend);
  EXPECT_EQ(S(zel::DelDirTree(U(t))), (t / "sub" / "locked").string());
  EXPECT_EQ(zel::DeleteFiles(U(t / "sub") + u"/*"), 0);
  EXPECT_TRUE(fs::exists(t / "sub" / "locked"));
  EXPECT_THROW(zel::SetAllFilenameCase(U(t / "sub") + u"/*", true), zel::EInOutError);
  EXPECT_EQ(zel::FileCopyFeedBk(U(t / "sub" / "locked"), U(t / "copy"), false, nullptr), -1);
  EXPECT_FALSE(fs::exists(t / "copy"));
  EXPECT_EQ(zel::CopyFileTree64(U(t), U(dir.Path() / "t2"), false, nullptr), 1);
}

}  // namespace

namespace {

TEST(FileMaskTest, NamesThatAreNotUtf8StayUsable) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows names are UTF-16: there are no bytes that are not text";
#endif
  zel_test::TempDir dir;
  const std::string raw = dir.Path().string() + "/bad\xff name.txt";
  std::ofstream(raw) << "bytes";
  zel::TStringList list;
  zel::ScanFilesToStrList(U(dir.Path()) + u"/*.TXT", false, &list, nullptr);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_NE(list[0].find(u'\xDCFF'), zel::String::npos);
  EXPECT_EQ(zel::FileCopyFeedBk(list[0], dir.File("copy"), false, nullptr), 0);
  EXPECT_EQ(zel_test::TempDir::Read(dir.File("copy")), "bytes");
  try {  // a name holding U+0000 names no file, not the file "a"
    zel::FileCopyFeedBk(String(u"a\0b", 3), dir.File("x"), false, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const zel::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), EINVAL);
  }
}

}  // namespace
