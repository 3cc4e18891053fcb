// Sets (or unsets) an environment variable for a scope and puts the previous
// value back afterwards; and a configuration store in a fresh temporary
// folder, so no test touches the user's real configuration.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "support/registry_sandbox.h"
#include "support/temp_dir.h"

namespace zel_test {

#ifdef _WIN32
// Sets `name` in the C library's copy of the environment and in the
// process's own block (scoped_env.cpp, which keeps <windows.h> out of the
// tests: its HKEY_ macros would hide the runtime's constants).
void SetWindowsEnv(const std::string& name, const std::optional<std::string>& value);
#endif

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
    SetWindowsEnv(name, value);
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

// The configuration store of the scope: $ZEL_STORE_DIR in a temporary folder
// (Windows: the store is the registry, and a RegistrySandbox holds the
// scope's HKEY_CURRENT_USER and HKEY_CLASSES_ROOT).
class TempStore {
 public:
  TempStore() : env_("ZEL_STORE_DIR", PathText(dir_.Path() / "store")) {}
  std::string Dir() const { return PathText(dir_.Path() / "store"); }
  std::string File(const std::string& database) const { return Dir() + "/" + database + ".db"; }
  const TempDir& Temp() const { return dir_; }

 private:
  TempDir dir_;
  ScopedEnv env_;
#ifdef _WIN32
  RegistrySandbox sandbox_;
#endif
};

}  // namespace zel_test
