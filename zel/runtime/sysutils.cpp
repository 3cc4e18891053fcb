#include "zel/runtime/sysutils.h"

#include <cmath>

#include "zel/runtime/exception.h"

namespace zel {

String IntToStr(int64_t Value) {
  char16_t buf[24];
  int n = 0;
  uint64_t mag = Value < 0 ? 0 - static_cast<uint64_t>(Value) : static_cast<uint64_t>(Value);
  do {
    buf[n++] = static_cast<char16_t>(u'0' + mag % 10);
    mag /= 10;
  } while (mag != 0);
  String out;
  out.reserve(static_cast<size_t>(n) + 1);
  if (Value < 0) out.push_back(u'-');
  while (n > 0) out.push_back(buf[--n]);
  return out;
}

int32_t StrToInt(const String& S) {
  auto fail = [&]() -> int32_t {
    throw EConvertError(u"\"" + S + u"\" is not a valid integer value");
  };
  size_t i = 0;
  while (i < S.size() && S[i] == u' ') ++i;
  bool neg = false;
  if (i < S.size() && (S[i] == u'-' || S[i] == u'+')) neg = S[i++] == u'-';
  int base = 10;
  if (i < S.size() && S[i] == u'$') {
    base = 16;
    ++i;
  } else if (i + 1 < S.size() && S[i] == u'0' && (S[i + 1] == u'x' || S[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i >= S.size()) return fail();
  int64_t v = 0;
  for (; i < S.size(); ++i) {
    const Char c = S[i];
    int d;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') d = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') d = c - u'A' + 10;
    else return fail();
    v = v * base + d;
    if (v > (base == 16 ? 0xFFFFFFFFll : 0x80000000ll)) return fail();
  }
  if (base == 16) {
    const auto u = static_cast<uint32_t>(v);
    int32_t r = static_cast<int32_t>(u);
    return neg ? static_cast<int32_t>(0u - u) : r;
  }
  if (neg) return static_cast<int32_t>(-v);
  if (v > 0x7FFFFFFF) return fail();
  return static_cast<int32_t>(v);
}

String IntToHex(int64_t Value, int Digits) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  uint64_t u = static_cast<uint64_t>(Value);
  String out;
  do {
    out.insert(out.begin(), kHex[u & 15]);
    u >>= 4;
  } while (u != 0);
  if (Digits > 32) Digits = 32;
  if (static_cast<int>(out.size()) < Digits)
    out.insert(0, static_cast<size_t>(Digits) - out.size(), u'0');
  return out;
}

namespace {
int64_t CheckedToInt64(long double r) {
  // [-2^63, 2^63) is exactly representable in long double.
  if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L))
    throw EIntOverflow(u"Integer overflow");
  return static_cast<int64_t>(r);
}
}  // namespace

int64_t Round(long double X) {
  if (!std::isfinite(X)) throw EIntOverflow(u"Integer overflow");
  long double r = std::nearbyint(X);  // default rounding mode: halves to even
  return CheckedToInt64(r);
}

int64_t Trunc(long double X) {
  if (!std::isfinite(X)) throw EIntOverflow(u"Integer overflow");
  return CheckedToInt64(std::trunc(X));
}

long double Frac(long double X) { return X - std::trunc(X); }

Char LowerCaseChar(Char C) { return (C >= u'A' && C <= u'Z') ? static_cast<Char>(C + 32) : C; }
Char UpperCaseChar(Char C) { return (C >= u'a' && C <= u'z') ? static_cast<Char>(C - 32) : C; }

String LowerCase(const String& S) {
  String out(S);
  for (auto& c : out) c = LowerCaseChar(c);
  return out;
}

String UpperCase(const String& S) {
  String out(S);
  for (auto& c : out) c = UpperCaseChar(c);
  return out;
}

}  // namespace zel
