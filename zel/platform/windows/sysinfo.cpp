// System directories (GetSystemDirectoryW, GetWindowsDirectoryW, GetTempPathW
// with GetLongPathNameW), memory figures (GlobalMemoryStatusEx, a walk of the
// C runtime's heap) and the system's random source (BCryptGenRandom).
#include "zel/platform/sysinfo.h"

#include <malloc.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "zel/platform/windows/internal/win32.h"
// bcrypt.h needs the types of windows.h (included by win32.h).
#include <bcrypt.h>

namespace zel::platform {

namespace {

using windows::Narrow;

// The text a function of the GetSystemDirectoryW kind writes: it returns the
// length written, or the size it needs (terminating NUL included) when the
// buffer is too small, or 0 on failure.
template <typename Query>
std::wstring QueryText(Query query, DWORD first_size) {
  std::wstring text(first_size, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = query(text.data(), static_cast<DWORD>(text.size()));
    if (n == 0) return {};
    if (n < text.size()) {
      text.resize(n);
      return text;
    }
    text.assign(n, L'\0');
  }
  return {};
}

class NativeSysInfo final : public SystemInfo {
 public:
  std::string SystemDirectory() override {
    return Narrow(QueryText(
        [](wchar_t* b, DWORD n) { return ::GetSystemDirectoryW(b, n); }, 2048));
  }

  std::string OsDirectory() override {
    return Narrow(QueryText(
        [](wchar_t* b, DWORD n) { return ::GetWindowsDirectoryW(b, n); }, 2048));
  }

  std::string TempDirectory() override {
    const std::wstring path =
        QueryText([](wchar_t* b, DWORD n) { return ::GetTempPathW(n, b); }, 1024);
    if (path.empty()) return {};
    // The long form of every component; fails when the folder is missing.
    std::wstring long_path = QueryText(
        [&path](wchar_t* b, DWORD n) { return ::GetLongPathNameW(path.c_str(), b, n); },
        static_cast<DWORD>(path.size() + 1));
    if (long_path.empty()) return {};
    if (long_path.back() != L'\\') long_path.push_back(L'\\');
    return Narrow(long_path);
  }

  bool PhysicalMemory(uint64_t& total, uint64_t& available) override {
    total = available = 0;
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!::GlobalMemoryStatusEx(&status)) return false;
    total = status.ullTotalPhys;
    available = status.ullAvailPhys;
    return true;
  }

  int64_t AllocatedBytes() override {
    // malloc and operator new take their blocks from the C runtime's heap;
    // the busy entries of that heap are what is handed out.
    const HANDLE heap = reinterpret_cast<HANDLE>(::_get_heap_handle());
    if (!heap || !::HeapLock(heap)) return 0;
    int64_t bytes = 0;
    PROCESS_HEAP_ENTRY entry{};
    while (::HeapWalk(heap, &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += static_cast<int64_t>(entry.cbData);
    ::HeapUnlock(heap);
    return bytes;
  }

  void SecureRandom(void* buffer, size_t count) override {
    auto* p = static_cast<UCHAR*>(buffer);
    while (count > 0) {
      const ULONG n = static_cast<ULONG>(std::min<size_t>(count, 1u << 30));
      const NTSTATUS status =
          ::BCryptGenRandom(nullptr, p, n, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
      if (status < 0) throw std::system_error(EIO, std::generic_category(), "BCryptGenRandom");
      p += n;
      count -= n;
    }
  }
};

}  // namespace

SystemInfo& NativeSystemInfo() {
  static NativeSysInfo info;
  return info;
}

}  // namespace zel::platform
