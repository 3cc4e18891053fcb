// The persistent configuration store: keys and typed values. Linux: kept in
// SQLite databases, as described below. Windows: the Windows registry itself
// (see "Windows" at the end of this comment).
//
// Layout. One database file per root (`Database` names such as
// "current_user", "classes_root"), `<dir>/<name>.db`, where <dir> is
//   - $ZEL_STORE_DIR when it is set and not empty (tests and sandboxes point
//     it at a folder of their own), otherwise
//   - $XDG_CONFIG_HOME/zel when XDG_CONFIG_HOME is an absolute path,
//     otherwise ~/.config/zel.
// The folder is read again on every call, so changing the variable moves the
// store for the calls that follow. The folder is created (mode 0700) by the
// first write; a database file is created (mode 0600) by the first write into
// it. Reading from a root that has no file yet finds nothing and creates
// nothing.
//
// Keys and values. A key path is a sequence of names joined by '\' with no
// empty name; "" is the database's top key, which always exists. Key and value
// names compare without regard to ASCII case and keep the case they were
// created with; a value name may be empty (the key's default value). A value
// has a type code that the store keeps as given (the registry's data-type
// codes) and a payload that is text (UTF-8), a 64-bit integer or bytes,
// stored as the SQLite type of the same kind.
//
// Reliability. Every database runs in WAL mode with synchronous=NORMAL: a
// process killed at any moment leaves every committed write in place, and
// readers never wait for writers. Every write is a transaction of its own
// (creating a key with its missing parents, deleting a key with everything
// below it, writing or deleting one value); concurrent writers from other
// processes are waited for up to kStoreBusyTimeoutMs. A value cannot outlive
// its key: writing into a key that another process has just deleted fails
// instead of leaving an orphan.
//
// Failures. A file under the store's name that is not a database, is damaged,
// or is a database of some other program is never modified or replaced; a
// symbolic link under that name is refused, never followed (nor is a file
// created where it points). Every
// operation on it, like every other failure of the store (unwritable folder,
// disk full, writer still busy after the timeout), throws StoreError whose
// message (UTF-8) names the file and the reason; the runtime's registry reports
// it as ERegistryException with the same message. Absence is not a failure:
// readers report a missing key or value by their result.
//
// Cost. Each database stays open, with its prepared statements, from its
// first use to the end of the process (or until the folder changes); a read is
// one indexed lookup. The Linux store serialises its calls with a mutex, so
// it may be used from several threads. It closes its databases just before
// every fork() (reopening them on their next use), so parent and child never
// share an open connection.
//
// Windows. Each database name is the registry's root key of the same name
// ("classes_root" HKEY_CLASSES_ROOT, "current_user" HKEY_CURRENT_USER,
// "local_machine" HKEY_LOCAL_MACHINE, "users" HKEY_USERS, "current_config"
// HKEY_CURRENT_CONFIG; other names find nothing and writers raise). Keys and
// values are the registry's (RegCreateKeyExW, RegQueryValueExW, ...), names
// in UTF-16, compared as the registry compares them; the registry keeps its
// own files, so DatabaseFile and StoreDirectory are empty. Type codes are the
// registry's data types, except that the runtime's codes 3, 4 and 5 stand for
// REG_DWORD, REG_BINARY and REG_MULTI_SZ, and code 7 for
// REG_DWORD_BIG_ENDIAN (the registry's type 5). Text values are REG_SZ or
// REG_EXPAND_SZ, integers REG_DWORD (a 32-bit number; others raise) or
// 8 bytes for other types, bytes as given; a multi-string (code 5) is kept
// as REG_MULTI_SZ, whose empty texts only this store reads back. Data that
// does not fit its type (a REG_DWORD of 3 bytes) reads as bytes. Deleting a
// key (RegDeleteTreeW) is not one transaction: a failure midway can leave
// part of the subtree. Failures raise StoreError naming the key
// ("HKEY_CURRENT_USER\\Software\\x: <reason>"), a key deleted by another
// process as "the key does not exist".
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "zel/export.h"

namespace zel::platform {

// How long, in milliseconds, a call waits for another process's write to
// the same database before it fails.
inline constexpr int kStoreBusyTimeoutMs = 10000;

// A value as the store keeps it.
struct StoreValue {
  // The kind of payload: text in `bytes`, a number in `integer`, or raw
  // bytes in `bytes`.
  enum Form : uint8_t { kText, kInteger, kBytes };
  int32_t type = 0;     // the caller's type code, kept as given
  Form form = kText;    // which payload is meaningful
  int64_t integer = 0;  // the payload of a kInteger value
  std::string bytes;    // UTF-8 text (kText) or raw bytes (kBytes)
};

// A failure of the store: what() is the message described above, in UTF-8.
class ZEL_API StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  ~StoreError() override;
};

// The configuration-store concern. Every operation names the root by
// `database` and the key by its path `key`, and throws StoreError on
// any failure described above (never for absence).
class ZEL_API ConfigStore {
 public:
  virtual ~ConfigStore();

  // Whether key exists in database; the top key "" always exists, even
  // before the database file does.
  virtual bool KeyExists(std::string_view database, std::string_view key) = 0;
  // Creates the key and its missing parents in database (creating the folder
  // and file when needed); nothing happens when it exists. Raises for a
  // database name other than lower-case ASCII letters and '_', or a key
  // path with an empty name.
  virtual void CreateKey(std::string_view database, std::string_view key) = 0;
  // Deletes the key of database, its subkeys and their values; false when it
  // did not exist. The top key "" cannot be deleted (false).
  virtual bool DeleteKey(std::string_view database, std::string_view key) = 0;
  // Names of the direct subkeys of the key in database, sorted without
  // regard to ASCII case; empty when the key does not exist.
  virtual std::vector<std::string> SubKeyNames(std::string_view database, std::string_view key) = 0;
  // Names of the values of the key in database, sorted the same way; empty
  // when the key does not exist.
  virtual std::vector<std::string> ValueNames(std::string_view database, std::string_view key) = 0;
  // The value called name of the key in database, or nothing when the key or
  // the value does not exist.
  virtual std::optional<StoreValue> ReadValue(std::string_view database, std::string_view key,
                                              std::string_view name) = 0;
  // Creates or replaces the value called name of an existing key in
  // database; raises when the key does not exist, and for the names
  // CreateKey refuses.
  virtual void WriteValue(std::string_view database, std::string_view key, std::string_view name,
                          const StoreValue& value) = 0;
  // Deletes the value called name of the key in database; false when the
  // key or the value does not exist.
  virtual bool DeleteValue(std::string_view database, std::string_view key,
                           std::string_view name) = 0;
  // The file that holds a database (it need not exist yet); empty when no
  // folder can be determined, and always on Windows.
  virtual std::string DatabaseFile(std::string_view database) = 0;
};

// The folder of the databases as described above; empty when neither the
// variables nor the home directory give one, and always on Windows.
ZEL_API std::string StoreDirectory();

// The process's store (built on first use): the SQLite store on Linux, the
// registry on Windows.
ZEL_API ConfigStore& NativeStore();
// The implementation in force, which the modules call.
ZEL_API ConfigStore& Store();
// Installs backend (nullptr: the native store) and returns the one that was
// in force before.
ZEL_API ConfigStore* SetStoreBackend(ConfigStore* backend);

}  // namespace zel::platform
