// Requests to stop: Ctrl-C at a terminal and a request from outside to end
// the process (Linux: the signals SIGINT and SIGTERM; Windows: the console
// control events Ctrl-C, Ctrl-Break, closing the console window, logging off
// and shutting down).
//
// A command that must not be cut off half-way (the tool's tree copy) catches
// them for its run: instead of ending the process, each request calls a plain
// function, which notes it and asks the work to stop; afterwards the previous
// handling is put back. The function runs in the context of a signal handler
// (Linux) or on a thread the system starts for the event (Windows): it may
// only store to lock-free atomics (std::atomic<bool>, the library's
// AbortAnyFileCopying). On Windows the system ends the process once a close,
// log-off or shutdown event has been handled; the routine waits (at most 4
// seconds) for Release first, so the work can stop cleanly. The
// implementation in force is Interrupts(); tests substitute one with
// SetInterruptsBackend (see backend.h).
#pragma once

#include "zel/export.h"

namespace zel::platform {

// What a stop request calls.
using StopRequestHandler = void (*)();

// The interrupt concern.
class ZEL_API InterruptServices {
 public:
  virtual ~InterruptServices();
  // From now on a stop request calls `handler` instead of what it did
  // before (ending the process, by default). Returns 0 or the errno value of
  // the failure (nothing is changed then). Catching again before Release
  // replaces the handler and keeps the handling saved the first time.
  virtual int Catch(StopRequestHandler handler) = 0;
  // Puts back the handling in force before Catch; does nothing when nothing
  // is caught.
  virtual void Release() = 0;
};

// The native implementation. Linux: sigaction for SIGINT and SIGTERM.
// Windows: SetConsoleCtrlHandler adds ConsoleControl and Release removes it.
class ZEL_API NativeInterruptServices : public InterruptServices {
 public:
  int Catch(StopRequestHandler handler) override;
  void Release() override;
#ifdef _WIN32
  // The console control routine Catch installs, public so tests can deliver
  // an `event` (CTRL_C_EVENT, CTRL_CLOSE_EVENT, ...) where no console can
  // raise one. While caught it calls the handler and returns TRUE; otherwise,
  // and for unknown events, FALSE (the next routine, by default ending the
  // process). The types are Windows' BOOL, WINAPI and DWORD, spelled out so
  // this header needs no system header.
  static int __stdcall ConsoleControl(unsigned long event);
#endif
};

// The process's native implementation (built on first use).
ZEL_API InterruptServices& NativeInterrupts();
// The implementation in force, which the tool calls.
ZEL_API InterruptServices& Interrupts();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API InterruptServices* SetInterruptsBackend(InterruptServices* backend);

}  // namespace zel::platform
