#include "zel/platform/cpu_features.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
#define ZEL_CPU_X86 1
#include <cpuid.h>
#endif

namespace zel::internal {
namespace {

#if ZEL_CPU_X86
uint64_t ReadXcr0() {
  uint32_t eax = 0, edx = 0;
  // xgetbv with ecx = 0; spelled as an instruction so no -mxsave is needed.
  __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
  return (static_cast<uint64_t>(edx) << 32) | eax;
}

uint32_t Detect() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid_max(0, nullptr) < 1) return 0;
  __cpuid_count(1, 0, a, b, c, d);
  uint32_t bits = 0;
  if (c & (1u << 9)) bits |= kCpuSSSE3;
  if (c & (1u << 19)) bits |= kCpuSSE41;
  if (c & (1u << 1)) bits |= kCpuPCLMUL;
  const bool osxsave = (c & (1u << 27)) != 0;
  const bool avx = (c & (1u << 28)) != 0;
  uint64_t xcr0 = osxsave ? ReadXcr0() : 0;
  const bool ymm_ok = osxsave && avx && (xcr0 & 0x6) == 0x6;  // XMM, YMM
  const bool zmm_ok = ymm_ok && (xcr0 & 0xE0) == 0xE0;        // opmask, ZMM
  if (__get_cpuid_max(0, nullptr) >= 7) {
    __cpuid_count(7, 0, a, b, c, d);
    if (b & (1u << 29)) bits |= kCpuSHA;
    if (b & (1u << 8)) bits |= kCpuBMI2;
    if (ymm_ok && (b & (1u << 5))) bits |= kCpuAVX2;
    if (zmm_ok && (b & (1u << 16))) bits |= kCpuAVX512F;
    if (zmm_ok && (b & (1u << 30))) bits |= kCpuAVX512BW;
    if (zmm_ok && (b & (1u << 31))) bits |= kCpuAVX512VL;
    if (zmm_ok && (c & (1u << 1))) bits |= kCpuAVX512VBMI;
    if (ymm_ok && (c & (1u << 10))) bits |= kCpuVPCLMUL;
  }
  // SHA and PCLMUL kernels also use SSE4.1 instructions.
  if (!(bits & kCpuSSE41)) bits &= ~(kCpuSHA | kCpuPCLMUL);
  return bits;
}
#else
uint32_t Detect() { return 0; }
#endif

struct EnvSwitches {
  bool portable = false;
  uint32_t mask = kCpuAllFeatures;
};

EnvSwitches ReadEnvironment() {
  EnvSwitches env;
  if (const char* v = std::getenv("ZEL_FORCE_PORTABLE")) {
    env.portable = v[0] != '\0' && std::strcmp(v, "0") != 0;
  }
  if (const char* v = std::getenv("ZEL_CPU_LEVEL")) {
    static const struct {
      const char* name;
      CpuLevel level;
    } kNames[] = {{"portable", CpuLevel::kPortable},
                  {"sse", CpuLevel::kSSE},
                  {"pclmul", CpuLevel::kPCLMUL},
                  {"avx2", CpuLevel::kAVX2},
                  {"avx512", CpuLevel::kAVX512}};
    for (const auto& n : kNames) {
      if (std::strcmp(v, n.name) == 0) env.mask = CpuLevelFeatures(n.level);
    }
  }
  return env;
}

const EnvSwitches& Environment() {
  static const EnvSwitches env = ReadEnvironment();
  return env;
}

std::atomic<bool> g_portable{false};
std::atomic<uint32_t> g_mask{kCpuAllFeatures};
// Bits in use, recomputed on every switch; bit 31 marks "not yet computed".
constexpr uint32_t kUnset = 1u << 31;
std::atomic<uint32_t> g_in_use{kUnset};
std::atomic<bool> g_env_applied{false};

void ApplyEnvironmentOnce() {
  if (g_env_applied.exchange(true)) return;
  g_portable.store(Environment().portable, std::memory_order_relaxed);
  g_mask.store(Environment().mask, std::memory_order_relaxed);
}

void Recompute() {
  ApplyEnvironmentOnce();
  uint32_t bits = g_portable.load(std::memory_order_relaxed)
                      ? 0
                      : DetectedCpuFeatures() & g_mask.load(std::memory_order_relaxed);
  g_in_use.store(bits, std::memory_order_relaxed);
}

}  // namespace

uint32_t DetectedCpuFeatures() {
  static const uint32_t bits = Detect();
  return bits;
}

uint32_t CpuFeatureBits() {
  uint32_t bits = g_in_use.load(std::memory_order_relaxed);
  if (bits & kUnset) {
    Recompute();
    bits = g_in_use.load(std::memory_order_relaxed);
  }
  return bits;
}

void ForcePortable(bool force) {
  ApplyEnvironmentOnce();
  g_portable.store(force, std::memory_order_relaxed);
  Recompute();
}

bool PortableForced() {
  ApplyEnvironmentOnce();
  return g_portable.load(std::memory_order_relaxed);
}

void SetCpuFeatureMask(uint32_t mask) {
  ApplyEnvironmentOnce();
  g_mask.store(mask & kCpuAllFeatures, std::memory_order_relaxed);
  Recompute();
}

uint32_t CpuFeatureMask() {
  ApplyEnvironmentOnce();
  return g_mask.load(std::memory_order_relaxed);
}

uint32_t CpuLevelFeatures(CpuLevel level) {
  uint32_t bits = 0;
  if (level >= CpuLevel::kSSE) bits |= kCpuSSSE3 | kCpuSSE41;
  if (level >= CpuLevel::kPCLMUL) bits |= kCpuPCLMUL | kCpuSHA;
  if (level >= CpuLevel::kAVX2) bits |= kCpuAVX2 | kCpuBMI2;
  if (level >= CpuLevel::kAVX512) bits = kCpuAllFeatures;
  return bits;
}

void CapCpuLevel(CpuLevel level) { SetCpuFeatureMask(CpuLevelFeatures(level)); }

const char* CpuFeatureName(CpuFeature feature) {
  switch (feature) {
    case kCpuSSSE3:
      return "ssse3";
    case kCpuSSE41:
      return "sse4.1";
    case kCpuPCLMUL:
      return "pclmul";
    case kCpuSHA:
      return "sha";
    case kCpuAVX2:
      return "avx2";
    case kCpuBMI2:
      return "bmi2";
    case kCpuAVX512F:
      return "avx512f";
    case kCpuAVX512BW:
      return "avx512bw";
    case kCpuAVX512VL:
      return "avx512vl";
    case kCpuAVX512VBMI:
      return "avx512vbmi";
    case kCpuVPCLMUL:
      return "vpclmul";
    default:
      return "";
  }
}

void ResetCpuFeatureSwitches() {
  g_env_applied.store(true);
  g_portable.store(Environment().portable, std::memory_order_relaxed);
  g_mask.store(Environment().mask, std::memory_order_relaxed);
  Recompute();
}

}  // namespace zel::internal
