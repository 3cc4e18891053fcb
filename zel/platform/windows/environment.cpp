// The environment block of the process, read through GetEnvironmentStringsW
// and converted to UTF-8 (lone surrogates kept, see win32.h).
#include "zel/platform/environment.h"

#include <cerrno>
#include <cstdlib>

#include "zel/platform/windows/internal/win32.h"

// After windows.h: CommandLineToArgvW.
#include <shellapi.h>

namespace zel::platform {

namespace {

using windows::Narrow;
using windows::Widen;

class NativeEnv final : public Environment {
 public:
  std::vector<std::string> Entries() override {
    std::vector<std::string> entries;
    wchar_t* block = ::GetEnvironmentStringsW();
    if (!block) return entries;
    try {
      // Entries follow one another, each ended by a NUL; an empty one ends
      // the block.
      for (const wchar_t* e = block; *e;) {
        const std::wstring_view entry(e);
        entries.push_back(Narrow(entry));
        e += entry.size() + 1;
      }
    } catch (...) {
      ::FreeEnvironmentStringsW(block);
      throw;
    }
    ::FreeEnvironmentStringsW(block);
    return entries;
  }

  std::optional<std::string> Get(std::string_view name) override {
    std::wstring wide_name;
    if (name.empty() || !Widen(name, wide_name)) return std::nullopt;
    std::wstring value(64, L'\0');
    for (;;) {
      ::SetLastError(ERROR_SUCCESS);
      const DWORD n = ::GetEnvironmentVariableW(wide_name.c_str(), value.data(),
                                                static_cast<DWORD>(value.size()));
      if (n == 0) {
        // 0 is both "not set" and "set to the empty text".
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
      }
      if (n < value.size()) {
        value.resize(n);
        return Narrow(value);
      }
      value.assign(n, L'\0');  // n counts the terminating NUL here
    }
  }
};

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> out;
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (words != nullptr && count == argc) {
    for (int i = 1; i < count; ++i) out.push_back(Narrow(words[i]));
  } else if (argc > 1) {
    out.assign(argv + 1, argv + argc);
  }
  if (words != nullptr) ::LocalFree(words);
  return out;
}

int SetVariable(const std::string& name, const std::optional<std::string>& value) {
  if (name.empty() || name.find('=') != std::string::npos) return EINVAL;
  std::wstring wide_name, wide_value;
  if (!Widen(name, wide_name) || (value && !value->empty() && !Widen(*value, wide_value)))
    return EINVAL;
  // The C runtime keeps its own copy of the block (getenv reads it); an
  // empty value removes the variable there.
  if (const errno_t rc = ::_wputenv_s(wide_name.c_str(), wide_value.c_str()); rc != 0) return rc;
  // The process's block can hold a variable with an empty value.
  if (!::SetEnvironmentVariableW(wide_name.c_str(), value ? wide_value.c_str() : nullptr) &&
      value)
    return windows::LastErrno();
  return 0;
}

Environment& NativeEnvironment() {
  static NativeEnv env;
  return env;
}

}  // namespace zel::platform
