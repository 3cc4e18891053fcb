// The running process as the operating system sees it: how many processors
// it may run on, its scheduling priority, and a millisecond tick counter.
//
// The clock measurement of the CPU identification module uses all three: it
// raises the priority so that nothing else runs while it counts processor
// cycles against the tick counter, and puts the priority back afterwards.
//
// On Linux:
//   - ProcessorCount() is the number of processors online
//     (sysconf(_SC_NPROCESSORS_ONLN)), what /proc/cpuinfo lists; at least 1.
//   - Scheduling priority belongs to each thread, not to the process, so the
//     priority operations act on the calling thread (the one that measures)
//     and leave the rest of the process alone. A snapshot holds the thread's
//     nice value and its scheduling policy with its static priority.
//     RaisePriorities() asks for the lowest nice value the thread may take
//     (-20, or the floor RLIMIT_NICE allows) and for the first-in-first-out
//     real-time policy at its lowest real-time priority: enough for no
//     ordinary task to preempt the thread, while the kernel's own real-time
//     threads (interrupt handlers, watchdogs) still run, and the kernel's
//     real-time throttling still bounds a long spin. Whatever the thread is
//     not permitted is left as it was; that is not an error.
//     RestorePriorities() puts the policy back first, then the nice value.
//   - TickCount() counts milliseconds of the monotonic clock (time since
//     boot, unaffected by changes of the wall clock); it is 64 bits wide and
//     does not wrap.
//
// On Windows:
//   - ProcessorCount() counts the active processors of every processor group
//     (GetActiveProcessorCount; GetSystemInfo's count if that fails).
//   - Priorities belong to the process (its priority class) and to each
//     thread (its priority within the class). A snapshot holds the class
//     (GetPriorityClass) in `policy` and the calling thread's priority
//     (GetThreadPriority) with its sign turned round in `nice`, so that a
//     lower value means a higher priority as on Linux; `rt_priority` is 0.
//     RaisePriorities() asks for the real-time class (Windows grants the high
//     class to a process without the privilege to raise its base priority)
//     and the time-critical thread priority; the class change affects the
//     whole process while it lasts. RestorePriorities() puts the thread
//     priority back first, then the class.
//   - TickCount() is GetTickCount64: milliseconds since the system started.
//
// The backend in force is Process(); tests install another one with
// SetProcessBackend or ScopedBackend (see backend.h), for instance one whose
// priorities cannot be raised or whose tick counter the test advances.
#pragma once

#include <cstdint>

#include "zel/platform/backend.h"
#include "zel/export.h"

namespace zel::platform {

// The scheduling state that SavePriorities() records and RestorePriorities()
// puts back, as described above for each system; a substitute backend may
// use the fields as it likes.
struct PrioritySnapshot {
  // Linux: nice value, -20 (highest priority) .. 19; Windows: the thread
  // priority negated, -15 (time-critical) .. 15 (idle).
  int nice = 0;
  // Linux: scheduling policy (SCHED_OTHER, SCHED_FIFO, ...); Windows: the
  // process's priority class (NORMAL_PRIORITY_CLASS, ...).
  int policy = 0;
  int rt_priority = 0;  // Linux: static priority of a real-time policy, else 0; Windows: 0
  // Equal when all three fields are equal.
  bool operator==(const PrioritySnapshot&) const = default;
};

// The process concern: processor count, priorities and the tick counter.
class ZEL_API ProcessServices {
 public:
  virtual ~ProcessServices();

  // Number of processors the operating system reports (at least 1).
  virtual int ProcessorCount() = 0;

  // The current priorities of the calling thread.
  virtual PrioritySnapshot SavePriorities() = 0;
  // Raises the calling thread's priorities as far as permitted (real-time
  // where allowed); true when anything was raised, false when nothing was
  // permitted. Never raises an exception.
  virtual bool RaisePriorities() = 0;
  // Puts back `saved`, what SavePriorities() returned: on Linux the thread's
  // policy first, then its nice value; on Windows the thread priority first,
  // then the process's class; each only when it differs from the current
  // one. A change that is refused is skipped silently. Never raises an
  // exception.
  virtual void RestorePriorities(const PrioritySnapshot& saved) = 0;

  // Milliseconds since an arbitrary fixed start, monotonic.
  virtual uint64_t TickCount() = 0;

  // The operating system's number of this process (getpid on Linux,
  // GetCurrentProcessId on Windows).
  virtual uint64_t ProcessId();
};

// The implementation described above for each system.
class ZEL_API NativeProcessServices : public ProcessServices {
 public:
  int ProcessorCount() override;
  PrioritySnapshot SavePriorities() override;
  bool RaisePriorities() override;
  void RestorePriorities(const PrioritySnapshot& saved) override;
  uint64_t TickCount() override;
};

// The process's one NativeProcessServices.
ZEL_API ProcessServices& NativeProcess();
// The implementation in force (the native one unless a test installed another).
ZEL_API ProcessServices& Process();
// Installs `backend` (nullptr: the native one); returns the previous one.
ZEL_API ProcessServices* SetProcessBackend(ProcessServices* backend);

// Saves the calling thread's priorities, raises them as far as permitted, and
// restores them when the guard goes out of scope, also when an exception
// passes. Uses the backend in force when the guard is made.
class ZEL_API RaisedPriorities {
 public:
  RaisedPriorities();
  ~RaisedPriorities();
  RaisedPriorities(const RaisedPriorities&) = delete;
  RaisedPriorities& operator=(const RaisedPriorities&) = delete;

  // True when anything could be raised.
  bool Raised() const { return raised_; }

 private:
  ProcessServices& process_;
  PrioritySnapshot saved_;
  bool raised_;
};

}  // namespace zel::platform
