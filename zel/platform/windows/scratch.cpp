// Scratch space on Windows: a folder of a random name made with
// CreateDirectoryW (its access list is inherited from the parent, the user's
// own temporary folder normally), files removed by the system when their
// handle closes (FILE_FLAG_DELETE_ON_CLOSE), and captured output written to a
// temporary file and read back.
#include "zel/platform/scratch.h"

#include "zel/platform/windows/internal/win32.h"

// After windows.h: RtlGenRandom (SystemFunction036 of advapi32).
#include <ntsecapi.h>

#include <cerrno>
#include <string>
#include <vector>

namespace zel::platform {
namespace {

using windows::LastErrno;

// `count` random letters and digits, in `out`; false when the system has no
// random bytes to give.
bool RandomName(size_t count, std::wstring& out) {
  static constexpr wchar_t kAlphabet[] =
      L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::vector<unsigned char> bytes(count);
  if (!::RtlGenRandom(bytes.data(), static_cast<ULONG>(count))) return false;
  out.clear();
  for (unsigned char b : bytes) out += kAlphabet[b % (sizeof kAlphabet / sizeof *kAlphabet - 1)];
  return true;
}

// `dir` with one separator at its end ("/" is taken as Windows' "\").
std::string WithSeparator(const std::string& dir) {
  if (dir.empty()) return dir;
  const char last = dir.back();
  return last == '/' || last == '\\' ? dir : dir + '\\';
}

// The system's temporary folder, in UTF-8 with a separator at its end.
int TempFolder(std::string& out) {
  wchar_t dir[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, dir);
  if (n == 0) return LastErrno();
  if (n > MAX_PATH) return ENAMETOOLONG;
  out = WithSeparator(windows::Narrow(std::wstring_view(dir, n)));
  return 0;
}

// Creates a file of a fresh name `prefix` + six random characters in `dir`
// (with its separator) with `flags`, shared as `share`; `path` receives its
// UTF-8 path, `h` its handle.
int CreateFresh(const std::string& dir, const std::string& prefix, DWORD share, DWORD flags,
                std::string& path, HANDLE& h) {
  h = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring random;
    if (!RandomName(6, random)) return EAGAIN;
    const std::string candidate = dir + prefix + windows::Narrow(random);
    std::wstring wide;
    if (!windows::WidePath(candidate, wide)) return EINVAL;
    h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, share, nullptr,
                      CREATE_NEW, flags, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      path = candidate;
      return 0;
    }
    const DWORD code = ::GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
      return windows::ErrnoFromWin32(code);
  }
  return EEXIST;
}

// FileDispositionInfoEx (Windows 10), which the headers declare only for
// programs that require that version.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

// Removes the file `path` on every way out.
struct FileRemover {
  std::wstring path;
  ~FileRemover() {
    if (!path.empty()) ::DeleteFileW(path.c_str());
  }
};

}  // namespace

int NativeScratchSpace::MakePrivateFolder(const std::string& parent, const std::string& prefix,
                                         std::string& folder) {
  folder.clear();
  const std::string base = WithSeparator(parent);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring random;
    if (!RandomName(6, random)) return EAGAIN;
    const std::string candidate = base + prefix + windows::Narrow(random);
    std::wstring wide;
    if (!windows::WidePath(candidate, wide)) return EINVAL;
    if (::CreateDirectoryW(wide.c_str(), nullptr)) {
      folder = candidate;
      return 0;
    }
    const DWORD code = ::GetLastError();
    if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS)
      return windows::ErrnoFromWin32(code);
  }
  return EEXIST;
}

int NativeScratchSpace::OpenNamelessFile(const std::string& dir, const std::string& prefix,
                                        int& fd) {
  fd = -1;
  std::string path;
  HANDLE h = INVALID_HANDLE_VALUE;
  // Removed by the system when the handle closes, also when the process is
  // ended; others may open it only to read it, while it is open.
  if (const int err = CreateFresh(WithSeparator(dir), prefix, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, path, h))
    return err;
  // Where the system can, the name goes at once (POSIX semantics of a
  // deletion); elsewhere it stays until the handle closes.
  FILE_DISPOSITION_INFO_EX gone{};
  gone.Flags = FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS;
  (void)::SetFileInformationByHandle(h, kFileDispositionInfoEx, &gone, sizeof gone);
  fd = windows::FdFromHandle(h);
  return 0;
}

int NativeScratchSpace::CaptureAnonymousFile(
    const std::string&, const std::function<void(const std::string& path)>& write,
    std::string& bytes) {
  // Windows has no file without a name that others can open by a path: a
  // temporary file in the temporary folder, which the writer may open,
  // replace or cut as it likes, read back and removed on every way out.
  bytes.clear();
  std::string dir;
  if (const int err = TempFolder(dir)) return err;
  std::string path;
  HANDLE h = INVALID_HANDLE_VALUE;
  if (const int err = CreateFresh(dir, "zel-capture-", FILE_SHARE_READ | FILE_SHARE_WRITE |
                                                           FILE_SHARE_DELETE,
                                  FILE_ATTRIBUTE_TEMPORARY, path, h))
    return err;
  ::CloseHandle(h);
  FileRemover remover;
  if (!windows::WidePath(path, remover.path)) return EINVAL;
  write(path);
  const HANDLE in = ::CreateFileW(remover.path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (in == INVALID_HANDLE_VALUE) return LastErrno();
  std::vector<char> block(65536);
  int err = 0;
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(in, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) {
      err = LastErrno();
      bytes.clear();
      break;
    }
    if (got == 0) break;
    bytes.append(block.data(), got);
  }
  ::CloseHandle(in);
  return err;
}

ScratchSpace& NativeScratch() {
  static NativeScratchSpace native;
  return native;
}

}  // namespace zel::platform
