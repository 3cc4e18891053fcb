// Stands in until reading whole files has its Windows implementation.
#include "zel/platform/read_file.h"

namespace zel::internal {

bool ReadFileInBlocks(const std::string&, const std::function<void(const uint8_t*, size_t)>&) {
  return false;
}

}  // namespace zel::internal
