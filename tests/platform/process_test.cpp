// The process and processor backends on Linux, and the switch that lets
// tests substitute them.
#include "zel/platform/process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "zel/platform/processor.h"

namespace zel::platform {
namespace {

TEST(ProcessTest, NativeValues) {
  ProcessServices& process = NativeProcess();
  EXPECT_EQ(process.ProcessorCount(), static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)));
  const uint64_t t1 = process.TickCount();
  const uint64_t t2 = process.TickCount();
  EXPECT_LE(t1, t2);
}

// Raising and restoring leaves the thread exactly as it was, whether or not
// raising was permitted; a raise that was permitted shows while it lasts.
TEST(ProcessTest, RaiseThenRestoreIsARoundTrip) {
  ProcessServices& process = NativeProcess();
  const PrioritySnapshot before = process.SavePriorities();
  {
    RaisedPriorities raised;
    const PrioritySnapshot during = process.SavePriorities();
    if (raised.Raised()) {
      EXPECT_TRUE(during.nice < before.nice || during.policy != before.policy);
    } else {
      EXPECT_EQ(during, before);
    }
  }
  EXPECT_EQ(process.SavePriorities(), before);
}

TEST(ProcessTest, SwitchInstallsAndRestoresBackends) {
  struct Fixed : NativeProcessServices {
    int ProcessorCount() override { return 64; }
  } fixed;
  EXPECT_EQ(&Process(), &NativeProcess());
  {
    ScopedBackend<ProcessServices> guard(&fixed, &SetProcessBackend);
    EXPECT_EQ(Process().ProcessorCount(), 64);
    EXPECT_EQ(SetProcessBackend(nullptr), &fixed);  // nullptr: the Linux one again
    EXPECT_EQ(&Process(), &NativeProcess());
    SetProcessBackend(&fixed);
  }
  EXPECT_EQ(&Process(), &NativeProcess());
}

#if defined(__x86_64__)
TEST(ProcessorTest, NativeInstructions) {
  ProcessorInstructions& cpu = NativeProcessor();
  EXPECT_TRUE(cpu.IdInstructionAvailable());
  EXPECT_GE(cpu.CpuId(0).eax, 1u);
  EXPECT_GE(cpu.CpuId(0x80000000u).eax, 0x80000000u);
  EXPECT_NE(cpu.TimeStampCounter(), 0u);
  EXPECT_EQ(&Processor(), &NativeProcessor());
}
#endif

}  // namespace
}  // namespace zel::platform
