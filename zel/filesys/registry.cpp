#include "zel/filesys/registry.h"

#include "zel/filesys/numtext.h"
#include "zel/platform/mime.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {

namespace {

// A TRegistry on the given root (0: the default root).
struct Reg {
  explicit Reg(HKEY Root) {
    if (Root != 0) r.SetRootKey(Root);
  }
  TRegistry r;
};

// The key's default value when it is text; empty otherwise.
String DefaultText(TRegistry& Reg) {
  TRegValue v;
  if (!Reg.ReadValue(String(), v)) return String();
  return v.DataType == rdString || v.DataType == rdExpandString ? v.Text : String();
}

}  // namespace

String GetRegValue(HKEY Root, const String& Key, const String& ValueName) {
  Reg reg(Root);
  TRegValue v;
  // Opening the key first would only tell what the lookup tells anyway.
  if (!reg.r.ReadKeyValue(Key, ValueName, v)) return String();
  switch (v.DataType) {
    case rdString:
    case rdExpandString:
      return v.Text;
    case rdInteger:
      return IntToStr(v.Integer);
    case rdUnknown:
    case rdBinary:
      return u"ERROR (unknown type)";
    default:
      return String();
  }
}

int32_t GetRegValueAsInt(HKEY Root, const String& Key, const String& ValueName) {
  return ScanTextDecimal(GetRegValue(Root, Key, ValueName));
}

double GetRegValueAsDouble(HKEY Root, const String& Key, const String& ValueName) {
  return ScanTextFPNum(GetRegValue(Root, Key, ValueName), true, 3);
}

bool GetRegValueAsBoolean(HKEY Root, const String& Key, const String& ValueName) {
  return LowerCase(GetRegValue(Root, Key, ValueName)) == u"true";
}

void SetRegValue(HKEY Root, const String& Key, const String& ValueName, const String& Text) {
  Reg reg(Root);
  if (!reg.r.OpenKey(Key, true))
    throw ERegistryException(u"Failed to open key \"" + Key + u"\": " + reg.r.LastErrorMsg());
  reg.r.WriteString(ValueName, Text);
}

bool DeleteRegKey(HKEY Root, const String& Key) {
  Reg reg(Root);
  return reg.r.DeleteKey(Key);
}

bool DeleteRegValue(HKEY Root, const String& Key, const String& ValueName) {
  Reg reg(Root);
  return reg.r.OpenKey(Key, false) && reg.r.DeleteValue(ValueName);
}

bool RegKeyExists(HKEY Root, const String& Key) {
  Reg reg(Root);
  return reg.r.KeyExists(Key);
}

bool RegValueExists(HKEY Root, const String& Key, const String& ValueName) {
  Reg reg(Root);
  return reg.r.OpenKeyReadOnly(Key) && reg.r.ValueExists(ValueName);
}

int32_t GetAllRegSubkeys(HKEY Root, const String& Key, TStringList& List) {
  List.Clear();
  Reg reg(Root);
  if (reg.r.OpenKeyReadOnly(Key)) reg.r.GetKeyNames(List);
  return List.Count();
}

int32_t GetAllRegValueNames(HKEY Root, const String& Key, TStringList& List) {
  List.Clear();
  Reg reg(Root);
  if (reg.r.OpenKeyReadOnly(Key)) reg.r.GetValueNames(List);
  return List.Count();
}

String GetProgAssoc(const String& Ext) {
  if (Ext.empty()) return String();
  auto& mime = platform::Mime();
  const std::string type = mime.TypeOfExtension(StringToUtf8(Ext));
  if (!type.empty()) {
    const std::string command = mime.OpenCommand(type);
    if (!command.empty()) return Utf8ToString(command);
  }
  const String kOpen = u"\\shell\\open\\command";
  TRegistry reg;
  reg.SetRootKey(HKEY_CLASSES_ROOT);
  const String key = u"\\." + Ext;
  if (reg.OpenKeyReadOnly(key + kOpen)) return DefaultText(reg);
  if (!reg.OpenKeyReadOnly(key)) return String();
  const String file_type = DefaultText(reg);
  if (file_type.empty() || !reg.OpenKeyReadOnly(u"\\" + file_type + kOpen)) return String();
  return DefaultText(reg);
}

}  // namespace zel
