#include "support/temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "zel/runtime/utf8.h"

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
  return zel::Utf8ToString((path_ / name).string());
}

zel::String TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return File(name);
}

std::string TempDir::Read(const zel::String& path) {
  std::ifstream in(zel::StringToUtf8(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zel_test
