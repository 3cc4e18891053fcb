#ifdef _WIN32

#include "support/scoped_env.h"

#include <windows.h>

namespace zel_test {

void SetWindowsEnv(const std::string& name, const std::optional<std::string>& value) {
  // An empty value removes the variable in the C library's copy, so the
  // process's own block is set as well.
  ::_putenv_s(name.c_str(), value ? value->c_str() : "");
  ::SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
}

}  // namespace zel_test

#endif
