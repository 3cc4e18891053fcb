// The desktop's trash: files moved there can be restored from a file
// manager. Linux: the freedesktop.org trash described below. Windows: the
// Recycle Bin (see NativeTrashSystem).
//
// Linux. A file on the same file system as the home trash ($XDG_DATA_HOME/Trash,
// by default ~/.local/share/Trash) goes there. A file on another mount goes
// to that mount's trash: $top/.Trash/$UID when the administrator prepared a
// sticky, non-link $top/.Trash and $UID in it is a real folder owned by the
// caller with no access for others (made on demand, mode 0700), else
// $top/.Trash-$UID (made on demand, mode 0700, and used only when it passes
// the same checks): a folder that another user made or can reach is never
// used, since that user could read, remove or replace what is trashed.
// Each trashed file gets an entry info/NAME.trashinfo holding its original
// path (percent-encoded; relative to $top in a mount's trash) and the
// deletion time (local time, YYYY-MM-DDThh:mm:ss); the entry is created
// exclusively first, so two processes never claim the same NAME, and removed
// again if the move fails. Clashing names get ".2", ".3", ... appended.
// Files are moved by renaming, never copied, so nothing is lost half-way.
//
// Operations return 0 or the errno value of the failure and never raise. The
// implementation in force is Trash(); tests substitute one with
// SetTrashBackend (see backend.h).
#pragma once

#include <cstdint>
#include <string>

#include "zel/export.h"

namespace zel::platform {

// The trash concern: moving a file to the trash.
class ZEL_API TrashSystem {
 public:
  virtual ~TrashSystem();
  // Moves the file, link or directory that `path` designates to the trash:
  // the entry named by its last component (a link itself, never its
  // target) in the folder that the rest designates, which the file system
  // resolves (links and ".." included; a relative path starts at the working
  // folder). `trashed_as` receives its path inside the trash's files/ folder
  // (empty on failure). Returns EINVAL for a path that is empty or ends in
  // '/', "." or "..", EAGAIN when the folder was moved while it was being
  // resolved, the errno value of a missing or unreachable file, EXDEV
  // or EACCES when no trash can take it (its mount has none, and the home
  // trash is on another file system or unusable), else the error of writing
  // the entry or of the rename (the file then stays where it was).
  virtual int MoveToTrash(const std::string& path, std::string& trashed_as) = 0;
  // The home trash folder as the environment names it now:
  // $XDG_DATA_HOME/Trash when that is absolute, else
  // $HOME/.local/share/Trash; empty when HOME is not an absolute path.
  // Windows: empty (each volume keeps its own Recycle Bin).
  virtual std::string HomeTrash() = 0;
};

// Linux: the freedesktop.org trash described above. Windows: the Recycle
// Bin, through SHFileOperationW (delete with undo allowed, no confirmation,
// no messages); the path is made absolute first, and a path of
// MAX_PATH characters or more gives ENAMETOOLONG, since the shell takes no
// longer ones. A file on a network share gives EXDEV (no Recycle Bin there:
// the shell would delete it for good); one that stays in place after the
// operation gives EIO.
class ZEL_API NativeTrashSystem : public TrashSystem {
 public:
  int MoveToTrash(const std::string& path, std::string& trashed_as) override;
  std::string HomeTrash() override;

#ifndef _WIN32
 protected:
  // The top folder of the mount holding the resolved, absolute `folder`,
  // whose entries lie on `device`: its highest ancestor on that device.
  // (Tests take a folder of their own as a mount's top.)
  virtual std::string MountTop(const std::string& folder, uint64_t device);
#endif
};

// The process's native implementation (built on first use).
ZEL_API TrashSystem& NativeTrash();
// The implementation in force, which the modules call.
ZEL_API TrashSystem& Trash();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API TrashSystem* SetTrashBackend(TrashSystem* backend);

}  // namespace zel::platform
