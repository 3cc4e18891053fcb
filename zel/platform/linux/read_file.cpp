#include "zel/platform/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>

#include "zel/platform/internal/fd_closer.h"

namespace zel::internal {

using platform::internal::FdCloser;

bool ReadFileInBlocks(const std::string& path,
                      const std::function<void(const uint8_t* data, size_t len)>& consume) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  FdCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) return false;
  struct stat st {};
  if (::fstat(file.fd, &st) != 0 || S_ISDIR(st.st_mode)) return false;
#if defined(POSIX_FADV_SEQUENTIAL)
  ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kReadFileBlock]);
  if (!block) return false;
  for (;;) {
    const ssize_t n = ::read(file.fd, block.get(), kReadFileBlock);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    consume(block.get(), static_cast<size_t>(n));
  }
}

}  // namespace zel::internal
