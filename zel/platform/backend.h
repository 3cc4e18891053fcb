// How the library reaches the operating system: one narrow interface per
// concern, one implementation of each per operating system, and a switch for
// tests.
//
// The concerns, one header each under zel/platform/:
//   process.h    processor count, saving / raising / restoring the scheduling
//                priorities, the millisecond tick counter (CPU identification);
//   processor.h  the identification instruction (CPUID), whether it exists,
//                and the time-stamp counter (CPU identification);
//   files.h      file attributes, creation / access / write times (files),
//                and the entries of open folders for tree walks, which
//                tree_walk.h builds on (every walker of the library uses it);
//   drives.h     drives as the mount points of the mount table (files);
//   trash.h      moving files to the desktop's trash (files);
//   store.h      the persistent configuration store that stands in for a
//                registry (registry and system information);
//   environment.h, sysinfo.h, network.h  the environment block, the system
//                directories and memory figures, network adapters;
//   fonts.h, glyphs.h, printing.h  finding fonts, drawing their glyphs, and
//                printing (graphics);
//   images.h     the PNG codec (graphics: bitmaps);
//   dialog.h     the file-save dialog (save dialog); its default is headless
//                (scripted answers), the GTK 3 one lives in zel::gtk.
//   scratch.h    private temporary folders and anonymous in-memory files
//                (the tool's intermediate outputs);
//   terminal.h   whether a standard stream is a terminal (the tool's colour);
//   descriptors.h  writing, flushing and closing open descriptors, and the
//                identity of files (the tool's outputs);
//   replace.h    the steps of replacing a whole file: exclusive temporaries,
//                links, modes and owners, rename and folder flushes (the
//                runtime's safe replacement);
//   interrupt.h  catching Ctrl-C and requests to end (the tool's tree copy).
// Besides these, cpu_features.h detects instruction sets once for the
// library's kernel dispatch (it is not a backend: it can only be narrowed),
// and read_file.h reads a whole file in blocks for checksums.
//
// Every concern is an abstract class in its own header, with
//   - `Native<Concern>()`: the process's real implementation (a function-local
//     static, built on first use) for the system the library was built for:
//     the interfaces and their slots are defined in this folder
//     (backends.cpp), the implementations in linux/ or windows/, one file per
//     concern, of which the build compiles one set. Where tests substitute single operations
//     (files, drives, trash, process, processor, fonts, printing, scratch,
//     terminal, descriptors, replace, interrupts) it
//     is an instance of a public class, so a substitute can derive from it
//     and override one operation; the environment, system information,
//     network, MIME and store implementations are private to their source
//     files, and tests redirect them through environment variables instead
//     (the dialog's default is the public HeadlessSaveDialogs); the glyph
//     renderer and the PNG codec are private too, and a substitute derives
//     from the interface;
//   - `<Concern>()` (for example `platform::Files()`): the implementation in
//     force, which is what the modules call;
//   - `Set<Concern>Backend(p)`: installs `p` (nullptr restores the native one)
//     and returns the previous one.
// The modules never call the operating system themselves: every system call
// and system header of the library lives in this folder, and they call
// `<Concern>()`.
//
// This folder is the bottom layer. The folders above it, bottom to top: the
// runtime, the modules in their start-up order (univconst, base, colors,
// stringl, streams, htmlsupport, dstruct, filesys, cpuid), then the tool. A
// folder includes only folders below it; so nothing here includes another
// part of zel but zel/export.h, and the interfaces speak the standard library
// (byte-string paths, error numbers, plain structs). scripts/check_layers
// checks the order.
//
// Tests substitute a failing or scripted implementation for a scope with
// ScopedBackend, typically a subclass of the native one that overrides a single
// operation (a write that reports ENOSPC, a dialog that answers "cancel",
// priorities that may not be raised, a tick counter that a test advances):
//   struct NoRaise : NativeProcessServices {
//     bool RaisePriorities() override { return false; }
//   } no_raise;
//   ScopedBackend<ProcessServices> guard(&no_raise, &SetProcessBackend);
// The substitute must outlive the guard; the guard puts the previous backend
// back when the scope ends, also when a test assertion leaves it early.
//
// The switch is process-wide and not synchronised: install backends before
// other threads use the library, as tests do.
#pragma once

namespace zel::platform {

// Holds the implementation in force for one concern.
template <class Interface>
class BackendSlot {
 public:
  // An empty slot: until Set installs a backend, Get returns what
  // native_default returns (the process's native implementation).
  explicit BackendSlot(Interface& (*native_default)()) : native_default_(native_default) {}

  // The implementation in force: the installed backend, else the native one.
  Interface& Get() const { return current_ ? *current_ : native_default_(); }

  // Installs `backend` (nullptr: the native implementation); returns the one
  // that was in force before.
  Interface* Set(Interface* backend) {
    Interface* previous = &Get();
    current_ = backend;
    return previous;
  }

 private:
  Interface& (*native_default_)();
  Interface* current_ = nullptr;
};

// Installs a backend for the lifetime of the guard and puts the previous one
// back afterwards:
//   FailingFiles full_disk;
//   ScopedBackend<FileSystem> guard(&full_disk, &SetFilesBackend);
template <class Interface>
class ScopedBackend {
 public:
  // Installs backend through set (the concern's Set<Concern>Backend) and
  // keeps the previous one, which the destructor installs again.
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
