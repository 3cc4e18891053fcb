// Files and directories: copying single files and whole trees with progress
// callbacks and a shared abort switch, deleting files and trees, moving files
// to the desktop's trash, scanning and counting files that match a mask,
// finding a file in a tree, changing the letter case of names, folder tests,
// file sizes and the three time stamps.
//
// Paths. "\" and "/" both separate folders (see paths.h); paths handed to
// the file system use "/". Names are UTF-8 on disk; names that are not
// valid UTF-8 are reported with U+FFFD in place of the bad bytes.
//
// Masks. The folder part of a mask is used as given (it is never re-cased);
// the name part may hold "*" and "?" and is matched without regard to case,
// so "*.TXT" finds "a.txt", and names are reported as stored. "*.*" matches
// every name. A name part without wildcards matches that exact name, or, when
// no entry has exactly that name, the entries equal to it ignoring case.
// Hidden names (leading dot) are files like any other except for
// DeleteFiles and MoveToRecycleBin, which skip them. Entries are visited in
// byte order of their names, so results are repeatable.
//
// Trees are walked as rm -r and cp -r walk them (zel/platform/tree_walk.h):
// each folder is opened once and its entries are reached through it, never
// by resolving a path again, and an entry is acted on only while it is still
// the one that was listed. Symbolic links are never followed out of a tree:
// walks recurse into real folders only; DelDirTree removes links themselves;
// CopyFileTree copies a link as a link. Pipes, devices and sockets inside a
// tree are not copied.
//
// Attributes on this platform: "read-only" means the owner has no write
// permission; a folder is read-only when the caller cannot create files in
// it (including on a read-only mount).
//
// Copies. A copy never damages its source and never leaves a half-written
// file under the destination's name: it writes through the runtime's safe
// replacement (zel/runtime/safefile.h), a new file under a temporary name in
// the destination's folder renamed over the destination when complete; on
// failure or abort the temporary is removed and an existing destination
// stays as it was. A destination that is a symbolic link receives the copy
// at the file it points to, so the link stays; a device or pipe is written
// directly; an existing destination keeps its mode (unless CopyAttributes)
// and is flushed to the disk before the rename. The data moves inside
// the kernel (copy_file_range) in blocks of kCopyBlockSize, with read and
// write as the fallback between file systems that cannot do that. Files of
// kCopyBlockSize bytes or more get their disk space reserved first
// (fallocate), so a disk too full for them is found before anything is
// written. Nothing is flushed to the disk on the way (the kernel writes it
// back as for any file). Copying a file onto itself, under whatever name (a "." element, a
// hard link, a symbolic link), does nothing and returns 0: the two names are
// compared by device and inode, not as text.
//
// Module state, shared by the whole process: the abort flag and the state of
// a running tree copy. One copy at a time per process; AbortAnyFileCopying
// may be called from a feedback procedure or from another thread.
//
// Errors are status codes where a function reports one; the I/O exception
// (EInOutError with the errno value) where stated.
#pragma once

#include <cstdint>
#include <functional>

#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

class TStringList;

// Progress of one file copy: bytes done and the size of the file.
using TFileCopyFeedBack = std::function<void(int32_t BytesCopied, int32_t SizeOfFile)>;
// Progress of a tree copy: the values of the current file, its destination
// name and the number of files started so far.
using TTreeCopyFeedBack =
    std::function<void(int32_t BytesCopied, int32_t SizeOfCurrentFile,
                       const String& NameOfCurrentFile, int32_t NrOfFilesCopiedSoFar)>;
// Progress of a file scan: the folder about to be searched (as it will be
// reported in the names) and the number of files found so far.
using TScanFilesFeedback = std::function<void(const String& CurrentDir, int32_t Count)>;
// Declared for users of the module; no function here calls them.
using TNumericFeedback = std::function<void(TObject* Sender, const double& num)>;
using TStringFeedback = std::function<void(TObject* Sender, const String& msg)>;

// The same with 64-bit byte counts, for files of 2 GiB and more. The 32-bit
// forms receive counts above 2^31 - 1 as 2^31 - 1.
using TFileCopyFeedBack64 = std::function<void(int64_t BytesCopied, int64_t SizeOfFile)>;
// The tree copy progress with 64-bit byte counts (see TTreeCopyFeedBack).
using TTreeCopyFeedBack64 =
    std::function<void(int64_t BytesCopied, int64_t SizeOfCurrentFile,
                       const String& NameOfCurrentFile, int32_t NrOfFilesCopiedSoFar)>;

// A file time: 100-nanosecond intervals since 1601-01-01 00:00 UTC.
using TFileTime = uint64_t;

// Bytes per copy block, and so per feedback call.
inline constexpr int64_t kCopyBlockSize = int64_t{4} << 20;

// Copies one file. Source is the file to read; when Destination names an
// existing folder, the copy goes into it under the source's name.
//   1. The abort flag is cleared.
//   2. A source missing or unreadable for its status raises EInOutError; a
//      source that is a folder raises it too (EISDIR).
//   3. The same text, or the same file under another name, returns 0 with
//      no feedback.
//   4. Feedback (0, size); then, before each block, (bytes copied before the
//      block, size); finally (bytes copied, size). The loop ends after a block
//      shorter than kCopyBlockSize that reaches the size measured at the
//      start, or at the end of the file. An empty file gives (0, 0) three
//      times; a file of exactly kCopyBlockSize bytes (0, n), (0, n), (n, n),
//      (n, n).
//   5. On success the destination gets the source's modification time and,
//      with CopyAttributes, its permission bits (owner write added, set-id
//      bits dropped); without it an existing destination keeps its mode and a
//      new one gets 0666 less the umask.
// Status: 0 success, -1 source cannot be opened, -2 destination (or its
// temporary) cannot be created or put in place, or the destination is a
// read-only file (which is never replaced), -3 write error (a full
// disk), -4 read error, -5 aborted by AbortAnyFileCopying (the destination
// is then untouched, not left half-written).
ZEL_API int32_t FileCopyFeedBk(const String& Source, const String& Destination, bool CopyAttributes,
                               const TFileCopyFeedBack& FeedBack);
// FileCopyFeedBk with 64-bit byte counts for FeedBack, for files of 2 GiB and
// more: copies Source to Destination (with CopyAttributes as above) and
// returns the same status codes.
ZEL_API int32_t FileCopyFeedBk64(const String& Source, const String& Destination,
                                 bool CopyAttributes, const TFileCopyFeedBack64& FeedBack);

// Copies the folder Source with everything in it into the folder
// Destination, file by file as FileCopyFeedBk copies (CopyAttributes as
// there; folders also get their source's permission bits, owner rights
// added).
//   1. Nothing happens when the two folders are the same folder (by
//      identity, not by name: folders that differ only in case are
//      different folders here).
//   2. A Destination that is, or would be made, inside Source is refused
//      with EInOutError (EINVAL) before anything is made: the copy would
//      otherwise become part of what it copies.
//   3. Destination is made with all missing parents, also when Source is
//      missing or no folder (nothing is copied then).
//   4. Every entry of Source is copied to exactly its mirrored entry of
//      Destination, in byte order of the names, folders depth first. A
//      folder merges with a folder of that name; a file replaces a regular
//      file; a symbolic link is recreated as a link, replacing a link. Any
//      other kind of entry in the way (a folder where a file goes, a link
//      where a folder or file goes) is a clash: that entry fails and stays
//      as it was, and the walk goes on. Pipes, devices and sockets fail.
//   5. Links are never followed inside either tree (Source and Destination
//      themselves may be links to folders): the walk opens each folder once
//      and reaches its entries through it (zel/platform/tree_walk.h), so an
//      entry changed by another process during the walk (a folder swapped
//      for a link) fails instead of leading outside the trees. A folder
//      whose copy would be Source itself (Source inside Destination, copying
//      "a/b" to "a" when "a/b" holds "b") fails instead of overwriting the
//      source while it is read.
// The tree feedback is called with each file's feedback values, its
// destination name and the number of files started so far, and once more
// after each file with the last values. Entries that fail do not stop the
// walk; an EInOutError from a source file that vanished during the walk
// ends it. AbortAnyFileCopying stops the current file (which is then not
// written) and the walk before its next entry at every level.
ZEL_API void CopyFileTree(const String& Source, const String& Destination, bool CopyAttributes,
                          const TTreeCopyFeedBack& FeedBack);

// Told about each entry of a tree copy that failed: its destination name and
// why, as a negative FileCopyFeedBk status (-1 to -4) for a file whose copy
// failed, or a positive errno value: EEXIST for a clash with another kind of
// entry, ESTALE or ELOOP for a source entry that changed after it was
// listed, ENOENT for one that vanished while its folder was listed,
// EOPNOTSUPP for a pipe, device or socket, EINVAL for a folder whose copy
// would be the source folder itself (a source inside its destination), else
// the error of a folder that could not be made, opened or read.
using TTreeCopyFailure = std::function<void(const String& NameOfEntry, int32_t Error)>;

// The same with 64-bit feedback: copies the folder Source into Destination
// (CopyAttributes as for CopyFileTree), telling OnFailure (may be empty)
// about each entry that fails; returns the number of entries that failed,
// 0 when the copy is complete (1 when Source is missing).
ZEL_API int32_t CopyFileTree64(const String& Source, const String& Destination, bool CopyAttributes,
                               const TTreeCopyFeedBack64& FeedBack,
                               const TTreeCopyFailure& OnFailure = nullptr);

// Sets the abort flag: a copy in progress stops after its current block.
// Each copy clears the flag when it starts, so the call acts only while a
// copy runs.
ZEL_API void AbortAnyFileCopying();

// Deletes a folder with everything in it. Returns "" on success, or the
// name (folder + entry, "/" separated) of the first entry that could not be
// deleted; deletion stops there and what was deleted before stays deleted.
// Read-only files count as failures. Symbolic links are removed, never
// followed; when Directory itself is a symbolic link, only the link is
// removed. "" gives "".
ZEL_API String DelDirTree(const String& Directory);

// Deletes the files matching FileMask (not folders, not hidden names, not
// read-only files; a symbolic link is removed itself) and returns how many
// were deleted.
ZEL_API int32_t DeleteFiles(const String& FileMask);

// Moves the files matching FileMask (not folders, not hidden names) to the
// desktop's trash, from where file managers restore them (see
// zel/platform/trash.h), and returns how many were moved. The mask's folder
// part is resolved by the file system, not as text: "link/../*.txt" takes
// the files beside the link's target. Each file moved is exactly the entry
// listed (a symbolic link itself, never its target).
ZEL_API int32_t MoveToRecycleBin(const String& FileMask);

// Appends to List (not cleared; nothing happens when List is null) the
// names of the files matching FileMask: the mask's folder part as given plus
// the name as stored. With Recurse, the folders below are searched with the
// same name part. The feedback receives each folder before it is searched and
// the number of files found so far.
ZEL_API void ScanFilesToStrList(const String& FileMask, bool Recurse, TStringList* List,
                                const TScanFilesFeedback& FeedBack);
// The number of files ScanFilesToStrList would list for FileMask, Recurse
// and FeedBack (which is called in the same way).
ZEL_API int32_t CountFiles(const String& FileMask, bool Recurse,
                           const TScanFilesFeedback& FeedBack);

// Finds a file in a tree: FileName's folder part, then each folder below it
// in turn (depth first), is searched for a file matching the name part. The
// result is the folder as searched plus the name as stored; "" when none.
ZEL_API String FileDetect(const String& FileName);

// Renames every entry matching FileMask to the upper-case (UpperCase true) or
// lower-case form of its name (the runtime's simple case mapping,
// AnsiUpperCase), and searches matching folders below in the same way. Only
// the name part changes. An entry whose new name is taken by a different entry
// ("a" and "A" both present) is left as it is and the walk goes on; any other
// failed rename raises EInOutError.
ZEL_API void SetAllFilenameCase(const String& FileMask, bool UpperCase);

// True when the folder Directory has no entries; also when it does not exist
// or cannot be read.
ZEL_API bool DirEmpty(const String& Directory);
// True when Directory names a folder (or a symbolic link to one); "" is false.
ZEL_API bool DirExists(const String& Directory);
// True when the caller cannot create files in the folder Directory
// (permissions or a read-only mount), or it is no folder. Nothing is written
// to find out.
ZEL_API bool DirIsReadOnly(const String& Directory);

// The size of the file FileName as a 32-bit signed number (the low 32 bits of
// the size, so files of 2 GiB and more give wrong values: use GetFileSize64);
// 0 for a folder, -1 when there is no such entry.
ZEL_API int32_t GetFileSize(const String& FileName);
// The size of the file FileName in bytes; 0 for a folder, -1 when there is
// no such entry (or FileName is "").
ZEL_API int64_t GetFileSize64(const String& FileName);

// The creation, last access and last write times of the file FileName, stored
// in CreationTime, LastAccessTime and LastWriteTime (UTC, no time-zone
// conversion). The creation time comes from the file system where it records
// one (statx birth time); elsewhere it is the last write time. Reading the
// times opens nothing, so read-only files have readable times. Returns 0, or
// -1 when there is no such file (the three outputs are then 0).
ZEL_API int32_t GetFileDates(const String& FileName, TDateTime& CreationTime,
                             TDateTime& LastAccessTime, TDateTime& LastWriteTime);
// Sets the LastAccessTime and LastWriteTime of the file FileName; a time of 0
// leaves that time unchanged. CreationTime cannot be set by programs on this
// platform and is ignored. Returns 0, or -1 when there is no such file, a time
// is out of range, or the times cannot be set (not the owner).
ZEL_API int32_t SetFileDates(const String& FileName, TDateTime CreationTime,
                             TDateTime LastAccessTime, TDateTime LastWriteTime);

// (FileTime - 94353120000000000) / 864000000000: 94353120000000000 is 0.0,
// 0 is -109205.0.
ZEL_API TDateTime FileTimeToDateTime(TFileTime FileTime);
// Round(DateTime * 864000000000 + 94353120000000000). Raises EIntOverflow
// for NaN, infinities and times before 1601 or beyond the 64-bit range.
ZEL_API TFileTime DateTimeToFileTime(TDateTime DateTime);

}  // namespace zel
