// What the Windows implementations of the platform layer share: names
// between the interfaces' UTF-8 and Windows' UTF-16, Windows error codes as
// the error numbers the interfaces report, and handles kept in the
// interfaces' int descriptors.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zel::platform::windows {

// The UTF-16 form of `text`, written by the layer above as UTF-8, where a
// lone surrogate of a Windows name is kept as its three-byte form (WTF-8), so
// every name Windows can hold comes back exactly. False (and `out` empty) for
// bytes that are not such text, or a NUL byte.
bool Widen(std::string_view text, std::wstring& out);
// The UTF-8 form of `text` (WTF-8 for lone surrogates, see Widen).
std::string Narrow(std::wstring_view text);

// `path` widened for the file functions: absolute paths longer than the old
// limit get the \\?\ prefix (and "/" becomes "\"), so no length limit
// applies. False for text Widen refuses or an empty path.
bool WidePath(std::string_view path, std::wstring& out);
// The full name of `path` (GetFullPathNameW: made absolute, "." and ".."
// resolved, "/" made "\") into `full`; false when the system gives none
// (GetLastError says why, when it knows).
bool FullPathName(const std::wstring& path, std::wstring& full);

// The error number (ENOENT, EACCES, ...) for a Windows error code.
int ErrnoFromWin32(DWORD code);
// ErrnoFromWin32(GetLastError()).
int LastErrno();

// The system's text for the Windows error `code` (FormatMessageW), without
// the closing full stop and line break; "Windows error <code>" when the
// system has none.
std::string SystemMessage(DWORD code);

// A handle kept in an int descriptor: Windows handles hold 32 significant
// bits (so 32-bit and 64-bit processes can share them), and -1 is
// INVALID_HANDLE_VALUE.
inline int FdFromHandle(HANDLE h) {
  return static_cast<int>(reinterpret_cast<intptr_t>(h));
}
inline HANDLE HandleFromFd(int fd) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
}

// Writes all `len` bytes of `data` to `h` in pieces of at most `piece`
// bytes (WriteFile takes a 32-bit count); 0, or the first error (a write of
// nothing gives EIO).
int WriteAll(HANDLE h, const void* data, size_t len, DWORD piece = 1u << 30);

// 100-nanosecond intervals since 1601-01-01 (FILETIME) and back, as seconds
// and nanoseconds since 1970.
int64_t FileTimeTicks(const FILETIME& t);
FILETIME FileTimeOfTicks(int64_t ticks);
inline constexpr int64_t kTicksTo1970 = 116444736000000000LL;

}  // namespace zel::platform::windows
