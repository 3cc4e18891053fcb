// Writing every byte to a descriptor (Linux): the one loop that the files,
// descriptors and terminal concerns share.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace zel::platform::internal {

// Writes all `len` bytes of `data` to `fd`, looping over short writes and
// interruptions; 0, or the first error (a write of nothing gives EIO).
inline int WriteAllTo(int fd, const void* data, size_t len) {
  const auto* p = static_cast<const char*>(data);
  while (len > 0) {
    const ssize_t n = ::write(fd, p, len);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    p += n;
    len -= static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace zel::platform::internal
