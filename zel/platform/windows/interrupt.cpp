// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/interrupt.h"

#include <cerrno>

namespace zel::platform {

int NativeInterruptServices::Catch(StopRequestHandler) { return ENOSYS; }
void NativeInterruptServices::Release() { }

InterruptServices& NativeInterrupts() {
  static NativeInterruptServices native;
  return native;
}

}  // namespace zel::platform
