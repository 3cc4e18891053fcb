// Number text conversions and case folding of the runtime, each next to the
// C library routine that does the nearest job (strtold, snprintf, towupper),
// measured in the same run.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <vector>

#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace {

const std::vector<std::string>& NumberTexts() {
  static const std::vector<std::string> texts = {
      "3.14159265358979", "-0.000123", "6.02214076e23", "42", "1e-300", "123456.789"};
  return texts;
}

void BM_ZelStrToFloat(benchmark::State& state) {
  std::vector<zel::String> texts;
  for (const auto& t : NumberTexts()) texts.push_back(zel::Utf8ToString(t));
  for (auto _ : state)
    for (const auto& t : texts) benchmark::DoNotOptimize(zel::StrToFloat(t));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_ZelStrToFloat);

void BM_RefStrtold(benchmark::State& state) {
  for (auto _ : state)
    for (const auto& t : NumberTexts()) benchmark::DoNotOptimize(std::strtold(t.c_str(), nullptr));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(NumberTexts().size()));
}
BENCHMARK(BM_RefStrtold);

const long double kValues[] = {3.14159265358979L, -0.000123L, 6.02214076e23L, 42.0L,
                               1e-300L,           123456.789L};

void BM_ZelFloatToStr(benchmark::State& state) {
  for (auto _ : state)
    for (const long double v : kValues) benchmark::DoNotOptimize(zel::FloatToStr(v));
  state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(BM_ZelFloatToStr);

void BM_RefSnprintf(benchmark::State& state) {
  char buf[64];
  for (auto _ : state)
    for (const long double v : kValues) {
      std::snprintf(buf, sizeof buf, "%.15Lg", v);
      benchmark::DoNotOptimize(buf);
    }
  state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(BM_RefSnprintf);

zel::String MixedText() {
  zel::String s;
  for (int i = 0; i < 64; ++i) s += u"Stra\u00dfe \u00e4\u00f6\u00fc \u03c3\u03b1 abc ";
  return s;
}

void BM_ZelAnsiUpperCase(benchmark::State& state) {
  const zel::String s = MixedText();
  for (auto _ : state) benchmark::DoNotOptimize(zel::AnsiUpperCase(s));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.size() * 2));
}
BENCHMARK(BM_ZelAnsiUpperCase);

void BM_RefTowupper(benchmark::State& state) {
  std::setlocale(LC_CTYPE, "C.UTF-8");
  const zel::String s = MixedText();
  for (auto _ : state) {
    zel::String out(s);
    for (auto& c : out) c = static_cast<char16_t>(std::towupper(c));
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.size() * 2));
}
BENCHMARK(BM_RefTowupper);

}  // namespace
