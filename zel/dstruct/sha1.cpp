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

// The 80 rounds fully unrolled, the message schedule kept in a rolling
// window of 16 words, the variables renamed instead of moved each round.
#define ZEL_SHA1_W(i) \
  (w[(i)&15] = Rol(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))
#define ZEL_SHA1_ROUND(a, b, c, d, e, f, k, wi) \
  do {                                          \
    e += Rol(a, 5) + (f) + (k) + (wi);          \
    b = Rol(b, 30);                             \
  } while (0)
#define ZEL_SHA1_F1(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define ZEL_SHA1_F2(b, c, d) ((b) ^ (c) ^ (d))
#define ZEL_SHA1_F3(b, c, d) (((b) & (c)) | ((d) & ((b) | (c))))
#define ZEL_SHA1_FIVE(i, F, k, W)                         \
  ZEL_SHA1_ROUND(a, b, c, d, e, F(b, c, d), k, W(i));     \
  ZEL_SHA1_ROUND(e, a, b, c, d, F(a, b, c), k, W(i + 1)); \
  ZEL_SHA1_ROUND(d, e, a, b, c, F(e, a, b), k, W(i + 2)); \
  ZEL_SHA1_ROUND(c, d, e, a, b, F(d, e, a), k, W(i + 3)); \
  ZEL_SHA1_ROUND(b, c, d, e, a, F(c, d, e), k, W(i + 4))
#define ZEL_SHA1_W0(i) w[i]

void Sha1CompressPortable(uint32_t state[5], const uint8_t* blocks, size_t nblocks) {
  for (; nblocks > 0; --nblocks, blocks += 64) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBE32(blocks + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    ZEL_SHA1_FIVE(0, ZEL_SHA1_F1, 0x5A827999u, ZEL_SHA1_W0);
    ZEL_SHA1_FIVE(5, ZEL_SHA1_F1, 0x5A827999u, ZEL_SHA1_W0);
    ZEL_SHA1_FIVE(10, ZEL_SHA1_F1, 0x5A827999u, ZEL_SHA1_W0);
    ZEL_SHA1_ROUND(a, b, c, d, e, ZEL_SHA1_F1(b, c, d), 0x5A827999u, w[15]);
    ZEL_SHA1_ROUND(e, a, b, c, d, ZEL_SHA1_F1(a, b, c), 0x5A827999u, ZEL_SHA1_W(16));
    ZEL_SHA1_ROUND(d, e, a, b, c, ZEL_SHA1_F1(e, a, b), 0x5A827999u, ZEL_SHA1_W(17));
    ZEL_SHA1_ROUND(c, d, e, a, b, ZEL_SHA1_F1(d, e, a), 0x5A827999u, ZEL_SHA1_W(18));
    ZEL_SHA1_ROUND(b, c, d, e, a, ZEL_SHA1_F1(c, d, e), 0x5A827999u, ZEL_SHA1_W(19));
    ZEL_SHA1_FIVE(20, ZEL_SHA1_F2, 0x6ED9EBA1u, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(25, ZEL_SHA1_F2, 0x6ED9EBA1u, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(30, ZEL_SHA1_F2, 0x6ED9EBA1u, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(35, ZEL_SHA1_F2, 0x6ED9EBA1u, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(40, ZEL_SHA1_F3, 0x8F1BBCDCu, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(45, ZEL_SHA1_F3, 0x8F1BBCDCu, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(50, ZEL_SHA1_F3, 0x8F1BBCDCu, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(55, ZEL_SHA1_F3, 0x8F1BBCDCu, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(60, ZEL_SHA1_F2, 0xCA62C1D6u, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(65, ZEL_SHA1_F2, 0xCA62C1D6u, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(70, ZEL_SHA1_F2, 0xCA62C1D6u, ZEL_SHA1_W);
    ZEL_SHA1_FIVE(75, ZEL_SHA1_F2, 0xCA62C1D6u, ZEL_SHA1_W);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

#undef ZEL_SHA1_W
#undef ZEL_SHA1_W0
#undef ZEL_SHA1_ROUND
#undef ZEL_SHA1_F1
#undef ZEL_SHA1_F2
#undef ZEL_SHA1_F3
#undef ZEL_SHA1_FIVE

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
