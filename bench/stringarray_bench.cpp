// TStringArray: cell throughput, sorting against std::sort, memory per cell.
//
// The sort reference is std::sort of a std::vector<std::string> holding the
// same texts, with the same comparison (ASCII letters folded to lower case,
// then byte order). The memory reference is a
// std::vector<std::vector<std::string>> holding the same texts. Memory is
// counted by the global operator new/delete of this program, which also serve
// the library, as the usable bytes of every live block.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "zel/dstruct/stringarray.h"

namespace {
std::atomic<long long> g_live_bytes{0};
}  // namespace

void* operator new(size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  g_live_bytes += static_cast<long long>(malloc_usable_size(p));
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  g_live_bytes -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

using zel::String;
using zel::TStringArray;

// Random texts of 8 to 16 letters, mixed case, from a fixed seed.
std::vector<std::string> RandomTexts(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> len(8, 16), letter(0, 51);
  std::vector<std::string> out(n);
  for (auto& s : out) {
    s.resize(static_cast<size_t>(len(rng)));
    for (auto& ch : s) {
      const int l = letter(rng);
      ch = static_cast<char>(l < 26 ? 'a' + l : 'A' + (l - 26));
    }
  }
  return out;
}

String ToString(const std::string& s) { return String(s.begin(), s.end()); }

bool LessNoCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

constexpr int kSide = 1000;

const std::vector<String>& GridTexts() {
  static const std::vector<String> texts = [] {
    std::vector<String> out;
    for (const auto& s : RandomTexts(static_cast<size_t>(kSide) * kSide, 1))
      out.push_back(ToString(s));
    return out;
  }();
  return texts;
}

void BM_SetString_1000x1000(benchmark::State& state) {
  const auto& texts = GridTexts();
  TStringArray g(nullptr);
  g.Resize(kSide, kSide);
  for (auto _ : state) {
    size_t k = 0;
    for (int r = 1; r <= kSide; ++r)
      for (int c = 1; c <= kSide; ++c) g.SetString(c, r, texts[k++]);
    state.PauseTiming();
    g.Clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_SetString_1000x1000)->Unit(benchmark::kMillisecond);

void BM_GetString_1000x1000(benchmark::State& state) {
  const auto& texts = GridTexts();
  TStringArray g(nullptr);
  g.Resize(kSide, kSide);
  size_t k = 0;
  for (int r = 1; r <= kSide; ++r)
    for (int c = 1; c <= kSide; ++c) g.SetString(c, r, texts[k++]);
  for (auto _ : state) {
    size_t total = 0;
    for (int r = 1; r <= kSide; ++r)
      for (int c = 1; c <= kSide; ++c) total += g.GetString(c, r).size();
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_GetString_1000x1000)->Unit(benchmark::kMillisecond);

void BM_Sort(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  const auto texts = RandomTexts(static_cast<size_t>(n), 2);
  TStringArray g(nullptr);
  g.Resize(1, n);
  for (int r = 1; r <= n; ++r) g.SetString(1, r, ToString(texts[static_cast<size_t>(r - 1)]));
  for (auto _ : state) {
    state.PauseTiming();
    g.UnSort();
    state.ResumeTiming();
    g.Sort(1, 0, true);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Sort)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_StdSortReference(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  const auto texts = RandomTexts(n, 2);
  std::vector<std::string> work;
  for (auto _ : state) {
    state.PauseTiming();
    work = texts;
    state.ResumeTiming();
    std::sort(work.begin(), work.end(), LessNoCase);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_StdSortReference)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Bytes per cell of a 1000 x 1000 grid of 8-16 letter texts (column 0 and
// the spare capacity counted too).
void BM_MemoryPerCell(benchmark::State& state) {
  const auto texts = RandomTexts(static_cast<size_t>(kSide) * kSide, 3);
  std::vector<String> wide;
  for (const auto& s : texts) wide.push_back(ToString(s));
  double per_cell = 0;
  for (auto _ : state) {
    const long long before = g_live_bytes.load();
    {
      TStringArray g(nullptr);
      g.Resize(kSide, kSide);
      size_t k = 0;
      for (int r = 1; r <= kSide; ++r)
        for (int c = 1; c <= kSide; ++c) g.SetString(c, r, wide[k++]);
      per_cell = static_cast<double>(g_live_bytes.load() - before) / (kSide * kSide);
    }
  }
  state.counters["bytes_per_cell"] = per_cell;
}
BENCHMARK(BM_MemoryPerCell)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_MemoryPerCellReference(benchmark::State& state) {
  const auto texts = RandomTexts(static_cast<size_t>(kSide) * kSide, 3);
  double per_cell = 0;
  for (auto _ : state) {
    const long long before = g_live_bytes.load();
    {
      std::vector<std::vector<std::string>> grid(kSide, std::vector<std::string>(kSide));
      size_t k = 0;
      for (auto& row : grid)
        for (auto& cell : row) cell = texts[k++];
      per_cell = static_cast<double>(g_live_bytes.load() - before) / (kSide * kSide);
    }
  }
  state.counters["bytes_per_cell"] = per_cell;
}
BENCHMARK(BM_MemoryPerCellReference)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
