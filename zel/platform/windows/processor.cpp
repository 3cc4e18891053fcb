// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/processor.h"

#include <cerrno>

namespace zel::platform {

bool NativeProcessorInstructions::IdInstructionAvailable() { return {}; }
CpuIdRegisters NativeProcessorInstructions::CpuId(uint32_t) { return {}; }
uint64_t NativeProcessorInstructions::TimeStampCounter() { return {}; }

ProcessorInstructions& NativeProcessor() {
  static NativeProcessorInstructions native;
  return native;
}

}  // namespace zel::platform
