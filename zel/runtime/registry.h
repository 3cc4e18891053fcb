// TRegistry: keys and typed values in the configuration store.
//
// Windows: the Windows registry, each root key the registry's own, values
// with the registry's data types (REG_SZ, REG_EXPAND_SZ, REG_DWORD,
// REG_BINARY, REG_MULTI_SZ). Linux: the registry is the configuration store
// of zel/platform/store.h: one SQLite database per root key under
// $XDG_CONFIG_HOME/zel (or $ZEL_STORE_DIR), each write a transaction of its
// own, safe against concurrent writers and against a process killed midway.
// Root keys map to databases:
//   HKEY_CLASSES_ROOT "classes_root", HKEY_CURRENT_USER "current_user" (the
//   default root), HKEY_LOCAL_MACHINE "local_machine", HKEY_USERS "users",
//   HKEY_CURRENT_CONFIG "current_config".
// All of them are the user's own files; other root values open nothing.
//
// Keys. Names are joined by '\'. A key given to OpenKey, CreateKey, DeleteKey
// or KeyExists that starts with '\' is taken from the root; otherwise it is
// relative to the open key (or to the root when none is open). A trailing '\'
// is ignored; an empty name inside the path ("a\\b"), or a name longer than
// 255 characters, makes the key invalid: opening fails, creating raises. Key
// and value names compare without regard to ASCII case and keep the case they
// were created with. The empty value name is the key's default value.
//
// Values. Types are TRegDataType: strings and expandable strings are text
// (stored as UTF-8; an unpaired surrogate becomes U+FFFD), integers 32-bit,
// binary data bytes, multi-strings a list of texts without NUL characters.
// Value operations need an open key; without one, reads find nothing and
// writes raise.
//
// Failures. Opening and testing (OpenKey, OpenKeyReadOnly, KeyExists,
// ValueExists, GetDataType, DeleteKey, DeleteValue) report failure by their
// result, also when the store itself cannot be used (LastErrorMsg() then
// says why). CreateKey, the writers, and readers asked for a type the value
// does not have raise ERegistryException with the texts
//   Failed to create key "<key>": <reason>
//   Failed to set data for '<name>': <reason>
//   Invalid data type for '<name>'
//   Failed to get data for '<name>': <reason>
// Reading a missing string gives the empty text; reading a missing value of
// another type raises "Invalid data type for '<name>'".
//
// A TRegistry object belongs to one thread at a time; several objects may be
// used from several threads, and from several processes, at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zel/runtime/classes.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/types.h"

namespace zel {

// A root key of the registry (one of the HKEY_ constants below).
using HKEY = uint32_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;      // database "classes_root"
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;      // database "current_user" (the default)
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;     // database "local_machine"
inline constexpr HKEY HKEY_USERS = 0x80000003u;             // database "users"
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;  // no database: opens nothing
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;    // database "current_config"

// Data-type codes as GetDataType reports them.
enum TRegDataType : uint8_t {
  rdUnknown = 0,
  rdString = 1,
  rdExpandString = 2,
  rdInteger = 3,
  rdBinary = 4,
  rdMultiString = 5,
};

// One value as a single read gives it: its type and the member that holds
// its data (Text for both string types, Integer, Binary for binary data and
// for values of unknown type, Strings for multi-strings). TypeCode is the
// code stored with the value, which for rdUnknown may be a code this version
// does not know.
struct TRegValue {
  TRegDataType DataType = rdUnknown;  // the value's type
  int32_t TypeCode = 0;               // the type code stored with the value
  String Text;                        // a string or expandable string
  int32_t Integer = 0;                // an integer
  TBytes Binary;                      // binary data, or a value of unknown type
  std::vector<String> Strings;        // a multi-string
};

// The store's name of a root key ("current_user"...); empty for a value that
// is not a root key of this platform.
ZEL_API std::string RegistryDatabaseName(HKEY Root);

class ZEL_API TRegistry : public TObject {
 public:
  // Root HKEY_CURRENT_USER, no key open.
  TRegistry();
  ~TRegistry() override;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const noexcept { return root_; }  // the selected root key
  // Closes the open key and selects another root.
  void SetRootKey(HKEY Value);
  // The open key's path from the root, without leading '\' ("" for the root
  // itself or when no key is open).
  const String& CurrentPath() const noexcept { return current_path_; }
  bool KeyIsOpen() const noexcept { return open_; }  // true while a key is open
  // True when the open key was opened with OpenKeyReadOnly.
  bool ReadOnly() const noexcept { return read_only_; }
  // Why the last failing call failed (empty after a success).
  const String& LastErrorMsg() const noexcept { return last_error_; }

  // Opens a key for reading and writing, creating it (and its parents) when
  // CanCreate is set. False when it does not exist (and may not be created),
  // is invalid, or the store cannot be used; the key open before stays open.
  bool OpenKey(const String& Key, bool CanCreate);
  // OpenKey(Key) without creating; writes then raise.
  bool OpenKeyReadOnly(const String& Key);
  void CloseKey();  // no key is open afterwards
  // Creates the key and its parents; true when it exists afterwards.
  bool CreateKey(const String& Key);
  // Deletes the key with its subkeys and values; false when it did not exist.
  // Deleting the open key (or one above it) closes it.
  bool DeleteKey(const String& Key);
  bool KeyExists(const String& Key);  // true when the key exists
  bool HasSubKeys();                  // true when the open key has subkeys
  // Clears Strings and fills it with the names of the open key's subkeys /
  // values, sorted without regard to ASCII case.
  void GetKeyNames(TStringList& Strings);
  // The same: clears Strings and fills it with the open key's value names.
  void GetValueNames(TStringList& Strings);

  bool ValueExists(const String& Name);  // true when the open key has the value Name
  // Deletes the value Name; false when it did not exist.
  bool DeleteValue(const String& Name);
  // The type of the value Name; rdUnknown when the value does not exist.
  TRegDataType GetDataType(const String& Name);
  // Reads the value Name of the open key into Value in one step; false when it
  // does not exist.
  bool ReadValue(const String& Name, TRegValue& Value);
  // Reads the value Name of the key Key into Value (absolute with a leading '\', otherwise
  // relative to the open key) without opening it: one lookup, for callers
  // that need nothing else from the key. False when the key or the value does
  // not exist.
  bool ReadKeyValue(const String& Key, const String& Name, TRegValue& Value);

  String ReadString(const String& Name);      // the string or expandable string Name
  int32_t ReadInteger(const String& Name);    // the integer Name
  bool ReadBool(const String& Name);          // the integer Name, true when not 0
  TBytes ReadBinaryData(const String& Name);  // the binary data Name
  // Clears Strings and fills it with the texts of the multi-string Name.
  void ReadMultiString(const String& Name, TStringList& Strings);

  // Stores Value as the string Name.
  void WriteString(const String& Name, const String& Value);
  // Stores Value as the expandable string Name.
  void WriteExpandString(const String& Name, const String& Value);
  // Stores Value as the integer Name.
  void WriteInteger(const String& Name, int32_t Value);
  // Stores Value as the integer Name, 1 or 0.
  void WriteBool(const String& Name, bool Value);
  // Stores Value as the binary data Name.
  void WriteBinaryData(const String& Name, const TBytes& Value);
  // Stores the texts of Strings as the multi-string Name. Raises when a text
  // contains a NUL character.
  void WriteMultiString(const String& Name, const TStringList& Strings);

  String ClassName() const override;

 private:
  // The absolute store path of Key ("" = root); false when Key is invalid.
  bool Resolve(const String& Key, std::string& Path) const;
  bool Open(const String& Key, bool CanCreate, bool ReadOnly);
  bool ReadAt(const std::string& Path, const String& Name, TRegValue& Value);
  void Write(const String& Name, int32_t Type, int Form, int64_t Integer, std::string Bytes);
  [[noreturn]] void InvalidType(const String& Name);

  HKEY root_ = HKEY_CURRENT_USER;
  std::string database_;
  bool open_ = false;
  bool read_only_ = false;
  String current_path_;
  std::string current_utf8_;
  String last_error_;
};

}  // namespace zel
