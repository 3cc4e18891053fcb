// Registry values and file associations.
//
// Every function works on the configuration store through a TRegistry of its
// own (zel/runtime/registry.h: one SQLite database per root key under
// $XDG_CONFIG_HOME/zel, or $ZEL_STORE_DIR). Root 0 means the default root,
// HKEY_CURRENT_USER. Key paths use '\' between names.
//
// Readers never raise: a missing root, key or value, an invalid key name, or
// a store file that cannot be used (damaged, not a database) gives the empty
// text, 0 or false. SetRegValue raises ERegistryException when the value
// cannot be written.
#pragma once

#include <cstdint>

#include "zel/export.h"
#include "zel/runtime/registry.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/types.h"

namespace zel {

// The value ValueName of the key Key under Root as text: a string or
// expandable string as it is, an integer in decimal, "ERROR (unknown type)"
// for binary data and values of unknown type, the empty text for any other
// type (multi-strings) and for a missing value.
ZEL_API String GetRegValue(HKEY Root, const String& Key, const String& ValueName);
// GetRegValue's text for Root, Key and ValueName read as a decimal integer
// from its first character (ScanTextDecimal: spaces, sign, digits); 0 without
// digits; values beyond the 32-bit range give the nearest limit.
ZEL_API int32_t GetRegValueAsInt(HKEY Root, const String& Key, const String& ValueName);
// GetRegValue's text for Root, Key and ValueName read as a floating-point
// number (ScanTextFPNum with exponent and both "." and "," as decimal
// separator); 0 when it does not start with a number.
ZEL_API double GetRegValueAsDouble(HKEY Root, const String& Key, const String& ValueName);
// True exactly when GetRegValue's text for Root, Key and ValueName is "true" in
// any ASCII case.
ZEL_API bool GetRegValueAsBoolean(HKEY Root, const String& Key, const String& ValueName);
// Writes Text as the string value ValueName of the key Key under Root,
// creating the key and its parents if needed.
ZEL_API void SetRegValue(HKEY Root, const String& Key, const String& ValueName, const String& Text);
// Deletes the key Key under Root with its subkeys and values; false when it
// did not exist.
ZEL_API bool DeleteRegKey(HKEY Root, const String& Key);
// Deletes the value ValueName of the key Key under Root; false when the key
// or the value does not exist.
ZEL_API bool DeleteRegValue(HKEY Root, const String& Key, const String& ValueName);
// True when the key Key exists under Root.
ZEL_API bool RegKeyExists(HKEY Root, const String& Key);
// True when the key Key under Root exists and holds a value named ValueName.
ZEL_API bool RegValueExists(HKEY Root, const String& Key, const String& ValueName);
// Clear List, fill it with the names of the subkeys of the key Key under Root
// (sorted without regard to ASCII case) and return the count; 0 for a missing
// key.
ZEL_API int32_t GetAllRegSubkeys(HKEY Root, const String& Key, TStringList& List);
// Clear List, fill it with the names of the values of the key Key under Root
// (sorted without regard to ASCII case) and return the count; 0 for a missing
// key.
ZEL_API int32_t GetAllRegValueNames(HKEY Root, const String& Key, TStringList& List);

// The command of the program that opens files with the extension (given
// without the dot): first from the desktop's MIME database (the type of the
// extension, then its default program's command line, with field codes such
// as %f kept; see zel/platform/mime.h), otherwise from HKEY_CLASSES_ROOT of
// the store: the default value of ".<ext>\shell\open\command", or, when the
// default value of ".<ext>" names a file type, the default value of
// "<type>\shell\open\command". Empty when neither knows a command; a file
// type without an open command gives the empty text, not the type's name.
ZEL_API String GetProgAssoc(const String& Ext);

}  // namespace zel
