// Descriptors on Windows: file handles from CreateFileW kept in the int
// descriptors (0, 1 and 2 stand for the standard handles), ReadFile,
// WriteFile, SetFilePointerEx, the end of file set by handle,
// FlushFileBuffers and GetFileInformationByHandle for identities.
#include "zel/platform/descriptors.h"

#include <cerrno>

#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {
namespace {

using windows::LastErrno;

// `err`, also left in errno as a failed read or write leaves it on Linux
// (the streams report a failed write by its errno).
int Failed(int err) {
  errno = err;
  return err;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Handle(int fd) {
  switch (fd) {
    case 0:
      return ::GetStdHandle(STD_INPUT_HANDLE);
    case 1:
      return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case 2:
      return ::GetStdHandle(STD_ERROR_HANDLE);
    default:
      return windows::HandleFromFd(fd);
  }
}

int Describe(HANDLE h, FileIdentity& id) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h, &info)) return LastErrno();
  id.device = info.dwVolumeSerialNumber;
  id.inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  id.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  id.regular = !id.directory && ::GetFileType(h) == FILE_TYPE_DISK;
  id.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  return 0;
}

int OpenWide(const std::string& path, DWORD access, DWORD disposition, HANDLE& h) {
  h = INVALID_HANDLE_VALUE;
  std::wstring wide;
  if (path.find('\0') != std::string::npos || !windows::WidePath(path, wide)) return ENOENT;
  h = ::CreateFileW(wide.c_str(), access, kShareAll, nullptr, disposition,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  return h == INVALID_HANDLE_VALUE ? LastErrno() : 0;
}

DWORD Chunk(size_t len) { return len > (1u << 30) ? (1u << 30) : static_cast<DWORD>(len); }

}  // namespace

int NativeDescriptorServices::OpenFile(const std::string& path, OpenFor how, int& fd) {
  fd = -1;
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (how) {
    case OpenFor::kReading:
      break;
    case OpenFor::kAppending:
      // Append data only: every write goes to the end.
      access = FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
      break;
    case OpenFor::kWriting:
      access = GENERIC_WRITE;
      break;
    case OpenFor::kUpdating:
      access = GENERIC_READ | GENERIC_WRITE;
      break;
    case OpenFor::kCreating:
      // Opened or created, then cut: an existing file keeps its attributes.
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = OPEN_ALWAYS;
      break;
  }
  HANDLE h = INVALID_HANDLE_VALUE;
  const int err = OpenWide(path, access, disposition, h);
  if (err != 0) return err;
  if (how != OpenFor::kReading) {
    // Windows refuses to write a read-only file; Wine run as root opens it
    // anyway, so the attribute is checked here.
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read_only = ::GetFileInformationByHandle(h, &info) &&
                           (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 &&
                           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (read_only) {
      ::CloseHandle(h);
      return EACCES;
    }
  }
  if (how == OpenFor::kCreating) {
    FILE_END_OF_FILE_INFO end{};
    if (!::SetFileInformationByHandle(h, FileEndOfFileInfo, &end, sizeof end)) {
      const int cut = LastErrno();
      ::CloseHandle(h);
      return cut;
    }
  }
  fd = windows::FdFromHandle(h);
  return 0;
}

int NativeDescriptorServices::Read(int fd, void* buffer, size_t len, size_t& got) {
  got = 0;
  DWORD n = 0;
  if (::ReadFile(Handle(fd), buffer, Chunk(len), &n, nullptr)) {
    got = n;
    return 0;
  }
  const DWORD code = ::GetLastError();
  if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) return 0;
  if (code == ERROR_INVALID_FUNCTION) return Failed(EISDIR);  // a folder
  return Failed(windows::ErrnoFromWin32(code));
}

int NativeDescriptorServices::Rewind(int fd) {
  int64_t at = -1;
  return Seek(fd, 0, SeekFrom::kStart, at);
}

int NativeDescriptorServices::Seek(int fd, int64_t offset, SeekFrom from, int64_t& position) {
  position = -1;
  const HANDLE h = Handle(fd);
  ::SetLastError(NO_ERROR);
  const DWORD type = ::GetFileType(h);
  if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) return LastErrno();
  if (type != FILE_TYPE_DISK) return ESPIPE;  // pipes and terminals
  const DWORD method = from == SeekFrom::kStart     ? FILE_BEGIN
                       : from == SeekFrom::kCurrent ? FILE_CURRENT
                                                    : FILE_END;
  LARGE_INTEGER distance, now;
  distance.QuadPart = offset;
  if (!::SetFilePointerEx(h, distance, &now, method)) return LastErrno();
  position = now.QuadPart;
  return 0;
}

int NativeDescriptorServices::WriteSome(int fd, const void* data, size_t len, size_t& written) {
  written = 0;
  DWORD n = 0;
  if (!::WriteFile(Handle(fd), data, Chunk(len), &n, nullptr)) return Failed(LastErrno());
  written = n;
  return 0;
}

int NativeDescriptorServices::Truncate(int fd, uint64_t size) {
  if (size > static_cast<uint64_t>(INT64_MAX)) return EFBIG;
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFileInformationByHandle(Handle(fd), FileEndOfFileInfo, &end, sizeof end)
             ? 0
             : LastErrno();
}

int NativeDescriptorServices::WriteAll(int fd, const void* data, size_t len) {
  const int err = windows::WriteAll(Handle(fd), data, len);
  return err != 0 ? Failed(err) : 0;
}

int NativeDescriptorServices::Sync(int fd) {
  return ::FlushFileBuffers(Handle(fd)) ? 0 : LastErrno();
}

int NativeDescriptorServices::Close(int fd) {
  if (fd < 0) return EBADF;
  return ::CloseHandle(Handle(fd)) ? 0 : LastErrno();
}

int NativeDescriptorServices::Identify(const std::string& path, FileIdentity& id) {
  id = FileIdentity();
  HANDLE h = INVALID_HANDLE_VALUE;
  const int err = OpenWide(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, h);
  if (err != 0) return err;
  const int described = Describe(h, id);
  ::CloseHandle(h);
  return described;
}

int NativeDescriptorServices::IdentifyOpen(int fd, FileIdentity& id) {
  id = FileIdentity();
  return Describe(Handle(fd), id);
}

int NativeDescriptorServices::CheckReadable(const std::string& path) {
  HANDLE h = INVALID_HANDLE_VALUE;
  const int err = OpenWide(path, GENERIC_READ, OPEN_EXISTING, h);
  if (err == 0) ::CloseHandle(h);
  return err;
}

// The C library on Windows has no stream over functions; callers keep their
// plain stream.
std::FILE* NativeDescriptorServices::OpenWriteFunctionStream(WriteFunction) { return nullptr; }

DescriptorServices& NativeDescriptors() {
  static NativeDescriptorServices descriptors;
  return descriptors;
}

}  // namespace zel::platform
