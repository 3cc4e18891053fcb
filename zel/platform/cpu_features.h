// Run-time detection of the processor's instruction sets, for kernel dispatch.
//
// The library's hot loops (checksums, digests, encodings) exist once in
// portable C++ and again as instruction-set kernels, each in its own source
// file compiled with the flags its suffix names (_ssse3, _sse41, _pclmul,
// _shani, _avx2, _avx512, _vpclmul). A dispatcher asks CpuFeatureBits() which
// kernels it may call and falls back to the portable code otherwise.
//
// Detection runs once (cpuid, plus xgetbv to make sure the operating system
// saves the AVX and AVX-512 register state) and is cached. The result can be
// narrowed, never widened, for tests and debugging:
//   - ForcePortable(true), or the environment variable ZEL_FORCE_PORTABLE=1,
//     makes every dispatcher take its portable path;
//   - CapCpuLevel(level), or ZEL_CPU_LEVEL=portable|sse|pclmul|avx2|avx512,
//     hides every feature above a level, so each path can be exercised in turn;
//   - SetCpuFeatureMask(mask) hides any chosen set of features.
// The switches are process-wide and thread-safe (relaxed atomics): a call that
// is already inside a kernel finishes there. Cost of CpuFeatureBits(): one
// atomic load after the first call.
#pragma once

#include <cstdint>

#include "zel/export.h"

namespace zel::internal {

// One bit per instruction-set extension a kernel may need.
enum CpuFeature : uint32_t {
  kCpuSSSE3 = 1u << 0,
  kCpuSSE41 = 1u << 1,
  kCpuPCLMUL = 1u << 2,  // PCLMULQDQ (128-bit carry-less multiply)
  kCpuSHA = 1u << 3,     // SHA-1/SHA-256 extensions
  kCpuAVX2 = 1u << 4,    // AVX2 with OS support for the YMM state
  kCpuBMI2 = 1u << 5,
  kCpuAVX512F = 1u << 6,  // AVX-512 foundation with OS support for ZMM state
  kCpuAVX512BW = 1u << 7,
  kCpuAVX512VL = 1u << 8,
  kCpuAVX512VBMI = 1u << 9,
  kCpuVPCLMUL = 1u << 10,  // VPCLMULQDQ on YMM/ZMM registers
  kCpuAllFeatures = (1u << 11) - 1,
};

// Cumulative levels for CapCpuLevel; each includes the ones before it.
enum class CpuLevel : int {
  kPortable = 0,  // nothing: portable code only
  kSSE = 1,       // SSSE3, SSE4.1
  kPCLMUL = 2,    // + PCLMULQDQ, SHA
  kAVX2 = 3,      // + AVX2, BMI2
  kAVX512 = 4,    // + AVX-512 F/BW/VL/VBMI, VPCLMULQDQ (everything)
};

// What the processor and operating system support, ignoring every switch.
ZEL_API uint32_t DetectedCpuFeatures();

// The features kernels may use now: detected & mask, or 0 when the portable
// path is forced.
ZEL_API uint32_t CpuFeatureBits();

// True when every bit of `features` may be used now.
inline bool HasCpuFeatures(uint32_t features) { return (CpuFeatureBits() & features) == features; }

// Forces (true) or releases (false) the portable path everywhere. Releasing
// does not undo a mask or cap.
ZEL_API void ForcePortable(bool force);
ZEL_API bool PortableForced();

// Hides every feature outside `mask` (kCpuAllFeatures shows all again).
ZEL_API void SetCpuFeatureMask(uint32_t mask);
ZEL_API uint32_t CpuFeatureMask();

// Hides every feature above `level`; CpuLevel::kAVX512 shows all again.
ZEL_API void CapCpuLevel(CpuLevel level);

// The features of `level` and below.
ZEL_API uint32_t CpuLevelFeatures(CpuLevel level);

// Readable list of feature bits, e.g. "ssse3 sse4.1 pclmul" (for tools).
ZEL_API const char* CpuFeatureName(CpuFeature feature);

// Restores the state the environment asked for at start-up (tests use it
// to undo their changes).
ZEL_API void ResetCpuFeatureSwitches();

}  // namespace zel::internal
