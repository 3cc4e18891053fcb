// The configuration store on Windows: the Windows registry itself. Each
// database name is a root key of the registry, key paths and value names go
// to the registry unchanged (as UTF-16), and the store's type codes are the
// registry's data types (see TypeOfCode).
#include "zel/platform/store.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {

namespace {

using windows::Narrow;
using windows::SystemMessage;
using windows::Widen;

struct Root {
  const char* database;
  HKEY key;
  const char* name;
};

// The root keys by the names the runtime gives them.
const Root kRoots[] = {
    {"classes_root", HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {"current_user", HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {"local_machine", HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {"users", HKEY_USERS, "HKEY_USERS"},
    {"current_config", HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

const Root* FindRoot(std::string_view database) {
  for (const Root& r : kRoots)
    if (database == r.database) return &r;
  return nullptr;
}

// The store's type codes are the registry's data types, except that the
// runtime's integer (3), binary (4) and multi-string (5) codes stand for
// REG_DWORD, REG_BINARY and REG_MULTI_SZ; the registry types with those
// numbers take the freed codes (REG_BINARY's 3 is code 4 and so on), so every
// registry type has exactly one code.
DWORD TypeOfCode(int32_t code) {
  switch (code) {
    case 3:
      return REG_DWORD;
    case 4:
      return REG_BINARY;
    case 5:
      return REG_MULTI_SZ;
    case 7:
      return REG_DWORD_BIG_ENDIAN;
    default:
      return static_cast<DWORD>(code);
  }
}

int32_t CodeOfType(DWORD type) {
  switch (type) {
    case REG_DWORD:
      return 3;
    case REG_BINARY:
      return 4;
    case REG_MULTI_SZ:
      return 5;
    case REG_DWORD_BIG_ENDIAN:
      return 7;
    default:
      return static_cast<int32_t>(type);
  }
}

// A Windows error as text, without the trailing line break.
std::string ErrorText(LSTATUS code) {
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_KEY_DELETED) return "the key does not exist";
  return SystemMessage(static_cast<DWORD>(code));
}

// Closes a key handle when the scope ends.
class KeyHandle {
 public:
  KeyHandle() = default;
  ~KeyHandle() {
    if (h_) RegCloseKey(h_);
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  HKEY* Out() { return &h_; }
  HKEY Get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

// Orders names as the Linux store does: bytes compared with ASCII letters
// folded to lower case.
bool NameLess(const std::string& a, const std::string& b) {
  const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
    return fold(static_cast<unsigned char>(x)) < fold(static_cast<unsigned char>(y));
  });
}

// A key path the store accepts: names joined by '\', none empty ("" is the
// root itself).
bool ValidKey(std::string_view key) {
  return key.empty() ||
         (key.front() != '\\' && key.back() != '\\' && key.find("\\\\") == std::string_view::npos);
}

class RegistryStore final : public ConfigStore {
 public:
  bool KeyExists(std::string_view database, std::string_view key) override {
    const Root* root = FindRoot(database);
    if (!root) return key.empty();
    if (key.empty()) return true;
    std::wstring wkey;
    if (!ValidKey(key) || !Widen(key, wkey)) return false;
    KeyHandle h;
    const LSTATUS rc = RegOpenKeyExW(root->key, wkey.c_str(), 0, KEY_QUERY_VALUE, h.Out());
    if (rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED) return true;  // it is there
    if (Absent(rc)) return false;
    Fail(*root, key, rc);
  }

  void CreateKey(std::string_view database, std::string_view key) override {
    const Root& root = Checked(database, key);
    if (key.empty()) return;
    KeyHandle h;
    const LSTATUS rc =
        RegCreateKeyExW(root.key, WideKey(root, key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE, nullptr, h.Out(), nullptr);
    if (rc != ERROR_SUCCESS) Fail(root, key, rc);
  }

  bool DeleteKey(std::string_view database, std::string_view key) override {
    const Root* root = FindRoot(database);
    std::wstring wkey;
    if (!root || key.empty() || !ValidKey(key) || !Widen(key, wkey)) return false;
    // The key, its subkeys and their values.
    const LSTATUS rc = RegDeleteTreeW(root->key, wkey.c_str());
    if (rc == ERROR_SUCCESS) return true;
    if (Absent(rc)) return false;
    Fail(*root, key, rc);
  }

  std::vector<std::string> SubKeyNames(std::string_view database, std::string_view key) override {
    std::vector<std::string> names;
    const Root* root = FindRoot(database);
    KeyHandle h;
    if (!root || !Open(*root, key, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, h)) return names;
    // Key names are at most 255 characters (longer ones are asked again).
    std::vector<wchar_t> buf(256);
    for (DWORD i = 0;; ++i) {
      DWORD len = static_cast<DWORD>(buf.size());
      const LSTATUS rc =
          RegEnumKeyExW(h.Get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc == ERROR_MORE_DATA && buf.size() < 32768) {
        buf.resize(32768);
        --i;
        continue;
      }
      if (rc == ERROR_KEY_DELETED) return {};  // deleted meanwhile: no key, no names
      if (rc != ERROR_SUCCESS) Fail(*root, key, rc);
      names.push_back(Narrow(std::wstring_view(buf.data(), len)));
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
  }

  std::vector<std::string> ValueNames(std::string_view database, std::string_view key) override {
    std::vector<std::string> names;
    const Root* root = FindRoot(database);
    KeyHandle h;
    if (!root || !Open(*root, key, KEY_QUERY_VALUE, h)) return names;
    // Value names are at most 16383 characters.
    std::vector<wchar_t> buf(16384);
    for (DWORD i = 0;; ++i) {
      DWORD len = static_cast<DWORD>(buf.size());
      const LSTATUS rc =
          RegEnumValueW(h.Get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc == ERROR_KEY_DELETED) return {};
      if (rc != ERROR_SUCCESS) Fail(*root, key, rc);
      names.push_back(Narrow(std::wstring_view(buf.data(), len)));
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
  }

  std::optional<StoreValue> ReadValue(std::string_view database, std::string_view key,
                                      std::string_view name) override {
    const Root* root = FindRoot(database);
    KeyHandle h;
    std::wstring wname;
    if (!root || !Widen(name, wname) || !Open(*root, key, KEY_QUERY_VALUE, h)) return {};
    // The value may grow between asking its size and reading it: asked again.
    std::string data(256, '\0');
    DWORD type = 0;
    for (;;) {
      DWORD size = static_cast<DWORD>(data.size());
      const LSTATUS rc = RegQueryValueExW(h.Get(), wname.c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()), &size);
      if (rc == ERROR_SUCCESS) {
        data.resize(size);
        break;
      }
      if (rc == ERROR_MORE_DATA) {
        data.resize(std::max<size_t>(size, data.size() * 2));
        continue;
      }
      if (Absent(rc)) return {};
      Fail(*root, key, rc);
    }
    return Decode(type, std::move(data));
  }

  void WriteValue(std::string_view database, std::string_view key, std::string_view name,
                  const StoreValue& value) override {
    const Root& root = Checked(database, key);
    std::wstring wname;
    if (!Widen(name, wname))
      throw StoreError(Where(root, key) + ": invalid value name \"" + std::string(name) + "\"");
    const DWORD type = TypeOfCode(value.type);
    const std::string data = Encode(root, key, type, value);
    KeyHandle h;
    LSTATUS rc = key.empty() ? ERROR_SUCCESS
                             : RegOpenKeyExW(root.key, WideKey(root, key).c_str(), 0, KEY_SET_VALUE,
                                             h.Out());
    if (rc == ERROR_SUCCESS)
      rc = RegSetValueExW(key.empty() ? root.key : h.Get(), wname.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
    if (rc != ERROR_SUCCESS) Fail(root, key, rc);
  }

  bool DeleteValue(std::string_view database, std::string_view key,
                   std::string_view name) override {
    const Root* root = FindRoot(database);
    KeyHandle h;
    std::wstring wname;
    if (!root || !Widen(name, wname) || !Open(*root, key, KEY_SET_VALUE, h)) return false;
    const LSTATUS rc = RegDeleteValueW(h.Get(), wname.c_str());
    if (rc == ERROR_SUCCESS) return true;
    if (Absent(rc)) return false;
    Fail(*root, key, rc);
  }

  // The registry keeps its hives itself: no file belongs to a root.
  std::string DatabaseFile(std::string_view) override { return {}; }

 private:
  static bool Absent(LSTATUS rc) {
    return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND || rc == ERROR_KEY_DELETED;
  }

  static std::string Where(const Root& root, std::string_view key) {
    return key.empty() ? std::string(root.name) : std::string(root.name) + '\\' + std::string(key);
  }

  [[noreturn]] static void Fail(const Root& root, std::string_view key, LSTATUS rc) {
    throw StoreError(Where(root, key) + ": " + ErrorText(rc));
  }

  // The root of a database that writers may use, with a valid key path.
  static const Root& Checked(std::string_view database, std::string_view key) {
    const Root* root = FindRoot(database);
    std::wstring wkey;
    if (!root || !ValidKey(key) || !Widen(key, wkey))
      throw StoreError("invalid key \"" + std::string(key) + "\" in store \"" +
                       std::string(database) + "\"");
    return *root;
  }

  static std::wstring WideKey(const Root& root, std::string_view key) {
    std::wstring wkey;
    if (!Widen(key, wkey)) throw StoreError(Where(root, key) + ": invalid key name");
    return wkey;
  }

  // Opens the key for `access`; false when it does not exist or its path is
  // not one the store accepts.
  static bool Open(const Root& root, std::string_view key, REGSAM access, KeyHandle& h) {
    std::wstring wkey;
    if (!ValidKey(key) || !Widen(key, wkey)) return false;
    const LSTATUS rc = RegOpenKeyExW(root.key, wkey.c_str(), 0, access, h.Out());
    if (rc == ERROR_SUCCESS) return true;
    if (Absent(rc)) return false;
    Fail(root, key, rc);
  }

  static std::wstring_view Wide(const std::string& data) {
    return std::wstring_view(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
  }

  // The stored form of registry data: text for the string types, a number
  // for the integer types, bytes otherwise and for data that does not fit
  // its type (the runtime reports such values as of unknown type).
  static StoreValue Decode(DWORD type, std::string data) {
    StoreValue v;
    v.type = CodeOfType(type);
    v.form = StoreValue::kBytes;
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && data.size() % 2 == 0) {
      std::wstring_view text = Wide(data);
      if (!text.empty() && text.back() == L'\0') text.remove_suffix(1);
      v.form = StoreValue::kText;
      v.bytes = Narrow(text);
    } else if (type == REG_DWORD && data.size() == 4) {
      int32_t n = 0;
      std::memcpy(&n, data.data(), 4);
      v.form = StoreValue::kInteger;
      v.integer = n;
    } else if (type == REG_QWORD && data.size() == 8) {
      std::memcpy(&v.integer, data.data(), 8);
      v.form = StoreValue::kInteger;
    } else if (type == REG_MULTI_SZ && data.size() % 2 == 0) {
      // Texts each ended by NUL, and a NUL after the last: each text as
      // UTF-8 followed by a NUL byte.
      std::wstring_view all = Wide(data);
      if (!all.empty() && all.back() == L'\0') all.remove_suffix(1);
      std::string out;
      while (!all.empty()) {
        const size_t nul = all.find(L'\0');
        out += Narrow(all.substr(0, nul));
        out.push_back('\0');
        all.remove_prefix(nul == std::wstring_view::npos ? all.size() : nul + 1);
      }
      v.bytes = std::move(out);
    } else {
      v.bytes = std::move(data);
    }
    return v;
  }

  // The registry data of a value (see Decode).
  static std::string Encode(const Root& root, std::string_view key, DWORD type,
                            const StoreValue& v) {
    std::string data;
    const auto append_wide = [&](std::string_view text) {
      std::wstring w;
      if (!text.empty() && !Widen(text, w))
        throw StoreError(Where(root, key) + ": text that is not UTF-8");
      data.append(reinterpret_cast<const char*>(w.data()), w.size() * 2);
      data.append(2, '\0');
    };
    switch (v.form) {
      case StoreValue::kText:
        // Widen refuses NUL; a NUL inside the text is kept as the registry
        // keeps it.
        for (size_t start = 0;;) {
          const size_t nul = v.bytes.find('\0', start);
          const std::string_view part = std::string_view(v.bytes).substr(start, nul - start);
          std::wstring w;
          if (!part.empty() && !Widen(part, w))
            throw StoreError(Where(root, key) + ": text that is not UTF-8");
          data.append(reinterpret_cast<const char*>(w.data()), w.size() * 2);
          if (nul == std::string::npos) break;
          data.append(2, '\0');
          start = nul + 1;
        }
        data.append(2, '\0');
        break;
      case StoreValue::kInteger:
        if (type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) {
          if (v.integer < INT32_MIN || v.integer > UINT32_MAX)
            throw StoreError(Where(root, key) + ": the number does not fit a 32-bit value");
          const uint32_t n = static_cast<uint32_t>(v.integer);
          data.assign(reinterpret_cast<const char*>(&n), 4);
        } else {
          data.assign(reinterpret_cast<const char*>(&v.integer), 8);
        }
        break;
      case StoreValue::kBytes:
        if (type == REG_MULTI_SZ) {
          if (!v.bytes.empty() && v.bytes.back() != '\0')
            throw StoreError(Where(root, key) + ": a multi-string not ended by NUL");
          for (size_t start = 0; start < v.bytes.size();) {
            const size_t nul = v.bytes.find('\0', start);
            append_wide(std::string_view(v.bytes).substr(start, nul - start));
            start = nul + 1;
          }
          data.append(2, '\0');
        } else {
          data = v.bytes;
        }
        break;
    }
    if (data.size() > UINT32_MAX) throw StoreError(Where(root, key) + ": value too large");
    return data;
  }
};

}  // namespace

// No folder: the registry keeps its hives itself.
std::string StoreDirectory() { return {}; }

ConfigStore& NativeStore() {
  static RegistryStore native;
  return native;
}

}  // namespace zel::platform
