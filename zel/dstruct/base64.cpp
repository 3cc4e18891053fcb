#include "zel/dstruct/base64.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <span>

#include "zel/dstruct/internal/base64_kernels.h"
#include "zel/dstruct/internal/stream_chunks.h"
#include "zel/platform/cpu_features.h"

namespace zel {

namespace internal {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kInvalid = 0xFF;

// Character -> 6-bit value, kInvalid for everything outside the alphabet
// (including "=", CR and LF).
constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> t{};
  for (auto& v : t) v = kInvalid;
  for (uint8_t i = 0; i < 64; ++i) t[static_cast<uint8_t>(kAlphabet[i])] = i;
  return t;
}
constexpr std::array<uint8_t, 256> kDecode = MakeDecodeTable();

// Four tables that place a character's value directly at its bit position in
// the 24-bit group (bytes in output order, first byte lowest), with bit 24
// set for characters outside the alphabet, so one OR per group both decodes
// and validates.
struct GroupTables {
  std::array<uint32_t, 256> t[4];
};
constexpr GroupTables MakeGroupTables() {
  GroupTables g{};
  for (int c = 0; c < 256; ++c) {
    const uint32_t v = kDecode[static_cast<size_t>(c)];
    if (v == kInvalid) {
      for (auto& t : g.t) t[static_cast<size_t>(c)] = 1u << 24;
      continue;
    }
    // 24-bit value A<<18 | B<<12 | C<<6 | D, stored little-endian with the
    // most significant byte first in memory.
    const uint32_t parts[4] = {v << 18, v << 12, v << 6, v};
    for (int i = 0; i < 4; ++i) {
      const uint32_t x = parts[i];
      g.t[i][static_cast<size_t>(c)] = ((x >> 16) & 0xFF) | (x & 0xFF00) | ((x & 0xFF) << 16);
    }
  }
  return g;
}
constexpr GroupTables kGroup = MakeGroupTables();

void EncodePortable(const uint8_t* src, size_t groups, uint8_t* dst) {
  for (size_t i = 0; i < groups; ++i, src += 3, dst += 4) {
    const uint32_t v = (uint32_t{src[0]} << 16) | (uint32_t{src[1]} << 8) | src[2];
    dst[0] = static_cast<uint8_t>(kAlphabet[v >> 18]);
    dst[1] = static_cast<uint8_t>(kAlphabet[(v >> 12) & 63]);
    dst[2] = static_cast<uint8_t>(kAlphabet[(v >> 6) & 63]);
    dst[3] = static_cast<uint8_t>(kAlphabet[v & 63]);
  }
}

void EncodeLinesPortable(const uint8_t* src, size_t lines, uint8_t* dst) {
  for (size_t i = 0; i < lines; ++i, src += 45, dst += 62) {
    EncodePortable(src, 15, dst);
    dst[60] = 13;
    dst[61] = 10;
  }
}

size_t DecodePortable(const uint8_t* src, size_t groups, uint8_t* dst) {
  size_t i = 0;
  for (; i < groups; ++i, src += 4, dst += 3) {
    const uint32_t v =
        kGroup.t[0][src[0]] | kGroup.t[1][src[1]] | kGroup.t[2][src[2]] | kGroup.t[3][src[3]];
    if (v >> 24) break;
    dst[0] = static_cast<uint8_t>(v);
    dst[1] = static_cast<uint8_t>(v >> 8);
    dst[2] = static_cast<uint8_t>(v >> 16);
  }
  return i;
}

size_t StripLineBreaksPortable(const uint8_t* src, size_t n, uint8_t* dst) {
  size_t o = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = src[i];
    dst[o] = c;
    o += static_cast<size_t>((c != 13) & (c != 10));
  }
  return o;
}

constexpr Base64Kernels kPortable = {"portable", EncodePortable, EncodeLinesPortable,
                                     DecodePortable, StripLineBreaksPortable};

}  // namespace

const Base64Kernels& Base64PortableKernels() { return kPortable; }

const Base64Kernels* Base64Avx2Kernels() {
  return HasCpuFeatures(kCpuAVX2 | kCpuBMI2) ? Base64Avx2KernelsImpl() : nullptr;
}

const Base64Kernels* Base64Avx512Kernels() {
  return HasCpuFeatures(kCpuAVX512F | kCpuAVX512BW | kCpuAVX512VL | kCpuAVX512VBMI | kCpuBMI2)
             ? Base64Avx512KernelsImpl()
             : nullptr;
}

// Chosen on every call (one atomic load each), so the switches of
// cpu_features.h take effect at once.
const Base64Kernels& Base64ActiveKernels() {
  if (const Base64Kernels* k = Base64Avx512Kernels()) return *k;
  if (const Base64Kernels* k = Base64Avx2Kernels()) return *k;
  return kPortable;
}

}  // namespace internal

namespace {

using internal::Base64Kernels;
using internal::kBase64Slack;

constexpr size_t kLineBytes = 45;   // input bytes per 60-character line
constexpr size_t kLineOut = 62;     // 60 characters, CR, LF
constexpr size_t kBlockChars = 88;  // characters per decoding block
constexpr size_t kBlockGroups = kBlockChars / 4;

// Encodes a final run of fewer than three bytes with "=" padding; returns
// the characters written (0 or 4).
size_t EncodePartialGroup(const uint8_t* src, size_t n, uint8_t* dst) {
  if (n == 0) return 0;
  const uint32_t v = (uint32_t{src[0]} << 16) | (n > 1 ? uint32_t{src[1]} << 8 : 0u);
  dst[0] = static_cast<uint8_t>(internal::kAlphabet[v >> 18]);
  dst[1] = static_cast<uint8_t>(internal::kAlphabet[(v >> 12) & 63]);
  dst[2] = n > 1 ? static_cast<uint8_t>(internal::kAlphabet[(v >> 6) & 63]) : '=';
  dst[3] = '=';
  return 4;
}

// Encodes n bytes (any count) with padding; returns the characters written.
size_t EncodeRun(const Base64Kernels& k, const uint8_t* src, size_t n, uint8_t* dst) {
  const size_t groups = n / 3;
  k.encode(src, groups, dst);
  return groups * 4 + EncodePartialGroup(src + groups * 3, n % 3, dst + groups * 4);
}

// Output bytes of one group that decoded successfully.
size_t GroupOutput(const uint8_t* g) { return g[2] == '=' ? 1 : g[3] == '=' ? 2 : 3; }

// Decodes one group by the full rules ("=" in the third or fourth position,
// validation of every character); returns the bytes written or -1.
int DecodeGroup(const uint8_t* g, uint8_t* dst) {
  const uint8_t a = internal::kDecode[g[0]];
  const uint8_t b = internal::kDecode[g[1]];
  if (a == internal::kInvalid || b == internal::kInvalid) return -1;
  dst[0] = static_cast<uint8_t>((a << 2) | (b >> 4));
  if (g[2] == '=') return (g[3] == '=' || internal::kDecode[g[3]] != internal::kInvalid) ? 1 : -1;
  const uint8_t c = internal::kDecode[g[2]];
  if (c == internal::kInvalid) return -1;
  dst[1] = static_cast<uint8_t>((b << 4) | (c >> 2));
  if (g[3] == '=') return 2;
  const uint8_t d = internal::kDecode[g[3]];
  if (d == internal::kInvalid) return -1;
  dst[2] = static_cast<uint8_t>((c << 6) | d);
  return 3;
}

// Decodes a final group of one to three characters (text without padding).
int DecodeShortGroup(const uint8_t* g, size_t n, uint8_t* dst) {
  if (n < 2) return -1;
  uint8_t full[4] = {g[0], g[1], n > 2 ? g[2] : uint8_t{'='}, '='};
  return DecodeGroup(full, dst);
}

struct TextResult {
  bool ok;
  size_t out_len;     // bytes decoded (on failure: bytes before the failing block)
  size_t fail_group;  // group index of the failure
};

// Decodes len significant characters (a whole number of blocks, or the final
// piece of the input).
TextResult DecodeText(const Base64Kernels& k, const uint8_t* text, size_t len, uint8_t* dst) {
  const size_t groups = len / 4;
  size_t g = 0;
  size_t o = 0;
  size_t fail = SIZE_MAX;
  while (g < groups) {
    const size_t done = k.decode(text + g * 4, groups - g, dst + o);
    g += done;
    o += done * 3;
    if (g == groups) break;
    // Something other than a plain group lies ahead: take the groups one by
    // one past the kernel's vector width, then hand back to the kernel.
    const size_t stop = std::min(groups, g + 16);
    for (; g < stop; ++g) {
      const int r = DecodeGroup(text + g * 4, dst + o);
      if (r < 0) {
        fail = g;
        break;
      }
      o += static_cast<size_t>(r);
    }
    if (fail != SIZE_MAX) break;
  }
  if (fail == SIZE_MAX && len % 4 != 0) {
    const int r = DecodeShortGroup(text + groups * 4, len % 4, dst + o);
    if (r < 0)
      fail = groups;
    else
      o += static_cast<size_t>(r);
  }
  if (fail == SIZE_MAX) return {true, o, 0};
  // Undo the groups of the failing block that were decoded before the fault.
  for (size_t j = fail - fail % kBlockGroups; j < fail; ++j) o -= GroupOutput(text + j * 4);
  return {false, o, fail};
}

// Index just after the count-th byte of raw[0..n) that is neither CR nor LF
// (count >= 1); n when there are fewer.
size_t RawIndexAfter(const uint8_t* raw, size_t n, size_t count) {
  for (size_t i = 0; i < n; ++i) {
    if (raw[i] != 13 && raw[i] != 10 && --count == 0) return i + 1;
  }
  return n;
}

}  // namespace

void EncodeBase64(TStream& InStream, TStream& OutStream, bool LineBreaks) {
  const Base64Kernels& k = internal::Base64ActiveKernels();
  constexpr size_t kChunk = kLineBytes * 1024;  // whole lines and whole groups
  internal::ChunkSource source(InStream, kChunk);
  internal::ChunkBuffer dst(kChunk / kLineBytes * kLineOut + kBase64Slack);
  for (;;) {
    const std::span<const uint8_t> chunk = source.Peek();
    const uint8_t* src = chunk.data();
    const size_t n = chunk.size();
    if (n == 0) return;
    size_t o;
    if (LineBreaks) {
      const size_t lines = n / kLineBytes;
      k.encode_lines(src, lines, dst.data());
      o = lines * kLineOut;
      const size_t rest = n - lines * kLineBytes;
      if (rest != 0) {
        o += EncodeRun(k, src + lines * kLineBytes, rest, dst.data() + o);
        dst[o++] = 13;
        dst[o++] = 10;
      }
    } else {
      o = EncodeRun(k, src, n, dst.data());
    }
    source.Consume(n);
    OutStream.WriteBuffer(dst.data(), static_cast<int64_t>(o));
    if (n < kChunk) return;
  }
}

int32_t DecodeBase64(TStream& InStream, TStream& OutStream) {
  const Base64Kernels& k = internal::Base64ActiveKernels();
  constexpr size_t kChunk = kBlockChars * 745;  // whole blocks, about 64 KiB
  internal::ChunkSource source(InStream, kChunk);
  internal::ChunkBuffer text(kChunk + kBlockChars + kBase64Slack);
  internal::ChunkBuffer dst((kChunk + kBlockChars) / 4 * 3 + 3 + kBase64Slack);
  size_t carry = 0;  // characters of an unfinished block kept at text's front
  for (;;) {
    const std::span<const uint8_t> raw = source.Peek();
    const size_t n = raw.size();
    const bool at_end = n < kChunk;
    // Text without line breaks decodes straight from the input, whole blocks
    // of plain groups at a time; the rest goes through the line-break filter.
    size_t direct = 0;
    if (carry == 0)
      direct = k.decode(raw.data(), n / 4, dst.data()) * 4 / kBlockChars * kBlockChars;
    const size_t base = direct / 4 * 3;
    const size_t m =
        carry + k.strip_line_breaks(raw.data() + direct, n - direct, text.data() + carry);
    // Decode whole blocks only, so that a failure can drop exactly its block.
    const size_t len = at_end ? m : m - m % kBlockChars;
    const TextResult r = DecodeText(k, text.data(), len, dst.data() + base);
    if (!r.ok) {
      // Leave the input just after the failing block, as if it had been read
      // block by block; a short final block was read to the end anyway.
      const size_t block_end = (r.fail_group - r.fail_group % kBlockGroups) * 4 + kBlockChars;
      source.Consume(block_end <= m ? direct + RawIndexAfter(raw.data() + direct, n - direct,
                                                             block_end - carry)
                                    : n);
    } else {
      source.Consume(n);
    }
    const size_t out_len = base + r.out_len;
    if (out_len != 0) OutStream.WriteBuffer(dst.data(), static_cast<int64_t>(out_len));
    if (!r.ok) return -1;
    if (at_end) return 0;
    carry = m - len;
    std::memmove(text.data(), text.data() + len, carry);
  }
}

}  // namespace zel
