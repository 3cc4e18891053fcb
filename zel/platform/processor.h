// The processor's identification instruction (CPUID) and its time-stamp
// counter, the two instructions the CPU identification module is built on.
//
// On x86-64 (Linux and Windows alike, through the compiler's intrinsics):
//   - IdInstructionAvailable() is true when bit 21 (the ID flag, 0x200000)
//     of the flags register can be toggled, which is how a processor
//     announces CPUID. Every x86-64 processor has it; the check is kept
//     because it is what the identification functions rely on, and because
//     a substitute backend can answer false.
//   - CpuId(leaf) executes CPUID with EAX = leaf and ECX = 0 (sub-leaf 0, so
//     the leaves that take a sub-leaf answer reproducibly) and returns EAX,
//     EBX, ECX and EDX as the instruction leaves them. It does not check the
//     leaf: a leaf above the processor's highest answers whatever the
//     processor answers for it.
//   - TimeStampCounter() reads the 64-bit time-stamp counter (RDTSC), which
//     counts at a constant rate on current processors.
// On other processors the identification instruction is absent and every
// value is 0.
//
// The backend in force is Processor(); tests install another one with
// SetProcessorBackend or ScopedBackend (see backend.h), for instance one that
// answers scripted leaves: a processor without CPUID, a brand name padded
// with spaces, a signature of 0.
#pragma once

#include <cstdint>

#include "zel/platform/backend.h"
#include "zel/export.h"

namespace zel::platform {

// The four registers one execution of CPUID leaves behind.
struct CpuIdRegisters {
  uint32_t eax = 0;  // EAX after the instruction
  uint32_t ebx = 0;  // EBX after the instruction
  uint32_t ecx = 0;  // ECX after the instruction
  uint32_t edx = 0;  // EDX after the instruction
  // Equal when all four registers are equal.
  bool operator==(const CpuIdRegisters&) const = default;
};

// The processor concern: the identification instruction and the time-stamp
// counter.
class ZEL_API ProcessorInstructions {
 public:
  virtual ~ProcessorInstructions();

  // True when the processor has the CPUID instruction.
  virtual bool IdInstructionAvailable() = 0;
  // One execution of CPUID for `leaf` (sub-leaf 0). Callers check
  // IdInstructionAvailable() and the highest leaf first.
  virtual CpuIdRegisters CpuId(uint32_t leaf) = 0;
  // The time-stamp counter, in processor cycles since an arbitrary start.
  virtual uint64_t TimeStampCounter() = 0;
};

// The implementation described above.
class ZEL_API NativeProcessorInstructions : public ProcessorInstructions {
 public:
  bool IdInstructionAvailable() override;
  CpuIdRegisters CpuId(uint32_t leaf) override;
  uint64_t TimeStampCounter() override;
};

// The process's one NativeProcessorInstructions.
ZEL_API ProcessorInstructions& NativeProcessor();
// The implementation in force (the real one unless a test installed another).
ZEL_API ProcessorInstructions& Processor();
// Installs `backend` (nullptr: the real one); returns the previous one.
ZEL_API ProcessorInstructions* SetProcessorBackend(ProcessorInstructions* backend);

}  // namespace zel::platform
