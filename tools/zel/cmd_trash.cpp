// zel trash: moves files and folders to the desktop's trash, from where file
// managers can restore them. A name with "*" or "?" is a mask of files
// (hidden names and folders are left out); any other name is moved as it is.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/filesys/files.h"
#include "zel/platform/files.h"
#include "zel/platform/trash.h"
#include "zel/runtime/filename.h"

namespace {

int RunTrash(zel_tool::Args& args) {
  const bool verbose = args.Flag("verbose", "v");
  args.RejectUnknownOptions();
  const auto& names = args.Rest();
  if (names.empty()) zel_tool::Fail("name at least one file");
  int status = 0;
  for (const auto& name : names) {
    if (name.find_first_of("*?") != std::string::npos) {
      const int32_t n = zel::MoveToRecycleBin(zel::PathToFileName(name));
      if (n == 0) {
        std::cerr << "zel trash: " << name << ": no file matches\n";
        status = 1;
      } else if (verbose) {
        std::cout << n << " files from " << name << " moved to the trash\n";
      }
      continue;
    }
    // The name goes to the trash as given: its folder part is resolved by
    // the file system there, and its last component is the entry moved.
    // "dir/" names the folder dir itself, so the slashes are dropped once it
    // is known to be a real folder (through a link, "link/" would name the
    // link's target, which is not what the link's name designates).
    std::string entry = name;
    int err = 0;
    while (entry.size() > 1 && entry.back() == '/') entry.pop_back();
    if (entry.size() < name.size()) {
      zel::platform::FileStatus st;
      err = zel::platform::Files().Status(entry, false, st);
      if (err == 0 && st.kind != zel::platform::FileKind::kDirectory) err = ENOTDIR;
      if (entry == "/") err = EINVAL;
    }
    std::string trashed_as;
    if (err == 0) err = zel::platform::Trash().MoveToTrash(entry, trashed_as);
    if (err != 0) {
      std::cerr << "zel trash: " << name << ": " << std::strerror(err) << "\n";
      status = 1;
    } else if (verbose) {
      // The Recycle Bin (Windows) does not say where it keeps the file.
      std::cout << name << (trashed_as.empty() ? "" : " -> ") << trashed_as << "\n";
    }
  }
  return zel_tool::FinishOutput() ? status : 1;
}

ZEL_TOOL_COMMAND(trash, "move files to the desktop's trash",
                 "zel trash [-v|--verbose] [--] FILE...\n"
                 "  Moves each FILE (a file, link or folder) to the freedesktop.org trash:\n"
                 "  $XDG_DATA_HOME/Trash for the home file system, the mount's .Trash/UID or\n"
                 "  .Trash-UID elsewhere. FILE is the entry its last component names (a link\n"
                 "  itself, not its target) in the folder the rest leads to on disk; a name\n"
                 "  ending in . or .. is refused. A FILE with * or ? is a mask of plain files.",
                 RunTrash);

}  // namespace
