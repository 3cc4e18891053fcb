#include "zel/platform/process.h"

#include <sched.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace zel::platform {
namespace {

constexpr int kHighestNice = -20;

bool IsRealTime(int policy) {
  policy &= ~SCHED_RESET_ON_FORK;
  return policy == SCHED_FIFO || policy == SCHED_RR;
}

// The calling thread's nice value (PRIO_PROCESS with 0 names the calling
// thread on Linux); -1 is a valid value, so errno tells failure apart.
bool CurrentNice(int& nice) {
  errno = 0;
  const int value = ::getpriority(PRIO_PROCESS, 0);
  if (value == -1 && errno != 0) return false;
  nice = value;
  return true;
}

// The lowest nice value RLIMIT_NICE lets an unprivileged thread take.
int NiceFloor() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NICE, &limit) != 0) return 19;
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 40) return kHighestNice;
  return 20 - static_cast<int>(limit.rlim_cur);
}

}  // namespace

uint64_t ProcessServices::ProcessId() { return static_cast<uint64_t>(::getpid()); }

int NativeProcessServices::ProcessorCount() {
  const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<int>(count) : 1;
}

PrioritySnapshot NativeProcessServices::SavePriorities() {
  PrioritySnapshot snapshot;
  CurrentNice(snapshot.nice);
  const int policy = ::sched_getscheduler(0);
  if (policy >= 0) snapshot.policy = policy;
  struct sched_param param {};
  if (::sched_getparam(0, &param) == 0) snapshot.rt_priority = param.sched_priority;
  return snapshot;
}

bool NativeProcessServices::RaisePriorities() {
  bool raised = false;
  int nice = 0;
  if (CurrentNice(nice) && nice > kHighestNice) {
    if (::setpriority(PRIO_PROCESS, 0, kHighestNice) == 0) {
      raised = true;
    } else {
      const int floor = NiceFloor();
      if (floor < nice && ::setpriority(PRIO_PROCESS, 0, floor) == 0) raised = true;
    }
  }
  const int policy = ::sched_getscheduler(0);
  if (policy >= 0 && !IsRealTime(policy)) {
    struct sched_param param {};
    param.sched_priority = ::sched_get_priority_min(SCHED_FIFO);
    if (::sched_setscheduler(0, SCHED_FIFO, &param) == 0) raised = true;
  }
  return raised;
}

void NativeProcessServices::RestorePriorities(const PrioritySnapshot& saved) {
  struct sched_param param {};
  param.sched_priority = saved.rt_priority;
  const int policy = ::sched_getscheduler(0);
  struct sched_param current {};
  if (policy != saved.policy || ::sched_getparam(0, &current) != 0 ||
      current.sched_priority != saved.rt_priority) {
    ::sched_setscheduler(0, saved.policy, &param);
  }
  int nice = 0;
  if (CurrentNice(nice) && nice != saved.nice) ::setpriority(PRIO_PROCESS, 0, saved.nice);
}

uint64_t NativeProcessServices::TickCount() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

ProcessServices& NativeProcess() {
  static NativeProcessServices linux_process;
  return linux_process;
}

}  // namespace zel::platform
