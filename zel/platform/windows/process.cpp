// Processor count (GetActiveProcessorCount), process and thread priorities
// (GetPriorityClass/SetPriorityClass, GetThreadPriority/SetThreadPriority)
// and the millisecond tick counter (GetTickCount64).
#include "zel/platform/process.h"

#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {

namespace {

// The snapshot keeps the thread priority with its sign turned round, so that
// a lower `nice` means a higher priority on both systems.
int NiceOfThreadPriority(int priority) { return -priority; }
int ThreadPriorityOfNice(int nice) { return -nice; }

}  // namespace

uint64_t ProcessServices::ProcessId() { return ::GetCurrentProcessId(); }

int NativeProcessServices::ProcessorCount() {
  // Every processor group, not only the one the thread runs in.
  DWORD count = ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  if (count == 0) {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    count = info.dwNumberOfProcessors;
  }
  return count > 0 ? static_cast<int>(count) : 1;
}

PrioritySnapshot NativeProcessServices::SavePriorities() {
  PrioritySnapshot snapshot;
  const int priority = ::GetThreadPriority(::GetCurrentThread());
  if (priority != THREAD_PRIORITY_ERROR_RETURN) snapshot.nice = NiceOfThreadPriority(priority);
  snapshot.policy = static_cast<int>(::GetPriorityClass(::GetCurrentProcess()));
  return snapshot;
}

bool NativeProcessServices::RaisePriorities() {
  const PrioritySnapshot before = SavePriorities();
  // Without the privilege to raise the base priority, Windows grants the
  // high class instead of the real-time one.
  if (before.policy != REALTIME_PRIORITY_CLASS)
    ::SetPriorityClass(::GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  if (before.nice != NiceOfThreadPriority(THREAD_PRIORITY_TIME_CRITICAL))
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  return !(SavePriorities() == before);
}

void NativeProcessServices::RestorePriorities(const PrioritySnapshot& saved) {
  // The thread first, then the process, the reverse order of raising.
  const PrioritySnapshot now = SavePriorities();
  if (now.nice != saved.nice)
    ::SetThreadPriority(::GetCurrentThread(), ThreadPriorityOfNice(saved.nice));
  if (now.policy != saved.policy && saved.policy != 0)
    ::SetPriorityClass(::GetCurrentProcess(), static_cast<DWORD>(saved.policy));
}

uint64_t NativeProcessServices::TickCount() { return ::GetTickCount64(); }

ProcessServices& NativeProcess() {
  static NativeProcessServices native;
  return native;
}

}  // namespace zel::platform
