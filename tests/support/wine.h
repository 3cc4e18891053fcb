// Whether the test program runs under Wine, for the checks Wine cannot
// pass (names it cannot hold, links it does not make). Always false on Linux.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace zel_test {

// True when the program runs under Wine: its ntdll exports wine_get_version.
inline bool UnderWine() {
#ifdef _WIN32
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

}  // namespace zel_test
