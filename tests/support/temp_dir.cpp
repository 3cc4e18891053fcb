#include "support/temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "zel/runtime/filename.h"

namespace zel_test {

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "zel-test-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

zel::String TempDir::File(const std::string& name) const {
  return zel::PathToFileName((path_ / name).string());
}

zel::String TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return File(name);
}

std::string TempDir::Read(const zel::String& path) {
  std::string bytes;
  zel::FileNameToPath(path, bytes);
  std::ifstream in(bytes, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zel_test

// Tests check that allocations no memory can satisfy surface as EOutOfMemory.
// Under AddressSanitizer such a request must fail the way it does in a plain
// build (operator new raising std::bad_alloc) rather than end the process; this
// file is linked into every test binary that uses temporary files.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEL_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ZEL_TEST_ASAN)
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif
