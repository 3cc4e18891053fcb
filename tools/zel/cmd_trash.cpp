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
#include "zel/filesys/paths.h"
#include "zel/platform/files.h"
#include "zel/platform/trash.h"
#include "zel/runtime/utf8.h"

namespace {

int RunTrash(zel_tool::Args& args) {
  const bool verbose = args.Flag("verbose", "v");
  args.RejectUnknownOptions();
  const auto& names = args.Rest();
  if (names.empty()) zel_tool::Fail("name at least one file");
  int status = 0;
  for (const auto& name : names) {
    const zel::String uname = zel::Utf8ToString(name);
    if (name.find_first_of("*?") != std::string::npos) {
      const int32_t n = zel::MoveToRecycleBin(uname);
      if (n == 0) {
        std::cerr << "zel trash: " << name << ": no file matches\n";
        status = 1;
      } else if (verbose) {
        std::cout << n << " files from " << name << " moved to the trash\n";
      }
      continue;
    }
    zel::platform::FileStatus st;
    int err = zel::platform::Files().Status(name, false, st);
    std::string trashed_as;
    if (err == 0) {
      err = zel::platform::Trash().MoveToTrash(zel::StringToUtf8(zel::ExpandFileName(uname)),
                                               trashed_as);
    }
    if (err != 0) {
      std::cerr << "zel trash: " << name << ": " << std::strerror(err) << "\n";
      status = 1;
    } else if (verbose) {
      std::cout << name << " -> " << trashed_as << "\n";
    }
  }
  return zel_tool::FinishOutput() ? status : 1;
}

ZEL_TOOL_COMMAND(trash, "move files to the desktop's trash",
                 "zel trash [-v|--verbose] [--] FILE...\n"
                 "  Moves each FILE (a file, link or folder) to the freedesktop.org trash:\n"
                 "  $XDG_DATA_HOME/Trash for the home file system, the mount's .Trash-UID\n"
                 "  elsewhere. A FILE with * or ? is a mask of plain files.",
                 RunTrash);

}  // namespace
