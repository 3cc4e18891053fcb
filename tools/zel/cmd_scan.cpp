// zel scan: lists the files matching a mask, one per line, optionally in all
// folders below. The name part of the mask matches without regard to case.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "command.h"
#include "zel/filesys/files.h"
#include "zel/filesys/paths.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/utf8.h"

namespace {

int RunScan(zel_tool::Args& args) {
  const bool recurse = args.Flag("recurse", "r");
  const bool count_only = args.Flag("count", "c");
  args.RejectUnknownOptions();
  const auto& names = args.Rest();
  if (names.size() != 1) zel_tool::Fail("give one mask");
  const zel::String mask = zel::Utf8ToString(names[0]);
  const zel::String folder = zel::ExtractFilePath(mask);
  if (!folder.empty() && !zel::DirExists(folder)) {
    std::cerr << "zel scan: " << zel::StringToUtf8(folder) << ": No such directory\n";
    return 1;
  }
  if (count_only) {
    std::cout << zel::CountFiles(mask, recurse, nullptr) << "\n";
  } else {
    zel::TStringList list;
    zel::ScanFilesToStrList(mask, recurse, &list, nullptr);
    for (const auto& line : list) std::cout << zel::StringToUtf8(line) << "\n";
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "zel scan: standard output: write error\n";
    return 1;
  }
  return 0;
}

ZEL_TOOL_COMMAND(scan, "list the files matching a mask",
                 "zel scan [-r|--recurse] [-c|--count] [--] MASK\n"
                 "  MASK is a folder and a name with * and ? (\"src/*.CPP\"); quote it so the\n"
                 "  shell leaves it alone. The name matches without regard to case; names are\n"
                 "  printed as stored. -r searches the folders below too; -c prints the count.",
                 RunScan);

}  // namespace
