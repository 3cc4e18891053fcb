// Paths and file names: taking them apart and putting them together,
// shortening them for display, checking names against the rules of portable
// file names (and the old 8.3 short-name form), and finding the names as the
// disk stores them.
//
// Separators. Every function here takes both "\" and "/" as separators, and
// a letter followed by ":" at the very start of a path ("C:") as a drive, so
// texts written for either convention split the same way. A colon anywhere
// else is an ordinary character (it is one in Linux file names). Paths that
// these functions build for the file system (ExpandFileName, DOSToWinPath)
// use "/".
//
// Splitting rules shared by all functions:
//   - path part: everything up to and including the last separator, or the
//     drive "X:" when there is no separator ("" when there is neither);
//   - name part: the rest;
//   - extension: from the last dot of the name part to its end, dot
//     included. A name that starts with a dot is a hidden name, and those
//     leading dots never start an extension: ".bashrc" has no extension,
//     ".bashrc.bak" has ".bak", "file." has the bare ".".
//
// All functions except ExpandFileName and DOSToWinPath are pure text
// functions and never touch the disk. None of them raises.
#pragma once

#include <cstdint>

#include "zel/runtime/types.h"

namespace zel {

// The path part of FileName, as described above.
ZEL_API String ExtractFilePath(const String& FileName);
// The name part of FileName, as described above.
ZEL_API String ExtractFileName(const String& FileName);
// The extension of FileName, as described above; "" when it has none.
ZEL_API String ExtractFileExt(const String& FileName);

// The absolute form of the path FileName: a relative path is taken from the
// current folder; empty, "." and ".." elements are resolved as text
// (symbolic links are not); a trailing separator is kept. "" gives the
// current folder. When the current folder cannot be read the path is
// returned with its separators converted only. Linux: "\" becomes "/".
// Windows: "/" becomes "\"; the result starts with a drive ("C:\") or a
// share ("\\server\share\"); "C:x" counts from the current folder when that
// is on drive C: and from the drive's root otherwise, "\x" from the root of
// the current folder's drive.
ZEL_API String ExpandFileName(const String& FileName);

// FileName without its extension; dots in folder names are not touched and
// hidden names keep their leading dot: "C:\a\b.tar.gz" -> "C:\a\b.tar",
// "C:\my.dir\file" unchanged, "file." -> "file", ".bashrc" unchanged.
ZEL_API String StripExtension(const String& FileName);
// The name part of FileName (as ExtractFileName).
ZEL_API String StripPath(const String& FileName);
// The parent folder of Path with its trailing separator: one trailing
// separator is ignored, then everything up to and including the previous one
// is returned. "C:\a\b\" and "C:\a\b" give "C:\a\", "a/b/c" gives "a/b/";
// "C:\", "/" and "file" give "".
ZEL_API String ParentDir(const String& Path);
// True when Path is a root folder: after trimming blanks at both ends, "/" or
// a text of at most 3 characters with ":\" or ":/" at position 2 ("c:\" is a
// root, "c:" and "c:\a" are not).
ZEL_API bool IsRootDir(const String& Path);

// Shortens a path for display by replacing leading folder names with "..".
// The separator is "\" if the path holds one, else "/"; a path with neither
// is returned unchanged. Starting after the first separator, while the text
// has MaxLength characters or more, the next folder name is replaced by
// ".."; the last element (the file name) is never replaced. Names of one
// character are passed over, since ".." would be longer, so the result is
// never longer than Path. "C:\dir1\dir2\file.txt" with 20 gives
// "C:\..\dir2\file.txt", with 16 or less "C:\..\..\file.txt".
ZEL_API String AbridgeFilePath(const String& Path, int32_t MaxLength);

// The path with every element spelled as the disk stores it. The path is
// expanded (ExpandFileName), then each element is looked up in its folder:
// the exact name if it exists, otherwise the first name (in byte order)
// equal to it ignoring case (the runtime's simple case mapping, as
// AnsiUpperCase). Windows looks every element up in the listing, since it
// finds a name whatever its case. Linux keeps no separate short names, so
// this is what turning a short-name path into its long form amounts to here. When an
// element cannot be found, the rest of the path is kept as given after the
// elements resolved so far.
ZEL_API String DOSToWinPath(const String& Path);

// True when every character is printable ASCII (33..126) other than the
// double quote and * + , / ; < = > ? [ ] |. The empty path is compliant.
ZEL_API bool IsFN83CompliantPath(const String& Path);
// True when the path is 8.3 compliant (above) and every piece, cut at "\"
// or else at the first ".", is at most 8 characters plus its delimiter (9
// for a final piece): "C:\ABCDEFGH\X.TXT" is, "C:\LONGNAME1\X.TXT" is not.
// The extension length is not checked separately.
ZEL_API bool IsDOS83Path(const String& Path);

// FileName with every character of the set / \ : * ? < > | (and the NUL
// character, which no file name can hold) replaced by Replacement; a result of
// exactly "." becomes Replacement, of exactly ".." Replacement twice. The
// double quote is kept.
ZEL_API String ReplaceInvalidFileNameChars(const String& FileName, Char Replacement);
// True when FileName holds none of the characters above and is neither "."
// nor "..". The empty name counts as valid.
ZEL_API bool IsValidFileName(const String& FileName);

// The drive number of "X:" at the start of Path, upper-cased: A = 0 .. Z = 25,
// and 0 when the first character is not a letter ("1:"); -1 when the second
// character is no colon or the text is shorter than 2 characters.
ZEL_API int32_t ExtractDrive(const String& Path);

// FileName with Text inserted before the first dot of the name part (leading
// dots of a hidden name do not count), or with Text appended when there is none:
// "C:\a\data.tar.gz" with "_v2" gives "C:\a\data_v2.tar.gz", ".bashrc" gives
// ".bashrc_v2".
ZEL_API String InsertBeforeFileExt(const String& Text, const String& FileName);
// FileName unchanged when Ext is empty or the name already has an extension
// (a bare trailing dot counts); otherwise Ext appended, with a dot in front
// unless it starts with one: "report" with "txt" or ".txt" gives
// "report.txt", ".bashrc" gives ".bashrc.txt".
ZEL_API String EnsureDefaultFileExt(const String& FileName, const String& Ext);

}  // namespace zel
