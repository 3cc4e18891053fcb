#include "zel/platform/terminal.h"

#include <unistd.h>

#include <cerrno>

namespace zel::platform {
bool NativeTerminalServices::IsTerminal(int fd) { return ::isatty(fd) == 1; }

void NativeTerminalServices::PrepareConsole() {}

int NativeTerminalServices::WriteStandard(int fd, const void* data, size_t len) {
  if (fd != kStandardOutput && fd != kStandardError) return EBADF;
  const char* p = static_cast<const char*>(data);
  while (len > 0) {
    const ssize_t n = ::write(fd, p, len);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    p += n;
    len -= static_cast<size_t>(n);
  }
  return 0;
}

TerminalServices& NativeTerminal() {
  static NativeTerminalServices terminal;
  return terminal;
}

}  // namespace zel::platform
