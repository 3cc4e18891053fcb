// Start-up and shut-down steps of the modules, called by the module sequence
// (zel/base/modules.cpp) in module order.
//
// modules.cpp gives every hook an empty weak definition. A module with work to
// do at start-up or shut-down defines the hook, with exactly this signature,
// in one of its own source files:
//
//   #include "zel/base/internal/module_hooks.h"
//   void zel::internal::StartZelStringl() noexcept { InitScramble(...); }
//
// and that definition replaces the empty one when the library is linked. A
// hook runs at library load, before main and possibly before other dynamic
// initialisation of the library: it may only use constant-initialised data
// and function-local statics, and must not throw.
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
