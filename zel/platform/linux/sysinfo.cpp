#include "zel/platform/sysinfo.h"

#include <malloc.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>
#include <system_error>

// The sanitizer runtime's allocator count, present only when it is linked in.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace zel::platform {

namespace {

bool IsDirectory(const char* path) {
  struct stat st;
  return path && path[0] == '/' && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

class NativeSysInfo final : public SystemInfo {
 public:
  std::string SystemDirectory() override { return "/usr/lib"; }
  std::string OsDirectory() override { return "/usr"; }

  std::string TempDirectory() override {
    const char* dir = std::getenv("TMPDIR");
    if (!IsDirectory(dir)) dir = "/tmp";
    char resolved[PATH_MAX];
    if (!realpath(dir, resolved)) return {};
    std::string result = resolved;
    if (result.back() != '/') result.push_back('/');
    return result;
  }

  bool PhysicalMemory(uint64_t& total, uint64_t& available) override {
    total = available = 0;
    std::ifstream in("/proc/meminfo");
    if (!in) return false;
    uint64_t mem_total = 0, mem_available = 0, mem_free = 0, buffers = 0, cached = 0;
    bool have_total = false, have_available = false;
    std::string label;
    uint64_t kib = 0;
    std::string unit;
    while (in >> label >> kib) {
      std::getline(in, unit);
      if (label == "MemTotal:") {
        mem_total = kib;
        have_total = true;
      } else if (label == "MemAvailable:") {
        mem_available = kib;
        have_available = true;
      } else if (label == "MemFree:") {
        mem_free = kib;
      } else if (label == "Buffers:") {
        buffers = kib;
      } else if (label == "Cached:") {
        cached = kib;
      }
    }
    if (!have_total) return false;
    total = mem_total * 1024;
    available = (have_available ? mem_available : mem_free + buffers + cached) * 1024;
    return true;
  }

  int64_t AllocatedBytes() override {
    if (__sanitizer_get_current_allocated_bytes)
      return static_cast<int64_t>(__sanitizer_get_current_allocated_bytes());
    const struct mallinfo2 mi = mallinfo2();
    return static_cast<int64_t>(mi.uordblks + mi.hblkhd);
  }

  void SecureRandom(void* buffer, size_t count) override {
    auto* p = static_cast<unsigned char*>(buffer);
    while (count > 0) {
      const ssize_t n = getrandom(p, count, 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw std::system_error(errno, std::generic_category(), "getrandom");
      }
      p += n;
      count -= static_cast<size_t>(n);
    }
  }
};

}  // namespace

SystemInfo& NativeSystemInfo() {
  static NativeSysInfo info;
  return info;
}

}  // namespace zel::platform
