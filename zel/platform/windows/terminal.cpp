// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/terminal.h"

#include <cerrno>

namespace zel::platform {

bool NativeTerminalServices::IsTerminal(int) { return {}; }

TerminalServices& NativeTerminal() {
  static NativeTerminalServices native;
  return native;
}

}  // namespace zel::platform
