#include "zel/platform/processor.h"

#if defined(__x86_64__) || defined(__i386__)
#define ZEL_PROCESSOR_X86 1
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace zel::platform {
namespace {

BackendSlot<ProcessorInstructions>& Slot() {
  static BackendSlot<ProcessorInstructions> slot(&LinuxProcessor);
  return slot;
}

}  // namespace

ProcessorInstructions::~ProcessorInstructions() = default;

#if ZEL_PROCESSOR_X86

bool LinuxProcessorInstructions::IdInstructionAvailable() {
  constexpr unsigned kIdFlag = 0x200000;
  const auto original = __readeflags();
  __writeeflags(original ^ kIdFlag);
  const auto toggled = __readeflags();
  __writeeflags(original);
  return ((original ^ toggled) & kIdFlag) != 0;
}

CpuIdRegisters LinuxProcessorInstructions::CpuId(uint32_t leaf) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid_count(leaf, 0, a, b, c, d);
  return {a, b, c, d};
}

uint64_t LinuxProcessorInstructions::TimeStampCounter() { return __rdtsc(); }

#else

bool LinuxProcessorInstructions::IdInstructionAvailable() { return false; }
CpuIdRegisters LinuxProcessorInstructions::CpuId(uint32_t) { return {}; }
uint64_t LinuxProcessorInstructions::TimeStampCounter() { return 0; }

#endif

ProcessorInstructions& LinuxProcessor() {
  static LinuxProcessorInstructions processor;
  return processor;
}

ProcessorInstructions& Processor() { return Slot().Get(); }

ProcessorInstructions* SetProcessorBackend(ProcessorInstructions* backend) {
  return Slot().Set(backend);
}

}  // namespace zel::platform
