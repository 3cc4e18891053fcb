#include "zel/platform/scratch.h"

#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "zel/platform/internal/fd_closer.h"

namespace zel::platform {
namespace {

using internal::FdCloser;

}  // namespace

int NativeScratchSpace::MakePrivateFolder(const std::string& parent, const std::string& prefix,
                                         std::string& folder) {
  folder.clear();
  std::string pattern = parent;
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += prefix + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return errno;
  folder = std::move(pattern);
  return 0;
}

int NativeScratchSpace::OpenNamelessFile(const std::string& dir, const std::string& prefix,
                                        int& fd) {
  std::string pattern = dir;
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += prefix + "XXXXXX";
  fd = ::mkstemp(pattern.data());
  if (fd < 0) return errno;
  ::unlink(pattern.c_str());
  return 0;
}

int NativeScratchSpace::CaptureAnonymousFile(
    const std::string& label, const std::function<void(const std::string& path)>& write,
    std::string& bytes) {
  bytes.clear();
  const int fd = ::memfd_create(label.c_str(), MFD_CLOEXEC);
  if (fd < 0) return errno;
  const FdCloser closer{fd};
  write("/proc/self/fd/" + std::to_string(fd));
  char block[65536];
  for (off_t at = 0;;) {
    const ssize_t got = ::pread(fd, block, sizeof block, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    bytes.append(block, static_cast<size_t>(got));
    at += got;
  }
}

ScratchSpace& NativeScratch() {
  static NativeScratchSpace scratch;
  return scratch;
}

}  // namespace zel::platform
