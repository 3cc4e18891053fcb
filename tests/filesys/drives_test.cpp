#include "zel/filesys/drives.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "zel/platform/backend.h"
#include "zel/platform/drives.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::platform::MountEntry;

#ifndef _WIN32
// A machine with a fixed mount table; "/mnt/cd" is mounted read-only.
class FakeDrives : public zel::platform::DriveSystem {
 public:
  int MountTable(std::vector<MountEntry>& out) override {
    out = {{"/dev/vda1", "/", "ext4", false},         {"proc", "/proc", "proc", false},
           {"sysfs", "/sys", "sysfs", false},         {"tmpfs", "/dev/shm", "tmpfs", false},
           {"tmpfs", "/tmp", "tmpfs", false},         {"srv:/x", "/net", "nfs4", false},
           {"/dev/sr0", "/mnt/cd", "iso9660", true},  {"/dev/vdb", "/tmp", "ext4", false},
           {"/dev/sdb1", "/media/usb", "vfat", false}};
    return 0;
  }
  int Space(const std::string& path, zel::platform::SpaceInfo& out) override {
    if (path == "/net") return EIO;
    out.total = 1000;
    out.available = path.size() * 100;
    return 0;
  }
  int ReadOnly(const std::string& path, bool& read_only) override {
    read_only = path == "/mnt/cd";
    return 0;
  }
  bool Removable(const std::string& device) override { return device == "/dev/sdb1"; }
};

TEST(DrivesTest, DrivesAreMountPointsOfRealFileSystems) {
  FakeDrives fake;
  zel::platform::ScopedBackend<zel::platform::DriveSystem> guard(&fake,
                                                                 &zel::platform::SetDrivesBackend);
  zel::TStringList list;
  list.Add(u"old");
  zel::BuildDriveList(list);
  std::vector<std::string> got;
  for (int i = 0; i < list.Count(); ++i) got.push_back(zel::StringToUtf8(list[i]));
  EXPECT_EQ(got, (std::vector<std::string>{"/", "/tmp", "/net", "/mnt/cd", "/media/usb"}));
  struct {
    uint8_t drive;
    int type;
    bool read_only;
    double free;
  } const cases[] = {{0, 3, false, 100}, {1, 3, false, 400},  // /tmp now ext4 on /dev/vdb
                     {2, 4, false, -1},  {3, 5, true, 700},  {4, 2, false, 1000},
                     {5, 1, true, -1},   {26, 0, true, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.drive});
    EXPECT_EQ(zel::GetDiskDriveType(c.drive), c.type);
    EXPECT_EQ(zel::DiskIsReadOnly(c.drive), c.read_only);
    EXPECT_EQ(zel::DiskFreeExtended(c.drive), c.free);
  }
}

#else
// Windows: drives A:, C:, D: (a CD without a medium), E: (removable), N:
// (remote, failing); drive number d is the letter 'A' + d.
class FakeDrives : public zel::platform::DriveSystem {
 public:
  int MountTable(std::vector<MountEntry>& out) override {
    out = {{"A:", "A:\\", "FAT", false, 2},
           {"C:", "C:\\", "NTFS", false, 3},
           {"D:", "D:\\", "", false, 5},
           {"E:", "E:\\", "exFAT", true, 2},
           {"N:", "N:\\", "NTFS", false, 4}};
    return 0;
  }
  int Space(const std::string& path, zel::platform::SpaceInfo& out) override {
    if (path == "N:\\" || path == "D:\\") return EIO;
    out.total = 1000;
    out.available = static_cast<uint64_t>(path[0] - 'A') * 100;
    return 0;
  }
  int ReadOnly(const std::string& path, bool& read_only) override {
    if (path == "D:\\") return ENOENT;
    read_only = path == "E:\\";
    return 0;
  }
  bool Removable(const std::string& device) override { return device == "E:"; }
};

TEST(DrivesTest, DrivesAreLetters) {
  FakeDrives fake;
  zel::platform::ScopedBackend<zel::platform::DriveSystem> guard(&fake,
                                                                 &zel::platform::SetDrivesBackend);
  zel::TStringList list;
  list.Add(u"old");
  zel::BuildDriveList(list);
  EXPECT_EQ(zel::StringToUtf8(list.Text()), "A:\r\nC:\r\nD:\r\nE:\r\nN:\r\n");
  struct {
    uint8_t drive;
    int type;
    bool read_only;
    double free;
  } const cases[] = {{0, 2, false, 0},  {1, 1, true, -1},   {2, 3, false, 200}, {3, 5, true, -1},
                     {4, 2, true, 400}, {13, 4, false, -1}, {25, 1, true, -1},  {26, 0, true, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.drive});
    EXPECT_EQ(zel::GetDiskDriveType(c.drive), c.type);
    EXPECT_EQ(zel::DiskIsReadOnly(c.drive), c.read_only);
    EXPECT_EQ(zel::DiskFreeExtended(c.drive), c.free);
  }
}

// The system's own drives: C: is there, fixed, with room on it.
TEST(DrivesTest, SystemDriveC) {
  std::vector<MountEntry> table;
  ASSERT_EQ(zel::platform::NativeDrives().MountTable(table), 0);
  bool found = false;
  for (const auto& m : table) {
    if (m.device != "C:") continue;
    found = true;
    EXPECT_EQ(m.mount_point, "C:\\");
    EXPECT_EQ(m.drive_type, 3);
    EXPECT_FALSE(m.fs_type.empty());
    EXPECT_FALSE(m.read_only);
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(zel::GetDiskDriveType(2), 3);
  EXPECT_GT(zel::DiskFreeExtended(2), 0.0);
  EXPECT_FALSE(zel::DiskIsReadOnly(2));
  zel::TStringList list;
  zel::BuildDriveList(list);
  EXPECT_GE(list.IndexOf(u"C:"), 0);
  zel::platform::SpaceInfo space;
  ASSERT_EQ(zel::platform::NativeDrives().Space("c:\\", space), 0);
  EXPECT_GT(space.total, 0u);
  EXPECT_LE(space.available, space.total);
  EXPECT_FALSE(zel::platform::NativeDrives().Removable("C:"));
  EXPECT_EQ(zel::platform::NativeDrives().Space("", space), ENOENT);
  EXPECT_EQ(space.total, 0u);
}
#endif

TEST(DrivesTest, PathFormsAskTheRealSystem) {
  zel_test::TempDir dir;
  const zel::String here = zel::Utf8ToString(zel_test::PathText(dir.Path()));
  const zel::String missing = zel::Utf8ToString(zel_test::PathText(dir.Path() / "no" / "such"));
  EXPECT_FALSE(zel::DiskIsReadOnly(here));
  EXPECT_GT(zel::DiskFreeExtended(here), 0.0);
  EXPECT_EQ(zel::DiskFreeExtended(missing), -1.0);
  EXPECT_EQ(zel::GetDiskDriveType(missing), 1);
  EXPECT_NE(zel::GetDiskDriveType(here), 1);
}

}  // namespace
