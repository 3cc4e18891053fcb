// The terminal: whether a standard stream of the process is one.
//
// The tool asks it before it colours its output, so that colour codes reach
// a person at a terminal and never a file or a pipe. The implementation in
// force is Terminal(); tests substitute one with SetTerminalBackend (see
// backend.h).
#pragma once

#include "zel/export.h"

namespace zel::platform {

// The descriptor of standard input.
inline constexpr int kStandardInput = 0;
// The descriptor of standard output.
inline constexpr int kStandardOutput = 1;
// The descriptor of standard error.
inline constexpr int kStandardError = 2;

// The terminal concern.
class ZEL_API TerminalServices {
 public:
  virtual ~TerminalServices();
  // Whether the open descriptor `fd` (kStandardOutput, for example) refers to
  // a terminal; false for a file, a pipe, or a descriptor that is not open.
  virtual bool IsTerminal(int fd) = 0;
};

// The Linux implementation (isatty).
class ZEL_API NativeTerminalServices : public TerminalServices {
 public:
  bool IsTerminal(int fd) override;
};

// The process's native implementation (built on first use).
ZEL_API TerminalServices& NativeTerminal();
// The implementation in force, which the tool calls.
ZEL_API TerminalServices& Terminal();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API TerminalServices* SetTerminalBackend(TerminalServices* backend);

}  // namespace zel::platform
