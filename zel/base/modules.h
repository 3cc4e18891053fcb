// Start-up and shut-down of the library's nine modules.
//
// The modules start in this order when the library is loaded and stop in the
// reverse order when it is unloaded: Zel_univconst, Zel_zelbase,
// Zel_zelcolors, Zel_stringl, Zel_streams, Zel_htmlsupport, Zel_dstruct,
// Zel_filesys, Zel_cpuid. A per-module counter makes each start-up step run at
// most once, and each shut-down step at most once and only after its start.
// Visible work: Zel_zelbase sets ProcStat to 0; Zel_stringl prepares the
// string scrambler. Shut-down has no visible effect.
//
// The whole sequence is one explicit function run by a single load-time
// constructor and unload-time destructor of the shared library (modules.cpp);
// there are no other static constructors. A program that links zel
// statically may call StartModules() itself first thing in main (calling it
// again does nothing).
//
// Modules plug their own steps in through zel/base/internal/module_hooks.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zel/export.h"

namespace zel {

// The library's modules, in start order.
enum TZelModule : uint8_t {
  zmUnivconst,
  zmZelbase,
  zmZelcolors,
  zmStringl,
  zmStreams,
  zmHtmlsupport,
  zmDstruct,
  zmFilesys,
  zmCpuid
};
inline constexpr int kZelModuleCount = 9;  // Number of modules (values of TZelModule).

// Module names in start order, indexed by TZelModule.
inline constexpr std::array<std::string_view, kZelModuleCount> ZelModuleNames = {
    "Zel_univconst",   "Zel_zelbase", "Zel_zelcolors", "Zel_stringl", "Zel_streams",
    "Zel_htmlsupport", "Zel_dstruct", "Zel_filesys",   "Zel_cpuid"};

// Runs the start-up steps that have not run yet, in module order.
ZEL_API void StartModules() noexcept;
// Runs the shut-down steps of started modules that have not stopped yet, in
// reverse module order.
ZEL_API void StopModules() noexcept;

// Names of the modules started so far, in the order they started.
ZEL_API std::vector<std::string> ModuleStartOrder();
// Names of the modules stopped so far, in the order they stopped.
ZEL_API std::vector<std::string> ModuleStopOrder();
// How often the module's start-up step has run (0 or 1).
ZEL_API int ModuleStartCount(TZelModule Module) noexcept;

}  // namespace zel
