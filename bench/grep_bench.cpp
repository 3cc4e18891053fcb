// TGrep::MatchString against std::regex_search (ECMAScript) over the same
// 64 MiB text, for a literal, a set with a quantifier and two anchored
// patterns. The text is random lower-case words; what the patterns look for
// stands only at its very end, so both searches cross all of it. The TGrep
// runs check that they find the start and end std::regex_search finds.
//
// Also line reading out of memory: ReadLnString over a 100 MB text against
// std::getline on a std::istringstream holding the same bytes.
#include <benchmark/benchmark.h>

#include <random>
#include <regex>
#include <sstream>
#include <string>

#include "zel/stringl/grep.h"
#include "zel/stringl/linetext.h"

namespace {

constexpr size_t kTextSize = size_t{64} << 20;

struct Text {
  std::string bytes;
  zel::String wide;
  Text() {
    std::mt19937 rng(7);
    bytes.reserve(kTextSize);
    while (bytes.size() < kTextSize - 32) {
      const size_t word = 1 + rng() % 9;
      for (size_t i = 0; i < word; ++i) bytes.push_back(static_cast<char>('a' + rng() % 26));
      bytes.push_back(' ');
    }
    bytes += "needle 31415";
    wide.assign(bytes.begin(), bytes.end());
  }
};

const Text& Data() {
  static const Text t;
  return t;
}

struct Pattern {
  const char16_t* grep;
  const char* ecma;
};

// The same searches in both syntaxes. The last token of each TGrep pattern
// takes as much as it can, as ECMAScript's greedy quantifiers do.
const Pattern kPatterns[] = {
    {u"needle", "needle"},
    {u"[0-9]+", "[0-9]+"},
    {u"needle [0-9]+$", "needle [0-9]+$"},
    {u"^[a-z]+ [a-z]+ needle", "^[a-z]+ [a-z]+ needle"},
};

void Found(benchmark::State& state, long start, long end) {
  state.counters["start"] = static_cast<double>(start);
  state.counters["end"] = static_cast<double>(end);
}

void BM_TGrep(benchmark::State& state) {
  const Text& t = Data();
  const Pattern& p = kPatterns[state.range(0)];
  zel::TGrep g(nullptr);
  g.SetRegExp(p.grep);
  // The answer of std::regex_search, found once outside the timing.
  std::smatch m;
  const bool want = std::regex_search(t.bytes, m, std::regex(p.ecma, std::regex::ECMAScript));
  const long want_start = want ? static_cast<long>(m.position(0)) + 1 : 0;
  const long want_end = want ? want_start + static_cast<long>(m.length(0)) - 1 : 0;
  long start = 0, end = 0;
  for (auto _ : state) {
    int32_t pos = 0;
    const bool found = g.MatchString(t.wide, pos);
    start = found ? pos : 0;
    end = found ? g.MatchEndPos() : 0;
    benchmark::DoNotOptimize(pos);
  }
  if (start != want_start || end != want_end) state.SkipWithError("TGrep and std::regex differ");
  Found(state, start, end);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kTextSize));
}

void BM_StdRegexSearch(benchmark::State& state) {
  const Text& t = Data();
  const Pattern& p = kPatterns[state.range(0)];
  const std::regex re(p.ecma, std::regex::ECMAScript);
  long start = 0, end = 0;
  for (auto _ : state) {
    std::smatch m;
    const bool found = std::regex_search(t.bytes, m, re);
    start = found ? static_cast<long>(m.position(0)) + 1 : 0;
    end = found ? start + static_cast<long>(m.length(0)) - 1 : 0;
    benchmark::DoNotOptimize(m);
  }
  Found(state, start, end);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kTextSize));
}

BENCHMARK(BM_TGrep)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdRegexSearch)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(2);

// ---- line reading out of memory ----------------------------------------------

constexpr size_t kLinesSize = 100u << 20;

struct Lines {
  std::string bytes;
  zel::String wide;
  int64_t count = 0;
  Lines() {
    std::mt19937 rng(42);  // the data of the stream benchmarks
    bytes.reserve(kLinesSize + 200);
    while (bytes.size() < kLinesSize) {
      const size_t len = rng() % 120;
      for (size_t i = 0; i < len; ++i) bytes.push_back(static_cast<char>(' ' + rng() % 95));
      bytes.push_back('\n');
      ++count;
    }
    wide.assign(bytes.begin(), bytes.end());
  }
};

const Lines& LineData() {
  static const Lines l;
  return l;
}

void BM_ReadLnString(benchmark::State& state) {
  const Lines& l = LineData();
  for (auto _ : state) {
    int32_t pos = 1;
    bool eot = false;
    int64_t n = 0;
    for (;;) {
      zel::String line = zel::ReadLnString(l.wide, pos, eot, zel::rlsLF);
      if (eot) break;
      ++n;
      benchmark::DoNotOptimize(line);
    }
    if (n != l.count) state.SkipWithError("wrong line count");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(l.bytes.size()));
}

void BM_Reference_GetlineStringStream(benchmark::State& state) {
  const Lines& l = LineData();
  for (auto _ : state) {
    std::istringstream in(l.bytes);
    std::string line;
    int64_t n = 0;
    while (std::getline(in, line)) {
      ++n;
      benchmark::DoNotOptimize(line);
    }
    if (n != l.count) state.SkipWithError("wrong line count");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(l.bytes.size()));
}

BENCHMARK(BM_Reference_GetlineStringStream)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLnString)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
