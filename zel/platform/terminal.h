// The terminal and the standard streams: whether a standard stream of the
// process is a terminal, getting the streams ready for byte-exact UTF-8 output,
// and writing to standard output and standard error.
//
// The tool asks IsTerminal before it colours its output, so that colour codes
// reach a person at a terminal and never a file or a pipe. The implementation
// in force is Terminal(); tests substitute one with SetTerminalBackend (see
// backend.h).
#pragma once

#include <cstddef>

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
  // Linux: isatty. Windows: 0, 1 and 2 name the standard handles, any other
  // value a handle; a terminal is a character device that is a console
  // (GetFileType and GetConsoleMode), so the NUL device is none.
  virtual bool IsTerminal(int fd) = 0;
  // Gets the standard streams ready for a program that reads and writes bytes
  // and prints UTF-8 text; called once at start, before any input or output.
  // Linux: nothing to do. Windows: the console's output and input code pages
  // become UTF-8 (the previous ones come back at exit), and the C library's
  // standard input, output and error stop translating line ends and ^Z
  // (binary mode), so "-" reads and writes exactly the bytes given.
  virtual void PrepareConsole() = 0;
  // Writes all `len` bytes at `data` to the standard stream `fd`
  // (kStandardOutput or kStandardError), going on after interrupted and
  // partial writes. Returns 0 or the errno value of the failure (EBADF for
  // another descriptor or a stream that is not open, EIO when the system
  // writes nothing). Linux: write. Windows: WriteFile on the standard handle.
  virtual int WriteStandard(int fd, const void* data, size_t len) = 0;
};

// The native implementation (see the operations for each system).
class ZEL_API NativeTerminalServices : public TerminalServices {
 public:
  bool IsTerminal(int fd) override;
  void PrepareConsole() override;
  int WriteStandard(int fd, const void* data, size_t len) override;
};

// The process's native implementation (built on first use).
ZEL_API TerminalServices& NativeTerminal();
// The implementation in force, which the tool calls.
ZEL_API TerminalServices& Terminal();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API TerminalServices* SetTerminalBackend(TerminalServices* backend);

}  // namespace zel::platform
