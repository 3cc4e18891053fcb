// Replacing a whole file so that it is never left half-written.
//
// Every function of the library that writes a whole file (saving a grid, a
// string list, a colour array, a matrix, repairing a text file in place) goes
// through TSafeFileStream. It writes the new contents to a temporary file and
// puts them in place only when they are complete:
//
//   - The temporary is created exclusively (O_EXCL, never following a link
//     planted under its name) in the target's own folder, named
//     ".<name>.tmp-XXXXXX", so the final rename stays within one file system.
//   - Commit() flushes the data (fsync when an earlier version exists, so a
//     crash leaves either the old or the new contents), then renames the
//     temporary over the target. Destroying the stream without Commit(), or
//     any failure on the way, removes the temporary and leaves the target as it
//     was.
//   - A target that exists keeps its permission bits, and its owner and group
//     where the process may set them. A new file gets 0666 less the umask, as
//     any newly created file does.
//   - A file the process may not write (a read-only file) is refused with the
//     create error, as opening it for writing would be.
//   - A symbolic link is followed: the file it names is replaced and the link
//     stays a link.
//   - A regular file with several hard links is rewritten in place once the new
//     contents are complete, so all its names keep sharing one file. Only a
//     failure during that final copy (a full disk when the file grows) can
//     leave it damaged; the error is raised.
//   - A target that is not a regular file (/dev/null, a FIFO, a terminal), and
//     a name that stands for an open descriptor (/dev/stdout, /proc/self/fd/N,
//     even when redirected to a regular file), is opened and written
//     directly; it is never replaced.
//   - The temporary of an existing file is created readable by its owner
//     only and takes the file's mode and owner before anything is written.
//   - The name becomes a path through FileNameToPath: a name holding U+0000
//     is refused (EINVAL) instead of naming a shorter path.
//   - When the target's folder does not let us create the temporary but the
//     existing file itself is writable, the file is rewritten in place as with
//     hard links.
//
// On Windows the same holds with its own means: the temporary takes the place
// of an existing file through ReplaceFileW, which keeps its owner and access
// list, and the file's hidden, system and archive attributes are carried
// over; the mode is the read-only attribute, and a read-only file is refused
// for every account; a file that another program holds open without delete
// sharing is not replaced (Commit() raises, the file and its contents stay);
// names may use "\" or "/", and NUL, CON and the like are written directly.
//
// Errors: EFCreateError ("Cannot create file "<name>". <reason>") when neither
// the temporary nor the target can be opened (a missing folder, no
// permission, a directory under that name); EWriteError ("Stream write error")
// for a write that does not complete, and ("Cannot write file "<name>".
// <reason>") when flushing or renaming fails in Commit().
#pragma once

#include <functional>
#include <string>

#include "zel/runtime/stream.h"

namespace zel::platform {
struct ReplaceTarget;
}  // namespace zel::platform

namespace zel {

// A write-only stream that replaces a whole file on Commit(), as described
// above.
class ZEL_API TSafeFileStream : public THandleStream {
 public:
  // Opens the temporary for the file FileName (or, for devices and FIFOs, the
  // target itself).
  explicit TSafeFileStream(const String& FileName);
  // The same for FileName without raising: ErrorCode receives 0, or the errno value that
  // the create error would report (EINVAL for a name holding U+0000), and the
  // stream then writes nothing (Handle() < 0).
  TSafeFileStream(const String& FileName, int& ErrorCode);
  // The same for the entry Name of the open folder Folder (a descriptor the
  // caller keeps open while the stream lives), as tree copies write: the
  // temporary is made in that folder and renamed over Name there, and Name
  // is never followed. A symbolic link under Name is refused (ELOOP), as are
  // a folder (EISDIR) and any other entry that is not a regular file
  // (EEXIST): nothing but a regular file is ever replaced or written, and a
  // file with several hard links is replaced under Name, never rewritten in
  // place, so its other names (maybe outside Folder) keep their contents. Name is
  // one entry name (EINVAL for "", ".", ".." or a name holding "/").
  // ErrorCode receives 0 or the errno value, as for the form above.
  TSafeFileStream(int Folder, const String& Name, int& ErrorCode);
  // Without Commit(): removes the temporary; the target is untouched.
  ~TSafeFileStream() override;

  TSafeFileStream(const TSafeFileStream&) = delete;
  TSafeFileStream& operator=(const TSafeFileStream&) = delete;

  // Makes the written contents the file's contents. Raises EWriteError on
  // failure, after removing the temporary. Calling it twice does nothing.
  void Commit();
  // Commit without raising: 0, or the errno value of the failure (the
  // temporary is then removed and the target left as it was).
  int TryCommit() noexcept;

  bool Committed() const noexcept { return committed_; }          // True once Commit() succeeded.
  const String& FileName() const noexcept { return file_name_; }  // The target's name as given.
  // True when the target is written directly (device, FIFO, terminal) rather
  // than through a temporary.
  bool WritesDirectly() const noexcept { return mode_ == Mode::kDirect; }
  // Hands the file over to a writer that opens it by name (the Windows print
  // spooler, which cannot share it with the stream): closes the stream's
  // handle and returns the native path to write, the temporary's (within the
  // folder for a stream on an entry of an open folder) or the target's for
  // one written directly. The stream writes nothing more; Commit() puts what
  // the writer wrote in place (flushed to the disk first when it replaces an
  // earlier file), destruction without Commit() removes it. Empty, and nothing
  // changes, when the contents go to a file without a name (a file rewritten
  // in place), once committed, or when the handle cannot be closed.
  std::string HandOver();

  String ClassName() const override;

 private:
  enum class Mode : uint8_t { kReplace, kRewriteInPlace, kDirect };

  int Open();          // 0 or errno
  int OpenInFolder();  // the same for an entry of folder_
  int MakeTemporary(const platform::ReplaceTarget& existing);
  void Discard() noexcept;

  String file_name_;
  std::string target_;  // the path finally written (symbolic links resolved)
  std::string temp_;    // the temporary's path; empty in direct mode
  int folder_ = -1;     // the open folder of Name (the caller's); -1 for a path
  Mode mode_ = Mode::kReplace;
  bool existed_ = false;
  bool committed_ = false;
  bool handed_over_ = false;  // a writer of its own writes the file (HandOver)
};

// Writes the whole file FileName through a TSafeFileStream: calls Write with the stream,
// then commits. An exception from Write removes the temporary and passes on.
ZEL_API void SafeReplaceFile(const String& FileName, const std::function<void(TStream&)>& Write);

}  // namespace zel
