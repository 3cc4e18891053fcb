// Base64 inner loops, one set per instruction set, chosen once at run time.
//
// The stream functions of base64.h cut their input into large chunks and
// hand the bulk of each chunk to these loops; everything that is not a plain
// run of full groups (padding, the final partial group, "=" inside the text,
// invalid characters) is handled by the portable code around them, so every
// kernel set produces byte-for-byte the same result as the portable one.
//
// Buffer slack: kernels never read past the end of their input but may
// write up to kBase64Slack bytes past the end of their output; callers
// provide that much room.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zel/export.h"

namespace zel::internal {

inline constexpr size_t kBase64Slack = 64;

struct Base64Kernels {
  const char* name;
  // Encodes groups * 3 bytes into groups * 4 characters (no padding).
  void (*encode)(const uint8_t* src, size_t groups, uint8_t* dst);
  // Encodes lines * 45 bytes into lines * 62 bytes: 60 characters, CR, LF.
  void (*encode_lines)(const uint8_t* src, size_t lines, uint8_t* dst);
  // Decodes leading groups of four alphabet characters (no "=") into three
  // bytes each; stops early, at a vector boundary, before the first group
  // that holds anything else. Returns the number of groups decoded.
  size_t (*decode)(const uint8_t* src, size_t groups, uint8_t* dst);
  // Copies n bytes leaving out every CR and LF; returns the count written.
  size_t (*strip_line_breaks)(const uint8_t* src, size_t n, uint8_t* dst);
};

// The reference implementation; always present.
ZEL_API const Base64Kernels& Base64PortableKernels();
// Vector implementations; nullptr when this build or this processor lacks
// the instructions, or the switches of zel/platform/cpu_features.h hide them.
ZEL_API const Base64Kernels* Base64Avx2Kernels();
ZEL_API const Base64Kernels* Base64Avx512Kernels();

// The set the stream functions use: the fastest one available now. Tests
// select the others with ForcePortable and CapCpuLevel.
ZEL_API const Base64Kernels& Base64ActiveKernels();

// Kernel sets defined in the instruction-set files (internal linkage across
// the library only).
const Base64Kernels* Base64Avx2KernelsImpl();
const Base64Kernels* Base64Avx512KernelsImpl();

}  // namespace zel::internal
