// Walking folder trees the way rm -r and cp -r do, so that another process
// changing the tree during the walk cannot lead it outside.
//
// Each folder of a walk is opened once, as a WalkFolder, and everything in it
// is reached through that open folder (FileSystem's *At operations), never by
// resolving a path string again. Symbolic links inside the tree are never
// followed. An entry is opened only as what it was when it was listed: its
// device and inode are read right after the listing, and a sub-folder or
// file opened later must be that same file, else the open fails with
// kEntryReplaced. So a sub-folder swapped for a link to another folder
// between the listing and the descent is not entered, and a file swapped for
// another file (a hard link to one outside the tree) is not read.
//
// Every operation goes through Files(), so tests can substitute a backend
// that changes the tree at the worst moment. A walk holds one descriptor per
// level of depth; a tree deeper than the process's descriptor limit fails
// below that depth with EMFILE.
#pragma once

#include <cerrno>
#include <string>
#include <vector>

#include "zel/export.h"
#include "zel/platform/errors.h"
#include "zel/platform/files.h"

namespace zel::platform {

// The error of an open whose name now stands for a file other than the one
// listed.
inline constexpr int kEntryReplaced = kErrStale;

// One entry of a folder as it was listed.
struct WalkEntry {
  std::string name;  // the entry's name, without folder
  // Its status right after the listing, never following a link (kind
  // kSymlink for a link); kMissing when it vanished in between.
  FileStatus status;
};

// An open folder of a walk. Closes its descriptor when destroyed.
class ZEL_API WalkFolder {
 public:
  WalkFolder() = default;
  ~WalkFolder();
  // Takes the open folder of `other`, which is left closed.
  WalkFolder(WalkFolder&& other) noexcept;
  // Closes this folder and takes the open folder of `other`, which is left
  // closed.
  WalkFolder& operator=(WalkFolder&& other) noexcept;
  WalkFolder(const WalkFolder&) = delete;
  WalkFolder& operator=(const WalkFolder&) = delete;

  // Opens the folder the caller named as `path` (the root of a walk); a
  // final symbolic link is followed when `follow`, else ELOOP. ENOTDIR when
  // `path` is no folder.
  int OpenRoot(const std::string& path, bool follow);
  // Opens the sub-folder `name` of `parent` that was listed with the status
  // `listed` (a WalkEntry's, or the status of an entry renamed since).
  // ENOTDIR when it was no folder; ELOOP or ENOTDIR when it is now a link or
  // a file; kEntryReplaced when it is now another folder.
  int OpenSub(const WalkFolder& parent, const std::string& name, const FileStatus& listed);
  // Opens the sub-folder `name` of `parent`, first making it with the
  // permission bits `mode` (less the umask) when it is missing; `created`
  // tells which. EEXIST when the name is held by anything but a folder (a
  // symbolic link included: it is never followed).
  int MakeSub(const WalkFolder& parent, const std::string& name, uint32_t mode, bool& created);

  // The entries except "." and "..", sorted by the bytes of their names, in
  // `out`. A failed read gives its error with the entries read before it.
  int List(std::vector<WalkEntry>& out) const;
  // Opens the listed entry for reading into `fd` (close it with
  // Files().Close) and stores the status of the opened file in `status`,
  // never following a link: ELOOP for a link, ENOENT when it is gone,
  // kEntryReplaced when the name now stands for another file.
  int OpenFile(const WalkEntry& entry, int& fd, FileStatus& status) const;

  // Sets `within` to whether this folder is `outer` or lies somewhere below
  // it, found by climbing through the parents to the root of the system.
  int IsWithin(const WalkFolder& outer, bool& within) const;

  // Whether a folder is open (a successful Open... and no move since).
  bool IsOpen() const { return fd_ >= 0; }
  // The descriptor, for the FileSystem *At operations on its entries.
  int Fd() const { return fd_; }
  // The folder's status as read when it was opened.
  const FileStatus& Status() const { return status_; }

 private:
  int Adopt(int fd);  // takes fd and reads its status
  void Close();

  int fd_ = -1;
  FileStatus status_;
};

// Sets `within` to whether `path`, or when it does not exist the nearest
// folder above it that exists (as the text of `path` names them), is `outer`
// or lies below it. A destination found inside a source that way would be
// created inside the source.
ZEL_API int PathIsWithin(const std::string& path, const WalkFolder& outer, bool& within);

}  // namespace zel::platform
