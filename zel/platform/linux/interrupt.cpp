#include "zel/platform/interrupt.h"

#include <signal.h>

#include <atomic>
#include <cerrno>

namespace zel::platform {
namespace {

// The handler in force, read in the signal handler.
std::atomic<StopRequestHandler> g_handler{nullptr};
static_assert(std::atomic<StopRequestHandler>::is_always_lock_free);

// The handling of SIGINT and SIGTERM before Catch, while caught.
struct sigaction g_old_int {};
struct sigaction g_old_term {};
bool g_caught = false;

void OnSignal(int) {
  if (const StopRequestHandler handler = g_handler.load()) handler();
}

}  // namespace

int NativeInterruptServices::Catch(StopRequestHandler handler) {
  g_handler.store(handler);
  if (g_caught) return 0;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  ::sigemptyset(&sa.sa_mask);
  struct sigaction old_int {}, old_term {};
  if (::sigaction(SIGINT, &sa, &old_int) != 0) return errno;
  if (::sigaction(SIGTERM, &sa, &old_term) != 0) {
    const int err = errno;
    ::sigaction(SIGINT, &old_int, nullptr);
    return err;
  }
  g_old_int = old_int;
  g_old_term = old_term;
  g_caught = true;
  return 0;
}

void NativeInterruptServices::Release() {
  if (!g_caught) return;
  ::sigaction(SIGINT, &g_old_int, nullptr);
  ::sigaction(SIGTERM, &g_old_term, nullptr);
  g_caught = false;
}

InterruptServices& NativeInterrupts() {
  static NativeInterruptServices interrupts;
  return interrupts;
}

}  // namespace zel::platform
