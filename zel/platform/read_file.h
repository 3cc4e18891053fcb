// Sequential read-only access to a whole file, for checksums and digests.
//
// ReadFileInBlocks opens the file at `path` (a native path: bytes, no NUL;
// the runtime's FileNameToPath makes one of a file name) for reading only,
// hands its contents to `consume` in order, in blocks of at most
// kReadFileBlock bytes, and closes it again in every case. It returns false,
// without raising, when the path is empty or holds NUL, the file cannot be
// opened, is a directory, or a read fails midway (the blocks consumed so far
// were then a prefix only). Exceptions thrown by `consume` pass through after
// the file is closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "zel/export.h"

namespace zel::internal {

inline constexpr size_t kReadFileBlock = 256 * 1024;

ZEL_API bool ReadFileInBlocks(const std::string& path,
                              const std::function<void(const uint8_t* data, size_t len)>& consume);

}  // namespace zel::internal
