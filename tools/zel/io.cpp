#include "io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <vector>

#include "zel/platform/read_file.h"
#include "zel/runtime/utf8.h"

namespace zel_tool {

namespace {

std::string FileReason(const std::string& name) {
  std::error_code ec;
  const auto st = std::filesystem::status(name, ec);
  if (ec || !std::filesystem::exists(st)) return "No such file or directory";
  if (std::filesystem::is_directory(st)) return "Is a directory";
  return "cannot be read";
}

bool g_write_failed = false;
int g_write_errno = 0;

}  // namespace

bool ReadInputBlocks(const std::string& name,
                     const std::function<void(const uint8_t* data, size_t len)>& consume,
                     std::string& reason) {
  if (name != "-") {
    if (zel::internal::ReadFileInBlocks(zel::Utf8ToString(name), consume)) return true;
    reason = FileReason(name);
    return false;
  }
  std::vector<uint8_t> block(zel::internal::kReadFileBlock);
  for (;;) {
    const size_t n = std::fread(block.data(), 1, block.size(), stdin);
    if (n > 0) consume(block.data(), n);
    if (n < block.size()) {
      if (!std::ferror(stdin)) return true;
      reason = "read error";
      return false;
    }
  }
}

bool ReadInput(const std::string& name, std::string& bytes, std::string& reason) {
  bytes.clear();
  return ReadInputBlocks(
      name,
      [&bytes](const uint8_t* d, size_t n) { bytes.append(reinterpret_cast<const char*>(d), n); },
      reason);
}

bool WriteOutput(const char* data, size_t len) {
  if (len == 0 || g_write_failed) return !g_write_failed;
  std::cout.write(data, static_cast<std::streamsize>(len));
  if (!std::cout) {
    g_write_failed = true;
    g_write_errno = errno;
  }
  return !g_write_failed;
}

bool FinishOutput(const char* command) {
  if (!g_write_failed) {
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0) {
      g_write_failed = true;
      g_write_errno = errno;
    }
  }
  if (g_write_failed)
    std::cerr << "zel " << command << ": write error"
              << (g_write_errno != 0 ? std::string(": ") + std::strerror(g_write_errno) : "")
              << "\n";
  return !g_write_failed;
}

}  // namespace zel_tool
