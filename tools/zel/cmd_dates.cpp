// zel dates: the creation, last access and last write times of files (UTC).
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/filesys/files.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace {

std::string Stamp(zel::TDateTime t) {
  return zel::StringToUtf8(zel::FormatDateTime(u"yyyy-mm-dd hh:nn:ss.zzz", t)) + " UTC";
}

int RunDates(zel_tool::Args& args) {
  args.RejectUnknownOptions();
  const auto& names = args.Rest();
  if (names.empty()) zel_tool::Fail("name at least one file");
  int status = 0;
  for (const auto& name : names) {
    zel::TDateTime created = 0, accessed = 0, written = 0;
    if (zel::GetFileDates(zel::PathToFileName(name), created, accessed, written) != 0) {
      std::cerr << "zel dates: " << name << ": No such file or directory\n";
      status = 1;
      continue;
    }
    if (names.size() > 1) std::cout << name << ":\n";
    std::cout << "created   " << Stamp(created) << "\n"
              << "accessed  " << Stamp(accessed) << "\n"
              << "written   " << Stamp(written) << "\n";
  }
  return zel_tool::FinishOutput() ? status : 1;
}

ZEL_TOOL_COMMAND(dates, "creation, access and write times of files",
                 "zel dates [--] FILE...\n"
                 "  Prints the three time stamps in UTC. The creation time is the file system's\n"
                 "  birth time where it records one, else the last write time.",
                 RunDates);

}  // namespace
