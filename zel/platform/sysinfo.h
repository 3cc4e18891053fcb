// System directories, memory figures and the operating system's random
// source.
//
// Linux equivalents of the directories other desktop systems report:
//   - system directory: "/usr/lib", where the system's shared libraries live;
//   - operating-system directory: "/usr", the read-only tree the system
//     installs its programs, libraries and data in;
//   - temporary directory: $TMPDIR when it names an existing directory,
//     otherwise "/tmp", resolved to its canonical form (links and "."/".."
//     removed) and ending in '/'; empty when neither exists.
// Physical memory comes from /proc/meminfo (MemTotal and MemAvailable; on
// kernels without MemAvailable, MemFree + Buffers + Cached). Allocated bytes
// are what the program's allocator has handed out and not yet taken back
// (glibc's mallinfo2: in-use arena bytes plus mapped blocks; under the
// address sanitizer, its own allocator's count).
//
// Windows: the system directory is GetSystemDirectoryW's, the
// operating-system directory GetWindowsDirectoryW's (both without trailing
// '\'); the temporary directory is GetTempPathW's (from TMP, TEMP or
// USERPROFILE) in its long form (GetLongPathNameW) ending in '\', empty when
// that folder does not exist. Physical memory comes from GlobalMemoryStatusEx
// (ullTotalPhys, ullAvailPhys); allocated bytes are the busy blocks of the C
// runtime's heap, which malloc and operator new draw from; the random source
// is BCryptGenRandom with the system's preferred generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "zel/export.h"

namespace zel::platform {

// The system-information concern: directories, memory and randomness.
class ZEL_API SystemInfo {
 public:
  virtual ~SystemInfo();
  // The system directory ("/usr/lib" on Linux, "C:\Windows\system32" on
  // Windows), without trailing separator.
  virtual std::string SystemDirectory() = 0;
  // The operating-system directory ("/usr" on Linux, "C:\Windows" on
  // Windows), without trailing separator.
  virtual std::string OsDirectory() = 0;
  // The temporary directory as described above, canonical and ending in
  // '/' ('\' on Windows); empty when no such folder exists.
  virtual std::string TempDirectory() = 0;
  // Total and available physical memory in bytes; false (both 0) when the
  // figures cannot be read.
  virtual bool PhysicalMemory(uint64_t& total, uint64_t& available) = 0;
  // Bytes the program's allocator has handed out and not yet taken back, as
  // described above.
  virtual int64_t AllocatedBytes() = 0;
  // Fills all `count` bytes of `buffer` from the kernel's cryptographically secure source
  // (getrandom; BCryptGenRandom on Windows, which reports EIO); throws std::system_error holding the error number when the
  // kernel refuses (the runtime reports that as its input/output error).
  virtual void SecureRandom(void* buffer, size_t count) = 0;
};

// The process's native implementation (built on first use).
ZEL_API SystemInfo& NativeSystemInfo();
// The implementation in force, which the modules call.
ZEL_API SystemInfo& SysInfo();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API SystemInfo* SetSystemInfoBackend(SystemInfo* backend);

}  // namespace zel::platform
