#include "zel/platform/terminal.h"

#include <unistd.h>

namespace zel::platform {
bool NativeTerminalServices::IsTerminal(int fd) { return ::isatty(fd) == 1; }

TerminalServices& NativeTerminal() {
  static NativeTerminalServices terminal;
  return terminal;
}

}  // namespace zel::platform
