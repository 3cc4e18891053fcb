// Colour conversions and colour-scale interpolation, 10 million colours per
// run, against GTK's HSV conversion, a C++ transcription of Python's colorsys
// HLS conversion, and pixman's linear gradient. Reports ns per colour.
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>
#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "zel/colors/colorarray.h"
#include "zel/colors/colormodels.h"

namespace {

constexpr int64_t kColors = 10'000'000;

const std::vector<zel::TColor>& Input() {
  static const std::vector<zel::TColor> v = [] {
    std::vector<zel::TColor> out(kColors);
    uint32_t x = 12345;
    for (auto& c : out) {
      x = x * 1103515245u + 12345u;
      c = x >> 8;
    }
    return out;
  }();
  return v;
}

void PerColour(benchmark::State& state) {
  state.counters["ns_per_colour"] =
      benchmark::Counter(static_cast<double>(kColors) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

inline zel::TColor Pack(double r, double g, double b) {
  // Round half to even, as the library does.
  const auto ch = [](double x) { return static_cast<uint32_t>(std::nearbyint(x * 255)); };
  return ch(r) | (ch(g) << 8) | (ch(b) << 16);
}

// ---- HSV ----

void BM_Zel_HSV_RoundTrip(benchmark::State& state) {
  const auto& in = Input();
  uint64_t mismatches = 0;
  for (auto _ : state) {
    mismatches = 0;
    for (zel::TColor c : in) {
      double h, s, v;
      zel::ColorToHSV(c, h, s, v);
      mismatches += zel::HSVtoColor(h, s, v) != c;
    }
    benchmark::DoNotOptimize(mismatches);
  }
  state.counters["mismatches"] = static_cast<double>(mismatches);
  PerColour(state);
}
BENCHMARK(BM_Zel_HSV_RoundTrip)->Unit(benchmark::kMillisecond);

void BM_Gtk_HSV_RoundTrip(benchmark::State& state) {
  const auto& in = Input();
  uint64_t mismatches = 0;
  for (auto _ : state) {
    mismatches = 0;
    for (zel::TColor c : in) {
      double h, s, v, r, g, b;
      gtk_rgb_to_hsv((c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0, &h,
                     &s, &v);
      gtk_hsv_to_rgb(h, s, v, &r, &g, &b);
      mismatches += Pack(r, g, b) != c;
    }
    benchmark::DoNotOptimize(mismatches);
  }
  state.counters["mismatches"] = static_cast<double>(mismatches);
  PerColour(state);
}
BENCHMARK(BM_Gtk_HSV_RoundTrip)->Unit(benchmark::kMillisecond);

// ---- HSL ----

// Python's colorsys.rgb_to_hls / hls_to_rgb, transcribed.
void ColorsysRgbToHls(double r, double g, double b, double& h, double& l, double& s) {
  const double maxc = std::max({r, g, b}), minc = std::min({r, g, b});
  const double sumc = maxc + minc, rangec = maxc - minc;
  l = sumc / 2.0;
  if (minc == maxc) {
    h = s = 0.0;
    return;
  }
  s = l <= 0.5 ? rangec / sumc : rangec / (2.0 - sumc);
  const double rc = (maxc - r) / rangec, gc = (maxc - g) / rangec, bc = (maxc - b) / rangec;
  if (r == maxc)
    h = bc - gc;
  else if (g == maxc)
    h = 2.0 + rc - bc;
  else
    h = 4.0 + gc - rc;
  h = h / 6.0;
  h -= std::floor(h);
}

double ColorsysV(double m1, double m2, double hue) {
  hue -= std::floor(hue);
  if (hue < 1.0 / 6.0) return m1 + (m2 - m1) * hue * 6.0;
  if (hue < 0.5) return m2;
  if (hue < 2.0 / 3.0) return m1 + (m2 - m1) * (2.0 / 3.0 - hue) * 6.0;
  return m1;
}

void ColorsysHlsToRgb(double h, double l, double s, double& r, double& g, double& b) {
  if (s == 0.0) {
    r = g = b = l;
    return;
  }
  const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - (l * s);
  const double m1 = 2.0 * l - m2;
  r = ColorsysV(m1, m2, h + 1.0 / 3.0);
  g = ColorsysV(m1, m2, h);
  b = ColorsysV(m1, m2, h - 1.0 / 3.0);
}

void BM_Zel_HSL_RoundTrip(benchmark::State& state) {
  const auto& in = Input();
  uint64_t mismatches = 0;
  for (auto _ : state) {
    mismatches = 0;
    for (zel::TColor c : in) {
      double h, s, l;
      zel::ColorToHSL(c, h, s, l);
      mismatches += zel::HSLtoColor(h, s, l) != c;
    }
    benchmark::DoNotOptimize(mismatches);
  }
  state.counters["mismatches"] = static_cast<double>(mismatches);
  PerColour(state);
}
BENCHMARK(BM_Zel_HSL_RoundTrip)->Unit(benchmark::kMillisecond);

void BM_Colorsys_HSL_RoundTrip(benchmark::State& state) {
  const auto& in = Input();
  uint64_t mismatches = 0;
  for (auto _ : state) {
    mismatches = 0;
    for (zel::TColor c : in) {
      double h, l, s, r, g, b;
      ColorsysRgbToHls((c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0, h,
                       l, s);
      ColorsysHlsToRgb(h, l, s, r, g, b);
      mismatches += Pack(r, g, b) != c;
    }
    benchmark::DoNotOptimize(mismatches);
  }
  state.counters["mismatches"] = static_cast<double>(mismatches);
  PerColour(state);
}
BENCHMARK(BM_Colorsys_HSL_RoundTrip)->Unit(benchmark::kMillisecond);

// ---- colour scale: 1000 support colours spread over 10 million entries ----

std::vector<zel::TColor> SupportColours() {
  std::vector<zel::TColor> out(1000);
  for (size_t i = 0; i < out.size(); ++i) out[i] = Input()[i * 7919 % Input().size()];
  return out;
}

void BM_Zel_FillByInterpolation(benchmark::State& state) {
  const auto support = SupportColours();
  zel::TColorArray scale(nullptr);
  scale.SetSize(static_cast<int32_t>(kColors));
  for (auto _ : state) {
    scale.FillByInterpolation(0, support);
    benchmark::DoNotOptimize(scale.Colors().data());
  }
  PerColour(state);
}
BENCHMARK(BM_Zel_FillByInterpolation)->Unit(benchmark::kMillisecond);

// The same scale as a pixman linear gradient with 1000 stops rendered into a
// 10 million pixel row (1000 rows of 10 000 pixels, horizontal gradient).
void BM_Pixman_LinearGradient(benchmark::State& state) {
  const auto support = SupportColours();
  std::vector<pixman_gradient_stop_t> stops(support.size());
  for (size_t i = 0; i < support.size(); ++i) {
    const zel::TColor c = support[i];
    stops[i].x = pixman_double_to_fixed(static_cast<double>(i) / (support.size() - 1));
    stops[i].color = {static_cast<uint16_t>((c & 0xFF) * 257),
                      static_cast<uint16_t>(((c >> 8) & 0xFF) * 257),
                      static_cast<uint16_t>(((c >> 16) & 0xFF) * 257), 0xFFFF};
  }
  constexpr int kWidth = 10000, kHeight = static_cast<int>(kColors / kWidth);
  pixman_point_fixed_t p1 = {pixman_int_to_fixed(0), 0};
  pixman_point_fixed_t p2 = {pixman_int_to_fixed(kWidth), 0};
  pixman_image_t* grad =
      pixman_image_create_linear_gradient(&p1, &p2, stops.data(), static_cast<int>(stops.size()));
  std::vector<uint32_t> pixels(static_cast<size_t>(kColors));
  pixman_image_t* dst =
      pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, pixels.data(), kWidth * 4);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, grad, nullptr, dst, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
    benchmark::DoNotOptimize(pixels.data());
  }
  pixman_image_unref(dst);
  pixman_image_unref(grad);
  PerColour(state);
}
BENCHMARK(BM_Pixman_LinearGradient)->Unit(benchmark::kMillisecond);

}  // namespace
