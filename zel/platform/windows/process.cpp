// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/process.h"

#include <windows.h>

#include <cerrno>

namespace zel::platform {

uint64_t ProcessServices::ProcessId() { return ::GetCurrentProcessId(); }
int NativeProcessServices::ProcessorCount() { return ENOSYS; }
PrioritySnapshot NativeProcessServices::SavePriorities() { return {}; }
bool NativeProcessServices::RaisePriorities() { return {}; }
void NativeProcessServices::RestorePriorities(const PrioritySnapshot&) { }
uint64_t NativeProcessServices::TickCount() { return {}; }

ProcessServices& NativeProcess() {
  static NativeProcessServices native;
  return native;
}

}  // namespace zel::platform
