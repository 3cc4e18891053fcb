// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/files.h"

#include <cerrno>

namespace zel::platform {

int NativeFileSystem::Status(const std::string&, bool, FileStatus&) { return ENOSYS; }
int NativeFileSystem::StatusOf(int, FileStatus&) { return ENOSYS; }
int NativeFileSystem::List(const std::string&, std::vector<DirEntry>&) { return ENOSYS; }
int NativeFileSystem::Access(const std::string&, int) { return ENOSYS; }
int NativeFileSystem::RealPath(const std::string&, std::string&) { return ENOSYS; }
int NativeFileSystem::CurrentDir(std::string&) { return ENOSYS; }
int NativeFileSystem::OpenRead(const std::string&, int&) { return ENOSYS; }
int NativeFileSystem::Close(int) { return ENOSYS; }
int NativeFileSystem::Read(int, void*, size_t, size_t&) { return ENOSYS; }
int NativeFileSystem::Write(int, const void*, size_t) { return ENOSYS; }
int NativeFileSystem::CopyRange(int, int, size_t, size_t&) { return ENOSYS; }
int NativeFileSystem::Reserve(int, uint64_t) { return ENOSYS; }
int NativeFileSystem::SetMode(int, uint32_t) { return ENOSYS; }
int NativeFileSystem::SetTimes(int, const FileTimeSpec*, const FileTimeSpec*) { return ENOSYS; }
int NativeFileSystem::SetTimes(const std::string&, const FileTimeSpec*, const FileTimeSpec*) { return ENOSYS; }
int NativeFileSystem::Rename(const std::string&, const std::string&) { return ENOSYS; }
int NativeFileSystem::RenameNoReplace(const std::string&, const std::string&) { return ENOSYS; }
int NativeFileSystem::Unlink(const std::string&) { return ENOSYS; }
int NativeFileSystem::RemoveDir(const std::string&) { return ENOSYS; }
int NativeFileSystem::MakeDir(const std::string&, uint32_t) { return ENOSYS; }
int NativeFileSystem::ReadLink(const std::string&, std::string&) { return ENOSYS; }
int NativeFileSystem::MakeSymlink(const std::string&, const std::string&) { return ENOSYS; }
int NativeFileSystem::OpenFolder(const std::string&, bool, int&) { return ENOSYS; }
int NativeFileSystem::OpenFolderAt(int, const std::string&, int&) { return ENOSYS; }
int NativeFileSystem::OpenParent(int, int&) { return ENOSYS; }
int NativeFileSystem::ListAt(int, std::vector<DirEntry>&) { return ENOSYS; }
int NativeFileSystem::StatusAt(int, const std::string&, bool, FileStatus&) { return ENOSYS; }
int NativeFileSystem::OpenReadAt(int, const std::string&, int&) { return ENOSYS; }
int NativeFileSystem::UnlinkAt(int, const std::string&, bool) { return ENOSYS; }
int NativeFileSystem::MakeDirAt(int, const std::string&, uint32_t) { return ENOSYS; }
int NativeFileSystem::RenameAt(int, const std::string&, const std::string&, bool) { return ENOSYS; }
int NativeFileSystem::ReadLinkAt(int, const std::string&, std::string&) { return ENOSYS; }
int NativeFileSystem::MakeSymlinkAt(const std::string&, int, const std::string&) { return ENOSYS; }

FileSystem& NativeFiles() {
  static NativeFileSystem native;
  return native;
}

}  // namespace zel::platform
