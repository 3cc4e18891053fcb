// The desktop's trash (the freedesktop.org trash): files moved there can be
// restored from a file manager.
//
// A file on the same file system as the home trash ($XDG_DATA_HOME/Trash,
// by default ~/.local/share/Trash) goes there. A file on another mount goes
// to that mount's trash: $top/.Trash/$UID when the administrator prepared a
// sticky, non-link $top/.Trash, else $top/.Trash-$UID (made on demand, mode
// 0700). Each trashed file gets an entry info/NAME.trashinfo holding its
// original path (percent-encoded; relative to $top in a mount's trash) and the
// deletion time (local time, YYYY-MM-DDThh:mm:ss); the entry is created
// exclusively first, so two processes never claim the same NAME, and removed
// again if the move fails. Clashing names get ".2", ".3", ... appended.
// Files are moved by renaming, never copied, so nothing is lost half-way.
//
// Operations return 0 or the errno value of the failure and never raise. The
// implementation in force is Trash(); tests substitute one with
// SetTrashBackend (see backend.h).
#pragma once

#include <string>

#include "zel/runtime/export.h"

namespace zel::platform {

class ZEL_API TrashSystem {
 public:
  virtual ~TrashSystem();
  // Moves the file, link or directory at the absolute `path` to the trash.
  // `trashed_as` receives its path inside the trash's files/ folder.
  virtual int MoveToTrash(const std::string& path, std::string& trashed_as) = 0;
  // The home trash folder as the environment names it now.
  virtual std::string HomeTrash() = 0;
};

class ZEL_API LinuxTrashSystem : public TrashSystem {
 public:
  int MoveToTrash(const std::string& path, std::string& trashed_as) override;
  std::string HomeTrash() override;
};

ZEL_API TrashSystem& LinuxTrash();
ZEL_API TrashSystem& Trash();
ZEL_API TrashSystem* SetTrashBackend(TrashSystem* backend);

}  // namespace zel::platform
