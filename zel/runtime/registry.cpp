#include "zel/runtime/registry.h"

#include <limits>
#include <optional>

#include "zel/platform/store.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {

namespace {

constexpr size_t kMaxKeyNameLength = 255;

using platform::StoreValue;

String Quoted(const String& S) { return u"'" + S + u"'"; }

// Runs one operation on the store in force; a failure of the store becomes
// ERegistryException with the store's message.
template <class Op>
auto InStore(Op&& op) -> decltype(op(platform::Store())) {
  try {
    return op(platform::Store());
  } catch (const platform::StoreError& e) {
    throw ERegistryException(Utf8ToString(e.what()));
  }
}

// Decodes the stored form of a value; a payload that does not fit its type
// code makes the value rdUnknown with the raw bytes in Binary.
void Decode(const StoreValue& v, TRegValue& out) {
  out = TRegValue();
  out.TypeCode = v.type;
  switch (v.type) {
    case rdString:
    case rdExpandString:
      if (v.form == StoreValue::kText) {
        out.DataType = static_cast<TRegDataType>(v.type);
        out.Text = Utf8ToString(v.bytes);
        return;
      }
      break;
    case rdInteger:
      if (v.form == StoreValue::kInteger && v.integer >= std::numeric_limits<int32_t>::min() &&
          v.integer <= std::numeric_limits<int32_t>::max()) {
        out.DataType = rdInteger;
        out.Integer = static_cast<int32_t>(v.integer);
        return;
      }
      break;
    case rdBinary:
      if (v.form == StoreValue::kBytes) {
        out.DataType = rdBinary;
        out.Binary.assign(v.bytes.begin(), v.bytes.end());
        return;
      }
      break;
    case rdMultiString:
      // Every text is followed by a NUL byte.
      if (v.form == StoreValue::kBytes && (v.bytes.empty() || v.bytes.back() == '\0')) {
        out.DataType = rdMultiString;
        size_t start = 0;
        while (start < v.bytes.size()) {
          const size_t nul = v.bytes.find('\0', start);
          out.Strings.push_back(Utf8ToString(std::string_view(v.bytes).substr(start, nul - start)));
          start = nul + 1;
        }
        return;
      }
      break;
    default:
      break;
  }
  out.DataType = rdUnknown;
  if (v.form == StoreValue::kInteger) {
    const std::string text = std::to_string(v.integer);
    out.Binary.assign(text.begin(), text.end());
  } else {
    out.Binary.assign(v.bytes.begin(), v.bytes.end());
  }
}

}  // namespace

std::string RegistryDatabaseName(HKEY Root) {
  switch (Root) {
    case HKEY_CLASSES_ROOT:
      return "classes_root";
    case HKEY_CURRENT_USER:
      return "current_user";
    case HKEY_LOCAL_MACHINE:
      return "local_machine";
    case HKEY_USERS:
      return "users";
    case HKEY_CURRENT_CONFIG:
      return "current_config";
    default:
      return {};
  }
}

TRegistry::TRegistry() : database_(RegistryDatabaseName(HKEY_CURRENT_USER)) {}

TRegistry::~TRegistry() = default;

String TRegistry::ClassName() const { return u"TRegistry"; }

void TRegistry::SetRootKey(HKEY Value) {
  CloseKey();
  root_ = Value;
  database_ = RegistryDatabaseName(Value);
}

void TRegistry::CloseKey() {
  open_ = false;
  read_only_ = false;
  current_path_.clear();
  current_utf8_.clear();
}

bool TRegistry::Resolve(const String& Key, std::string& Path) const {
  String full;
  if (!Key.empty() && Key[0] == u'\\') {
    full = Key.substr(1);
  } else if (open_ && !current_path_.empty()) {
    full = Key.empty() ? current_path_ : current_path_ + u'\\' + Key;
  } else {
    full = Key;
  }
  if (!full.empty() && full.back() == u'\\') full.pop_back();
  // Every name between separators must be 1..255 characters.
  size_t start = 0;
  while (!full.empty() && start <= full.size()) {
    size_t end = full.find(u'\\', start);
    if (end == String::npos) end = full.size();
    if (end == start || end - start > kMaxKeyNameLength) return false;
    start = end + 1;
  }
  Path = StringToUtf8(full);
  return true;
}

bool TRegistry::Open(const String& Key, bool CanCreate, bool ReadOnly) {
  last_error_.clear();
  std::string path;
  if (database_.empty()) {
    last_error_ = u"not a root key of this platform";
    return false;
  }
  if (!Resolve(Key, path)) {
    last_error_ = u"invalid key name \"" + Key + u"\"";
    return false;
  }
  try {
    const bool exists = InStore([&](platform::ConfigStore& store) {
      if (CanCreate) {
        store.CreateKey(database_, path);
        return true;
      }
      return store.KeyExists(database_, path);
    });
    if (!exists) {
      last_error_ = u"no such key";
      return false;
    }
  } catch (const Exception& e) {
    last_error_ = e.Message();
    return false;
  }
  open_ = true;
  read_only_ = ReadOnly;
  current_utf8_ = std::move(path);
  current_path_ = Utf8ToString(current_utf8_);
  return true;
}

bool TRegistry::OpenKey(const String& Key, bool CanCreate) { return Open(Key, CanCreate, false); }

bool TRegistry::OpenKeyReadOnly(const String& Key) { return Open(Key, false, true); }

bool TRegistry::CreateKey(const String& Key) {
  last_error_.clear();
  std::string path;
  try {
    if (database_.empty()) throw ERegistryException(u"not a root key of this platform");
    if (!Resolve(Key, path)) throw ERegistryException(u"invalid key name");
    InStore([&](platform::ConfigStore& s) { return s.CreateKey(database_, path); });
  } catch (const Exception& e) {
    last_error_ = e.Message();
    throw ERegistryException(u"Failed to create key \"" + Key + u"\": " + e.Message());
  }
  return true;
}

bool TRegistry::DeleteKey(const String& Key) {
  last_error_.clear();
  std::string path;
  if (database_.empty() || !Resolve(Key, path) || path.empty()) {
    last_error_ = u"invalid key name \"" + Key + u"\"";
    return false;
  }
  bool deleted = false;
  try {
    deleted = InStore([&](platform::ConfigStore& s) { return s.DeleteKey(database_, path); });
  } catch (const Exception& e) {
    last_error_ = e.Message();
    return false;
  }
  // The open key went with it when it lies at or below the deleted one.
  if (deleted && open_) {
    const String gone = Utf8ToString(path);
    const String cur = current_path_;
    if (cur.size() >= gone.size() && LowerCase(cur.substr(0, gone.size())) == LowerCase(gone) &&
        (cur.size() == gone.size() || cur[gone.size()] == u'\\'))
      CloseKey();
  }
  return deleted;
}

bool TRegistry::KeyExists(const String& Key) {
  last_error_.clear();
  std::string path;
  if (database_.empty() || !Resolve(Key, path)) return false;
  try {
    return InStore([&](platform::ConfigStore& s) { return s.KeyExists(database_, path); });
  } catch (const Exception& e) {
    last_error_ = e.Message();
    return false;
  }
}

bool TRegistry::HasSubKeys() {
  if (!open_) return false;
  try {
    return !InStore([&](platform::ConfigStore& s) {
              return s.SubKeyNames(database_, current_utf8_);
            }).empty();
  } catch (const Exception& e) {
    last_error_ = e.Message();
    return false;
  }
}

void TRegistry::GetKeyNames(TStringList& Strings) {
  Strings.Clear();
  if (!open_) return;
  try {
    for (const std::string& n :
         InStore([&](platform::ConfigStore& s) { return s.SubKeyNames(database_, current_utf8_); }))
      Strings.Add(Utf8ToString(n));
  } catch (const Exception& e) {
    last_error_ = e.Message();
  }
}

void TRegistry::GetValueNames(TStringList& Strings) {
  Strings.Clear();
  if (!open_) return;
  try {
    for (const std::string& n :
         InStore([&](platform::ConfigStore& s) { return s.ValueNames(database_, current_utf8_); }))
      Strings.Add(Utf8ToString(n));
  } catch (const Exception& e) {
    last_error_ = e.Message();
  }
}

bool TRegistry::ReadValue(const String& Name, TRegValue& Value) {
  Value = TRegValue();
  last_error_.clear();
  if (!open_) {
    last_error_ = u"no key is open";
    return false;
  }
  return ReadAt(current_utf8_, Name, Value);
}

bool TRegistry::ReadKeyValue(const String& Key, const String& Name, TRegValue& Value) {
  Value = TRegValue();
  last_error_.clear();
  std::string path;
  if (database_.empty() || !Resolve(Key, path)) return false;
  return ReadAt(path, Name, Value);
}

bool TRegistry::ReadAt(const std::string& Path, const String& Name, TRegValue& Value) {
  std::optional<StoreValue> v;
  try {
    v = InStore(
        [&](platform::ConfigStore& s) { return s.ReadValue(database_, Path, StringToUtf8(Name)); });
  } catch (const Exception& e) {
    last_error_ = e.Message();
    return false;
  }
  if (!v) return false;
  Decode(*v, Value);
  return true;
}

bool TRegistry::ValueExists(const String& Name) {
  TRegValue v;
  return ReadValue(Name, v);
}

TRegDataType TRegistry::GetDataType(const String& Name) {
  TRegValue v;
  ReadValue(Name, v);
  return v.DataType;
}

bool TRegistry::DeleteValue(const String& Name) {
  last_error_.clear();
  if (!open_) return false;
  try {
    return InStore([&](platform::ConfigStore& s) {
      return s.DeleteValue(database_, current_utf8_, StringToUtf8(Name));
    });
  } catch (const Exception& e) {
    last_error_ = e.Message();
    return false;
  }
}

void TRegistry::InvalidType(const String& Name) {
  throw ERegistryException(u"Invalid data type for " + Quoted(Name));
}

String TRegistry::ReadString(const String& Name) {
  TRegValue v;
  if (!ReadValue(Name, v)) {
    if (!last_error_.empty() && open_)
      throw ERegistryException(u"Failed to get data for " + Quoted(Name) + u": " + last_error_);
    return String();
  }
  if (v.DataType != rdString && v.DataType != rdExpandString) InvalidType(Name);
  return v.Text;
}

int32_t TRegistry::ReadInteger(const String& Name) {
  TRegValue v;
  if (!ReadValue(Name, v) || v.DataType != rdInteger) InvalidType(Name);
  return v.Integer;
}

bool TRegistry::ReadBool(const String& Name) { return ReadInteger(Name) != 0; }

TBytes TRegistry::ReadBinaryData(const String& Name) {
  TRegValue v;
  if (!ReadValue(Name, v) || v.DataType != rdBinary) InvalidType(Name);
  return v.Binary;
}

void TRegistry::ReadMultiString(const String& Name, TStringList& Strings) {
  TRegValue v;
  if (!ReadValue(Name, v) || v.DataType != rdMultiString) InvalidType(Name);
  Strings.Clear();
  for (const String& s : v.Strings) Strings.Add(s);
}

void TRegistry::Write(const String& Name, int32_t Type, int Form, int64_t Integer,
                      std::string Bytes) {
  last_error_.clear();
  try {
    if (!open_) throw ERegistryException(u"no key is open");
    if (read_only_) throw ERegistryException(u"the key is open read-only");
    StoreValue v;
    v.type = Type;
    v.form = static_cast<StoreValue::Form>(Form);
    v.integer = Integer;
    v.bytes = std::move(Bytes);
    InStore([&](platform::ConfigStore& s) {
      return s.WriteValue(database_, current_utf8_, StringToUtf8(Name), v);
    });
  } catch (const Exception& e) {
    last_error_ = e.Message();
    throw ERegistryException(u"Failed to set data for " + Quoted(Name) + u": " + e.Message());
  }
}

void TRegistry::WriteString(const String& Name, const String& Value) {
  Write(Name, rdString, StoreValue::kText, 0, StringToUtf8(Value));
}

void TRegistry::WriteExpandString(const String& Name, const String& Value) {
  Write(Name, rdExpandString, StoreValue::kText, 0, StringToUtf8(Value));
}

void TRegistry::WriteInteger(const String& Name, int32_t Value) {
  Write(Name, rdInteger, StoreValue::kInteger, Value, std::string());
}

void TRegistry::WriteBool(const String& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

void TRegistry::WriteBinaryData(const String& Name, const TBytes& Value) {
  Write(Name, rdBinary, StoreValue::kBytes, 0, std::string(Value.begin(), Value.end()));
}

void TRegistry::WriteMultiString(const String& Name, const TStringList& Strings) {
  std::string bytes;
  for (const String& s : Strings) {
    if (s.find(u'\0') != String::npos)
      throw ERegistryException(u"Failed to set data for " + Quoted(Name) +
                               u": a text of a multi-string contains a NUL character");
    bytes += StringToUtf8(s);
    bytes.push_back('\0');
  }
  Write(Name, rdMultiString, StoreValue::kBytes, 0, std::move(bytes));
}

}  // namespace zel
