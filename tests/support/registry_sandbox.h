// Windows: the registry of one test. For the scope, the process's
// HKEY_CURRENT_USER and HKEY_CLASSES_ROOT lead to fresh keys below
// HKEY_CURRENT_USER\Software\zel-test-<random> (RegOverridePredefKey), so
// tests write through the runtime's usual roots without touching the user's
// registry; the keys are deleted afterwards. Also helpers that look into the
// registry directly, past the library.
#pragma once

#ifdef _WIN32

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zel_test {

class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // The sandbox's path below the real HKEY_CURRENT_USER.
  const std::string& Key() const { return key_; }

 private:
  std::string key_;
};

// A value as RegQueryValueExW gives it.
struct RawValue {
  uint32_t type = 0;  // REG_SZ, REG_DWORD, ...
  std::string data;   // the data's bytes
};

// The value `name` of `key` (UTF-8) below HKEY_CURRENT_USER (or
// HKEY_CLASSES_ROOT when `classes` is set), read with RegQueryValueExW;
// nothing when the key or value is missing.
std::optional<RawValue> RawRead(bool classes, const std::string& key, const std::string& name);
// Writes the value `name` of the existing `key` with RegSetValueExW; false on
// failure.
bool RawWrite(bool classes, const std::string& key, const std::string& name, uint32_t type,
              const std::string& data);
// Whether `key` exists (RegOpenKeyExW).
bool RawKeyExists(bool classes, const std::string& key);
// UTF-16 text as registry data bytes, with no terminating NUL added.
std::string RawWide(const std::u16string& text);

}  // namespace zel_test

#endif
