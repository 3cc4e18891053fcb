// Start-up and shut-down steps of the modules, called by the module sequence
// (zel/base/modules.cpp) in module order.
//
// Every hook is defined exactly once (no weak definitions: they do not work
// across the objects of a Windows DLL). modules.cpp defines the empty steps. A
// module with work to do at start-up or shut-down removes its empty step there
// and defines the hook, with exactly this signature, in one of its own source
// files:
//
//   #include "zel/base/internal/module_hooks.h"
//   void zel::internal::StartZelStringl() noexcept { InitScramble(...); }
//
// A hook runs at library load, before main and possibly before other dynamic
// initialisation of the library: it may only use constant-initialised data and
// function-local statics, and must not throw.
#pragma once

namespace zel::internal {

void StartZelUnivconst() noexcept;
void StartZelZelbase() noexcept;
void StartZelZelcolors() noexcept;
void StartZelStringl() noexcept;
void StartZelStreams() noexcept;
void StartZelHtmlsupport() noexcept;
void StartZelDstruct() noexcept;
void StartZelFilesys() noexcept;
void StartZelCpuid() noexcept;

void StopZelUnivconst() noexcept;
void StopZelZelbase() noexcept;
void StopZelZelcolors() noexcept;
void StopZelStringl() noexcept;
void StopZelStreams() noexcept;
void StopZelHtmlsupport() noexcept;
void StopZelDstruct() noexcept;
void StopZelFilesys() noexcept;
void StopZelCpuid() noexcept;

}  // namespace zel::internal
