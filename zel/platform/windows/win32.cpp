#include "zel/platform/windows/internal/win32.h"

#include <cerrno>

#include "zel/platform/internal/put_utf8.h"

namespace zel::platform::windows {

bool Widen(std::string_view text, std::wstring& out) {
  out.clear();
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<uint8_t>(text[i]);
    uint32_t cp = 0;
    size_t len = 0;
    if (b0 == 0) {
      out.clear();
      return false;
    } else if (b0 < 0x80) {
      cp = b0, len = 1;
    } else if ((b0 & 0xE0) == 0xC0) {
      cp = b0 & 0x1F, len = 2;
    } else if ((b0 & 0xF0) == 0xE0) {
      cp = b0 & 0x0F, len = 3;
    } else if ((b0 & 0xF8) == 0xF0) {
      cp = b0 & 0x07, len = 4;
    } else {
      out.clear();
      return false;
    }
    if (i + len > text.size()) {
      out.clear();
      return false;
    }
    for (size_t k = 1; k < len; ++k) {
      const auto b = static_cast<uint8_t>(text[i + k]);
      if ((b & 0xC0) != 0x80) {
        out.clear();
        return false;
      }
      cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms and values beyond Unicode are refused; surrogates (the
    // lone ones of Windows names) are taken as they are.
    static constexpr uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[len] || cp > 0x10FFFF) {
      out.clear();
      return false;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
    i += len;
  }
  return true;
}

std::string Narrow(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = static_cast<uint16_t>(text[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      const uint32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    internal::PutUtf8(out, cp);
  }
  return out;
}

bool WidePath(std::string_view path, std::wstring& out) {
  if (path.empty() || !Widen(path, out)) {
    out.clear();
    return false;
  }
  const bool drive_absolute = out.size() >= 3 && out[1] == L':' && (out[2] == L'\\' || out[2] == L'/');
  const bool unc = out.size() >= 2 && (out[0] == L'\\' || out[0] == L'/') &&
                   (out[1] == L'\\' || out[1] == L'/');
  const bool prefixed = out.rfind(L"\\\\?\\", 0) == 0;
  if (prefixed || out.size() < MAX_PATH - 12 || !(drive_absolute || unc)) return true;
  // A \\?\ path is taken literally: the separators must be Windows' own and
  // "." / ".." are not resolved, so the full name is asked for first.
  for (auto& c : out)
    if (c == L'/') c = L'\\';
  std::wstring full;
  if (!FullPathName(out, full)) return true;
  out = unc ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
  return true;
}

bool FullPathName(const std::wstring& path, std::wstring& full) {
  const DWORD need = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (need == 0) return false;
  full.assign(need, L'\0');
  const DWORD got = ::GetFullPathNameW(path.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return false;  // failed, or the current folder changed meanwhile
  full.resize(got);
  return true;
}

int ErrnoFromWin32(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CANNOT_MAKE:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_NEGATIVE_SEEK:
      return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return EOPNOTSUPP;
    case ERROR_CALL_NOT_IMPLEMENTED:
      return ENOSYS;
    case ERROR_CANT_RESOLVE_FILENAME:
      return ELOOP;
    case ERROR_BUSY:
    case ERROR_USER_MAPPED_FILE:
      return EBUSY;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_OPERATION_ABORTED:
      return EINTR;
    default:
      return EIO;
  }
}

int LastErrno() { return ErrnoFromWin32(::GetLastError()); }

int WriteAll(HANDLE h, const void* data, size_t len, DWORD piece) {
  const auto* p = static_cast<const char*>(data);
  while (len > 0) {
    DWORD n = 0;
    if (!::WriteFile(h, p, len < piece ? static_cast<DWORD>(len) : piece, &n, nullptr))
      return LastErrno();
    if (n == 0) return EIO;
    p += n;
    len -= n;
  }
  return 0;
}

std::string SystemMessage(DWORD code) {
  wchar_t* buf = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string text = n != 0 && buf != nullptr ? Narrow(std::wstring_view(buf, n)) : std::string();
  if (buf != nullptr) ::LocalFree(buf);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  if (text.empty()) text = "Windows error " + std::to_string(code);
  return text;
}

int64_t FileTimeTicks(const FILETIME& t) {
  return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

FILETIME FileTimeOfTicks(int64_t ticks) {
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks));
  t.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return t;
}

}  // namespace zel::platform::windows
