// Stop requests on Windows: console control events, caught with
// SetConsoleCtrlHandler. The system calls the routine on a thread of its own.
#include "zel/platform/interrupt.h"

#include <atomic>

#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {
namespace {

// The handler in force, read by the control routine's thread.
std::atomic<StopRequestHandler> g_handler{nullptr};
static_assert(std::atomic<StopRequestHandler>::is_always_lock_free);
bool g_caught = false;
// Set while caught, reset by Release: a close, log-off or shutdown event
// waits on it (see ConsoleControl).
HANDLE g_released = nullptr;

}  // namespace

BOOL WINAPI NativeInterruptServices::ConsoleControl(DWORD event) {
  const StopRequestHandler handler = g_handler.load();
  if (handler == nullptr) return FALSE;  // not caught: the next routine decides
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      handler();
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The system ends the process as soon as the routine returns: wait
      // until the work has stopped and released, within the few seconds the
      // system grants before it ends the process anyway.
      handler();
      if (g_released != nullptr) ::WaitForSingleObject(g_released, 4000);
      return TRUE;
    default:
      return FALSE;
  }
}

int NativeInterruptServices::Catch(StopRequestHandler handler) {
  g_handler.store(handler);
  if (g_caught) return 0;
  if (g_released == nullptr) {
    g_released = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_released == nullptr) {
      g_handler.store(nullptr);
      return windows::LastErrno();
    }
  }
  ::ResetEvent(g_released);
  if (!::SetConsoleCtrlHandler(&NativeInterruptServices::ConsoleControl, TRUE)) {
    g_handler.store(nullptr);
    return windows::LastErrno();
  }
  g_caught = true;
  return 0;
}

void NativeInterruptServices::Release() {
  if (!g_caught) return;
  ::SetConsoleCtrlHandler(&NativeInterruptServices::ConsoleControl, FALSE);
  g_handler.store(nullptr);
  g_caught = false;
  ::SetEvent(g_released);
}

InterruptServices& NativeInterrupts() {
  static NativeInterruptServices native;
  return native;
}

}  // namespace zel::platform
