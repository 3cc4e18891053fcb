#include "zel/dstruct/sha1.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <typeinfo>
#include <vector>

#include "zel/dstruct/internal/sha1_engine.h"
#include "zel/platform/cpu_features.h"

namespace zel {
namespace internal {
namespace {

inline uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadBE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

inline void StoreBE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

}  // namespace

void Sha1CompressPortable(uint32_t state[5], const uint8_t* blocks, size_t nblocks) {
  for (; nblocks > 0; --nblocks, blocks += 64) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = LoadBE32(blocks + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = Rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    auto step = [&](uint32_t f, uint32_t k, uint32_t wi) {
      const uint32_t t = Rol(a, 5) + f + e + k + wi;
      e = d;
      d = c;
      c = Rol(b, 30);
      b = a;
      a = t;
    };
    for (int i = 0; i < 20; ++i) step((b & c) | (~b & d), 0x5A827999u, w[i]);
    for (int i = 20; i < 40; ++i) step(b ^ c ^ d, 0x6ED9EBA1u, w[i]);
    for (int i = 40; i < 60; ++i) step((b & c) | (b & d) | (c & d), 0x8F1BBCDCu, w[i]);
    for (int i = 60; i < 80; ++i) step(b ^ c ^ d, 0xCA62C1D6u, w[i]);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

void Sha1Compress(uint32_t state[5], const uint8_t* blocks, size_t nblocks) {
#if defined(__x86_64__) || defined(_M_X64)
  constexpr uint32_t kShaPath = kCpuSHA | kCpuSSE41 | kCpuSSSE3;
  if ((CpuFeatureBits() & kShaPath) == kShaPath) return Sha1CompressShani(state, blocks, nblocks);
#endif
  Sha1CompressPortable(state, blocks, nblocks);
}

void Sha1Context::Init() {
  bit_count_ = 0;
  index_ = 0;
  state_[0] = 0x67452301u;
  state_[1] = 0xEFCDAB89u;
  state_[2] = 0x98BADCFEu;
  state_[3] = 0x10325476u;
  state_[4] = 0xC3D2E1F0u;
  std::memset(buffer_, 0, sizeof buffer_);
}

void Sha1Context::Update(const void* data, size_t len) {
  if (len == 0) return;
  auto* p = static_cast<const uint8_t*>(data);
  bit_count_ += static_cast<uint64_t>(len) << 3;  // the length counts modulo 2^64 bits
  if (index_ > 0) {
    const size_t take = std::min<size_t>(64 - index_, len);
    std::memcpy(buffer_ + index_, p, take);
    index_ += static_cast<uint32_t>(take);
    p += take;
    len -= take;
    if (index_ < 64) return;
    Sha1Compress(state_, buffer_, 1);
    index_ = 0;
  }
  if (len >= 64) {
    Sha1Compress(state_, p, len / 64);
    p += len & ~size_t{63};
    len &= 63;
  }
  if (len > 0) {
    std::memcpy(buffer_, p, len);
    index_ = static_cast<uint32_t>(len);
  }
}

Sha1Digest Sha1Context::Final() {
  buffer_[index_] = 0x80;
  std::memset(buffer_ + index_ + 1, 0, 63 - index_);
  if (index_ >= 56) {
    Sha1Compress(state_, buffer_, 1);
    std::memset(buffer_, 0, sizeof buffer_);
  }
  StoreBE32(buffer_ + 56, static_cast<uint32_t>(bit_count_ >> 32));
  StoreBE32(buffer_ + 60, static_cast<uint32_t>(bit_count_));
  Sha1Compress(state_, buffer_, 1);
  Sha1Digest out;
  for (int i = 0; i < 5; ++i) StoreBE32(out.data() + 4 * i, state_[i]);
  // Leave nothing of the message behind.
  volatile uint8_t* wipe = reinterpret_cast<volatile uint8_t*>(this);
  for (size_t i = 0; i < sizeof(*this); ++i) wipe[i] = 0;
  return out;
}

}  // namespace internal

namespace {

// The UTF-16 code units as little-endian bytes, without copying on
// little-endian hosts.
void UpdateUtf16LE(internal::Sha1Context& ctx, const String& s, size_t max_bytes) {
  const size_t bytes = std::min(max_bytes, s.size() * 2);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  ctx.Update(s.data(), bytes);
#else
  std::vector<uint8_t> le;
  le.reserve(s.size() * 2);
  for (Char c : s) {
    le.push_back(static_cast<uint8_t>(c & 0xFF));
    le.push_back(static_cast<uint8_t>(c >> 8));
  }
  ctx.Update(le.data(), bytes);
#endif
}

}  // namespace

TSHACode SHA1FromString(const String& S) {
  internal::Sha1Context ctx;
  UpdateUtf16LE(ctx, S, S.size() * 2);
  return ctx.Final();
}

TSHACode SHA1FromString(const AnsiString& S) {
  internal::Sha1Context ctx;
  ctx.Update(S.data(), S.size());
  return ctx.Final();
}

TSHACode SHA1FromStringOLd(const String& S) {
  internal::Sha1Context ctx;
  UpdateUtf16LE(ctx, S, S.size());
  return ctx.Final();
}

TSHACode SHA1FromStream(TStream& S) {
  internal::Sha1Context ctx;
  // A plain memory stream is hashed where it lies; a subclass might change
  // what Read delivers, so only the exact classes take this path.
  const std::type_info& type = typeid(S);
  if (type == typeid(TMemoryStream) || type == typeid(TStringStream)) {
    auto& m = static_cast<TMemoryStream&>(S);
    const int64_t pos = m.Position();
    const int64_t size = m.Size();
    if (pos < size) {
      ctx.Update(m.Memory() + pos, static_cast<size_t>(size - pos));
      m.SetPosition(size);
    }
    return ctx.Final();
  }
  constexpr int64_t kBlock = 256 * 1024;
  std::unique_ptr<uint8_t[]> block(new uint8_t[kBlock]);
  for (;;) {
    const int64_t n = S.Read(block.get(), kBlock);
    if (n <= 0) break;
    ctx.Update(block.get(), static_cast<size_t>(n));
  }
  return ctx.Final();
}

TSHACode SHA1FromFile(const String& FileName) {
  TFileStream file(FileName, fmOpenRead);
  return SHA1FromStream(file);
}

String SHA1DigestToHex(const TSHACode& Digest) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  String out(40, u'0');
  for (size_t i = 0; i < Digest.size(); ++i) {
    out[2 * i] = static_cast<Char>(kHex[Digest[i] >> 4]);
    out[2 * i + 1] = static_cast<Char>(kHex[Digest[i] & 0x0F]);
  }
  return out;
}

}  // namespace zel
