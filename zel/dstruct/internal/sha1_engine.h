// The SHA-1 digest engine (FIPS 180-4 SHA-1) behind the SHA1From... functions
// and the bit field's hash.
//
// Sha1Context keeps the 64-bit message length, the fill index of a 64-byte
// block buffer, the five state words and the buffer. Update copies bytes into
// the buffer and compresses each full block; whole blocks found directly in
// the input are compressed in place without copying. Final appends the
// padding (0x80, zeros, the bit count big-endian), writes the five state
// words big-endian and zeroes the context; call Init before reusing it.
//
// Compression runs on the SHA extensions when the processor has them
// (sha1_shani.cpp), else on the portable code; both give the same state.
// Cost: about 2 cycles per byte with the SHA extensions, 5-6 without.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "zel/export.h"

namespace zel::internal {

using Sha1Digest = std::array<uint8_t, 20>;

class ZEL_API Sha1Context {
 public:
  Sha1Context() { Init(); }
  void Init();
  void Update(const void* data, size_t len);
  Sha1Digest Final();

 private:
  uint64_t bit_count_;
  uint32_t index_;
  uint32_t state_[5];
  uint8_t buffer_[64];
};

// Compresses nblocks consecutive 64-byte blocks into state (dispatching).
ZEL_API void Sha1Compress(uint32_t state[5], const uint8_t* blocks, size_t nblocks);
// The portable reference.
ZEL_API void Sha1CompressPortable(uint32_t state[5], const uint8_t* blocks, size_t nblocks);

#if defined(__x86_64__) || defined(_M_X64)
// Needs SHA, SSE4.1 and SSSE3.
void Sha1CompressShani(uint32_t state[5], const uint8_t* blocks, size_t nblocks);
#endif

}  // namespace zel::internal
