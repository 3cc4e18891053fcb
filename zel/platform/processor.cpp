// CPUID and the time-stamp counter through the compiler's intrinsics; the
// same on Linux and Windows (MinGW-w64 has the same <cpuid.h>).
#include "zel/platform/processor.h"

#if defined(__x86_64__) || defined(__i386__)
#define ZEL_PROCESSOR_X86 1
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace zel::platform {
#if ZEL_PROCESSOR_X86

bool NativeProcessorInstructions::IdInstructionAvailable() {
  constexpr unsigned kIdFlag = 0x200000;
  const auto original = __readeflags();
  __writeeflags(original ^ kIdFlag);
  const auto toggled = __readeflags();
  __writeeflags(original);
  return ((original ^ toggled) & kIdFlag) != 0;
}

CpuIdRegisters NativeProcessorInstructions::CpuId(uint32_t leaf) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid_count(leaf, 0, a, b, c, d);
  return {a, b, c, d};
}

uint64_t NativeProcessorInstructions::TimeStampCounter() { return __rdtsc(); }

#else

bool NativeProcessorInstructions::IdInstructionAvailable() { return false; }
CpuIdRegisters NativeProcessorInstructions::CpuId(uint32_t) { return {}; }
uint64_t NativeProcessorInstructions::TimeStampCounter() { return 0; }

#endif

ProcessorInstructions& NativeProcessor() {
  static NativeProcessorInstructions processor;
  return processor;
}

}  // namespace zel::platform
