// How the library reaches the operating system: one narrow interface per
// concern, one Linux implementation of each, and a switch for tests.
//
// Every concern (files and times, drives, trash, configuration store, process
// and priorities, system information, dialogs, graphics) is an abstract class
// in its own header under zel/platform/, with
//   - `Linux<Concern>()`: the process's real implementation (a function-local
//     static, built on first use);
//   - `<Concern>()` (for example `platform::Files()`): the implementation in
//     force, which is what the modules call;
//   - `Set<Concern>Backend(p)`: installs `p` (nullptr restores the Linux one)
//     and returns the previous one.
// Tests substitute a failing or scripted implementation for a scope with
// ScopedBackend, typically a subclass of the Linux one that overrides a single
// operation (a write that reports ENOSPC, a dialog that answers "cancel").
//
// The switch is process-wide and not synchronised: install backends before
// other threads use the library, as tests do.
#pragma once

namespace zel::platform {

// Holds the implementation in force for one concern.
template <class Interface>
class BackendSlot {
 public:
  explicit BackendSlot(Interface& (*linux_default)()) : linux_default_(linux_default) {}

  Interface& Get() const { return current_ ? *current_ : linux_default_(); }

  // Installs `backend` (nullptr: the Linux implementation); returns the one
  // that was in force before.
  Interface* Set(Interface* backend) {
    Interface* previous = &Get();
    current_ = backend;
    return previous;
  }

 private:
  Interface& (*linux_default_)();
  Interface* current_ = nullptr;
};

// Installs a backend for the lifetime of the guard and puts the previous one
// back afterwards:
//   FailingFiles full_disk;
//   ScopedBackend<FileSystem> guard(&full_disk, &SetFilesBackend);
template <class Interface>
class ScopedBackend {
 public:
  ScopedBackend(Interface* backend, Interface* (*set)(Interface*))
      : set_(set), previous_(set(backend)) {}
  ~ScopedBackend() { set_(previous_); }
  ScopedBackend(const ScopedBackend&) = delete;
  ScopedBackend& operator=(const ScopedBackend&) = delete;

 private:
  Interface* (*set_)(Interface*);
  Interface* previous_;
};

}  // namespace zel::platform
