// Sequential read-only access to a whole file, for checksums and digests.
//
// ReadFileInBlocks opens the named file for reading only (the name is UTF-16
// and becomes UTF-8 on this platform), hands its contents to `consume` in
// order, in blocks of at most kReadFileBlock bytes, and closes it again in
// every case. It returns false, without raising, when the file cannot be
// opened, is a directory, or a read fails midway (the blocks consumed so far
// were then a prefix only). Exceptions thrown by `consume` pass through after
// the file is closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "zel/runtime/export.h"
#include "zel/runtime/types.h"

namespace zel::internal {

inline constexpr size_t kReadFileBlock = 256 * 1024;

ZEL_API bool ReadFileInBlocks(const String& name,
                              const std::function<void(const uint8_t* data, size_t len)>& consume);

}  // namespace zel::internal
