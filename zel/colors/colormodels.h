// Colour model conversions: the packed TColor and the RGB, HSL, HSV, HSI, CMY
// and CMYK models, blending, gray values, distances, a black-or-white contrast
// colour, wavelength to colour and random colours.
//
// TColor layout: bits 0-7 red, 8-15 green, 16-23 blue, 24-31 a flag byte that
// marks special colours (system colour codes, see colornames.h). Every
// function here reads only the low three bytes of a TColor, so a system colour
// code counts as the plain RGB colour of its low bytes, and every TColor it
// returns has a flag byte of 0.
//
// Models and their ranges:
//   RGB   R, G, B integers 0..255
//   HSL   H in degrees 0 <= H < 360; S, L in 0..1
//   HSV   H in degrees 0 <= H < 360, or -1 for a gray other than black;
//         S, V in 0..1
//   HSI   as HSV with I in 0..1
//   CMY   C, M, Y in 0..1 (0 = no ink); CMYK adds K in 0..1
// "Rounded" means to the nearest integer with halves to even; "clamped to
// 0..1" means below 0 gives 0, above 1 or not a number gives 1.
//
// All functions are pure except RandomColor, which draws from the runtime's
// seeded generator (zel/runtime/random.h). None allocates; all are cheap
// (a few dozen floating-point operations at most), so they suit per-pixel use.
#pragma once

#include <cstdint>

#include "zel/runtime/types.h"

namespace zel {

// Channels of c1 and c2 blended by t clamped to 0..1: each channel is
// trunc(a + (b - a) * t). t = 0 gives c1, t = 1 gives c2 (flag bytes dropped).
ZEL_API TColor InterpolateColor(TColor c1, TColor c2, double t);
// Blends c1 -> c2 for t in 0..0.5 and c2 -> c3 for t in 0.5..1 (t clamped to
// 0..1); t = 0, 0.5 and 1 give c1, c2 and c3 exactly.
ZEL_API TColor Interpolate3Colors(TColor c1, TColor c2, TColor c3, double t);
// InterpolateColor(c1, c2, 0.5).
ZEL_API TColor MeanColor(TColor c1, TColor c2);
// Color with red and blue swapped.
ZEL_API TColor ReverseRGBColor(TColor Color);
// Color with each channel replaced by 255 minus it.
ZEL_API TColor InvertColor(TColor Color);
// Color through HSI: adds SatChange to S and IntChange to I, clamps both to
// 0..1 and converts back with the hue kept.
ZEL_API TColor AdjustColorIntSat(TColor Color, double SatChange, double IntChange);

// RGB -> HSL: the channels R, G, B give H, S and L. The channels are scaled
// to 0..1 and clamped, so values outside 0..255 are cut. A gray has H = 0 and
// S = 0.
ZEL_API void RGBtoHSL(int32_t R, int32_t G, int32_t B, double& H, double& S, double& L);
ZEL_API void ColorToHSL(TColor Color, double& H, double& S, double& L);  // H, S, L of Color
// HSL -> RGB: H, S, L give the channels R, G, B. S and L are clamped to
// 0..1. Any hue is accepted: it is brought into 0..360 by whole turns (360
// itself counts as 0); a hue that is not a finite number counts as 0. Results
// lie in 0..255.
ZEL_API void HSLtoRGB(double H, double S, double L, int32_t& R, int32_t& G, int32_t& B);
ZEL_API TColor HSLtoColor(double H, double S, double L);  // H, S, L as a TColor

// RGB -> HSV: the channels R, G, B give H, S and V, taken as given (no
// clamping). Black gives H = 0, S = 0, V = 0; any other gray gives H = -1,
// S = 0. The hue follows the largest channel, ties going to red before green
// before blue.
ZEL_API void RGBtoHSV(int32_t R, int32_t G, int32_t B, double& H, double& S, double& V);
ZEL_API void ColorToHSV(TColor Color, double& H, double& S, double& V);  // H, S, V of Color
// HSV -> RGB: H, S, V give the channels R, G, B. S and V are clamped to
// 0..1; a hue below 0, at or above 360 or not a number counts as 0 (so the
// gray marker -1 converts as hue 0).
ZEL_API void HSVtoRGB(double H, double S, double V, int32_t& R, int32_t& G, int32_t& B);
ZEL_API TColor HSVtoColor(double H, double S, double V);  // H, S, V as a TColor

// RGB -> HSI with I = (R + G + B) / 765 and S = 1 - min / (255 * I); the
// hue and the gray markers are those of RGBtoHSV. Channels whose sum is 0
// (black, or negative inputs) give H = 0, S = 0.
ZEL_API void RGBtoHSI(int32_t R, int32_t G, int32_t B, double& H, double& S, double& I);
ZEL_API void ColorToHSI(TColor Color, double& H, double& S, double& I);  // H, S, I of Color
// HSI -> RGB: H, S, I give the channels R, G, B. Hue as in HSLtoRGB; S and I
// clamped to 0..1; each channel is cut at full intensity before it is scaled
// to 0..255.
ZEL_API void HSItoRGB(double H, double S, double I, int32_t& R, int32_t& G, int32_t& B);
ZEL_API TColor HSItoColor(double H, double S, double I);  // H, S, I as a TColor

// CMY -> RGB with C, M, Y clamped to 0..1; each channel R, G, B is
// round((1 - x) * 255).
ZEL_API void CMYtoRGB(double C, double M, double Y, Byte& R, Byte& G, Byte& B);
// RGB -> CMY: each component C, M, Y is 1 - channel / 255 of R, G, B.
ZEL_API void RGBtoCMY(Byte R, Byte G, Byte B, double& C, double& M, double& Y);
// Adds K to C, M and Y and clamps each to 0..1 (undoes CMYtoCMYK for inputs
// in 0..1).
ZEL_API void CMYKtoCMY(double& C, double& M, double& Y, double K);
// Clamps C, M, Y to 0..1, takes K as their smallest and subtracts it from all
// three (no division by 1 - K).
ZEL_API void CMYtoCMYK(double& C, double& M, double& Y, double& K);

// Gray value round(0.3 R + 0.59 G + 0.11 B), the sum formed in extended
// precision.
ZEL_API int32_t RGBtoGray(int32_t R, int32_t G, int32_t B);
ZEL_API int32_t ColorToGray(TColor Color);  // the gray value of Color
// The gray of value RGBtoGray(R, G, B) in all three channels (low byte of
// the value).
ZEL_API TColor RGBtoGrayColor(int32_t R, int32_t G, int32_t B);
ZEL_API TColor ColorToGrayColor(TColor Color);  // the gray colour of Color
// Euclidean RGB distance of c1 and c2 scaled to 0..1: 0 for equal colours,
// 1 between black and white.
ZEL_API double RGBColorDistance(TColor c1, TColor c2);
// Black when ColorToGray(Color) >= 140, else white: a readable text colour on
// a background of Color.
ZEL_API TColor ContrastBWColor(TColor Color);

// The colour of light of the given wavelength in nanometres: pure spectral
// weights between 380 and 780 nm (black outside), dimmed towards both ends
// of that range, each channel round(255 * (f * weight)^Gamma). Channels are
// limited to 0..255, so a negative or huge Gamma cannot wrap around; a Gamma
// that is not a number gives black.
ZEL_API TColor WavelengthToColor(int32_t Wavelength, double Gamma);

// A random colour, channels 0..255; draws Random(256) for blue, then green,
// then red.
ZEL_API TColor RandomColor();
// A random colour with red in RedLo..RedHi, green in GreenLo..GreenHi and
// blue in BlueLo..BlueHi (closed ranges); draws blue, green, red in that
// order, each as low + Random(high - low + 1). Bounds given the wrong way
// round (high below low) are taken as the range between them.
ZEL_API TColor RandomColor(Byte RedLo, Byte RedHi, Byte GreenLo, Byte GreenHi, Byte BlueLo,
                           Byte BlueHi);

}  // namespace zel
