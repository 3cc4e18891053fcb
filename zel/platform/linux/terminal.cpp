#include "zel/platform/terminal.h"

#include <unistd.h>

#include <cerrno>

#include "zel/platform/internal/write_all.h"

namespace zel::platform {
bool NativeTerminalServices::IsTerminal(int fd) { return ::isatty(fd) == 1; }

void NativeTerminalServices::PrepareConsole() {}

int NativeTerminalServices::WriteStandard(int fd, const void* data, size_t len) {
  if (fd != kStandardOutput && fd != kStandardError) return EBADF;
  return internal::WriteAllTo(fd, data, len);
}

TerminalServices& NativeTerminal() {
  static NativeTerminalServices terminal;
  return terminal;
}

}  // namespace zel::platform
