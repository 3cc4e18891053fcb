// The fixed conversion StrReal and the formatting functions built on it, on
// arbitrary 80-bit values, widths and decimal counts. Input: 10 bytes of the
// value, then 2 bytes width and 2 bytes decimals (little-endian, signed).
// Checks: no crash, the text is at least the clamped width and has the shape
// of its form; and, where glibc's printf (exact decimal expansion) writes the
// same digits (at most 18 significant digits, no exact half-way tie, not
// negative zero), the texts are equal.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zel/runtime/realstr.h"
#include "zel/runtime/utf8.h"
#include "zel/stringl/numformat.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

std::string Pad(std::string s, int w) {
  if (static_cast<int>(s.size()) < w) s.insert(0, static_cast<size_t>(w) - s.size(), ' ');
  return s;
}

// True when the digits of `text` behind position `at` are "5" and zeros only.
bool LooksLikeTie(const std::string& text, size_t at) {
  if (at >= text.size() || text[at] != '5') return false;
  for (size_t i = at + 1; i < text.size() && text[i] != 'E' && text[i] != 'e'; ++i)
    if (text[i] != '0') return false;
  return true;
}

void CompareWithPrintf(long double v, int w, int d) {
  if (!std::isfinite(v) || (v == 0 && std::signbit(v))) return;
  // glibc reads pseudo-denormals (exponent field 0, integer bit set) with the
  // wrong scale; compare canonical encodings only.
  uint64_t mant;
  uint16_t se;
  std::memcpy(&mant, &v, 8);
  std::memcpy(&se, reinterpret_cast<const unsigned char*>(&v) + 8, 2);
  if ((se & 0x7FFF) == 0 && (mant >> 63) != 0) return;
  static char buf[16384];
  const std::string ours = zel::StringToUtf8(zel::StrReal(v, w, d));
  const int e10 = v == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(v))));
  if (d >= 0) {
    if (d > 60 || e10 + d > 16 || std::fabs(v) > 1e300L) return;  // keep clear of the 18-digit cap
    std::snprintf(buf, sizeof buf, "%.*Lf", d + 40, v);
    const std::string exact = buf;
    if (LooksLikeTie(exact, exact.find('.') + 1 + static_cast<size_t>(d))) return;
    std::snprintf(buf, sizeof buf, "%.*Lf", d, v);
    Check(ours == Pad(buf, std::min(w, zel::kMaxRealStrWidth)), "plain form differs from printf");
  } else {
    const int frac = std::max(std::min(w, zel::kMaxRealStrWidth) - 9, 1);
    if (frac > 16) return;
    std::snprintf(buf, sizeof buf, "%.*LE", frac + 40, v);
    const std::string exact = buf;
    if (LooksLikeTie(exact, exact.find('.') + 1 + static_cast<size_t>(frac))) return;
    std::snprintf(buf, sizeof buf, "%.*LE", frac, std::fabs(v));
    std::string ref = buf;  // d.dddE+xx with at least two exponent digits
    const size_t epos = ref.find('E');
    const int exp = std::atoi(ref.c_str() + epos + 1);
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%04d", exp < 0 ? '-' : '+', std::abs(exp));
    ref = (v < 0 ? "-" : " ") + ref.substr(0, epos) + tail;
    Check(ours == Pad(ref, std::min(w, zel::kMaxRealStrWidth)),
          "exponent form differs from printf");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 14) return 0;
  long double v = 0;
  std::memcpy(&v, data, 10);
  int16_t w16, d16;
  std::memcpy(&w16, data + 10, 2);
  std::memcpy(&d16, data + 12, 2);
  const int w = w16, d = d16;

  const zel::String s = zel::StrReal(v, w, d);
  Check(s.size() >= static_cast<size_t>(std::clamp(w, 0, zel::kMaxRealStrWidth)), "width");
  Check(s.size() <= 1 + 4933 + 1 + static_cast<size_t>(zel::kMaxRealStrWidth), "length cap");
  const bool number = s.find_first_of(u"0123456789") != zel::String::npos;
  if (!number)
    Check(s.find(u"NaN") != zel::String::npos || s.find(u"Inf") != zel::String::npos,
          "non-finite text");
  if (number && d < 0) Check(s.find(u'E') == s.size() - 6, "exponent shape");
  if (number && d > 0) Check(s.find(u'.') == s.size() - std::min(d, 4096) - 1, "point");
  CompareWithPrintf(v, w, d);

  const double dv = static_cast<double>(v);
  const zel::String f = zel::strff(v, w, d);
  if (d == -2 && std::isfinite(v))
    Check(f.size() == static_cast<size_t>(std::min(std::abs(w) + 2, zel::kMaxRealStrWidth)) - 2 ||
              std::abs(w) < 8,
          "strff exponent width");
  zel::strffForcePlus(v, w, d);
  zel::FormatData(dv, w, d);
  zel::SigDigStr(dv, w, d, (w & 1) != 0);
  zel::AutoFormatData(dv, d, (w & 1) != 0);
  zel::TimeString(dv, static_cast<uint8_t>(d));
  return 0;
}
