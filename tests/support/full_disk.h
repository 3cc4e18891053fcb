// Descriptors whose writes fail as on a full disk, for tests of what a failed
// write leaves behind on every system (no file-size limit needed).
#pragma once

#include <cerrno>
#include <cstddef>
#include <functional>

#include "zel/platform/backend.h"
#include "zel/platform/descriptors.h"

namespace zel_test {

// Native descriptors whose writes fail (ENOSPC) once `budget` bytes are
// written, counted over every descriptor.
struct FullDisk : zel::platform::NativeDescriptorServices {
  size_t budget = 0;  // bytes that may still be written
  int WriteSome(int fd, const void* data, size_t len, size_t& written) override {
    written = 0;
    if (budget == 0) return ENOSPC;
    const size_t n = len < budget ? len : budget;
    const int err = NativeDescriptorServices::WriteSome(fd, data, n, written);
    budget -= written;
    return err;
  }
  int WriteAll(int fd, const void* data, size_t len) override {
    if (len > budget) {
      size_t written = 0;
      (void)WriteSome(fd, data, budget, written);
      return ENOSPC;
    }
    budget -= len;
    return NativeDescriptorServices::WriteAll(fd, data, len);
  }
};

// Runs `fn` while writes fail after `bytes`, through substituted descriptors.
inline void WithFullDisk(size_t bytes, const std::function<void()>& fn) {
  FullDisk full;
  full.budget = bytes;
  zel::platform::ScopedBackend<zel::platform::DescriptorServices> guard(
      &full, &zel::platform::SetDescriptorsBackend);
  fn();
}

}  // namespace zel_test
