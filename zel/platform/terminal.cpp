#include "zel/platform/terminal.h"

#include <unistd.h>

#include "zel/platform/backend.h"

namespace zel::platform {
namespace {

BackendSlot<TerminalServices>& Slot() {
  static BackendSlot<TerminalServices> slot(&LinuxTerminal);
  return slot;
}

}  // namespace

TerminalServices::~TerminalServices() = default;

bool LinuxTerminalServices::IsTerminal(int fd) { return ::isatty(fd) == 1; }

TerminalServices& LinuxTerminal() {
  static LinuxTerminalServices terminal;
  return terminal;
}

TerminalServices& Terminal() { return Slot().Get(); }

TerminalServices* SetTerminalBackend(TerminalServices* backend) { return Slot().Set(backend); }

}  // namespace zel::platform
