// An anonymous pipe as two descriptors of the platform layer (handles on
// Windows), for tests of streams that cannot go back.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#else
#include <unistd.h>
#endif

namespace zel_test {

// Makes a pipe: fds[0] reads what fds[1] writes. True on success; close both
// with zel::platform::Descriptors().Close.
inline bool MakePipe(int fds[2]) {
#ifdef _WIN32
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!::CreatePipe(&read_end, &write_end, nullptr, 1 << 16)) return false;
  fds[0] = static_cast<int>(reinterpret_cast<intptr_t>(read_end));
  fds[1] = static_cast<int>(reinterpret_cast<intptr_t>(write_end));
  return true;
#else
  return ::pipe(fds) == 0;
#endif
}

}  // namespace zel_test
