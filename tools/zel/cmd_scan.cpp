// zel scan: lists the files matching a mask, one per line, optionally in all
// folders below. The name part of the mask matches without regard to case.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <ostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/filesys/drives.h"
#include "zel/filesys/files.h"
#include "zel/filesys/paths.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/utf8.h"

namespace {

int RunScan(zel_tool::Args& args) {
  const bool recurse = args.Flag("recurse", "r");
  const bool count_only = args.Flag("count", "c");
  args.RejectUnknownOptions();
  const auto& names = args.Rest();
  if (names.size() != 1) zel_tool::Fail("give one mask");
  const zel::String mask = zel::PathToFileName(names[0]);
  const zel::String folder = zel::ExtractFilePath(mask);
  if (!folder.empty() && !zel::DirExists(folder)) {
    std::cerr << "zel scan: " << zel_tool::NameBytes(folder) << ": No such directory\n";
    return 1;
  }
  if (count_only) {
    std::cout << zel::CountFiles(mask, recurse, nullptr) << "\n";
  } else {
    zel::TStringList list;
    zel::ScanFilesToStrList(mask, recurse, &list, nullptr);
    for (const auto& line : list) std::cout << zel_tool::NameBytes(line) << "\n";
  }
  return zel_tool::FinishOutput() ? 0 : 1;
}

ZEL_TOOL_COMMAND(scan, "list the files matching a mask",
                 "zel scan [-r|--recurse] [-c|--count] [--] MASK\n"
                 "  MASK is a folder and a name with * and ? (\"src/*.CPP\"); quote it so the\n"
                 "  shell leaves it alone. The name matches without regard to case; names are\n"
                 "  printed as stored. -r searches the folders below too; -c prints the count.",
                 RunScan);

// A tour of the path functions and a scan of the bundled sample data.
void DemoPaths(std::ostream& out) {
  auto u8 = [](const zel::String& s) { return zel::StringToUtf8(s); };
  const zel::String path = u"C:\\dir1\\dir2\\file.txt";
  out << "AbridgeFilePath(\"" << u8(path) << "\", 20)  = " << u8(zel::AbridgeFilePath(path, 20))
      << "\n";
  out << "AbridgeFilePath(\"" << u8(path) << "\", 16)  = " << u8(zel::AbridgeFilePath(path, 16))
      << "\n";
  out << "StripExtension(\"/home/ann/b.tar.gz\")       = "
      << u8(zel::StripExtension(u"/home/ann/b.tar.gz")) << "\n";
  out << "StripExtension(\"/home/ann/.bashrc\")        = "
      << u8(zel::StripExtension(u"/home/ann/.bashrc")) << "  (a hidden name, no extension)\n";
  out << "InsertBeforeFileExt(\"_v2\", \"data.tar.gz\") = "
      << u8(zel::InsertBeforeFileExt(u"_v2", u"data.tar.gz")) << "\n";
  out << "ParentDir(\"a/b/c\")                         = " << u8(zel::ParentDir(u"a/b/c")) << "\n";
  out << "IsDOS83Path(\"C:\\LONGNAME1\\X.TXT\")          = "
      << (zel::IsDOS83Path(u"C:\\LONGNAME1\\X.TXT") ? "TRUE" : "FALSE") << "\n";
  const std::string sample = zel_tool::SampleDir();
  out << "CountFiles(\"<samples>/*.*\")                = "
      << zel::CountFiles(zel::PathToFileName(sample + "/*.*"), true, nullptr) << "\n";
  out << "free space where the samples are           = "
      << static_cast<long long>(zel::DiskFreeExtended(zel::PathToFileName(sample)) / 1048576)
      << " MiB\n";
}

ZEL_TOOL_DEMO(65, "Paths, file names and folders", DemoPaths);

}  // namespace
