// Drives on Windows: the drive letters, their volumes and free space.
#include "zel/platform/drives.h"

#include <cerrno>

#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {

namespace {

// The root folder ("C:\") of the volume holding `path`; false (with the
// error number in `err`) when it cannot be told.
bool VolumeRoot(const std::string& path, std::wstring& root, int& err) {
  std::wstring wide;
  if (path.empty() || !windows::WidePath(path, wide)) {
    err = path.empty() ? ENOENT : EINVAL;
    return false;
  }
  std::wstring buf(wide.size() + MAX_PATH + 1, L'\0');
  if (!GetVolumePathNameW(wide.c_str(), buf.data(), static_cast<DWORD>(buf.size()))) {
    err = windows::LastErrno();
    return false;
  }
  root.assign(buf.c_str());
  if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
    err = windows::LastErrno();
    return false;
  }
  return true;
}

}  // namespace

int NativeDriveSystem::MountTable(std::vector<MountEntry>& out) {
  out.clear();
  // "A:\", "C:\", ... each ended by NUL, with a NUL after the last.
  wchar_t buf[26 * 4 + 1] = {};
  const DWORD n = GetLogicalDriveStringsW(26 * 4, buf);
  if (n == 0 || n > 26 * 4) return n == 0 ? windows::LastErrno() : EOVERFLOW;
  for (const wchar_t* p = buf; *p; p += wcslen(p) + 1) {
    MountEntry e;
    e.mount_point = windows::Narrow(p);
    e.device = e.mount_point.substr(0, 2);
    e.drive_type = static_cast<uint8_t>(GetDriveTypeW(p));
    // An empty card reader or CD drive has no volume to ask.
    wchar_t fs[MAX_PATH + 1] = {};
    DWORD flags = 0;
    if (GetVolumeInformationW(p, nullptr, 0, nullptr, nullptr, &flags, fs, MAX_PATH + 1)) {
      e.fs_type = windows::Narrow(fs);
      e.read_only = (flags & FILE_READ_ONLY_VOLUME) != 0;
    }
    out.push_back(std::move(e));
  }
  return 0;
}

int NativeDriveSystem::Space(const std::string& path, SpaceInfo& out) {
  out = SpaceInfo{};
  std::wstring root;
  int err = 0;
  if (!VolumeRoot(path, root, err)) return err;
  ULARGE_INTEGER available{}, total{};
  if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, nullptr)) return windows::LastErrno();
  out.total = total.QuadPart;
  out.available = available.QuadPart;
  return 0;
}

int NativeDriveSystem::ReadOnly(const std::string& path, bool& read_only) {
  read_only = false;
  std::wstring root;
  int err = 0;
  if (!VolumeRoot(path, root, err)) return err;
  DWORD flags = 0;
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
    return windows::LastErrno();
  read_only = (flags & FILE_READ_ONLY_VOLUME) != 0;
  return 0;
}

bool NativeDriveSystem::Removable(const std::string& device) {
  std::wstring wide;
  if (device.empty() || !windows::Widen(device, wide)) return false;
  if (wide.back() != L'\\') wide.push_back(L'\\');
  const UINT type = GetDriveTypeW(wide.c_str());
  return type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
}

DriveSystem& NativeDrives() {
  static NativeDriveSystem native;
  return native;
}

}  // namespace zel::platform
