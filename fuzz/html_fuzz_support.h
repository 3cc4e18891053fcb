// Text input of the HTML fuzz targets. The first byte chooses how the rest
// becomes a String: even, one character per byte (markup and escapes are found
// quickly); odd, little-endian UTF-16 units (characters above 255, surrogate
// halves). Check() aborts with a message, which libFuzzer reports as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "zel/runtime/types.h"

namespace zel_fuzz {

inline zel::String FuzzText(const uint8_t* data, size_t size) {
  zel::String text;
  if (size == 0) return text;
  if (data[0] % 2 == 0) {
    text.assign(data + 1, data + size);
  } else {
    for (size_t i = 1; i + 1 < size; i += 2)
      text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  return text;
}

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace zel_fuzz
