// strff, StrReal and FormatData against snprintf on the same values,
// measured in the same run. Each iteration formats one of 4096 values spread
// over 1e-3 .. 1e6 (plain forms) or 1e-30 .. 1e30 (exponent forms); the zel
// functions return a new UTF-16 string, snprintf writes into a stack buffer.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "zel/runtime/realstr.h"
#include "zel/stringl/numformat.h"

namespace {

std::vector<double> Values(double lo_exp, double hi_exp) {
  std::vector<double> v(4096);
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (double& d : v) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    const double u = static_cast<double>(x >> 11) / 9007199254740992.0;
    d = std::pow(10.0, lo_exp + u * (hi_exp - lo_exp)) * ((x & 1) ? -1 : 1);
  }
  return v;
}

const std::vector<double>& Plain() {
  static const std::vector<double> v = Values(-3, 6);
  return v;
}
const std::vector<double>& Wide() {
  static const std::vector<double> v = Values(-30, 30);
  return v;
}

void BM_strff_plain_12_4(benchmark::State& state) {
  const auto& v = Plain();
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(zel::strff(v[i++ & 4095], 12, 4));
}
BENCHMARK(BM_strff_plain_12_4);

void BM_snprintf_plain_12_4_double(benchmark::State& state) {
  const auto& v = Plain();
  size_t i = 0;
  char buf[64];
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%12.4f", v[i++ & 4095]));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintf_plain_12_4_double);

void BM_snprintf_plain_12_4_longdouble(benchmark::State& state) {
  const auto& v = Plain();
  size_t i = 0;
  char buf[64];
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        std::snprintf(buf, sizeof buf, "%12.4Lf", static_cast<long double>(v[i++ & 4095])));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintf_plain_12_4_longdouble);

void BM_strff_exponent_12(benchmark::State& state) {
  const auto& v = Wide();
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(zel::strff(v[i++ & 4095], 12, -2));
}
BENCHMARK(BM_strff_exponent_12);

void BM_snprintf_exponent_12(benchmark::State& state) {
  const auto& v = Wide();
  size_t i = 0;
  char buf[64];
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%12.5E", v[i++ & 4095]));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintf_exponent_12);

void BM_FormatData_8_3(benchmark::State& state) {
  const auto& v = Plain();
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(zel::FormatData(v[i++ & 4095], 8, 3));
}
BENCHMARK(BM_FormatData_8_3);

void BM_snprintf_8_3(benchmark::State& state) {
  const auto& v = Plain();
  size_t i = 0;
  char buf[64];
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%8.3f", v[i++ & 4095]));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintf_8_3);

void BM_StrReal_18_digits(benchmark::State& state) {
  const auto& v = Wide();
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(zel::StrReal(v[i++ & 4095] / 3, 26, -2));
}
BENCHMARK(BM_StrReal_18_digits);

void BM_snprintf_18_digits(benchmark::State& state) {
  const auto& v = Wide();
  size_t i = 0;
  char buf[64];
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        std::snprintf(buf, sizeof buf, "%26.17LE", static_cast<long double>(v[i++ & 4095] / 3)));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintf_18_digits);

}  // namespace
