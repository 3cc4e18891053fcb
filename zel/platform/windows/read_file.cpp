// Reading a whole file in blocks on Windows: CreateFileW for sequential
// reading (shared with writers and deleters, as on POSIX systems), ReadFile.
#include "zel/platform/read_file.h"

#include <memory>
#include <new>

#include "zel/platform/windows/internal/win32.h"

namespace zel::internal {

bool ReadFileInBlocks(const std::string& path,
                      const std::function<void(const uint8_t* data, size_t len)>& consume) {
  std::wstring wide;
  if (path.empty() || path.find('\0') != std::string::npos ||
      !platform::windows::WidePath(path, wide))
    return false;
  const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;  // a folder does not open without backup semantics
  struct Closer {
    HANDLE h;
    ~Closer() { ::CloseHandle(h); }
  } closer{h};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kReadFileBlock]);
  if (!block) return false;
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(h, block.get(), static_cast<DWORD>(kReadFileBlock), &n, nullptr))
      return ::GetLastError() == ERROR_HANDLE_EOF;
    if (n == 0) return true;
    consume(block.get(), n);
  }
}

}  // namespace zel::internal
