// Input, output and error reporting shared by the commands of the zel tool.
//
// The rules every command follows (main.cpp enforces the common part):
//   - a usage error (Fail) prints "zel <command>: <message>" and the usage on
//     standard error, exit status 2;
//   - a runtime failure about a file (FailFile, or a FileError thrown by the
//     helpers below) prints "zel <command>: <file>: <reason>", exit status 1
//     (2 for `zel grep`, whose 1 means "no match");
//   - standard output is flushed and checked after the command returns; a
//     failed write prints "zel: write error: <reason>" and exits 1;
//   - "-" names standard input; input that cannot be read twice (a pipe, a
//     terminal) is read once, into memory or a temporary file;
//   - files are written through the safe replacement primitive: never half
//     written, the previous contents kept on failure, devices written directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zel/runtime/types.h"

namespace zel_tool {

// A runtime failure about a file; main prints "zel <command>: <file>: <reason>".
struct FileError {
  std::string file;
  std::string reason;
};
[[noreturn]] void FailFile(const std::string& file, const std::string& reason);

// The text of an errno value ("No space left on device").
std::string ErrnoText(int err);

// Hands the bytes of the named file ("-" = standard input) to `consume` in
// blocks. False when it cannot be read; `reason` then says why ("No such file
// or directory", "Is a directory", "read error", ...).
bool ReadInputBlocks(const std::string& name,
                     const std::function<void(const uint8_t* data, size_t len)>& consume,
                     std::string& reason);

// The whole input in one string; false (with `reason`) when it cannot be read.
bool ReadInput(const std::string& name, std::string& bytes, std::string& reason);
// The same, raising FileError.
std::string ReadInputOrFail(const std::string& name);

// A named input that may be opened and read more than once. A regular file is
// used where it is; standard input ("-"), a pipe, a FIFO or a terminal is
// copied once to a private temporary file that goes with the destructor
// (Linux: a file with no name left, reached as /proc/self/fd/N; Windows: a
// file in a private folder of the temporary folder).
// Raises FileError when the input cannot be read.
class SeekableInput {
 public:
  explicit SeekableInput(const std::string& name);
  ~SeekableInput();
  SeekableInput(const SeekableInput&) = delete;
  SeekableInput& operator=(const SeekableInput&) = delete;

  const std::string& Name() const { return name_; }  // as given, for messages
  const std::string& Path() const { return path_; }  // what to open
  zel::String FileName() const;                      // Path() as a zel file name

 private:
  void Discard();  // closes and removes the copy

  std::string name_, path_;
  std::string folder_;  // the private folder holding the copy (Windows), or empty
  int fd_ = -1;         // the open temporary (already unlinked), or -1
};

// A file name from the library as the bytes the system stores, for printing:
// names that are not UTF-8 come out as they are on disk.
std::string NameBytes(const zel::String& name);

// Writes bytes as the whole new contents of the file, through the safe
// replacement primitive. Raises FileError (with the reason) on failure; the
// previous contents are then kept. "-" writes standard output.
void WriteOutputFile(const std::string& name, const std::string& bytes);

// The outputs of one run, written together: first every file's contents go
// to its temporary (and to the disk), then what goes to standard output
// ("-") is written and flushed, and only when all of that succeeded are the
// files replaced, one rename each. A failure before the renames (a full disk,
// a missing folder, a failed standard output) leaves every file as it was and
// raises FileError (OutputError for standard output). A file named twice is
// refused before anything is written. Devices and FIFOs are written directly
// and cannot wait for the others.
struct OutputFile {
  std::string name;  // as given; "-" = standard output
  std::string bytes;
};
void WriteOutputFiles(const std::vector<OutputFile>& outputs);

// Runs `write` with the file it should write for the output named `name`:
// the file itself, or for "-" (standard output) an anonymous scratch file
// whose contents then go to standard output. Exceptions of `write` pass
// through; a failed scratch file raises FileError, a failed standard output
// OutputError.
void WriteThroughFile(const std::string& name, const std::function<void(const zel::String& file)>& write);

// Thrown by FailOutput: standard output failed with the errno value given;
// main reports "zel: write error: <reason>" and exits 1.
struct OutputError {};
[[noreturn]] void FailOutput(int err);

// Called once by main before any input or output: gets the standard streams
// ready (binary, UTF-8 at a console), and std::cout then writes through a
// buffer of ours that keeps the reason of a failed write for FinishOutput.
// Every command writes standard output through std::cout or WriteOutput.
void InstallOutput();

// Writes bytes to standard output; false when the write failed.
bool WriteOutput(const char* data, size_t len);
inline bool WriteOutput(const std::string& s) { return WriteOutput(s.data(), s.size()); }

// Flushes standard output; false when that or an earlier
// write failed, after printing "zel: write error: <reason>" on standard error
// (once, however often it is called). The argument is not used any more; it
// stays for the commands that pass their name.
bool FinishOutput(const char* command = nullptr);

}  // namespace zel_tool
