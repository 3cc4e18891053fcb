// Differential fuzzing of the checksum and digest paths: for any input, split
// anywhere and at any alignment, every instruction-set path gives the same
// CRC-16, CRC-32 and SHA-1 as the portable code run in one piece.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zel/dstruct/internal/crc_kernels.h"
#include "zel/dstruct/internal/sha1_engine.h"
#include "zel/platform/cpu_features.h"

namespace {

using zel::internal::CpuLevel;

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Byte 0: alignment; byte 1: chunk length for the piecewise runs.
  const size_t align = data[0] % 64;
  const size_t chunk = size_t{data[1]} * 7 + 1;
  std::vector<uint8_t> copy(align + size - 2);
  std::memcpy(copy.data() + align, data + 2, size - 2);
  const uint8_t* p = copy.data() + align;
  const size_t n = size - 2;

  zel::internal::ForcePortable(true);
  const uint32_t crc32 = zel::internal::Crc32Portable(0xFFFFFFFFu, p, n);
  const uint16_t crc16 = zel::internal::Crc16Portable(0x1D0F, p, n);
  zel::internal::Sha1Context ref;
  ref.Update(p, n);
  const auto sha1 = ref.Final();
  zel::internal::ForcePortable(false);

  for (CpuLevel level : {CpuLevel::kPortable, CpuLevel::kPCLMUL, CpuLevel::kAVX512}) {
    zel::internal::CapCpuLevel(level);
    Check(zel::internal::Crc32Update(0xFFFFFFFFu, p, n) == crc32);
    Check(zel::internal::Crc16Update(0x1D0F, p, n) == crc16);
    uint32_t r32 = 0xFFFFFFFFu;
    uint16_t r16 = 0x1D0F;
    zel::internal::Sha1Context ctx;
    for (size_t pos = 0; pos < n; pos += chunk) {
      const size_t len = n - pos < chunk ? n - pos : chunk;
      r32 = zel::internal::Crc32Update(r32, p + pos, len);
      r16 = zel::internal::Crc16Update(r16, p + pos, len);
      ctx.Update(p + pos, len);
    }
    Check(r32 == crc32 && r16 == crc16 && ctx.Final() == sha1);
  }
  zel::internal::ResetCpuFeatureSwitches();
  return 0;
}
