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

bool AllocationFailuresAreFatal() {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
  return true;
#else
  return false;
#endif
}

}  // namespace zel_test
