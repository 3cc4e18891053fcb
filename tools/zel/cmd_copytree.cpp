// zel copytree: copies a folder with everything in it, showing the bytes and
// files copied and the rate on a terminal. Ctrl-C stops the copy cleanly: the
// file being copied is not left half-written, and the exit status is 130.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/filesys/files.h"
#include "zel/platform/errors.h"
#include "zel/platform/files.h"
#include "zel/platform/interrupt.h"
#include "zel/platform/terminal.h"
#include "zel/runtime/filename.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_interrupted{false};  // lock-free: set in a signal handler

void OnInterrupt() {
  g_interrupted.store(true);
  zel::AbortAnyFileCopying();  // a lock-free atomic store: safe in a handler
}

std::string Bytes(double b) {
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int u = 0;
  while (b >= 1024 && u < 4) {
    b /= 1024;
    ++u;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, u == 0 ? "%.0f %s" : "%.1f %s", b, kUnits[u]);
  return buf;
}

// Why an entry of the copy failed, from the library's failure code.
std::string FailureReason(int32_t error) {
  switch (error) {
    case -1:
      return "cannot open the source file";
    case -2:
      return "cannot create the destination file";
    case -3:
      return "write error";
    case -4:
      return "read error";
    case EEXIST:
      return "another kind of entry is in the way";
    case zel::platform::kErrStale:
    case ELOOP:
      return "the source entry changed during the copy";
    case EOPNOTSUPP:
      return "pipes, devices and sockets are not copied";
    case EINVAL:
      return "its copy would overwrite the source folder itself";
    default:
      return error > 0 ? std::strerror(error) : "copy failed";
  }
}

// Totals over the whole tree from the per-file feedback.
struct Progress {
  bool show = false;
  Clock::time_point start = Clock::now(), shown{};
  int64_t done_before = 0, current = 0;
  int32_t file = 0, files = 0;
  size_t width = 0;

  void Update(int64_t bytes, const std::string& name, int32_t count, bool force) {
    if (count != file) {
      done_before += current;
      current = 0;
      file = count;
    }
    current = bytes;
    files = count;
    if (!show) return;
    const auto now = Clock::now();
    if (!force && now - shown < std::chrono::milliseconds(100)) return;
    shown = now;
    const double secs = std::chrono::duration<double>(now - start).count();
    const double total = static_cast<double>(done_before + current);
    std::string line = Bytes(total) + "  " + std::to_string(files) + " files  " +
                       Bytes(secs > 0 ? total / secs : 0) + "/s  " + name;
    if (line.size() > 100) line = line.substr(0, 97) + "...";
    const size_t pad = width > line.size() ? width - line.size() : 0;
    width = line.size();
    std::cerr << '\r' << line << std::string(pad, ' ') << std::flush;
  }
};

int RunCopyTree(zel_tool::Args& args) {
  const bool quiet = args.Flag("quiet", "q");
  args.RejectUnknownOptions();
  const auto& names = args.Rest();
  if (names.size() != 2) zel_tool::Fail("give a source and a destination folder");
  const std::string& src = names[0];
  zel::platform::FileStatus st;
  const int err = zel::platform::Files().Status(src, true, st);
  if (err != 0 || st.kind != zel::platform::FileKind::kDirectory) {
    std::cerr << "zel copytree: " << src << ": " << std::strerror(err != 0 ? err : ENOTDIR) << "\n";
    return 1;
  }
  Progress progress;
  progress.show =
      !quiet && zel::platform::Terminal().IsTerminal(zel::platform::kStandardError);
  auto& interrupts = zel::platform::Interrupts();
  (void)interrupts.Catch(OnInterrupt);
  std::string last_name;
  const int32_t failed = zel::CopyFileTree64(
      zel::PathToFileName(src), zel::PathToFileName(names[1]), true,
      [&](int64_t bytes, int64_t, const zel::String& name, int32_t count) {
        if (progress.show && count != progress.file) last_name = zel_tool::NameBytes(name);
        progress.Update(bytes, last_name, count, false);
      },
      [&](const zel::String& name, int32_t error) {
        if (progress.show) {
          std::cerr << "\n";
          progress.width = 0;
        }
        std::cerr << "zel copytree: " << zel_tool::NameBytes(name) << ": not copied: "
                  << FailureReason(error) << "\n";
      });
  interrupts.Release();
  if (progress.show) {
    progress.Update(progress.current, "", progress.files, true);
    std::cerr << "\n";
  }
  if (g_interrupted.load()) {
    std::cerr << "zel copytree: interrupted; " << progress.files
              << " files started, the last one not written\n";
    return 130;
  }
  if (failed > 0) {
    std::cerr << "zel copytree: " << src << ": " << failed << (failed == 1 ? " entry" : " entries")
              << " could not be copied\n";
    return 1;
  }
  return 0;
}

ZEL_TOOL_COMMAND(
    copytree, "copy a folder tree with a progress line",
    "zel copytree [-q|--quiet] [--] SRC DST\n"
    "  Copies the folder SRC with everything in it into DST (made if missing),\n"
    "  keeping permission bits and modification times; symbolic links are copied\n"
    "  as links, and links already in DST are never followed. Each entry goes to\n"
    "  exactly its place in DST: an entry of another kind in the way (a folder\n"
    "  where a file goes) is reported and left alone, and the exit status is 1.\n"
    "  DST may not lie inside SRC. Each file is written under a temporary name\n"
    "  and renamed when complete. On a terminal a progress line shows bytes, files and the rate;\n"
    "  Ctrl-C stops cleanly (exit status 130).",
    RunCopyTree);

}  // namespace
