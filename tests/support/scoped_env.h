// Sets (or unsets) an environment variable for a scope and puts the previous
// value back afterwards; and a configuration store in a fresh temporary
// folder, so no test touches the user's real configuration.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace zel_test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_.c_str(), old_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
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
  TempStore() : env_("ZEL_STORE_DIR", (dir_.Path() / "store").string()) {}
  std::string Dir() const { return (dir_.Path() / "store").string(); }
  std::string File(const std::string& database) const { return Dir() + "/" + database + ".db"; }
  const TempDir& Temp() const { return dir_; }

 private:
  TempDir dir_;
  ScopedEnv env_;
};

}  // namespace zel_test
