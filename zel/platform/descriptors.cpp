#include "zel/platform/descriptors.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "zel/platform/backend.h"

namespace zel::platform {
namespace {

BackendSlot<DescriptorServices>& Slot() {
  static BackendSlot<DescriptorServices> slot(&LinuxDescriptors);
  return slot;
}

}  // namespace

DescriptorServices::~DescriptorServices() = default;

int LinuxDescriptorServices::WriteAll(int fd, const void* data, size_t len) {
  const auto* p = static_cast<const char*>(data);
  while (len > 0) {
    const ssize_t w = ::write(fd, p, len);
    if (w < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += w;
    len -= static_cast<size_t>(w);
  }
  return 0;
}

int LinuxDescriptorServices::Sync(int fd) { return ::fsync(fd) == 0 ? 0 : errno; }

int LinuxDescriptorServices::Close(int fd) { return ::close(fd) == 0 ? 0 : errno; }

int LinuxDescriptorServices::Identify(const std::string& path, FileIdentity& id) {
  id = FileIdentity();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno;
  id.device = static_cast<uint64_t>(st.st_dev);
  id.inode = static_cast<uint64_t>(st.st_ino);
  id.regular = S_ISREG(st.st_mode);
  id.directory = S_ISDIR(st.st_mode);
  return 0;
}

int LinuxDescriptorServices::CheckReadable(const std::string& path) {
  return ::access(path.c_str(), R_OK) == 0 ? 0 : errno;
}

DescriptorServices& LinuxDescriptors() {
  static LinuxDescriptorServices descriptors;
  return descriptors;
}

DescriptorServices& Descriptors() { return Slot().Get(); }

DescriptorServices* SetDescriptorsBackend(DescriptorServices* backend) {
  return Slot().Set(backend);
}

}  // namespace zel::platform
