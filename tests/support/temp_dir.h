// A fresh temporary directory for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

#include "zel/runtime/types.h"

namespace zel_test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Path of a file inside the directory, as a zel String.
  zel::String File(const std::string& name) const;
  // Writes bytes to a file inside the directory and returns its path.
  zel::String Write(const std::string& name, const std::string& bytes) const;
  // Reads a whole file's bytes.
  static std::string Read(const zel::String& path);

 private:
  std::filesystem::path path_;
};

// True where an allocation no memory can satisfy ends the process instead of
// raising std::bad_alloc (AddressSanitizer's operator new does), so tests of
// the EOutOfMemory paths skip those checks there.
// The path as the library's byte paths write it (UTF-8), and back; unlike
// path::string() these keep every name on Windows too.
std::string PathText(const std::filesystem::path& path);
std::filesystem::path PathOf(const std::string& text);

bool AllocationFailuresAreFatal();

}  // namespace zel_test
