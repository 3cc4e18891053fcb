// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/descriptors.h"

#include <cerrno>

namespace zel::platform {

int NativeDescriptorServices::OpenFile(const std::string&, OpenFor, int&) { return ENOSYS; }
int NativeDescriptorServices::Read(int, void*, size_t, size_t&) { return ENOSYS; }
int NativeDescriptorServices::Rewind(int) { return ENOSYS; }
int NativeDescriptorServices::Seek(int, int64_t, SeekFrom, int64_t&) { return ENOSYS; }
int NativeDescriptorServices::WriteSome(int, const void*, size_t, size_t&) { return ENOSYS; }
int NativeDescriptorServices::Truncate(int, uint64_t) { return ENOSYS; }
int NativeDescriptorServices::WriteAll(int, const void*, size_t) { return ENOSYS; }
int NativeDescriptorServices::Sync(int) { return ENOSYS; }
int NativeDescriptorServices::Close(int) { return ENOSYS; }
int NativeDescriptorServices::Identify(const std::string&, FileIdentity&) { return ENOSYS; }
int NativeDescriptorServices::IdentifyOpen(int, FileIdentity&) { return ENOSYS; }
int NativeDescriptorServices::CheckReadable(const std::string&) { return ENOSYS; }
std::FILE* NativeDescriptorServices::OpenWriteFunctionStream(WriteFunction) { return {}; }

DescriptorServices& NativeDescriptors() {
  static NativeDescriptorServices native;
  return native;
}

}  // namespace zel::platform
