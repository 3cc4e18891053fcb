#include "zel/filesys/drives.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "zel/platform/backend.h"
#include "zel/platform/drives.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::platform::MountEntry;

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

TEST(DrivesTest, PathFormsAskTheRealSystem) {
  EXPECT_FALSE(zel::DiskIsReadOnly(u"/tmp"));
  EXPECT_GT(zel::DiskFreeExtended(u"/tmp"), 0.0);
  EXPECT_EQ(zel::DiskFreeExtended(u"/no/such/place"), -1.0);
  EXPECT_EQ(zel::GetDiskDriveType(u"/no/such/place"), 1);
  EXPECT_NE(zel::GetDiskDriveType(u"/tmp"), 1);
}

}  // namespace
