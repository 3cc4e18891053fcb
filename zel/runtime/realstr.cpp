#include "zel/runtime/realstr.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace zel {

namespace {

__extension__ using u128 = unsigned __int128;

constexpr int kMaxSigDigits = 18;

constexpr uint64_t kPow10[20] = {1ull,
                                 10ull,
                                 100ull,
                                 1000ull,
                                 10000ull,
                                 100000ull,
                                 1000000ull,
                                 10000000ull,
                                 100000000ull,
                                 1000000000ull,
                                 10000000000ull,
                                 100000000000ull,
                                 1000000000000ull,
                                 10000000000000ull,
                                 100000000000000ull,
                                 1000000000000000ull,
                                 10000000000000000ull,
                                 100000000000000000ull,
                                 1000000000000000000ull,
                                 10000000000000000000ull};

enum class Kind { kZero, kFinite, kInf, kNaN };

// |value| = m * 2^e with the top bit of m set (for finite non-zero values).
struct Decoded {
  Kind kind;
  bool neg;
  uint64_t m;
  int e;
};

Decoded Decode(long double v) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &v, sizeof v);
  uint64_t m;
  uint16_t se;
  std::memcpy(&m, bytes, 8);
  std::memcpy(&se, bytes + 8, 2);
  Decoded d{Kind::kFinite, (se & 0x8000) != 0, m, 0};
  const int biased = se & 0x7FFF;
  const bool integer_bit = (m >> 63) != 0;
  if (biased == 0x7FFF || (biased != 0 && !integer_bit)) {
    // Infinity has only the integer bit set. Encodings without the integer
    // bit (pseudo-infinity, pseudo-NaN, unnormals) are invalid operands to
    // the FPU, which turns them into NaN; so do we.
    d.kind = biased == 0x7FFF && integer_bit && (m << 1) == 0 ? Kind::kInf : Kind::kNaN;
    return d;
  }
  if (m == 0) {
    d.kind = Kind::kZero;
    return d;
  }
  // Denormals and pseudo-denormals (biased 0) use the minimum exponent, as
  // the FPU does. The mantissa is normalised here.
  d.e = (biased == 0 ? 1 : biased) - 16383 - 63;
  const int lz = __builtin_clzll(m);
  d.m = m << lz;
  d.e -= lz;
  return d;
}

// ---- a minimal big natural number for the rare wide-range cases ----
using Big = std::vector<uint32_t>;  // little-endian 32-bit words

void Trim(Big& a) {
  while (!a.empty() && a.back() == 0) a.pop_back();
}
Big FromU64(uint64_t x) {
  Big a{static_cast<uint32_t>(x), static_cast<uint32_t>(x >> 32)};
  Trim(a);
  return a;
}
void MulSmall(Big& a, uint32_t f) {
  uint64_t carry = 0;
  for (uint32_t& w : a) {
    const uint64_t t = static_cast<uint64_t>(w) * f + carry;
    w = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
  if (carry != 0) a.push_back(static_cast<uint32_t>(carry));
}
void MulPow5(Big& a, int n) {
  constexpr uint32_t kPow5_13 = 1220703125u;  // 5^13
  for (; n >= 13; n -= 13) MulSmall(a, kPow5_13);
  uint32_t f = 1;
  for (; n > 0; --n) f *= 5;
  if (f != 1) MulSmall(a, f);
}
void ShiftLeft(Big& a, int bits) {
  if (a.empty() || bits == 0) return;
  const size_t words = static_cast<size_t>(bits) / 32;
  const int rest = bits % 32;
  a.insert(a.begin(), words, 0u);
  if (rest != 0) {
    uint32_t carry = 0;
    for (size_t i = words; i < a.size(); ++i) {
      const uint32_t w = a[i];
      a[i] = (w << rest) | carry;
      carry = w >> (32 - rest);
    }
    if (carry != 0) a.push_back(carry);
  }
}
void ShiftRight1(Big& a) {
  for (size_t i = 0; i < a.size(); ++i) {
    a[i] >>= 1;
    if (i + 1 < a.size()) a[i] |= a[i + 1] << 31;
  }
  Trim(a);
}
int Compare(const Big& a, const Big& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}
void Subtract(Big& a, const Big& b) {  // a >= b
  int64_t borrow = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int64_t t = static_cast<int64_t>(a[i]) - borrow - (i < b.size() ? b[i] : 0);
    borrow = t < 0;
    a[i] = static_cast<uint32_t>(t + (borrow << 32));
  }
  Trim(a);
}
bool Bit(const Big& a, size_t n) {
  return n / 32 < a.size() && ((a[n / 32] >> (n % 32)) & 1u) != 0;
}
uint64_t BitsFrom(const Big& a, size_t n) {  // bits n .. n+63
  uint64_t r = 0;
  for (size_t i = 0; i < 64; ++i)
    if (Bit(a, n + i)) r |= uint64_t{1} << i;
  return r;
}

uint64_t ScaledRoundBig(uint64_t m, int e, int p) {
  if (p >= 0) {
    Big big = FromU64(m);
    MulPow5(big, p);
    const int shift = e + p;
    if (shift >= 0) {  // an integer; the caller's digit count keeps it in 64 bits
      ShiftLeft(big, shift);
      return BitsFrom(big, 0);
    }
    const size_t s = static_cast<size_t>(-shift);
    return BitsFrom(big, s) + (Bit(big, s - 1) ? 1 : 0);
  }
  const int q = -p;
  const int shift = e - q;
  Big num = FromU64(m);
  Big den{1};
  MulPow5(den, q);
  if (shift >= 0)
    ShiftLeft(num, shift);
  else
    ShiftLeft(den, -shift);
  Big t = den;
  ShiftLeft(t, 63);
  uint64_t quot = 0;
  for (int i = 63; i >= 0; --i) {
    if (Compare(num, t) >= 0) {
      Subtract(num, t);
      quot |= uint64_t{1} << i;
    }
    ShiftRight1(t);
  }
  ShiftLeft(num, 1);  // twice the remainder
  return quot + (Compare(num, den) >= 0 ? 1 : 0);
}

int BitLength(u128 x) {
  const uint64_t hi = static_cast<uint64_t>(x >> 64);
  if (hi != 0) return 128 - __builtin_clzll(hi);
  const uint64_t lo = static_cast<uint64_t>(x);
  return lo == 0 ? 0 : 64 - __builtin_clzll(lo);
}

constexpr u128 Pow10Wide(int n) {
  u128 r = 1;
  for (int i = 0; i < n; ++i) r *= 10;
  return r;
}
// 10^0 .. 10^38 (10^38 < 2^127).
constexpr auto kPow10Wide = [] {
  std::array<u128, 39> t{};
  for (int i = 0; i < 39; ++i) t[static_cast<size_t>(i)] = Pow10Wide(i);
  return t;
}();

// round(m * 10^p / 2^s) for 20 <= p <= 38 through a 192-bit product; false
// when the result would need the big-integer path.
bool ScaledRound192(uint64_t m, int p, int s, uint64_t& out) {
  const u128 pw = kPow10Wide[static_cast<size_t>(p)];
  const u128 lo = static_cast<u128>(m) * static_cast<uint64_t>(pw);
  const u128 hi = static_cast<u128>(m) * static_cast<uint64_t>(pw >> 64);
  const u128 mid = (lo >> 64) + static_cast<uint64_t>(hi);
  const uint64_t limb[4] = {static_cast<uint64_t>(lo), static_cast<uint64_t>(mid),
                            static_cast<uint64_t>(hi >> 64) + static_cast<uint64_t>(mid >> 64), 0};
  if (s <= 0) return false;
  if (s >= 192) {
    const int top = limb[2]   ? 128 + 64 - __builtin_clzll(limb[2])
                    : limb[1] ? 64 + 64 - __builtin_clzll(limb[1])
                              : 64 - __builtin_clzll(limb[0] | 1);
    if (top < s) {  // below one half
      out = 0;
      return true;
    }
    return false;
  }
  const int w = s / 64, off = s % 64;
  uint64_t q = limb[w] >> off;
  if (off != 0) q |= limb[w + 1] << (64 - off);
  const int b = s - 1;
  out = q + ((limb[b / 64] >> (b % 64)) & 1);
  return true;
}

// round(m * 2^e * 10^p), halves away from zero. The callers choose p so that
// the result has at most 19 digits.
uint64_t ScaledRound(uint64_t m, int e, int p) {
  if (p >= 0 && p <= 19) {
    const u128 n = static_cast<u128>(m) * kPow10[p];
    if (e >= 0) {
      if (e < 64 && BitLength(n) + e <= 64) return static_cast<uint64_t>(n << e);
    } else {
      const int s = -e;
      if (s < 128) return static_cast<uint64_t>(n >> s) + static_cast<uint64_t>((n >> (s - 1)) & 1);
      if (BitLength(n) < s) return 0;  // below one half
    }
  } else if (p < 0 && p >= -19) {
    const uint64_t d = kPow10[-p];
    if (e >= 0 && e < 64) {
      const u128 n = static_cast<u128>(m) << e;
      const u128 r = n % d;
      return static_cast<uint64_t>(n / d) + (2 * r >= d ? 1 : 0);
    }
    if (e < 0 && e > -64) {
      const u128 dd = static_cast<u128>(d) << -e;
      const u128 r = m % dd;
      return static_cast<uint64_t>(m / dd) + (r >= dd - r ? 1 : 0);
    }
  } else if (p > 19 && p <= 38 && e < 0) {
    uint64_t r;
    if (ScaledRound192(m, p, -e, r)) return r;
  } else if (p < -19 && p >= -38 && e >= 0 && e < 64) {
    const u128 d = kPow10Wide[static_cast<size_t>(-p)];
    const u128 n = static_cast<u128>(m) << e;
    const u128 r = n % d;
    return static_cast<uint64_t>(n / d) + (r >= d - r ? 1 : 0);
  }
  return ScaledRoundBig(m, e, p);
}

// floor(log10(m * 2^e)) or one less.
int DecimalExponentEstimate(int e) {
  return static_cast<int>(std::floor((e + 63) * 0.30102999566398119521));
}

int DigitCount(uint64_t x) {
  int n = 1;
  while (n < 20 && x >= kPow10[n]) ++n;
  return n;
}

// Writes the nd decimal digits of x (leading zeros included) to out.
void PutDigits(Char* out, uint64_t x, int nd) {
  for (int i = nd - 1; i >= 0; --i) {
    out[i] = static_cast<Char>(u'0' + x % 10);
    x /= 10;
  }
}

String PadLeft(const char16_t* text, size_t len, size_t width) {
  String s(std::max(len, width), u' ');
  std::copy(text, text + len, s.end() - static_cast<ptrdiff_t>(len));
  return s;
}

String NonFinite(const Decoded& d, size_t width) {
  if (d.kind == Kind::kNaN) return PadLeft(u"NaN", 3, width);
  return d.neg ? PadLeft(u"-Inf", 4, width) : PadLeft(u"Inf", 3, width);
}

String Plain(const Decoded& d, size_t width, int decimals) {
  uint64_t r = 0;
  int p = decimals;  // r * 10^-p is the rounded magnitude
  if (d.kind == Kind::kFinite) {
    const int k = DecimalExponentEstimate(d.e);
    p = std::min(decimals, kMaxSigDigits - 1 - k);
    r = ScaledRound(d.m, d.e, p);
    if (r > kPow10[kMaxSigDigits]) {  // the estimate was one low: 19 digits
      --p;
      r = ScaledRound(d.m, d.e, p);
    }
  }
  const bool neg = d.neg && d.kind == Kind::kFinite;
  const int nd = DigitCount(r);
  // Integral digits: those of r above 10^p, or r followed by -p zeros.
  const int int_digits = p >= 0 ? std::max(nd - p, 1) : nd - p;
  const size_t len = static_cast<size_t>(neg) + static_cast<size_t>(int_digits) +
                     (decimals > 0 ? 1 + static_cast<size_t>(decimals) : 0);
  String s(std::max(len, width), u'0');
  Char* out = s.data() + (s.size() - len);
  std::fill(s.data(), out, u' ');
  if (neg) *out++ = u'-';
  if (p >= 0) {
    // r written with int_digits + p digits, the "." inserted after int_digits.
    const int total = int_digits + p;
    Char* digits = out;
    PutDigits(digits, r, total);
    if (decimals > 0) {
      std::memmove(digits + int_digits + 1, digits + int_digits, sizeof(Char) * p);
      digits[int_digits] = u'.';
    }
    // decimals - p trailing zeros are already in place.
  } else {
    PutDigits(out, r, nd);  // then -p zeros, "." and zeros, already in place
    if (decimals > 0) out[int_digits] = u'.';
  }
  return s;
}

String Exponent(const Decoded& d, size_t width) {
  const int frac = std::max(static_cast<int>(width) - 9, 1);
  const int sig = std::min(frac + 1, kMaxSigDigits);
  uint64_t r = 0;
  int k = 0;
  if (d.kind == Kind::kFinite) {
    k = DecimalExponentEstimate(d.e);
    for (;;) {
      r = ScaledRound(d.m, d.e, sig - 1 - k);
      if (r < kPow10[sig]) break;
      if (r == kPow10[sig]) {  // rounded up to the next power of ten
        r = kPow10[sig - 1];
        ++k;
        break;
      }
      ++k;
    }
  }
  const size_t len = static_cast<size_t>(frac) + 9;
  String s(std::max(len, width), u'0');
  Char* out = s.data() + (s.size() - len);
  std::fill(s.data(), out, u' ');
  out[0] = d.neg && d.kind == Kind::kFinite ? u'-' : u' ';
  PutDigits(out + 2, r, sig);
  out[1] = out[2];
  out[2] = u'.';
  Char* x = out + 3 + frac;  // the mantissa zeros behind the digits are in place
  x[0] = u'E';
  x[1] = k < 0 ? u'-' : u'+';
  PutDigits(x + 2, static_cast<uint64_t>(k < 0 ? -k : k), 4);
  return s;
}

}  // namespace

String StrReal(long double Value, int32_t Width, int32_t Decimals) {
  const size_t width = static_cast<size_t>(std::clamp(Width, 0, kMaxRealStrWidth));
  const Decoded d = Decode(Value);
  if (d.kind == Kind::kInf || d.kind == Kind::kNaN) return NonFinite(d, width);
  if (Decimals < 0) return Exponent(d, width);
  return Plain(d, width, std::min(Decimals, kMaxRealStrWidth));
}

}  // namespace zel
