// The terminal on Windows: a console is a character device whose console
// mode can be read; the standard streams are the process's standard handles.
#include "zel/platform/terminal.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {
namespace {

// The handle `fd` stands for: the standard handles for 0, 1 and 2 (which are
// never handle values), else the handle kept in the descriptor.
HANDLE HandleOf(int fd) {
  switch (fd) {
    case kStandardInput:
      return ::GetStdHandle(STD_INPUT_HANDLE);
    case kStandardOutput:
      return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case kStandardError:
      return ::GetStdHandle(STD_ERROR_HANDLE);
    default:
      return windows::HandleFromFd(fd);
  }
}

// The console's code pages before PrepareConsole, put back at exit so the
// console the user goes on working in is as it was.
UINT g_old_output_cp = 0;
UINT g_old_input_cp = 0;

void RestoreCodePages() {
  if (g_old_output_cp != 0) ::SetConsoleOutputCP(g_old_output_cp);
  if (g_old_input_cp != 0) ::SetConsoleCP(g_old_input_cp);
}

}  // namespace

bool NativeTerminalServices::IsTerminal(int fd) {
  const HANDLE h = HandleOf(fd);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
  if (::GetFileType(h) != FILE_TYPE_CHAR) return false;
  DWORD mode = 0;
  return ::GetConsoleMode(h, &mode) != 0;
}

void NativeTerminalServices::PrepareConsole() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  // Without a console (output to a file or a pipe) both calls fail and there
  // is nothing to restore.
  const UINT out_cp = ::GetConsoleOutputCP();
  const UINT in_cp = ::GetConsoleCP();
  if (out_cp != 0 && out_cp != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) g_old_output_cp = out_cp;
  if (in_cp != 0 && in_cp != CP_UTF8 && ::SetConsoleCP(CP_UTF8)) g_old_input_cp = in_cp;
  if (g_old_output_cp != 0 || g_old_input_cp != 0) std::atexit(RestoreCodePages);
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

int NativeTerminalServices::WriteStandard(int fd, const void* data, size_t len) {
  if (fd != kStandardOutput && fd != kStandardError) return EBADF;
  const HANDLE h = HandleOf(fd);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return EBADF;
  // A console takes smaller pieces better.
  return windows::WriteAll(h, data, len, 1u << 20);
}

TerminalServices& NativeTerminal() {
  static NativeTerminalServices native;
  return native;
}

}  // namespace zel::platform
