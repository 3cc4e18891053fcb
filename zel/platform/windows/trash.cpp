// The trash on Windows: the Recycle Bin, through the shell's file operation.
#include "zel/platform/trash.h"

#include <cerrno>

#include "zel/platform/windows/internal/win32.h"
// After <windows.h>, which it needs.
#include <shellapi.h>

namespace zel::platform {

namespace {

// The error number for a result of SHFileOperationW, which gives Windows
// error codes or its own DE_ codes.
int ShellErrno(int rc) {
  switch (rc) {
    case 0x71:  // DE_SAMEFILE
    case 0x7C:  // DE_INVALIDFILES
      return ENOENT;
    case 0x78:  // DE_ACCESSDENIEDSRC
    case 0x86:  // DE_SRC_IS_CDROM
    case 0x87:  // DE_SRC_IS_DVD
      return EACCES;
    case 0x7A:  // DE_FILENAMETOOLONG
    case 0xB7:  // DE_ERROR_MAX: the path is longer than MAX_PATH
      return ENAMETOOLONG;
    case 0x402:  // an unknown error on the destination
      return EIO;
    default:
      return rc < 0x70 ? windows::ErrnoFromWin32(static_cast<DWORD>(rc)) : EIO;
  }
}

}  // namespace

int NativeTrashSystem::MoveToTrash(const std::string& path, std::string& trashed_as) {
  trashed_as.clear();
  if (path.empty() || path.find('\0') != std::string::npos) return EINVAL;
  // A path ending in a separator, "." or ".." (also "C:", "C:..") names no
  // entry of its own to move.
  const size_t sep = path.find_last_of("/\\");
  std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
  if (sep == std::string::npos && name.size() >= 2 && name[1] == ':') name.erase(0, 2);
  if (name.empty() || name == "." || name == "..") return EINVAL;
  std::wstring wide;
  if (!windows::Widen(path, wide)) return EINVAL;
  // The shell takes absolute paths only, without the \\?\ prefix.
  std::wstring full;
  if (!windows::FullPathName(wide, full)) {
    const int err = windows::LastErrno();
    return err != 0 ? err : ENAMETOOLONG;
  }
  if (full.size() >= MAX_PATH) return ENAMETOOLONG;
  if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) return windows::LastErrno();
  // A network share has no Recycle Bin: the shell would delete the file for
  // good instead.
  wchar_t volume[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(full.c_str(), volume, MAX_PATH + 1)) return windows::LastErrno();
  if (GetDriveTypeW(volume) == DRIVE_REMOTE || (volume[0] == L'\\' && volume[1] == L'\\'))
    return EXDEV;
  // A list of one path, ended by two NULs.
  std::wstring from = full;
  from.push_back(L'\0');
  from.push_back(L'\0');
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  const int rc = SHFileOperationW(&op);
  if (rc != 0) return ShellErrno(rc);
  if (op.fAnyOperationsAborted) return ECANCELED;
  // Success is taken only when the entry is gone.
  if (GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES) return EIO;
  return 0;
}

// Each volume keeps its own Recycle Bin, which is no folder of the user's.
std::string NativeTrashSystem::HomeTrash() { return {}; }

TrashSystem& NativeTrash() {
  static NativeTrashSystem native;
  return native;
}

}  // namespace zel::platform
