#include "zel/platform/descriptors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <list>
#include <mutex>

#include "zel/platform/internal/write_all.h"

namespace zel::platform {
namespace {

void Describe(const struct stat& st, FileIdentity& id) {
  id.device = static_cast<uint64_t>(st.st_dev);
  id.inode = static_cast<uint64_t>(st.st_ino);
  id.regular = S_ISREG(st.st_mode);
  id.directory = S_ISDIR(st.st_mode);
  id.size = static_cast<uint64_t>(st.st_size);
}

// The state of a write-function stream: the function. The states of open
// streams stay listed in a list that is never destroyed, so a stream that is
// flushed at exit, after static objects are gone (standard output), still
// finds its state; closing a stream removes its state.
struct WriteCookie {
  WriteFunction write;
};

std::mutex g_cookies_lock;
std::list<WriteCookie>& g_cookies = *new std::list<WriteCookie>;

ssize_t CookieWrite(void* cookie, const char* data, size_t len) {
  const int err = static_cast<WriteCookie*>(cookie)->write(data, len);
  if (err != 0) {
    errno = err;
    return -1;
  }
  return static_cast<ssize_t>(len);
}

int CookieClose(void* cookie) {
  const std::lock_guard<std::mutex> lock(g_cookies_lock);
  g_cookies.remove_if([cookie](const WriteCookie& c) { return &c == cookie; });
  return 0;
}

}  // namespace

int NativeDescriptorServices::OpenFile(const std::string& path, OpenFor how, int& fd) {
  int flags = O_RDONLY;
  switch (how) {
    case OpenFor::kReading:
      flags = O_RDONLY;
      break;
    case OpenFor::kAppending:
      flags = O_WRONLY | O_APPEND;
      break;
    case OpenFor::kWriting:
      flags = O_WRONLY;
      break;
    case OpenFor::kUpdating:
      flags = O_RDWR;
      break;
    case OpenFor::kCreating:
      flags = O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? errno : 0;
}

int NativeDescriptorServices::Read(int fd, void* buffer, size_t len, size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, len);
    if (n >= 0) {
      got = static_cast<size_t>(n);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

int NativeDescriptorServices::Rewind(int fd) {
  const off_t at = ::lseek(fd, 0, SEEK_SET);
  return at == 0 ? 0 : at < 0 ? errno : EIO;
}

int NativeDescriptorServices::Seek(int fd, int64_t offset, SeekFrom from, int64_t& position) {
  const int whence = from == SeekFrom::kStart     ? SEEK_SET
                     : from == SeekFrom::kCurrent ? SEEK_CUR
                                                  : SEEK_END;
  const off_t r = ::lseek(fd, static_cast<off_t>(offset), whence);
  position = r < 0 ? -1 : static_cast<int64_t>(r);
  return r < 0 ? errno : 0;
}

int NativeDescriptorServices::WriteSome(int fd, const void* data, size_t len, size_t& written) {
  written = 0;
  for (;;) {
    const ssize_t n = ::write(fd, data, len);
    if (n >= 0) {
      written = static_cast<size_t>(n);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

int NativeDescriptorServices::Truncate(int fd, uint64_t size) {
  return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int NativeDescriptorServices::WriteAll(int fd, const void* data, size_t len) {
  return internal::WriteAllTo(fd, data, len);
}

int NativeDescriptorServices::Sync(int fd) { return ::fsync(fd) == 0 ? 0 : errno; }

int NativeDescriptorServices::Close(int fd) { return ::close(fd) == 0 ? 0 : errno; }

int NativeDescriptorServices::Identify(const std::string& path, FileIdentity& id) {
  id = FileIdentity();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno;
  Describe(st, id);
  return 0;
}

int NativeDescriptorServices::IdentifyOpen(int fd, FileIdentity& id) {
  id = FileIdentity();
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  Describe(st, id);
  return 0;
}

int NativeDescriptorServices::CheckReadable(const std::string& path) {
  return ::access(path.c_str(), R_OK) == 0 ? 0 : errno;
}

std::FILE* NativeDescriptorServices::OpenWriteFunctionStream(WriteFunction write) {
  WriteCookie* cookie;
  {
    const std::lock_guard<std::mutex> lock(g_cookies_lock);
    cookie = &g_cookies.emplace_back(WriteCookie{write});
  }
  cookie_io_functions_t io{};
  io.write = CookieWrite;
  io.close = CookieClose;
  std::FILE* stream = ::fopencookie(cookie, "w", io);
  if (stream == nullptr) CookieClose(cookie);
  return stream;
}

DescriptorServices& NativeDescriptors() {
  static NativeDescriptorServices descriptors;
  return descriptors;
}

}  // namespace zel::platform
