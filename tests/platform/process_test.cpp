// The process and processor backends, and the switch that lets tests
// substitute them.
#include "zel/platform/process.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "zel/platform/processor.h"

namespace zel::platform {
namespace {

TEST(ProcessTest, NativeValues) {
  ProcessServices& process = NativeProcess();
#ifdef _WIN32
  // Every processor group counts.
  EXPECT_EQ(process.ProcessorCount(),
            static_cast<int>(::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS)));
#else
  EXPECT_EQ(process.ProcessorCount(), static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)));
#endif
  EXPECT_GE(process.ProcessorCount(), 1);
  EXPECT_GT(process.ProcessId(), 0u);
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

#ifdef _WIN32
// The snapshot holds the priority class and the thread priority (sign turned
// round); raising asks for the real-time class (the high class where that is
// not granted) and the time-critical thread priority.
TEST(ProcessTest, WindowsPriorityFields) {
  ProcessServices& process = NativeProcess();
  const PrioritySnapshot before = process.SavePriorities();
  EXPECT_EQ(before.policy, static_cast<int>(::GetPriorityClass(::GetCurrentProcess())));
  EXPECT_EQ(before.nice, -::GetThreadPriority(::GetCurrentThread()));
  EXPECT_EQ(before.rt_priority, 0);
  {
    RaisedPriorities raised;
    if (raised.Raised()) {
      const DWORD cls = ::GetPriorityClass(::GetCurrentProcess());
      EXPECT_TRUE(cls == REALTIME_PRIORITY_CLASS || cls == HIGH_PRIORITY_CLASS) << cls;
      EXPECT_EQ(::GetThreadPriority(::GetCurrentThread()), THREAD_PRIORITY_TIME_CRITICAL);
    }
  }
  EXPECT_EQ(static_cast<int>(::GetPriorityClass(::GetCurrentProcess())), before.policy);
  EXPECT_EQ(::GetThreadPriority(::GetCurrentThread()), -before.nice);
}

TEST(ProcessTest, WindowsTickCount) {
  const uint64_t before = ::GetTickCount64();
  const uint64_t ticks = NativeProcess().TickCount();
  EXPECT_LE(before, ticks);
  EXPECT_LE(ticks, ::GetTickCount64());
}
#endif

TEST(ProcessTest, SwitchInstallsAndRestoresBackends) {
  struct Fixed : NativeProcessServices {
    int ProcessorCount() override { return 64; }
  } fixed;
  EXPECT_EQ(&Process(), &NativeProcess());
  {
    ScopedBackend<ProcessServices> guard(&fixed, &SetProcessBackend);
    EXPECT_EQ(Process().ProcessorCount(), 64);
    EXPECT_EQ(SetProcessBackend(nullptr), &fixed);  // nullptr: the native one again
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
