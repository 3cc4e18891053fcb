// Closes a descriptor on every way out of a scope, for the platform layer's
// own system calls (code above the platform closes through Descriptors()).
#pragma once

#include <unistd.h>

namespace zel::platform::internal {

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace zel::platform::internal
