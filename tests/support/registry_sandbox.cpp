#ifdef _WIN32

#include "support/registry_sandbox.h"

#include <windows.h>

#include <random>
#include <stdexcept>

namespace zel_test {

namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

HKEY Root(bool classes) { return classes ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER; }

}  // namespace

RegistrySandbox::RegistrySandbox() {
  std::random_device random;
  key_ = "Software\\zel-test-" + std::to_string(random()) + std::to_string(random());
  // Both keys are opened before the roots are redirected to them.
  for (const auto& [sub, root] : {std::pair{"\\current_user", HKEY_CURRENT_USER},
                                  std::pair{"\\classes_root", HKEY_CLASSES_ROOT}}) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key_ + sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &h, nullptr) != ERROR_SUCCESS)
      throw std::runtime_error("cannot create the test registry key " + key_ + sub);
    const LSTATUS rc = RegOverridePredefKey(root, h);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS) throw std::runtime_error("RegOverridePredefKey failed");
  }
}

RegistrySandbox::~RegistrySandbox() {
  RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegDeleteTreeW(HKEY_CURRENT_USER, Wide(key_).c_str());
}

std::optional<RawValue> RawRead(bool classes, const std::string& key, const std::string& name) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(Root(classes), Wide(key).c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
    return std::nullopt;
  RawValue v;
  DWORD type = 0, size = 0;
  const std::wstring wname = Wide(name);
  LSTATUS rc = RegQueryValueExW(h, wname.c_str(), nullptr, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    v.data.resize(size);
    rc = RegQueryValueExW(h, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(v.data.data()),
                          &size);
    v.data.resize(size);
  }
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  v.type = type;
  return v;
}

bool RawWrite(bool classes, const std::string& key, const std::string& name, uint32_t type,
              const std::string& data) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(Root(classes), Wide(key).c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS)
    return false;
  const LSTATUS rc =
      RegSetValueExW(h, Wide(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size()));
  RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

bool RawKeyExists(bool classes, const std::string& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(Root(classes), Wide(key).c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
    return false;
  RegCloseKey(h);
  return true;
}

std::string RawWide(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

}  // namespace zel_test

#endif
