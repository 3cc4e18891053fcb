#include "zel/colors/colormodels.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "zel/colors/internal/colormath.h"
#include "zel/runtime/random.h"

namespace zel {

using internal::BlueOf;
using internal::Clamp01;
using internal::FracOf;
using internal::GreenOf;
using internal::PackRGB;
using internal::RedOf;
using internal::RoundChannel;

namespace {

// c / 255 for every channel value, divided once at compile time (the same
// correctly rounded quotients the division gives at run time).
constexpr std::array<double, 256> kChannelFraction = [] {
  std::array<double, 256> t{};
  for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = i / 255.0;
  return t;
}();

// v / 255 for any integer v.
inline double Fraction(int32_t v) noexcept {
  return (v & ~0xFF) == 0 ? kChannelFraction[static_cast<size_t>(v)] : v / 255.0;
}

// A hue in 0 <= h < 360. In-range hues pass unchanged; others are brought in
// by whole turns, which for hues within one turn of the range gives the same
// value as a single step of 360. Not a finite number: 0.
inline double WrapHue(double h) noexcept {
  if (h >= 0.0 && h < 360.0) return h;
  if (!std::isfinite(h)) return 0.0;
  h = std::fmod(h, 360.0);
  if (h < 0.0) h += 360.0;
  return h >= 360.0 ? 0.0 : h;
}

// The sector of a wrapped hue, 0..5 even where h / 60 rounds up to 6.
inline int HueSector(double h) noexcept { return std::min(static_cast<int>(h / 60.0), 5); }

// (r1, g1, b1) of the hexagon sector for chroma c and secondary component x.
inline void SectorRGB(int sector, double c, double x, double& r, double& g, double& b) noexcept {
  switch (sector) {
    case 0:
      r = c, g = x, b = 0;
      break;
    case 1:
      r = x, g = c, b = 0;
      break;
    case 2:
      r = 0, g = c, b = x;
      break;
    case 3:
      r = 0, g = x, b = c;
      break;
    case 4:
      r = x, g = 0, b = c;
      break;
    default:
      r = c, g = 0, b = x;
      break;
  }
}

// Hue shared by HSV and HSI from integer channels; imax 0 red, 1 green, 2 blue.
inline double HueOf(int imax, int32_t r, int32_t g, int32_t b, double delta) noexcept {
  const double rd = r, gd = g, bd = b;  // differences of any two int32 are exact
  double h;
  if (imax == 0)
    h = (gd - bd) / delta;
  else if (imax == 1)
    h = (bd - rd) / delta + 2.0;
  else
    h = (rd - gd) / delta + 4.0;
  h *= 60.0;
  return h < 0.0 ? h + 360.0 : h;
}

// Largest channel (ties to red, then green) and smallest channel.
inline void MaxMin(int32_t r, int32_t g, int32_t b, int32_t& mx, int& imax, int32_t& mn) noexcept {
  mx = r;
  imax = 0;
  if (g > mx) mx = g, imax = 1;
  if (b > mx) mx = b, imax = 2;
  mn = std::min({r, g, b});
}

inline int32_t TruncBlend(int32_t a, int32_t b, double t) noexcept {
  return static_cast<int32_t>(a + (b - a) * t);
}

// low + Random(high - low + 1) over the ordered bounds.
inline int32_t DrawChannel(Byte lo, Byte hi) {
  const int32_t a = std::min(lo, hi);
  const int32_t b = std::max(lo, hi);
  return a + Random(b - a + 1);
}

}  // namespace

TColor InterpolateColor(TColor c1, TColor c2, double t) {
  t = Clamp01(t);
  return PackRGB(TruncBlend(RedOf(c1), RedOf(c2), t), TruncBlend(GreenOf(c1), GreenOf(c2), t),
                 TruncBlend(BlueOf(c1), BlueOf(c2), t));
}

TColor Interpolate3Colors(TColor c1, TColor c2, TColor c3, double t) {
  t = Clamp01(t);
  if (t <= 0.5) {
    const double f = 2 * t;
    return PackRGB(TruncBlend(RedOf(c1), RedOf(c2), f), TruncBlend(GreenOf(c1), GreenOf(c2), f),
                   TruncBlend(BlueOf(c1), BlueOf(c2), f));
  }
  const double f = (t - 0.5) * 2;
  return PackRGB(TruncBlend(RedOf(c2), RedOf(c3), f), TruncBlend(GreenOf(c2), GreenOf(c3), f),
                 TruncBlend(BlueOf(c2), BlueOf(c3), f));
}

TColor MeanColor(TColor c1, TColor c2) { return InterpolateColor(c1, c2, 0.5); }

TColor ReverseRGBColor(TColor Color) {
  return PackRGB(BlueOf(Color), GreenOf(Color), RedOf(Color));
}

TColor InvertColor(TColor Color) { return ~Color & 0xFFFFFFu; }

TColor AdjustColorIntSat(TColor Color, double SatChange, double IntChange) {
  double h, s, i;
  ColorToHSI(Color, h, s, i);
  return HSItoColor(h, Clamp01(s + SatChange), Clamp01(i + IntChange));
}

// ---- HSL ----

void RGBtoHSL(int32_t R, int32_t G, int32_t B, double& H, double& S, double& L) {
  const double r = Clamp01(Fraction(R));
  const double g = Clamp01(Fraction(G));
  const double b = Clamp01(Fraction(B));
  const double mx = std::max({r, g, b});
  const double mn = std::min({r, g, b});
  const double delta = mx - mn;
  L = (mx + mn) / 2;
  if (delta == 0) {
    H = 0;
    S = 0;
    return;
  }
  double h;
  if (mx == r)
    h = FracOf(((g - b) / delta) / 6) * 6;
  else if (mx == g)
    h = (b - r) / delta + 2;
  else
    h = (r - g) / delta + 4;
  H = 60 * h;
  if (H < 0) H += 360;
  S = delta / (1 - std::fabs(2 * L - 1));
}

void ColorToHSL(TColor Color, double& H, double& S, double& L) {
  RGBtoHSL(RedOf(Color), GreenOf(Color), BlueOf(Color), H, S, L);
}

void HSLtoRGB(double H, double S, double L, int32_t& R, int32_t& G, int32_t& B) {
  H = WrapHue(H);
  S = Clamp01(S);
  L = Clamp01(L);
  const double c = (1 - std::fabs(2 * L - 1)) * S;
  const double x = c * (1 - std::fabs(FracOf(H / 120) * 2 - 1));
  double r, g, b;
  SectorRGB(HueSector(H), c, x, r, g, b);
  const double m = L - c / 2;
  R = RoundChannel((r + m) * 255);
  G = RoundChannel((g + m) * 255);
  B = RoundChannel((b + m) * 255);
}

TColor HSLtoColor(double H, double S, double L) {
  int32_t r, g, b;
  HSLtoRGB(H, S, L, r, g, b);
  return PackRGB(r, g, b);
}

// ---- HSV ----

void RGBtoHSV(int32_t R, int32_t G, int32_t B, double& H, double& S, double& V) {
  int32_t mx, mn;
  int imax;
  MaxMin(R, G, B, mx, imax, mn);
  V = Fraction(mx);
  if (mx == 0) {
    S = 0;
    H = 0;
    return;
  }
  // Channels of any sign keep the difference exact in 64 bits.
  const double delta = static_cast<double>(int64_t{mx} - mn);
  S = delta / mx;
  if (S == 0) {
    H = -1;
    return;
  }
  H = HueOf(imax, R, G, B, delta);
}

void ColorToHSV(TColor Color, double& H, double& S, double& V) {
  RGBtoHSV(RedOf(Color), GreenOf(Color), BlueOf(Color), H, S, V);
}

void HSVtoRGB(double H, double S, double V, int32_t& R, int32_t& G, int32_t& B) {
  S = Clamp01(S);
  V = Clamp01(V);
  if (!(H >= 0 && H < 360)) H = 0;
  if (S == 0) {
    R = G = B = RoundChannel(V * 255);
    return;
  }
  const double f = H / 60;
  const int i = std::min(static_cast<int>(f), 5);
  const double d = f - i;
  const double p = (1 - S) * V;
  const double q = (1 - S * d) * V;
  const double t = (1 - (1 - d) * S) * V;
  double r, g, b;
  switch (i) {
    case 0:
      r = V, g = t, b = p;
      break;
    case 1:
      r = q, g = V, b = p;
      break;
    case 2:
      r = p, g = V, b = t;
      break;
    case 3:
      r = p, g = q, b = V;
      break;
    case 4:
      r = t, g = p, b = V;
      break;
    default:
      r = V, g = p, b = q;
      break;
  }
  R = RoundChannel(r * 255);
  G = RoundChannel(g * 255);
  B = RoundChannel(b * 255);
}

TColor HSVtoColor(double H, double S, double V) {
  int32_t r, g, b;
  HSVtoRGB(H, S, V, r, g, b);
  return PackRGB(r, g, b);
}

// ---- HSI ----

void RGBtoHSI(int32_t R, int32_t G, int32_t B, double& H, double& S, double& I) {
  int32_t mx, mn;
  int imax;
  MaxMin(R, G, B, mx, imax, mn);
  I = (static_cast<double>(R) + G + B) / 3 / 255;
  if (mx == 0 || I == 0) {
    S = 0;
    H = 0;
    return;
  }
  S = 1 - (mn / 255.0) / I;
  if (S == 0) {
    H = -1;
    return;
  }
  H = HueOf(imax, R, G, B, static_cast<double>(int64_t{mx} - mn));
}

void ColorToHSI(TColor Color, double& H, double& S, double& I) {
  RGBtoHSI(RedOf(Color), GreenOf(Color), BlueOf(Color), H, S, I);
}

void HSItoRGB(double H, double S, double I, int32_t& R, int32_t& G, int32_t& B) {
  H = WrapHue(H);
  S = Clamp01(S);
  I = Clamp01(I);
  const double z = 1 - std::fabs(FracOf(H / 120) * 2 - 1);
  const double c = 3 * I * S / (1 + z);
  double r, g, b;
  SectorRGB(HueSector(H), c, c * z, r, g, b);
  const double m = (1 - S) * I;
  R = RoundChannel(std::min(r + m, 1.0) * 255);
  G = RoundChannel(std::min(g + m, 1.0) * 255);
  B = RoundChannel(std::min(b + m, 1.0) * 255);
}

TColor HSItoColor(double H, double S, double I) {
  int32_t r, g, b;
  HSItoRGB(H, S, I, r, g, b);
  return PackRGB(r, g, b);
}

// ---- CMY, CMYK ----

void CMYtoRGB(double C, double M, double Y, Byte& R, Byte& G, Byte& B) {
  R = static_cast<Byte>(RoundChannel((1 - Clamp01(C)) * 255));
  G = static_cast<Byte>(RoundChannel((1 - Clamp01(M)) * 255));
  B = static_cast<Byte>(RoundChannel((1 - Clamp01(Y)) * 255));
}

void RGBtoCMY(Byte R, Byte G, Byte B, double& C, double& M, double& Y) {
  C = 1 - R / 255.0;
  M = 1 - G / 255.0;
  Y = 1 - B / 255.0;
}

void CMYKtoCMY(double& C, double& M, double& Y, double K) {
  C = Clamp01(C + K);
  M = Clamp01(M + K);
  Y = Clamp01(Y + K);
}

void CMYtoCMYK(double& C, double& M, double& Y, double& K) {
  C = Clamp01(C);
  M = Clamp01(M);
  Y = Clamp01(Y);
  K = std::min({C, M, Y});
  C -= K;
  M -= K;
  Y -= K;
}

// ---- gray, distance, contrast ----

int32_t RGBtoGray(int32_t R, int32_t G, int32_t B) {
  const long double sum = 0.3L * R + 0.59L * G + 0.11L * B;
  // Channels in 0..255 keep the sum in range; anything else is cut to it.
  const long double r = std::nearbyint(std::clamp(sum, -2147483648.0L, 2147483647.0L));
  return static_cast<int32_t>(r);
}

int32_t ColorToGray(TColor Color) { return RGBtoGray(RedOf(Color), GreenOf(Color), BlueOf(Color)); }

TColor RGBtoGrayColor(int32_t R, int32_t G, int32_t B) {
  const int32_t g = RGBtoGray(R, G, B);
  return PackRGB(g, g, g);
}

TColor ColorToGrayColor(TColor Color) {
  return RGBtoGrayColor(RedOf(Color), GreenOf(Color), BlueOf(Color));
}

double RGBColorDistance(TColor c1, TColor c2) {
  const int32_t dr = RedOf(c1) - RedOf(c2);
  const int32_t dg = GreenOf(c1) - GreenOf(c2);
  const int32_t db = BlueOf(c1) - BlueOf(c2);
  return std::sqrt((dr * dr + dg * dg + db * db) / 195075.0);
}

TColor ContrastBWColor(TColor Color) { return ColorToGray(Color) >= 140 ? 0x000000u : 0xFFFFFFu; }

// ---- wavelength ----

TColor WavelengthToColor(int32_t Wavelength, double Gamma) {
  const double w = Wavelength;
  double r = 0, g = 0, b = 0;
  if (Wavelength >= 380 && Wavelength < 440) {
    r = (440 - w) / 60;
    b = 1;
  } else if (Wavelength >= 440 && Wavelength < 490) {
    g = (w - 440) / 50;
    b = 1;
  } else if (Wavelength >= 490 && Wavelength < 510) {
    g = 1;
    b = (510 - w) / 20;
  } else if (Wavelength >= 510 && Wavelength < 580) {
    r = (w - 510) / 70;
    g = 1;
  } else if (Wavelength >= 580 && Wavelength < 645) {
    r = 1;
    g = (645 - w) / 65;
  } else if (Wavelength >= 645 && Wavelength < 780) {
    r = 1;
  }
  double f = 1;
  if (Wavelength > 700)
    f = 0.3 + 0.7 * (780 - w) / 80;
  else if (Wavelength < 420)
    f = 0.3 + 0.7 * (w - 380) / 40;
  if (f < 0) f = 0;
  const auto channel = [f, Gamma](double weight) -> int32_t {
    if (f == 0 || weight == 0) return 0;
    const double v = 255 * std::exp(Gamma * std::log(f * weight));
    if (!(v >= 0)) return 0;  // not a number
    return v >= 255 ? 255 : RoundChannel(v);
  };
  return PackRGB(channel(r), channel(g), channel(b));
}

// ---- random ----

TColor RandomColor() {
  const int32_t b = Random(256);
  const int32_t g = Random(256);
  const int32_t r = Random(256);
  return PackRGB(r, g, b);
}

TColor RandomColor(Byte RedLo, Byte RedHi, Byte GreenLo, Byte GreenHi, Byte BlueLo, Byte BlueHi) {
  const int32_t b = DrawChannel(BlueLo, BlueHi);
  const int32_t g = DrawChannel(GreenLo, GreenHi);
  const int32_t r = DrawChannel(RedLo, RedHi);
  return PackRGB(r, g, b);
}

}  // namespace zel
