// Sets (or unsets) an environment variable for a scope and puts the previous
// value back afterwards; and a configuration store in a fresh temporary
// folder, so no test touches the user's real configuration.
#pragma once

#include <cstdlib>
#include <optional>
#ifdef _WIN32
#include <windows.h>
#endif
#include <string>

#include "support/temp_dir.h"

namespace zel_test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(name_, value);
  }
  ~ScopedEnv() { Set(name_, old_); }

  // Sets the variable `name` to `value`, or removes it when there is none.
  static void Set(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // An empty value removes the variable in the C library's copy, so the
    // process's own block is set as well.
    ::_putenv_s(name.c_str(), value ? value->c_str() : "");
    ::SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
#else
    if (value)
      ::setenv(name.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name.c_str());
#endif
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// The configuration store of the scope: $ZEL_STORE_DIR in a temporary folder.
class TempStore {
 public:
  TempStore() : env_("ZEL_STORE_DIR", PathText(dir_.Path() / "store")) {}
  std::string Dir() const { return PathText(dir_.Path() / "store"); }
  std::string File(const std::string& database) const { return Dir() + "/" + database + ".db"; }
  const TempDir& Temp() const { return dir_; }

 private:
  TempDir dir_;
  ScopedEnv env_;
};

}  // namespace zel_test
