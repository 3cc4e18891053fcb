// Splitting and matching helpers shared by the path and file functions.
#pragma once

#include <cstddef>
#include <string>

#include "zel/export.h"
#include "zel/runtime/types.h"

namespace zel::internal {

inline bool IsPathSep(Char c) { return c == u'/' || c == u'\\'; }

// Index of the first character of the name part (see paths.h).
size_t NameStart(const String& path);
// Index of the dot that starts the extension of the name part, or npos.
size_t ExtStart(const String& path);

// The separator of the system's own paths: "\\" on Windows, "/" elsewhere.
// kNativeSeps: every separator the system takes.
#ifdef _WIN32
inline constexpr char kNativeSep = '\\';
inline constexpr const char* kNativeSeps = "/\\";
#else
inline constexpr char kNativeSep = '/';
inline constexpr const char* kNativeSeps = "/";
#endif

// The path as the file system takes it: every separator becomes kNativeSep,
// then the runtime's FileNameToPath; "" (which names no file) for a name
// holding U+0000.
std::string NativePath(const String& path);
// kNativeSep appended unless the text is empty or already ends with "/" or
// kNativeSep.
std::string WithSlash(std::string dir);

// Matches a name against a mask of "*" (any run) and "?" (one character),
// ignoring case by the runtime's simple case mapping. "*.*" matches every
// name, with or without a dot, as masks have always done.
ZEL_API bool MatchMask(const String& name, const String& mask);
ZEL_API bool HasWildcards(const String& mask);

}  // namespace zel::internal
