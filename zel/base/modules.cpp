#include "zel/base/modules.h"

#include "zel/base/internal/module_hooks.h"
#include "zel/base/progress.h"

namespace zel {

// ---- progress variables (module Zel_zelbase) -----------------------------------

double ProcStat = 0;
double LastProcStat = 0;
bool AbortMathProc = false;
TMathFeedBackProc MathFeedBackProc = nullptr;

namespace internal {

// The steps of the modules that have nothing to do. These are ordinary
// definitions, not weak ones: the Windows linker resolves a weak definition
// that another object overrides to a wrong address, and a static archive would
// not pull in the object holding the real step. A module that needs a step
// removes its empty one here and defines it in its own sources.
#define ZEL_EMPTY_STEP(name) \
  void name() noexcept {}
ZEL_EMPTY_STEP(StartZelUnivconst)
ZEL_EMPTY_STEP(StartZelZelcolors)
ZEL_EMPTY_STEP(StartZelStreams)
ZEL_EMPTY_STEP(StartZelHtmlsupport)
ZEL_EMPTY_STEP(StartZelDstruct)
ZEL_EMPTY_STEP(StartZelFilesys)
ZEL_EMPTY_STEP(StartZelCpuid)
ZEL_EMPTY_STEP(StopZelUnivconst)
ZEL_EMPTY_STEP(StopZelZelbase)
ZEL_EMPTY_STEP(StopZelZelcolors)
ZEL_EMPTY_STEP(StopZelStringl)
ZEL_EMPTY_STEP(StopZelStreams)
ZEL_EMPTY_STEP(StopZelHtmlsupport)
ZEL_EMPTY_STEP(StopZelDstruct)
ZEL_EMPTY_STEP(StopZelFilesys)
ZEL_EMPTY_STEP(StopZelCpuid)
#undef ZEL_EMPTY_STEP

void StartZelZelbase() noexcept { ProcStat = 0; }

}  // namespace internal

namespace {

using Hook = void (*)() noexcept;

struct ModuleSteps {
  Hook start;
  Hook stop;
};

constexpr ModuleSteps kSteps[kZelModuleCount] = {
    {internal::StartZelUnivconst, internal::StopZelUnivconst},
    {internal::StartZelZelbase, internal::StopZelZelbase},
    {internal::StartZelZelcolors, internal::StopZelZelcolors},
    {internal::StartZelStringl, internal::StopZelStringl},
    {internal::StartZelStreams, internal::StopZelStreams},
    {internal::StartZelHtmlsupport, internal::StopZelHtmlsupport},
    {internal::StartZelDstruct, internal::StopZelDstruct},
    {internal::StartZelFilesys, internal::StopZelFilesys},
    {internal::StartZelCpuid, internal::StopZelCpuid},
};

// Plain constant-initialised state: ready before any constructor runs.
int g_start_count[kZelModuleCount];
int g_stop_count[kZelModuleCount];
uint8_t g_start_log[kZelModuleCount];
int g_start_log_size;
uint8_t g_stop_log[kZelModuleCount];
int g_stop_log_size;

std::vector<std::string> Names(const uint8_t* log, int size) {
  std::vector<std::string> out;
  out.reserve(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i) out.emplace_back(ZelModuleNames[log[i]]);
  return out;
}

#if defined(_WIN32) && !defined(ZEL_STATIC)
}  // namespace

// zel.dll's entry point: Windows calls it once the DLL's own static objects
// are built (for a process attaching, reason 1) and before they are destroyed
// (a process detaching, reason 0), so the modules start after everything they
// use exists, in whatever order the linker laid the objects out.
extern "C" int __stdcall DllMain(void*, unsigned long reason, void*) {
  if (reason == 1) StartModules();
  if (reason == 0) StopModules();
  return 1;
}

namespace {
#else
// The one load-time and unload-time entry of the library.
__attribute__((constructor)) void LoadLibrary() { StartModules(); }
__attribute__((destructor)) void UnloadLibrary() { StopModules(); }
#endif

}  // namespace

void StartModules() noexcept {
  for (int m = 0; m < kZelModuleCount; ++m) {
    if (g_start_count[m] != 0) continue;
    ++g_start_count[m];
    kSteps[m].start();
    g_start_log[g_start_log_size++] = static_cast<uint8_t>(m);
  }
}

void StopModules() noexcept {
  for (int m = kZelModuleCount - 1; m >= 0; --m) {
    if (g_start_count[m] == 0 || g_stop_count[m] != 0) continue;
    ++g_stop_count[m];
    kSteps[m].stop();
    g_stop_log[g_stop_log_size++] = static_cast<uint8_t>(m);
  }
}

std::vector<std::string> ModuleStartOrder() { return Names(g_start_log, g_start_log_size); }
std::vector<std::string> ModuleStopOrder() { return Names(g_stop_log, g_stop_log_size); }

int ModuleStartCount(TZelModule Module) noexcept {
  const int m = static_cast<int>(Module);
  return (m >= 0 && m < kZelModuleCount) ? g_start_count[m] : 0;
}

}  // namespace zel
