// The Windows file system: handles from CreateFileW (shared for reading,
// writing and deletion, as POSIX descriptors are), status from
// GetFileInformationByHandle, listings from FindFirstFileExW, links as
// reparse points. Open folders are handles opened with
// FILE_FLAG_OPEN_REPARSE_POINT, so a junction or symbolic link is never
// followed out of a tree; their entries are reached through the folder's
// final path, and an entry opened that way is checked to be still inside
// that folder.
#include "zel/platform/files.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "zel/platform/tree_walk.h"
#include "zel/platform/windows/internal/win32.h"
// After <windows.h>, whose types it uses.
#include <winioctl.h>

namespace zel::platform {
namespace {

using windows::FdFromHandle;
using windows::FileTimeOfTicks;
using windows::FileTimeTicks;
using windows::HandleFromFd;
using windows::kTicksTo1970;
using windows::LastErrno;
using windows::Narrow;
using windows::Widen;
using windows::WidePath;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kAllowUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE

// The layout of the reparse data of a symbolic link or junction (the
// system's REPARSE_DATA_BUFFER, which the user-mode headers lack).
struct ReparseData {
  ULONG tag;
  USHORT data_length;
  USHORT reserved;
  USHORT substitute_offset;
  USHORT substitute_length;
  USHORT print_offset;
  USHORT print_length;
  // Symbolic links have ULONG flags here; junctions start their names.
};

// Closes a handle when it goes out of scope.
struct HandleCloser {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~HandleCloser() {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
  HANDLE release() {
    HANDLE r = h;
    h = INVALID_HANDLE_VALUE;
    return r;
  }
};

bool BadPath(const std::string& path) {
  return path.empty() || path.find('\0') != std::string::npos;
}

// An entry name of an open folder: one component, not "." or "..", and no
// ":" (that would name a stream of a file).
bool BadName(const std::string& name) {
  return name.empty() || name == "." || name == ".." ||
         name.find_first_of(std::string("/\\:\0", 4)) != std::string::npos;
}

// The wide form of a path the interfaces take (ENOENT for one Windows cannot
// hold).
int ToWide(const std::string& path, std::wstring& out) {
  if (BadPath(path) || !WidePath(path, out)) return ENOENT;
  return 0;
}

int Open(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags, HANDLE& h) {
  h = ::CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
  return h == INVALID_HANDLE_VALUE ? LastErrno() : 0;
}

// Reparse points that stand for another name (symbolic links, junctions)
// count as links; others (for example files kept in the cloud) are what they
// hold.
bool IsLinkTag(DWORD tag) {
  return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT ||
         (tag & 0x20000000u) != 0;  // the name-surrogate bit
}

FileKind KindOfAttributes(DWORD attributes, DWORD tag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLinkTag(tag)) return FileKind::kSymlink;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::kDirectory;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return FileKind::kOther;
  return FileKind::kRegular;
}

FileTimeSpec SpecOfTicks(int64_t ticks) {
  const int64_t t = ticks - kTicksTo1970;
  int64_t sec = t / 10000000;
  int64_t rest = t % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --sec;
  }
  return FileTimeSpec{sec, static_cast<int32_t>(rest * 100)};
}

FileTimeSpec SpecOf(const FILETIME& t) { return SpecOfTicks(FileTimeTicks(t)); }

// The permission bits Windows' attributes amount to: everyone may read, and
// write unless the file is read-only; folders may be entered.
uint32_t ModeOf(DWORD attributes) {
  uint32_t mode = 0444;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0 || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    mode |= 0222;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) mode |= 0111;
  return mode;
}

int ReadReparse(HANDLE h, std::string& target) {
  std::unique_ptr<unsigned char[]> buf(new unsigned char[MAXIMUM_REPARSE_DATA_BUFFER_SIZE]);
  DWORD got = 0;
  if (!::DeviceIoControl(h, FSCTL_GET_REPARSE_POINT, nullptr, 0, buf.get(),
                         MAXIMUM_REPARSE_DATA_BUFFER_SIZE, &got, nullptr)) {
    const DWORD code = ::GetLastError();
    return code == ERROR_NOT_A_REPARSE_POINT ? EINVAL : windows::ErrnoFromWin32(code);
  }
  ReparseData head;
  if (got < sizeof head) return EINVAL;
  std::memcpy(&head, buf.get(), sizeof head);
  size_t names = sizeof head;
  if (head.tag == IO_REPARSE_TAG_SYMLINK)
    names += sizeof(ULONG);
  else if (head.tag != IO_REPARSE_TAG_MOUNT_POINT)
    return EINVAL;
  const auto name_at = [&](USHORT offset, USHORT length, std::wstring& out) {
    if (names + offset + length > got) return false;
    out.assign(length / sizeof(wchar_t), L'\0');
    std::memcpy(out.data(), buf.get() + names + offset, out.size() * sizeof(wchar_t));
    return true;
  };
  std::wstring print, substitute;
  if (!name_at(head.print_offset, head.print_length, print) ||
      !name_at(head.substitute_offset, head.substitute_length, substitute))
    return EINVAL;
  if (print.empty()) {
    print = substitute;
    if (print.rfind(L"\\??\\", 0) == 0) print.erase(0, 4);
  }
  target = Narrow(print);
  return 0;
}

// Status of the file open as h; `attributes_only` files that could not be
// opened are described by FillFromAttributes instead.
int StatusOfHandle(HANDLE h, FileStatus& out) {
  out = FileStatus{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h, &info)) return LastErrno();
  DWORD tag = 0;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    FILE_ATTRIBUTE_TAG_INFO tags{};
    if (::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tags, sizeof tags))
      tag = tags.ReparseTag;
  }
  const DWORD type = ::GetFileType(h);
  out.kind = type == FILE_TYPE_DISK || type == FILE_TYPE_UNKNOWN
                 ? KindOfAttributes(info.dwFileAttributes, tag)
                 : FileKind::kOther;
  out.mode = ModeOf(info.dwFileAttributes);
  out.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  out.device = info.dwVolumeSerialNumber;
  out.inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  out.access = SpecOf(info.ftLastAccessTime);
  out.modify = SpecOf(info.ftLastWriteTime);
  out.change = out.modify;
  FILE_BASIC_INFO basic{};
  if (::GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic) &&
      basic.ChangeTime.QuadPart != 0)
    out.change = SpecOfTicks(basic.ChangeTime.QuadPart);
  out.birth = SpecOf(info.ftCreationTime);
  out.has_birth = true;
  if (out.kind == FileKind::kSymlink) {
    std::string target;
    if (ReadReparse(h, target) == 0) out.size = target.size();
  }
  return 0;
}

// Status from the attributes alone, for a file no handle can be opened to
// (one open without sharing): no identity.
int StatusOfAttributes(const std::wstring& path, FileStatus& out) {
  out = FileStatus{};
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return LastErrno();
  out.kind = KindOfAttributes(data.dwFileAttributes, IO_REPARSE_TAG_SYMLINK);
  out.mode = ModeOf(data.dwFileAttributes);
  out.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  out.access = SpecOf(data.ftLastAccessTime);
  out.modify = SpecOf(data.ftLastWriteTime);
  out.change = out.modify;
  out.birth = SpecOf(data.ftCreationTime);
  out.has_birth = true;
  return 0;
}

int StatusOfPath(const std::wstring& path, bool follow, FileStatus& out) {
  HandleCloser file;
  int err = Open(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING,
                 FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), file.h);
  if (err == EACCES) return StatusOfAttributes(path, out);
  if (err != 0) {
    out = FileStatus{};
    return err;
  }
  return StatusOfHandle(file.h, out);
}

// The path of the file open as h, with the \\?\ prefix Windows gives it (so
// it takes every name literally and has no length limit).
int FinalPath(HANDLE h, std::wstring& out) {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) {
      // Some systems report a short buffer as an error instead of the size.
      const DWORD code = ::GetLastError();
      if ((code == ERROR_INSUFFICIENT_BUFFER || code == ERROR_NOT_ENOUGH_MEMORY) &&
          buf.size() < 65536) {
        buf.resize(buf.size() * 4);
        continue;
      }
      return windows::ErrnoFromWin32(code);
    }
    if (n < buf.size()) {
      buf.resize(n);
      out = std::move(buf);
      return 0;
    }
    buf.resize(n + 1);
  }
}

// A path in the form callers write: without the \\?\ prefix ("\\?\UNC\"
// becomes "\\").
std::string PlainPath(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + Narrow(path.substr(8));
  if (path.rfind(L"\\\\?\\", 0) == 0) return Narrow(path.substr(4));
  return Narrow(path);
}

int ListPath(const std::wstring& folder, std::vector<DirEntry>& out) {
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data{};
  HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES
               ? 0
               : windows::ErrnoFromWin32(code);
  }
  int err = 0;
  do {
    const wchar_t* n = data.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
    DirEntry entry;
    entry.name = Narrow(n);
    entry.kind = KindOfAttributes(data.dwFileAttributes, data.dwReserved0);
    out.push_back(std::move(entry));
  } while (::FindNextFileW(find, &data));
  const DWORD code = ::GetLastError();
  if (code != ERROR_NO_MORE_FILES) err = windows::ErrnoFromWin32(code);
  ::FindClose(find);
  return err;
}

// The path of the entry `name` of the open folder dir.
int EntryPath(int dir, const std::string& name, std::wstring& out) {
  if (BadName(name)) return EINVAL;
  std::wstring wide;
  if (!Widen(name, wide)) return EINVAL;
  const int err = FinalPath(HandleFromFd(dir), out);
  if (err != 0) return err;
  if (out.back() != L'\\') out += L'\\';
  out += wide;
  return 0;
}

// Opens the entry `name` of dir and checks that the file opened is still in
// that folder (the folder may have moved between finding its path and the
// open): kEntryReplaced otherwise.
int OpenEntry(int dir, const std::string& name, DWORD access, DWORD flags, HANDLE& h) {
  h = INVALID_HANDLE_VALUE;
  std::wstring path;
  int err = EntryPath(dir, name, path);
  if (err != 0) return err;
  HandleCloser file;
  err = Open(path, access, OPEN_EXISTING, flags | FILE_FLAG_BACKUP_SEMANTICS, file.h);
  if (err != 0) return err;
  std::wstring now, opened;
  err = FinalPath(HandleFromFd(dir), now);
  if (err == 0) err = FinalPath(file.h, opened);
  if (err != 0) return err;
  if (now.back() != L'\\') now += L'\\';
  const size_t cut = opened.find_last_of(L'\\');
  if (cut == std::wstring::npos || opened.compare(0, cut + 1, now) != 0) return kEntryReplaced;
  h = file.release();
  return 0;
}

// Removes the file open as h (with DELETE access, the link itself for a
// link): a folder only when `folder`, any other entry only when not. A
// read-only file is removed as on POSIX systems, where the folder decides.
int DeleteOpen(HANDLE h, bool folder) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h, &info)) return LastErrno();
  const bool is_folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool is_link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (folder && (!is_folder || is_link)) return ENOTDIR;
  if (!folder && is_folder && !is_link) return EISDIR;
  const bool read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  FILE_BASIC_INFO basic{};
  if (read_only) {
    basic.FileAttributes = info.dwFileAttributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic)) return LastErrno();
  }
  FILE_DISPOSITION_INFO dispose{};
  dispose.DeleteFile = TRUE;
  if (::SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose)) return 0;
  const int err = LastErrno();
  if (read_only) {
    basic.FileAttributes = info.dwFileAttributes;
    ::SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
  }
  return err;
}

constexpr DWORD kDeleteAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

int DeletePath(const std::string& path, bool folder) {
  std::wstring wide;
  int err = ToWide(path, wide);
  if (err != 0) return err;
  HandleCloser file;
  err = Open(wide, kDeleteAccess, OPEN_EXISTING,
             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, file.h);
  return err != 0 ? err : DeleteOpen(file.h, folder);
}

// A name taken by a read-only file is not replaced (as a file in a folder
// one may write to is on POSIX systems, but Windows keeps the attribute as
// the owner's word that the file stays).
bool ReadOnlyFile(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) != 0 &&
         (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether the two paths name one existing file (names that differ in case
// only, on a file system blind to case).
bool SameFileWide(const std::wstring& a, const std::wstring& b) {
  FileStatus sa, sb;
  return StatusOfPath(a, false, sa) == 0 && StatusOfPath(b, false, sb) == 0 &&
         sa.inode != 0 && sa.SameFile(sb);
}

int RenameWide(const std::wstring& from, const std::wstring& to, bool replace) {
  if (replace && ReadOnlyFile(to)) return EACCES;
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (::MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
  const DWORD code = ::GetLastError();
  // A new spelling of the same name replaces no other file.
  if (!replace && (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) &&
      SameFileWide(from, to) &&
      ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH | MOVEFILE_REPLACE_EXISTING))
    return 0;
  return windows::ErrnoFromWin32(code);
}

int SymlinkWide(const std::string& target, const std::wstring& path) {
  std::wstring text;
  if (target.empty() || !Widen(target, text)) return ENOENT;
  for (auto& c : text)
    if (c == L'/') c = L'\\';
  // A link to a folder must say so; a relative target counts from the
  // link's folder.
  std::wstring resolved = text;
  const bool absolute = (text.size() >= 2 && text[1] == L':') || text[0] == L'\\';
  if (!absolute) {
    const size_t cut = path.find_last_of(L'\\');
    if (cut != std::wstring::npos) resolved = path.substr(0, cut + 1) + text;
  }
  const DWORD a = ::GetFileAttributesW(resolved.c_str());
  DWORD flags = kAllowUnprivileged;
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0)
    flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
  BOOLEAN made = ::CreateSymbolicLinkW(path.c_str(), text.c_str(), flags);
  if (!made && ::GetLastError() == ERROR_INVALID_PARAMETER)  // systems without the flag
    made = ::CreateSymbolicLinkW(path.c_str(), text.c_str(), flags & ~kAllowUnprivileged);
  if (!made) return LastErrno();
  // Some systems report success and make nothing: that is no link.
  if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return EOPNOTSUPP;
  return 0;
}

// A handle of the file open as fd that may change its attributes and times:
// fd itself when it may, else a second handle (in `extra`).
HANDLE AttributeHandle(int fd, HandleCloser& extra) {
  HANDLE h = HandleFromFd(fd);
  extra.h = ::ReOpenFile(h, FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES, kShareAll,
                         FILE_FLAG_BACKUP_SEMANTICS);
  return extra.h != INVALID_HANDLE_VALUE ? extra.h : h;
}

int TimeOf(const FileTimeSpec* t, FILETIME& out) {
  if (t == nullptr) return 0;
  if (t->nsec < 0 || t->nsec > 999999999) return EINVAL;
  const int64_t limit = (INT64_MAX - kTicksTo1970) / 10000000 - 1;
  if (t->sec > limit || t->sec < -kTicksTo1970 / 10000000) return EINVAL;
  const int64_t ticks = t->sec * 10000000 + t->nsec / 100 + kTicksTo1970;
  if (ticks <= 0) return EINVAL;  // 0 would mean "leave it"
  out = FileTimeOfTicks(ticks);
  return 0;
}

int SetTimesOf(HANDLE h, const FileTimeSpec* access, const FileTimeSpec* modify) {
  FILETIME a{}, m{};
  int err = TimeOf(access, a);
  if (err == 0) err = TimeOf(modify, m);
  if (err != 0) return err;
  if (!::SetFileTime(h, nullptr, access ? &a : nullptr, modify ? &m : nullptr)) return LastErrno();
  return 0;
}

// Hands the open `folder` over as the descriptor `fd` when it is a folder:
// ELOOP for a link, ENOTDIR for anything else (it is closed then).
int AdoptFolder(HandleCloser& folder, int& fd) {
  FileStatus st;
  const int err = StatusOfHandle(folder.h, st);
  if (err != 0) return err;
  if (st.kind == FileKind::kSymlink) return ELOOP;
  if (st.kind != FileKind::kDirectory) return ENOTDIR;
  fd = FdFromHandle(folder.release());
  return 0;
}

int OpenFolderWide(const std::wstring& path, bool follow, int& fd) {
  fd = -1;
  HandleCloser folder;
  int err = Open(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, OPEN_EXISTING,
                 FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                 folder.h);
  if (err != 0) return err;
  return AdoptFolder(folder, fd);
}

}  // namespace

int NativeFileSystem::Status(const std::string& path, bool follow, FileStatus& out) {
  std::wstring wide;
  const int err = ToWide(path, wide);
  if (err != 0) {
    out = FileStatus{};
    return err;
  }
  return StatusOfPath(wide, follow, out);
}

int NativeFileSystem::StatusOf(int fd, FileStatus& out) {
  if (fd < 0) {
    out = FileStatus{};
    return EBADF;
  }
  return StatusOfHandle(HandleFromFd(fd), out);
}

int NativeFileSystem::List(const std::string& dir, std::vector<DirEntry>& out) {
  out.clear();
  int fd = -1;
  const int err = OpenFolder(dir, true, fd);
  if (err != 0) return err;
  const int listed = ListAt(fd, out);
  Close(fd);
  return listed;
}

int NativeFileSystem::Access(const std::string& path, int how) {
  std::wstring wide;
  const int err = ToWide(path, wide);
  if (err != 0) return err;
  const DWORD a = ::GetFileAttributesW(wide.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return LastErrno();
  if ((how & kAccessWrite) != 0 && (a & FILE_ATTRIBUTE_READONLY) != 0 &&
      (a & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return EACCES;
  if ((how & kAccessRead) != 0 && (a & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    // Reading may be denied by the file's security or its sharing.
    HandleCloser file;
    const int open = Open(wide, GENERIC_READ, OPEN_EXISTING, 0, file.h);
    if (open != 0) return open;
  }
  return 0;
}

int NativeFileSystem::RealPath(const std::string& path, std::string& out) {
  std::wstring wide;
  int err = ToWide(path, wide);
  if (err != 0) return err;
  HandleCloser file;
  err = Open(wide, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, file.h);
  if (err != 0) return err;
  std::wstring final_path;
  err = FinalPath(file.h, final_path);
  if (err != 0) return err;
  out = PlainPath(final_path);
  return 0;
}

int NativeFileSystem::CurrentDir(std::string& out) {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
    if (n == 0) return LastErrno();
    if (n < buf.size()) {
      buf.resize(n);
      out = PlainPath(buf);
      return 0;
    }
    buf.resize(n + 1);
  }
}

int NativeFileSystem::OpenRead(const std::string& path, int& fd) {
  fd = -1;
  std::wstring wide;
  int err = ToWide(path, wide);
  if (err != 0) return err;
  HANDLE h = INVALID_HANDLE_VALUE;
  err = Open(wide, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, h);
  if (err == 0) fd = FdFromHandle(h);
  return err;
}

int NativeFileSystem::Close(int fd) {
  if (fd < 0) return EBADF;
  return ::CloseHandle(HandleFromFd(fd)) ? 0 : LastErrno();
}

int NativeFileSystem::Read(int fd, void* buf, size_t len, size_t& got) {
  got = 0;
  DWORD n = 0;
  const DWORD ask = len > (1u << 30) ? (1u << 30) : static_cast<DWORD>(len);
  if (::ReadFile(HandleFromFd(fd), buf, ask, &n, nullptr)) {
    got = n;
    return 0;
  }
  const DWORD code = ::GetLastError();
  if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) return 0;
  if (code == ERROR_INVALID_FUNCTION) return EISDIR;  // a folder
  return windows::ErrnoFromWin32(code);
}

int NativeFileSystem::Write(int fd, const void* buf, size_t len) {
  return windows::WriteAll(HandleFromFd(fd), buf, len);
}

// Windows has no copy between two open handles inside the system: callers
// read and write.
int NativeFileSystem::CopyRange(int, int, size_t, size_t& copied) {
  copied = 0;
  return ENOSYS;
}

int NativeFileSystem::Reserve(int fd, uint64_t size) {
  if (size > static_cast<uint64_t>(INT64_MAX)) return EFBIG;
  FILE_ALLOCATION_INFO info{};
  info.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
  if (::SetFileInformationByHandle(HandleFromFd(fd), FileAllocationInfo, &info, sizeof info))
    return 0;
  return LastErrno();
}

int NativeFileSystem::SetMode(int fd, uint32_t mode) {
  if (fd < 0) return EBADF;
  HandleCloser extra;
  const HANDLE h = AttributeHandle(fd, extra);
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) return LastErrno();
  // Only the owner's write bit has a Windows counterpart, on files.
  if ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
  DWORD a = basic.FileAttributes;
  if ((mode & kOwnerWrite) != 0)
    a &= ~DWORD{FILE_ATTRIBUTE_READONLY};
  else
    a |= FILE_ATTRIBUTE_READONLY;
  if (a == basic.FileAttributes) return 0;
  FILE_BASIC_INFO change{};  // zero times: left as they are
  change.FileAttributes = a == 0 ? FILE_ATTRIBUTE_NORMAL : a;
  return ::SetFileInformationByHandle(h, FileBasicInfo, &change, sizeof change) ? 0 : LastErrno();
}

int NativeFileSystem::SetTimes(int fd, const FileTimeSpec* access, const FileTimeSpec* modify) {
  if (fd < 0) return EBADF;
  HandleCloser extra;
  return SetTimesOf(AttributeHandle(fd, extra), access, modify);
}

int NativeFileSystem::SetTimes(const std::string& path, const FileTimeSpec* access,
                              const FileTimeSpec* modify) {
  std::wstring wide;
  int err = ToWide(path, wide);
  if (err != 0) return err;
  HandleCloser file;
  err = Open(wide, FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES, OPEN_EXISTING,
             FILE_FLAG_BACKUP_SEMANTICS, file.h);
  return err != 0 ? err : SetTimesOf(file.h, access, modify);
}

int NativeFileSystem::Rename(const std::string& from, const std::string& to) {
  std::wstring f, t;
  if (ToWide(from, f) != 0 || ToWide(to, t) != 0) return ENOENT;
  return RenameWide(f, t, true);
}

int NativeFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  std::wstring f, t;
  if (ToWide(from, f) != 0 || ToWide(to, t) != 0) return ENOENT;
  return RenameWide(f, t, false);
}

int NativeFileSystem::Unlink(const std::string& path) { return DeletePath(path, false); }

int NativeFileSystem::RemoveDir(const std::string& path) { return DeletePath(path, true); }

int NativeFileSystem::MakeDir(const std::string& path, uint32_t) {
  std::wstring wide;
  const int err = ToWide(path, wide);
  if (err != 0) return err;
  return ::CreateDirectoryW(wide.c_str(), nullptr) ? 0 : LastErrno();
}

int NativeFileSystem::ReadLink(const std::string& path, std::string& target) {
  std::wstring wide;
  int err = ToWide(path, wide);
  if (err != 0) return err;
  HandleCloser file;
  err = Open(wide, FILE_READ_ATTRIBUTES, OPEN_EXISTING,
             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, file.h);
  return err != 0 ? err : ReadReparse(file.h, target);
}

int NativeFileSystem::MakeSymlink(const std::string& target, const std::string& path) {
  std::wstring wide;
  if (ToWide(path, wide) != 0 || target.find('\0') != std::string::npos) return ENOENT;
  return SymlinkWide(target, wide);
}

int NativeFileSystem::OpenFolder(const std::string& path, bool follow, int& fd) {
  fd = -1;
  std::wstring wide;
  const int err = ToWide(path, wide);
  return err != 0 ? err : OpenFolderWide(wide, follow, fd);
}

int NativeFileSystem::OpenFolderAt(int dir, const std::string& name, int& fd) {
  fd = -1;
  HandleCloser folder;
  int err = OpenEntry(dir, name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                      FILE_FLAG_OPEN_REPARSE_POINT, folder.h);
  if (err != 0) return err;
  return AdoptFolder(folder, fd);
}

int NativeFileSystem::OpenParent(int dir, int& fd) {
  fd = -1;
  std::wstring path;
  int err = FinalPath(HandleFromFd(dir), path);
  if (err != 0) return err;
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  const size_t cut = path.find_last_of(L'\\');
  // At the root of a drive ("\\?\C:") the folder is its own parent.
  const bool root = cut == std::wstring::npos || (path.rfind(L"\\\\?\\", 0) == 0 && cut < 4) ||
                    (path.size() >= 2 && path.back() == L':');
  if (root) {
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (!::DuplicateHandle(::GetCurrentProcess(), HandleFromFd(dir), ::GetCurrentProcess(), &copy,
                           0, FALSE, DUPLICATE_SAME_ACCESS))
      return LastErrno();
    fd = FdFromHandle(copy);
    return 0;
  }
  path.resize(cut + 1);
  return OpenFolderWide(path, true, fd);
}

int NativeFileSystem::ListAt(int dir, std::vector<DirEntry>& out) {
  out.clear();
  std::wstring path;
  const int err = FinalPath(HandleFromFd(dir), path);
  return err != 0 ? err : ListPath(path, out);
}

int NativeFileSystem::StatusAt(int dir, const std::string& name, bool follow, FileStatus& out) {
  out = FileStatus{};
  HandleCloser file;
  int err = OpenEntry(dir, name, FILE_READ_ATTRIBUTES, follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT,
                      file.h);
  if (err == EACCES) {
    std::wstring path;
    err = EntryPath(dir, name, path);
    return err != 0 ? err : StatusOfAttributes(path, out);
  }
  return err != 0 ? err : StatusOfHandle(file.h, out);
}

int NativeFileSystem::OpenReadAt(int dir, const std::string& name, int& fd) {
  fd = -1;
  HandleCloser file;
  int err = OpenEntry(dir, name, GENERIC_READ, FILE_FLAG_OPEN_REPARSE_POINT, file.h);
  if (err != 0) return err;
  FileStatus st;
  err = StatusOfHandle(file.h, st);
  if (err != 0) return err;
  if (st.kind == FileKind::kSymlink) return ELOOP;
  fd = FdFromHandle(file.release());
  return 0;
}

int NativeFileSystem::UnlinkAt(int dir, const std::string& name, bool folder) {
  HandleCloser file;
  const int err = OpenEntry(dir, name, kDeleteAccess, FILE_FLAG_OPEN_REPARSE_POINT, file.h);
  return err != 0 ? err : DeleteOpen(file.h, folder);
}

int NativeFileSystem::MakeDirAt(int dir, const std::string& name, uint32_t) {
  std::wstring path;
  const int err = EntryPath(dir, name, path);
  if (err != 0) return err;
  return ::CreateDirectoryW(path.c_str(), nullptr) ? 0 : LastErrno();
}

int NativeFileSystem::RenameAt(int dir, const std::string& from, const std::string& to,
                              bool replace) {
  std::wstring f, t;
  int err = EntryPath(dir, from, f);
  if (err == 0) err = EntryPath(dir, to, t);
  return err != 0 ? err : RenameWide(f, t, replace);
}

int NativeFileSystem::ReadLinkAt(int dir, const std::string& name, std::string& target) {
  HandleCloser file;
  const int err = OpenEntry(dir, name, FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT, file.h);
  return err != 0 ? err : ReadReparse(file.h, target);
}

int NativeFileSystem::MakeSymlinkAt(const std::string& target, int dir, const std::string& name) {
  std::wstring path;
  const int err = EntryPath(dir, name, path);
  if (err != 0) return err;
  if (target.find('\0') != std::string::npos) return ENOENT;
  return SymlinkWide(target, path);
}

FileSystem& NativeFiles() {
  static NativeFileSystem native;
  return native;
}

}  // namespace zel::platform
