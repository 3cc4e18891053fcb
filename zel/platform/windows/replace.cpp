// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/replace.h"

#include <cerrno>

namespace zel::platform {

int NativeReplaceServices::Inspect(int, const std::string&, bool, ReplaceTarget&) { return ENOSYS; }
int NativeReplaceServices::CheckWritable(int, const std::string&, bool) { return ENOSYS; }
int NativeReplaceServices::ReadLink(const std::string&, std::string&) { return ENOSYS; }
int NativeReplaceServices::RandomBytes(void*, size_t) { return ENOSYS; }
int NativeReplaceServices::CreateExclusive(int, const std::string&, uint32_t, int&) { return ENOSYS; }
int NativeReplaceServices::OpenAnonymous(int&) { return ENOSYS; }
int NativeReplaceServices::OpenTruncating(const std::string&, int&) { return ENOSYS; }
int NativeReplaceServices::OpenForRewrite(int, const std::string&, bool, int&) { return ENOSYS; }
int NativeReplaceServices::CopyOver(int, int) { return ENOSYS; }
int NativeReplaceServices::SetOwner(int, uint32_t, uint32_t) { return ENOSYS; }
int NativeReplaceServices::SetMode(int, uint32_t) { return ENOSYS; }
int NativeReplaceServices::Rename(int, const std::string&, const std::string&) { return ENOSYS; }
int NativeReplaceServices::Remove(int, const std::string&) { return ENOSYS; }
int NativeReplaceServices::SyncFolder(int) { return ENOSYS; }
int NativeReplaceServices::SyncFolderNamed(const std::string&) { return ENOSYS; }

ReplaceServices& NativeReplace() {
  static NativeReplaceServices native;
  return native;
}

}  // namespace zel::platform
