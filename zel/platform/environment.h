// The process environment, as the library reads it on behalf of its callers.
//
// Linux: reads the C library's `environ` block at the time of the call, so
// variables set with setenv() show up at once. Entries are bytes, normally
// UTF-8; entries without '=' (which a program can leave in its own block) are
// passed on as they are.
// Windows: reads the process's block (GetEnvironmentStringsW) at the time of
// the call, converted from UTF-16 to UTF-8 (a lone surrogate kept as its
// three-byte form), with the hidden entries of the drives' current folders
// ("=C:=C:\...") as they are. Variable names compare without regard to case
// there, so Get("path") finds "Path".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zel/export.h"

namespace zel::platform {

// The environment concern: reading the process's environment block.
class ZEL_API Environment {
 public:
  virtual ~Environment();
  // Every entry of the block ("name=value"), in the block's order.
  virtual std::vector<std::string> Entries() = 0;
  // The value of the variable with exactly this name, if it is set.
  virtual std::optional<std::string> Get(std::string_view name) = 0;
};

// Sets the variable `name` of the process's own environment block to `value`,
// or removes it when `value` is empty (std::nullopt). Returns 0, or the errno
// value of the failure (EINVAL for an empty name or one holding '=', and on
// Windows for text that is not UTF-8). Windows: both the process's block and
// the C runtime's copy (getenv) change; a variable set to the empty text
// stays in the block but leaves the C runtime's copy.
ZEL_API int SetVariable(const std::string& name, const std::optional<std::string>& value);

// The arguments the process was started with, after the program's name, as
// UTF-8 text; `argc` and `argv` are main's. Linux: argv[1..argc-1] as they
// are (bytes, normally UTF-8). Windows: the UTF-16 command line
// (GetCommandLineW, split by CommandLineToArgvW) converted to UTF-8 (lone
// surrogates kept), since main's argv holds the ANSI code page's letters;
// argv as it is when that fails.
ZEL_API std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The process's native implementation (built on first use).
ZEL_API Environment& NativeEnvironment();
// The implementation in force, which the modules call.
ZEL_API Environment& Env();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API Environment* SetEnvironmentBackend(Environment* backend);

}  // namespace zel::platform
