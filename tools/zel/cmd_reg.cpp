// zel reg: the configuration store from the command line.
//
//   zel reg get KEY [NAME]             a value (the default value without NAME)
//   zel reg set KEY NAME VALUE...      writes a value, creating the key
//   zel reg list KEY                   subkeys ("name\") and values ("name (type) = data")
//   zel reg delete KEY [NAME]          a value, or the key with everything below it
// Options: --root HKCU|HKCR|HKLM|HKU|HKCC (or the full HKEY_ names; default
// HKCU), --type string|expand|integer|binary|multi for set (default string;
// binary takes hexadecimal bytes, multi takes one VALUE per text). Strings
// print as they are, integers in decimal, binary data as hexadecimal bytes,
// multi-strings one text per line. The store lives in $ZEL_STORE_DIR, else
// $XDG_CONFIG_HOME/zel.

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "zel/filesys/registry.h"
#include "zel/platform/environment.h"
#include "zel/platform/scratch.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/registry.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace {

using zel_tool::Args;
using zel_tool::Fail;

zel::HKEY ParseRoot(const std::string& name) {
  const struct {
    const char* short_name;
    const char* long_name;
    zel::HKEY key;
  } roots[] = {{"HKCU", "HKEY_CURRENT_USER", zel::HKEY_CURRENT_USER},
               {"HKCR", "HKEY_CLASSES_ROOT", zel::HKEY_CLASSES_ROOT},
               {"HKLM", "HKEY_LOCAL_MACHINE", zel::HKEY_LOCAL_MACHINE},
               {"HKU", "HKEY_USERS", zel::HKEY_USERS},
               {"HKCC", "HKEY_CURRENT_CONFIG", zel::HKEY_CURRENT_CONFIG}};
  const std::string upper = zel::StringToUtf8(zel::UpperCase(zel::Utf8ToString(name)));
  for (const auto& r : roots)
    if (upper == r.short_name || upper == r.long_name) return r.key;
  Fail("unknown root '" + name + "' (HKCU, HKCR, HKLM, HKU or HKCC)");
}

const char* TypeName(zel::TRegDataType t) {
  switch (t) {
    case zel::rdString:
      return "string";
    case zel::rdExpandString:
      return "expand";
    case zel::rdInteger:
      return "integer";
    case zel::rdBinary:
      return "binary";
    case zel::rdMultiString:
      return "multi";
    case zel::rdUnknown:
      break;
  }
  return "unknown";
}

std::string Hex(const zel::TBytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

zel::TBytes ParseHex(const std::string& text) {
  zel::TBytes bytes;
  int high = -1;
  for (char c : text) {
    int v;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
      v = (c | 0x20) - 'a' + 10;
    else if (c == ' ' || c == ':' || c == '-' || c == ',')
      continue;
    else
      Fail("binary data must be hexadecimal bytes, got '" + text + "'");
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  if (high >= 0) Fail("binary data has an odd number of hexadecimal digits");
  return bytes;
}

// The data as text; `separator` joins the texts of a multi-string.
std::string DataText(const zel::TRegValue& v, const char* separator) {
  switch (v.DataType) {
    case zel::rdString:
    case zel::rdExpandString:
      return zel::StringToUtf8(v.Text);
    case zel::rdInteger:
      return std::to_string(v.Integer);
    case zel::rdMultiString: {
      std::string out;
      for (size_t i = 0; i < v.Strings.size(); ++i)
        out += (i ? separator : "") + zel::StringToUtf8(v.Strings[i]);
      return out;
    }
    default:
      return Hex(v.Binary);
  }
}

[[noreturn]] void RuntimeFailure(const std::string& what, const zel::String& reason) {
  throw zel::ERegistryException(zel::Utf8ToString(what + ": ") + reason);
}

// Opens KEY or fails with "KEY: no such key" (or the store's reason).
void OpenOrFail(zel::TRegistry& reg, const std::string& key, bool write) {
  const zel::String k = zel::Utf8ToString(key);
  if (write ? reg.OpenKey(k, false) : reg.OpenKeyReadOnly(k)) return;
  RuntimeFailure(key, reg.LastErrorMsg());
}

int RunReg(Args& args) {
  const auto root = args.Option("root");
  const auto type = args.Option("type");
  args.RejectUnknownOptions();
  const std::vector<std::string> rest = args.Rest();
  if (rest.empty()) Fail("expected get, set, list or delete");
  const std::string& verb = rest[0];
  if (rest.size() < 2) Fail("expected a KEY");
  const std::string& key = rest[1];
  if (type && verb != "set") Fail("--type belongs to set");

  zel::TRegistry reg;
  reg.SetRootKey(root ? ParseRoot(*root) : zel::HKEY_CURRENT_USER);
  const std::string name = rest.size() > 2 ? rest[2] : std::string();
  const std::string where = rest.size() > 2 ? key + "\\" + name : key;
  // Messages carry the exception's text; main prints "zel reg: <text>".
  if (verb == "get") {
    if (rest.size() > 3) Fail("get takes KEY [NAME]");
    OpenOrFail(reg, key, false);
    zel::TRegValue v;
    if (!reg.ReadValue(zel::Utf8ToString(name), v))
      RuntimeFailure(where, reg.LastErrorMsg().empty() ? u"no such value" : reg.LastErrorMsg());
    std::cout << DataText(v, "\n") << "\n";
    return 0;
  }
  if (verb == "set") {
    if (rest.size() < 4) Fail("set takes KEY NAME VALUE");
    const std::string t = type.value_or("string");
    if (t != "multi" && rest.size() != 4) Fail("set takes one VALUE (several with --type multi)");
    const zel::String n = zel::Utf8ToString(name);
    const zel::String value = zel::Utf8ToString(rest[3]);
    // Check the value before anything is created.
    int32_t integer = 0;
    zel::TBytes binary;
    if (t == "integer") {
      try {
        integer = zel::StrToInt(value);
      } catch (const zel::EConvertError&) {
        Fail("--type integer needs a 32-bit integer, got '" + rest[3] + "'");
      }
    } else if (t == "binary") {
      binary = ParseHex(rest[3]);
    } else if (t != "string" && t != "expand" && t != "multi") {
      Fail("unknown type '" + t + "' (string, expand, integer, binary or multi)");
    }
    if (!reg.OpenKey(zel::Utf8ToString(key), true)) RuntimeFailure(key, reg.LastErrorMsg());
    try {
      if (t == "string") {
        reg.WriteString(n, value);
      } else if (t == "expand") {
        reg.WriteExpandString(n, value);
      } else if (t == "integer") {
        reg.WriteInteger(n, integer);
      } else if (t == "binary") {
        reg.WriteBinaryData(n, binary);
      } else {
        zel::TStringList texts;
        for (size_t i = 3; i < rest.size(); ++i) texts.Add(zel::Utf8ToString(rest[i]));
        reg.WriteMultiString(n, texts);
      }
    } catch (const zel::ERegistryException&) {
      RuntimeFailure(where, reg.LastErrorMsg());
    }
    return 0;
  }
  if (verb == "list") {
    if (rest.size() != 2) Fail("list takes KEY");
    OpenOrFail(reg, key, false);
    zel::TStringList names;
    reg.GetKeyNames(names);
    for (const zel::String& k : names) std::cout << zel::StringToUtf8(k) << "\\\n";
    reg.GetValueNames(names);
    for (const zel::String& n : names) {
      zel::TRegValue v;
      if (!reg.ReadValue(n, v)) continue;  // deleted meanwhile
      std::cout << (n.empty() ? "(default)" : zel::StringToUtf8(n)) << " (" << TypeName(v.DataType)
                << ") = " << DataText(v, " | ") << "\n";
    }
    if (!reg.LastErrorMsg().empty()) RuntimeFailure(key, reg.LastErrorMsg());
    return 0;
  }
  if (verb == "delete") {
    if (rest.size() > 3) Fail("delete takes KEY [NAME]");
    if (rest.size() == 2) {
      if (!reg.DeleteKey(zel::Utf8ToString(key)))
        RuntimeFailure(key, reg.LastErrorMsg().empty() ? u"no such key" : reg.LastErrorMsg());
      return 0;
    }
    OpenOrFail(reg, key, true);
    if (!reg.DeleteValue(zel::Utf8ToString(name)))
      RuntimeFailure(where, reg.LastErrorMsg().empty() ? u"no such value" : reg.LastErrorMsg());
    return 0;
  }
  Fail("unknown action '" + verb + "' (get, set, list or delete)");
}

}  // namespace

ZEL_TOOL_COMMAND(reg, "read and write the configuration store (the registry)",
                 "zel reg [--root ROOT] get KEY [NAME]\n"
                 "       zel reg [--root ROOT] [--type TYPE] set KEY NAME VALUE...\n"
                 "       zel reg [--root ROOT] list KEY\n"
                 "       zel reg [--root ROOT] delete KEY [NAME]\n"
                 "  ROOT: HKCU (default), HKCR, HKLM, HKU, HKCC\n"
                 "  TYPE: string (default), expand, integer, binary (hex bytes), multi",
                 RunReg);

namespace {

// Runs in a store of its own in a temporary folder, so the user's
// configuration is never touched.
void DemoReg(std::ostream& out) {
  std::string dir;
  std::error_code tmp_ec;
  const std::filesystem::path tmp = std::filesystem::temp_directory_path(tmp_ec);
  if (tmp_ec || zel::platform::Scratch().MakePrivateFolder(tmp.string(), "zel-demo-", dir) != 0) {
    out << "no temporary folder for the demo store\n";
    return;
  }
  const std::optional<std::string> saved = zel::platform::Env().Get("ZEL_STORE_DIR");
  zel::platform::SetVariable("ZEL_STORE_DIR", dir);
  const zel::String key = u"Software\\zel\\Demo";
  zel::SetRegValue(0, key, u"ratio", u"3,5");
  zel::SetRegValue(0, key, u"count", u" -12 items");
  zel::SetRegValue(0, key, u"enabled", u"TRUE");
  out << "GetRegValueAsDouble(ratio \"3,5\") = " << zel::GetRegValueAsDouble(0, key, u"ratio")
      << ", GetRegValueAsInt(count \" -12 items\") = " << zel::GetRegValueAsInt(0, key, u"count")
      << ", GetRegValueAsBoolean(enabled \"TRUE\") = "
      << (zel::GetRegValueAsBoolean(0, key, u"enabled") ? "true" : "false") << "\n";
  zel::TStringList names;
  out << "GetAllRegValueNames: " << zel::GetAllRegValueNames(0, key, names) << " values ("
      << zel::StringToUtf8(names[0]) << ", " << zel::StringToUtf8(names[1]) << ", "
      << zel::StringToUtf8(names[2]) << "), GetRegValue of a missing value: \""
      << zel::StringToUtf8(zel::GetRegValue(0, key, u"missing")) << "\"\n";
  zel::platform::SetVariable("ZEL_STORE_DIR", saved);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

ZEL_TOOL_DEMO(65, "Registry values in the configuration store", DemoReg);

}  // namespace
