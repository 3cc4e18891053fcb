// The steps of replacing a whole file on Windows: a temporary created with
// CREATE_NEW beside the target, FlushFileBuffers, then ReplaceFileW over an
// existing target (which keeps its security and attributes) or MoveFileExW
// for a new one. Handles are kept in the interfaces' int descriptors
// (FdFromHandle / HandleFromFd), so Descriptors() and Files() read, write,
// flush and close them.
#include "zel/platform/replace.h"

#include "zel/platform/windows/internal/win32.h"

// After windows.h: RtlGenRandom (SystemFunction036 of advapi32), and
// FSCTL_GET_REPARSE_POINT.
#include <ntsecapi.h>
#include <winioctl.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

namespace zel::platform {
namespace {

using windows::FdFromHandle;
using windows::HandleFromFd;
using windows::LastErrno;

// Closes a handle on every way out.
struct HandleCloser {
  HANDLE h;
  ~HandleCloser() {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};

// The attributes a replacement carries from the old file to the new one.
constexpr DWORD kCarried = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// `attributes` with the carried ones of `carried` in place of its own.
DWORD WithCarried(DWORD attributes, DWORD carried) {
  const DWORD out = (attributes & ~(kCarried | FILE_ATTRIBUTE_NORMAL)) | carried;
  return out != 0 ? out : FILE_ATTRIBUTE_NORMAL;
}

// The path of `path` within the open folder `folder` (its final name, with
// the \\?\ prefix), or `path` itself when `folder` is negative; 0 or the
// errno value (ENOENT for an empty path, EINVAL for text that is no name).
int FullPath(int folder, const std::string& path, std::wstring& out) {
  out.clear();
  if (path.empty()) return ENOENT;
  if (folder < 0) return windows::WidePath(path, out) ? 0 : EINVAL;
  std::wstring name;
  if (!windows::Widen(path, name)) return EINVAL;
  // A \\?\ path is taken literally: Windows' own separators only, and no
  // "." to resolve.
  for (auto& c : name)
    if (c == L'/') c = L'\\';
  while (name.rfind(L".\\", 0) == 0) name.erase(0, 2);
  if (name.empty() || name == L".") return EINVAL;
  const HANDLE dir = HandleFromFd(folder);
  DWORD need = ::GetFinalPathNameByHandleW(dir, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (need == 0) return LastErrno();
  std::wstring base(need, L'\0');
  const DWORD got =
      ::GetFinalPathNameByHandleW(dir, base.data(), need, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (got == 0 || got >= need) return got == 0 ? LastErrno() : EIO;
  base.resize(got);
  if (base.empty() || base.back() != L'\\') base += L'\\';
  out = base + name;
  return 0;
}

// Makes `wpath` a full path with Windows' separators (GetFullPathNameW);
// left as it is when it already has the \\?\ prefix or cannot be made full.
void FullName(std::wstring& wpath) {
  if (wpath.rfind(L"\\\\?\\", 0) == 0) return;
  std::wstring full;
  if (windows::FullPathName(wpath, full)) wpath = std::move(full);
}

// Opens `wpath` for `access` with every kind of sharing (so the open never
// stands in anyone's way), folders too; with `no_follow` a final reparse
// point is opened itself.
HANDLE OpenShared(const std::wstring& wpath, DWORD access, bool no_follow) {
  return ::CreateFileW(wpath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | (no_follow ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
                       nullptr);
}

// The reparse tag of the open entry `h`: 0 when it is no reparse point.
DWORD ReparseTag(HANDLE h) {
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof info)) return 0;
  return (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? info.ReparseTag : 0;
}

// Whether a reparse tag makes the entry a link to another name: symbolic
// links and junctions (mount points). Other reparse points (deduplicated or
// cloud files) are files of their own.
bool IsLinkTag(DWORD tag) { return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT; }

// The text of a link's reparse data: for a symbolic link its target as
// written (relative, or absolute without the \??\ prefix), for a junction
// its absolute target. False for any other reparse point.
bool LinkText(const std::vector<unsigned char>& data, size_t size, std::wstring& text) {
  // The layout of REPARSE_DATA_BUFFER: tag, data length, reserved, then
  // substitute name offset and length, print name offset and length (bytes,
  // from the path buffer), the flags of a symbolic link, the path buffer.
  auto u16 = [&](size_t at) {
    uint16_t v = 0;
    std::memcpy(&v, data.data() + at, sizeof v);
    return v;
  };
  if (size < 16) return false;
  uint32_t tag = 0;
  std::memcpy(&tag, data.data(), sizeof tag);
  size_t buffer = 0;
  if (tag == IO_REPARSE_TAG_SYMLINK) {
    buffer = 20;
  } else if (tag == IO_REPARSE_TAG_MOUNT_POINT) {
    buffer = 16;
  } else {
    return false;
  }
  const size_t sub_at = u16(8), sub_len = u16(10), print_at = u16(12), print_len = u16(14);
  // The print name is what the link was made with; the substitute name is
  // what the system follows (an NT path for absolute targets).
  size_t at = print_at, len = print_len;
  if (len == 0) at = sub_at, len = sub_len;
  if (buffer + at + len > size || len % 2 != 0) return false;
  text.assign(len / 2, L'\0');
  std::memcpy(text.data(), data.data() + buffer + at, len);
  if (text.rfind(L"\\??\\", 0) == 0) {
    text.erase(0, 4);
    if (text.rfind(L"UNC\\", 0) == 0) text.replace(0, 4, L"\\\\");
  }
  return !text.empty();
}

// Writes all of `len` bytes at `offset` of `h`; false with the error left in
// GetLastError.
bool WriteAllAt(HANDLE h, const char* data, size_t len, uint64_t offset) {
  while (len > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD chunk = len > (1u << 30) ? (1u << 30) : static_cast<DWORD>(len);
    DWORD done = 0;
    if (!::WriteFile(h, data, chunk, &done, &at)) return false;
    if (done == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    data += done;
    len -= done;
    offset += done;
  }
  return true;
}

// Sets the attributes of the open file `h` (FILE_ATTRIBUTE_NORMAL when none
// is left), times untouched.
bool SetAttributes(HANDLE h, DWORD attributes) {
  FILE_BASIC_INFO info{};
  if (!::GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info)) return false;
  info.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info) != 0;
}

}  // namespace

int NativeReplaceServices::Inspect(int folder, const std::string& path, bool follow,
                                  ReplaceTarget& out) {
  out = ReplaceTarget();
  std::wstring wpath;
  if (const int err = FullPath(folder, path, wpath)) return err;
  const HANDLE h = OpenShared(wpath, FILE_READ_ATTRIBUTES, !follow);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  const HandleCloser closer{h};
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    // Devices (NUL, CON) and pipes: written as they are.
    out.kind = ReplaceTarget::Kind::kOther;
    out.mode = 0666;
    out.links = 1;
    return 0;
  }
  if (!::GetFileInformationByHandle(h, &info)) return LastErrno();
  const bool link = !follow && IsLinkTag(ReparseTag(h));
  out.kind = link ? ReplaceTarget::Kind::kSymlink
             : (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                 ? ReplaceTarget::Kind::kDirectory
                 : ReplaceTarget::Kind::kRegular;
  // Windows has no permission bits: everyone's read and write, less write
  // for a read-only file; a folder is also searchable.
  out.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
  if (out.kind == ReplaceTarget::Kind::kDirectory) out.mode |= 0111;
  // Owners are security identifiers, which ReplaceFileW keeps: no ids.
  out.owner = 0;
  out.group = 0;
  out.links = info.nNumberOfLinks;
  return 0;
}

int NativeReplaceServices::CheckWritable(int folder, const std::string& path, bool) {
  // Windows has no real and effective ids: one check for both forms.
  std::wstring wpath;
  if (const int err = FullPath(folder, path, wpath)) return err;
  const DWORD attributes = ::GetFileAttributesW(wpath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastErrno();
  // The read-only attribute, which no account's rights override (run as an
  // administrator, some file systems would still let the file be replaced).
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return EACCES;
  // The access control list: an open for writing data, which changes nothing.
  const HANDLE h = OpenShared(wpath, FILE_WRITE_DATA, false);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    // In use elsewhere is no lack of rights; the replacement itself reports
    // a file it cannot take the place of.
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) return 0;
    return windows::ErrnoFromWin32(code);
  }
  ::CloseHandle(h);
  return 0;
}

int NativeReplaceServices::ReadLink(const std::string& path, std::string& text) {
  std::wstring wpath;
  if (const int err = FullPath(-1, path, wpath)) return err;
  const HANDLE h = OpenShared(wpath, FILE_READ_ATTRIBUTES, true);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  const HandleCloser closer{h};
  if (!IsLinkTag(ReparseTag(h))) return EINVAL;
  std::vector<unsigned char> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD size = 0;
  if (!::DeviceIoControl(h, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                         static_cast<DWORD>(data.size()), &size, nullptr)) {
    const DWORD code = ::GetLastError();
    return code == ERROR_NOT_A_REPARSE_POINT ? EINVAL : windows::ErrnoFromWin32(code);
  }
  std::wstring wide;
  if (!LinkText(data, size, wide)) return EINVAL;
  text = windows::Narrow(wide);
  return 0;
}

int NativeReplaceServices::RandomBytes(void* out, size_t len) {
  // The system's generator, in pieces of what one call takes; `out` is only
  // written once every piece came.
  std::vector<unsigned char> bytes(len);
  for (size_t at = 0; at < len;) {
    const ULONG chunk = len - at > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(len - at);
    if (!::RtlGenRandom(bytes.data() + at, chunk)) return EAGAIN;
    at += chunk;
  }
  if (len > 0) std::memcpy(out, bytes.data(), len);
  return 0;
}

int NativeReplaceServices::CreateExclusive(int folder, const std::string& path, uint32_t mode,
                                          int& fd) {
  fd = -1;
  std::wstring wpath;
  if (const int err = FullPath(folder, path, wpath)) return err;
  // CREATE_NEW fails for every taken name, a symbolic link too (dangling or
  // not): nothing is ever opened through a planted link. The file may be
  // deleted and renamed while open, as the replacement does with it.
  const DWORD attributes = (mode & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
  const HANDLE h = ::CreateFileW(wpath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 CREATE_NEW, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  fd = FdFromHandle(h);
  return 0;
}

int NativeReplaceServices::OpenAnonymous(int& fd) {
  fd = -1;
  wchar_t dir[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, dir);
  if (n == 0 || n > MAX_PATH) return n == 0 ? LastErrno() : ENAMETOOLONG;
  static constexpr wchar_t kAlphabet[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[12];
    if (const int err = RandomBytes(random, sizeof random)) return err;
    std::wstring name = std::wstring(dir, n) + L"zel-";
    for (unsigned char b : random) name += kAlphabet[b % (sizeof kAlphabet / sizeof *kAlphabet - 1)];
    name += L".tmp";
    // Shared with no one, removed by the system when the handle closes (also
    // when the process is ended), kept in memory where the cache allows.
    const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                   CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      fd = FdFromHandle(h);
      return 0;
    }
    const DWORD code = ::GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
      return windows::ErrnoFromWin32(code);
  }
  return EEXIST;
}

int NativeReplaceServices::OpenTruncating(const std::string& path, int& fd) {
  fd = -1;
  std::wstring wpath;
  if (const int err = FullPath(-1, path, wpath)) return err;
  // Opened as it is (devices take no TRUNCATE_EXISTING), then a file on a
  // disk is cut to empty.
  const HANDLE h = ::CreateFileW(wpath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  if (::GetFileType(h) == FILE_TYPE_DISK && !::SetEndOfFile(h)) {
    const int err = LastErrno();
    ::CloseHandle(h);
    return err;
  }
  fd = FdFromHandle(h);
  return 0;
}

int NativeReplaceServices::OpenForRewrite(int folder, const std::string& path, bool no_follow,
                                         int& fd) {
  fd = -1;
  std::wstring wpath;
  if (const int err = FullPath(folder, path, wpath)) return err;
  const HANDLE h = ::CreateFileW(wpath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 no_follow ? FILE_FLAG_OPEN_REPARSE_POINT : FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  if (no_follow && IsLinkTag(ReparseTag(h))) {
    ::CloseHandle(h);
    return ELOOP;
  }
  fd = FdFromHandle(h);
  return 0;
}

int NativeReplaceServices::CopyOver(int from, int to) {
  const HANDLE src = HandleFromFd(from), dst = HandleFromFd(to);
  std::vector<char> buf(1 << 16);
  uint64_t offset = 0;
  for (;;) {
    // Reads at an offset, whatever the handle's position.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!::ReadFile(src, buf.data(), static_cast<DWORD>(buf.size()), &got, &at)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return LastErrno();
    }
    if (got == 0) break;
    if (!WriteAllAt(dst, buf.data(), got, offset)) return LastErrno();
    offset += got;
  }
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(dst, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(dst) ||
      !::FlushFileBuffers(dst))
    return LastErrno();
  return 0;
}

int NativeReplaceServices::SetOwner(int, uint32_t, uint32_t) {
  // Nothing to give: the owner and the access control list of the old file
  // pass to the new one with ReplaceFileW (see Rename).
  return 0;
}

int NativeReplaceServices::SetMode(int fd, uint32_t mode) {
  // The one permission Windows keeps in attributes: read-only when no one
  // may write.
  const HANDLE h = HandleFromFd(fd);
  FILE_BASIC_INFO info{};
  if (!::GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info)) return LastErrno();
  DWORD attributes = info.FileAttributes & ~FILE_ATTRIBUTE_NORMAL;
  if ((mode & 0222) == 0) {
    attributes |= FILE_ATTRIBUTE_READONLY;
  } else {
    attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  }
  return SetAttributes(h, attributes) ? 0 : LastErrno();
}

int NativeReplaceServices::Rename(int folder, const std::string& from, const std::string& to) {
  std::wstring wfrom, wto;
  if (const int err = FullPath(folder, from, wfrom)) return err;
  if (const int err = FullPath(folder, to, wto)) return err;
  const DWORD old = ::GetFileAttributesW(wto.c_str());
  if (old == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = ::GetLastError();
    if (code != ERROR_FILE_NOT_FOUND) return windows::ErrnoFromWin32(code);
    // A new file: the name is made and written through to the disk.
    return ::MoveFileExW(wfrom.c_str(), wto.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : LastErrno();
  }
  if ((old & FILE_ATTRIBUTE_DIRECTORY) != 0) return EISDIR;
  // A read-only file is never replaced (some file systems would let an
  // administrator do it).
  if ((old & FILE_ATTRIBUTE_READONLY) != 0) return EACCES;
  // The new file takes the old one's attributes before it takes its place
  // (ReplaceFileW does not carry all of them everywhere) ...
  // (The temporary's attributes may also differ the other way: some systems
  // show a name starting with "." as hidden.)
  const DWORD carried = old & kCarried;
  const DWORD temp = ::GetFileAttributesW(wfrom.c_str());
  if (temp == INVALID_FILE_ATTRIBUTES) return LastErrno();
  if ((temp & kCarried) != carried && !::SetFileAttributesW(wfrom.c_str(), WithCarried(temp, carried)))
    return LastErrno();
  // A file open elsewhere without delete sharing cannot be replaced: asked
  // first, so that nothing at all is done to it (ReplaceFileW may leave a
  // backup name of its own behind when it fails there).
  const HANDLE probe = OpenShared(wto, DELETE, true);
  if (probe == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    return code == ERROR_SHARING_VIOLATION ? EBUSY : windows::ErrnoFromWin32(code);
  }
  ::CloseHandle(probe);
  // ... and the old file's security. Should the file be taken in between,
  // both names stay as they were and the error is reported. The names go as
  // full paths with Windows' separators (Wine's ReplaceFileW finds the
  // folder of a relative or "/"-separated name wrongly).
  FullName(wto);
  FullName(wfrom);
  if (!::ReplaceFileW(wto.c_str(), wfrom.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                      nullptr)) {
    const DWORD code = ::GetLastError();
    switch (code) {
      case ERROR_UNABLE_TO_REMOVE_REPLACED:
      case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
      case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        return EBUSY;
      default:
        return windows::ErrnoFromWin32(code);
    }
  }
  const DWORD now = ::GetFileAttributesW(wto.c_str());
  if (now != INVALID_FILE_ATTRIBUTES && (now & kCarried) != carried)
    (void)::SetFileAttributesW(wto.c_str(), WithCarried(now, carried));
  return 0;
}

int NativeReplaceServices::Remove(int folder, const std::string& path) {
  std::wstring wpath;
  if (const int err = FullPath(folder, path, wpath)) return err;
  if (::DeleteFileW(wpath.c_str())) return 0;
  const DWORD code = ::GetLastError();
  // A read-only name is removed too, as unlinking on Linux does.
  const DWORD attributes = ::GetFileAttributesW(wpath.c_str());
  if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY) != 0 && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
      ::SetFileAttributesW(wpath.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
    if (::DeleteFileW(wpath.c_str())) return 0;
    const int err = LastErrno();
    (void)::SetFileAttributesW(wpath.c_str(), attributes);
    return err;
  }
  return windows::ErrnoFromWin32(code);
}

// Windows has no flush of a folder's entries: NTFS keeps the changes of names
// in its journal, and the rename (MoveFileExW with MOVEFILE_WRITE_THROUGH,
// ReplaceFileW) is done once it returns. Nothing to do.
int NativeReplaceServices::SyncFolder(int) { return 0; }

int NativeReplaceServices::SyncFolderNamed(const std::string&) { return 0; }

ReplaceServices& NativeReplace() {
  static NativeReplaceServices native;
  return native;
}

}  // namespace zel::platform
