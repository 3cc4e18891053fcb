// Deleting, trashing, scanning, finding and renaming files; folder tests,
// sizes and time stamps. Copying lives in filecopy.cpp.
#include "zel/filesys/files.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "zel/filesys/internal/pathutil.h"
#include "zel/filesys/paths.h"
#include "zel/platform/files.h"
#include "zel/platform/trash.h"
#include "zel/platform/tree_walk.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

using platform::DirEntry;
using platform::FileKind;
using platform::FileStatus;
using platform::WalkEntry;
using platform::WalkFolder;

// Intervals of 100 ns between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000;
constexpr long double kFileTimePerDay = 864000000000.0L;
constexpr long double kDateTimeEpochAsFileTime = 94353120000000000.0L;

std::string FolderOf(const String& dir_part) {
  return dir_part.empty() ? std::string("./") : internal::WithSlash(internal::NativePath(dir_part));
}

// The separator to put after a folder name added to `dir_part`.
String SepFor(const String& dir_part) {
  return !dir_part.empty() && dir_part.back() == u'\\' ? u"\\" : u"/";
}

std::vector<DirEntry> SortedList(const std::string& dir) {
  std::vector<DirEntry> entries;
  platform::Files().List(dir, entries);
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return entries;
}

// The entries matching the name part of a mask (see files.h).
template <class Entry>
std::vector<const Entry*> Matching(const std::vector<Entry>& entries, const String& mask) {
  std::vector<const Entry*> out;
  if (internal::HasWildcards(mask)) {
    for (const auto& e : entries) {
      if (internal::MatchMask(PathToFileName(e.name), mask)) out.push_back(&e);
    }
    return out;
  }
  std::string exact;
  if (!FileNameToPath(mask, exact)) return out;
  for (const auto& e : entries) {
    if (e.name == exact) out.push_back(&e);
  }
  if (!out.empty()) return out;
  const String folded = AnsiUpperCase(mask);
  for (const auto& e : entries) {
    if (AnsiUpperCase(PathToFileName(e.name)) == folded) out.push_back(&e);
  }
  return out;
}

// The kind of an entry with a symbolic link resolved.
FileKind Resolved(const std::string& folder, const DirEntry& e) {
  if (e.kind != FileKind::kSymlink) return e.kind;
  FileStatus st;
  platform::Files().Status(folder + e.name, true, st);
  return st.kind;
}

bool ReadOnly(const FileStatus& st) { return (st.mode & platform::kOwnerWrite) == 0; }

// Deletes what the open folder `dir` holds (its name is `path`, ending in
// "/"); "" on success, else the name of the first entry that stayed.
String DelTree(const WalkFolder& dir, const std::string& path) {
  auto& fs = platform::Files();
  std::vector<WalkEntry> entries;
  dir.List(entries);
  for (const auto& e : entries) {
    const std::string name = path + e.name;
    if (e.status.kind == FileKind::kDirectory) {
      WalkFolder sub;
      const std::string folder = name + internal::kNativeSep;
      if (sub.OpenSub(dir, e.name, e.status) != 0) return PathToFileName(folder);
      String r = DelTree(sub, folder);
      if (!r.empty()) return r;
      if (fs.UnlinkAt(dir.Fd(), e.name, true) != 0) return PathToFileName(folder);
      continue;
    }
    if (e.status.kind == FileKind::kRegular && ReadOnly(e.status)) return PathToFileName(name);
    if (fs.UnlinkAt(dir.Fd(), e.name, false) != 0) return PathToFileName(name);
  }
  return String();
}

// Files matching a mask in one folder, as DeleteFiles and MoveToRecycleBin
// take them: no folders, no hidden names.
template <class Action>
int32_t ForEachPlainFile(const String& mask, Action action) {
  const String dir_part = ExtractFilePath(mask);
  const std::string folder = FolderOf(dir_part);
  const std::vector<DirEntry> entries = SortedList(folder);
  int32_t count = 0;
  for (const DirEntry* e : Matching(entries, ExtractFileName(mask))) {
    if (e->name[0] == '.' || Resolved(folder, *e) == FileKind::kDirectory) continue;
    if (action(dir_part + PathToFileName(e->name), folder + e->name, *e)) ++count;
  }
  return count;
}

// Opens the folder a mask's folder part names ("" is the current folder).
bool OpenMaskFolder(const String& dir_part, WalkFolder& folder) {
  return folder.OpenRoot(FolderOf(dir_part), true) == 0;
}

// The kind of a listed entry with a symbolic link resolved.
FileKind ResolvedKind(const WalkFolder& folder, const WalkEntry& e) {
  if (e.status.kind != FileKind::kSymlink) return e.status.kind;
  FileStatus st;
  platform::Files().StatusAt(folder.Fd(), e.name, true, st);
  return st.kind;
}

void Scan(const WalkFolder& folder, const String& dir_part, const String& name_part, bool recurse,
          TStringList* list, const TScanFilesFeedback& feedback, int32_t& count) {
  if (feedback) feedback(dir_part, count);
  std::vector<WalkEntry> entries;
  if (folder.IsOpen()) folder.List(entries);
  for (const WalkEntry* e : Matching(entries, name_part)) {
    if (ResolvedKind(folder, *e) == FileKind::kDirectory) continue;
    if (list != nullptr) list->Add(dir_part + PathToFileName(e->name));
    ++count;
  }
  if (!recurse) return;
  for (const auto& e : entries) {
    if (e.status.kind != FileKind::kDirectory) continue;
    WalkFolder sub;
    if (sub.OpenSub(folder, e.name, e.status) != 0) continue;  // gone or replaced
    Scan(sub, dir_part + PathToFileName(e.name) + SepFor(dir_part), name_part, true, list, feedback,
         count);
  }
}

// The files matching a mask, added to list (unless null); returns how many.
int32_t ScanMask(const String& mask, bool recurse, TStringList* list,
                 const TScanFilesFeedback& feedback) {
  const String dir_part = ExtractFilePath(mask);
  WalkFolder folder;
  OpenMaskFolder(dir_part, folder);  // a folder that cannot be opened holds nothing
  int32_t count = 0;
  Scan(folder, dir_part, ExtractFileName(mask), recurse, list, feedback, count);
  return count;
}

String Detect(const WalkFolder& folder, const String& dir_part, const String& name_part) {
  std::vector<WalkEntry> entries;
  folder.List(entries);
  for (const WalkEntry* e : Matching(entries, name_part)) {
    if (ResolvedKind(folder, *e) == FileKind::kRegular) return dir_part + PathToFileName(e->name);
  }
  for (const auto& e : entries) {
    WalkFolder sub;
    if (e.status.kind != FileKind::kDirectory || sub.OpenSub(folder, e.name, e.status) != 0)
      continue;
    String r = Detect(sub, dir_part + PathToFileName(e.name) + SepFor(dir_part), name_part);
    if (!r.empty()) return r;
  }
  return String();
}

void SetCase(const WalkFolder& folder, const String& dir_part, const String& name_part,
             bool upper) {
  auto& fs = platform::Files();
  std::vector<WalkEntry> entries;
  folder.List(entries);
  for (const WalkEntry* e : Matching(entries, name_part)) {
    const String old_name = PathToFileName(e->name);
    const String new_name = upper ? AnsiUpperCase(old_name) : AnsiLowerCase(old_name);
    String now = old_name;
    std::string now_native = e->name;
    if (new_name != old_name) {
      std::string to;
      FileNameToPath(new_name, to);
      int err = fs.RenameAt(folder.Fd(), e->name, to, false);
      if (err == EEXIST) {
        // Taken by a different entry: leave this one. A file system that
        // ignores case reports its own entry under the new name; rename it.
        FileStatus b;
        err = fs.StatusAt(folder.Fd(), to, false, b) == 0 && e->status.SameFile(b)
                  ? fs.RenameAt(folder.Fd(), e->name, to, true)
                  : EEXIST;
      }
      if (err == 0) {
        now = new_name;
        now_native = to;
      } else if (err != EEXIST) {
        throw EInOutError(
            u"Cannot rename \"" + dir_part + old_name + u"\". " + Utf8ToString(std::strerror(err)),
            err);
      }
    }
    WalkFolder sub;
    if (e->status.kind == FileKind::kDirectory && sub.OpenSub(folder, now_native, e->status) == 0)
      SetCase(sub, dir_part + now + SepFor(dir_part), name_part, upper);
  }
}

TDateTime ToDateTime(const platform::FileTimeSpec& t) {
  // Seconds beyond the file-time range are clamped to it.
  constexpr int64_t kMinSec = -kUnixEpochAsFileTime / 10000000;
  constexpr int64_t kMaxSec = (INT64_MAX - kUnixEpochAsFileTime) / 10000000 - 1;
  const int64_t sec = std::clamp(t.sec, kMinSec, kMaxSec);
  const int64_t ft = sec * 10000000 + kUnixEpochAsFileTime + t.nsec / 100;
  return FileTimeToDateTime(static_cast<TFileTime>(std::max<int64_t>(ft, 0)));
}

platform::FileTimeSpec ToTimeSpec(TFileTime ft) {
  const int64_t since_unix = static_cast<int64_t>(ft) - kUnixEpochAsFileTime;
  int64_t sec = since_unix / 10000000;
  int64_t rest = since_unix % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --sec;
  }
  return platform::FileTimeSpec{sec, static_cast<int32_t>(rest * 100)};
}

}  // namespace

String DelDirTree(const String& Directory) {
  if (Directory.empty()) return String();
  auto& fs = platform::Files();
  std::string dir = internal::NativePath(Directory);
  while (dir.size() > 1 && (dir.back() == '/' || dir.back() == internal::kNativeSep))
    dir.pop_back();
  FileStatus st;
  if (fs.Status(dir, false, st) == 0 && st.kind == FileKind::kSymlink) {
    return fs.Unlink(dir) == 0 ? String() : PathToFileName(dir);
  }
  const std::string path = internal::WithSlash(dir);
  WalkFolder root;
  if (root.OpenRoot(dir, false) != 0) return PathToFileName(path);
  String r = DelTree(root, path);
  if (r.empty() && fs.RemoveDir(path) != 0) r = PathToFileName(path);
  return r;
}

int32_t DeleteFiles(const String& FileMask) {
  auto& fs = platform::Files();
  return ForEachPlainFile(
      FileMask, [&fs](const String&, const std::string& path, const DirEntry& e) {
        FileStatus st;
        if (e.kind == FileKind::kRegular && fs.Status(path, false, st) == 0 && ReadOnly(st))
          return false;
        return fs.Unlink(path) == 0;
      });
}

int32_t MoveToRecycleBin(const String& FileMask) {
  // Each file goes to the trash by the path it was listed under: the trash
  // resolves the mask's folder part through the file system, so links and
  // ".." in it lead where they lead on disk, and the name keeps its bytes.
  return ForEachPlainFile(FileMask, [](const String&, const std::string& path, const DirEntry&) {
    std::string trashed_as;
    return platform::Trash().MoveToTrash(path, trashed_as) == 0;
  });
}

void ScanFilesToStrList(const String& FileMask, bool Recurse, TStringList* List,
                        const TScanFilesFeedback& FeedBack) {
  if (List != nullptr) ScanMask(FileMask, Recurse, List, FeedBack);
}

int32_t CountFiles(const String& FileMask, bool Recurse, const TScanFilesFeedback& FeedBack) {
  return ScanMask(FileMask, Recurse, nullptr, FeedBack);
}

String FileDetect(const String& FileName) {
  const String dir_part = ExtractFilePath(FileName);
  WalkFolder folder;
  return OpenMaskFolder(dir_part, folder) ? Detect(folder, dir_part, ExtractFileName(FileName))
                                          : String();
}

void SetAllFilenameCase(const String& FileMask, bool UpperCase) {
  const String dir_part = ExtractFilePath(FileMask);
  WalkFolder folder;
  if (OpenMaskFolder(dir_part, folder))
    SetCase(folder, dir_part, ExtractFileName(FileMask), UpperCase);
}

bool DirEmpty(const String& Directory) {
  std::vector<DirEntry> entries;
  platform::Files().List(FolderOf(Directory), entries);
  return entries.empty();
}

bool DirExists(const String& Directory) {
  if (Directory.empty()) return false;
  FileStatus st;
  return platform::Files().Status(internal::NativePath(Directory), true, st) == 0 &&
         st.kind == FileKind::kDirectory;
}

bool DirIsReadOnly(const String& Directory) {
  if (!DirExists(Directory)) return true;
  return platform::Files().Access(internal::NativePath(Directory), platform::kAccessWrite | platform::kAccessExecute) != 0;
}

int64_t GetFileSize64(const String& FileName) {
  FileStatus st;
  if (FileName.empty() ||
      platform::Files().Status(internal::NativePath(ExpandFileName(FileName)), true, st) != 0)
    return -1;
  return st.kind == FileKind::kDirectory ? 0 : static_cast<int64_t>(st.size);
}

int32_t GetFileSize(const String& FileName) {
  const int64_t size = GetFileSize64(FileName);
  return size < 0 ? -1 : static_cast<int32_t>(static_cast<uint32_t>(size & 0xFFFFFFFF));
}

int32_t GetFileDates(const String& FileName, TDateTime& CreationTime, TDateTime& LastAccessTime,
                     TDateTime& LastWriteTime) {
  CreationTime = LastAccessTime = LastWriteTime = 0;
  FileStatus st;
  if (FileName.empty() || platform::Files().Status(internal::NativePath(FileName), true, st) != 0)
    return -1;
  CreationTime = ToDateTime(st.has_birth ? st.birth : st.modify);
  LastAccessTime = ToDateTime(st.access);
  LastWriteTime = ToDateTime(st.modify);
  return 0;
}

int32_t SetFileDates(const String& FileName, TDateTime /*CreationTime*/, TDateTime LastAccessTime,
                     TDateTime LastWriteTime) {
  auto& fs = platform::Files();
  const std::string path = internal::NativePath(FileName);
  FileStatus st;
  if (FileName.empty() || fs.Status(path, true, st) != 0) return -1;
  platform::FileTimeSpec access, modify;
  try {
    if (LastAccessTime != 0) access = ToTimeSpec(DateTimeToFileTime(LastAccessTime));
    if (LastWriteTime != 0) modify = ToTimeSpec(DateTimeToFileTime(LastWriteTime));
  } catch (const EIntOverflow&) {
    return -1;
  }
  if (LastAccessTime == 0 && LastWriteTime == 0) return 0;
  return fs.SetTimes(path, LastAccessTime != 0 ? &access : nullptr,
                     LastWriteTime != 0 ? &modify : nullptr) == 0
             ? 0
             : -1;
}

TDateTime FileTimeToDateTime(TFileTime FileTime) {
  return static_cast<TDateTime>((static_cast<long double>(FileTime) - kDateTimeEpochAsFileTime) /
                                kFileTimePerDay);
}

TFileTime DateTimeToFileTime(TDateTime DateTime) {
  const int64_t ft =
      Round(static_cast<long double>(DateTime) * kFileTimePerDay + kDateTimeEpochAsFileTime);
  if (ft < 0) throw EIntOverflow(u"Integer overflow");
  return static_cast<TFileTime>(ft);
}

}  // namespace zel
