#include "support/temp_dir.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

#include "zel/runtime/filename.h"

namespace zel_test {

TempDir::TempDir() {
  // A new folder of a random name: create_directory reports whether it made
  // the folder, so one that exists already is never shared.
  static std::mt19937_64 random{std::random_device{}()};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = base / ("zel-test-" + std::to_string(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, ec);
      path_ = candidate;
      return;
    }
    if (ec) throw std::runtime_error("cannot make a temporary folder: " + ec.message());
  }
  throw std::runtime_error("cannot make a temporary folder: every name taken");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

zel::String TempDir::File(const std::string& name) const {
  return zel::PathToFileName(PathText(path_ / PathOf(name)));
}

zel::String TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path_ / PathOf(name), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return File(name);
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path PathOf(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string TempDir::Read(const zel::String& path) {
  std::string bytes;
  zel::FileNameToPath(path, bytes);
  std::ifstream in(PathOf(bytes), std::ios::binary);
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
