// TGrep::MatchString against std::regex_search (ECMAScript) and PCRE2 with its
// JIT compiler over the same 64 MiB text, for a literal, a set with a
// quantifier and two anchored patterns. The text is random lower-case words;
// what the patterns look for stands only at its very end, so every search
// crosses all of it. Each run checks that it finds the start and end that
// std::regex_search finds. TGrep searches the UTF-16 text (its strings are
// UTF-16), the references the same characters as bytes.
//
// Hostile lines: one line of "a" repeated, 10 000 and 100 000 characters,
// against patterns whose inner repetitions find long runs and whose rest
// fails everywhere; the time per line grows with the length of the line
// (about 10 times for a line 10 times longer), not with its square.
//
// Also line reading out of memory: ReadLnString over a 100 MB text against
// std::getline on a std::istringstream holding the same bytes.
#define PCRE2_CODE_UNIT_WIDTH 0  // both the 8-bit and the 16-bit library
#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <utility>

#include "zel/runtime/utf8.h"
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

// Start and end (1-based, inclusive; 0, 0 when nothing is found).
using Span = std::pair<long, long>;

// The answer of std::regex_search for pattern i, found once, outside timing.
Span Want(size_t i) {
  static std::map<size_t, Span> answers;
  auto it = answers.find(i);
  if (it != answers.end()) return it->second;
  std::smatch m;
  const std::string& bytes = Data().bytes;
  Span s{0, 0};
  if (std::regex_search(bytes, m, std::regex(kPatterns[i].ecma, std::regex::ECMAScript)))
    s = {static_cast<long>(m.position(0)) + 1, static_cast<long>(m.position(0) + m.length(0))};
  return answers[i] = s;
}

void Found(benchmark::State& state, Span got, Span want) {
  if (got != want) state.SkipWithError("the match differs from std::regex_search's");
  state.counters["start"] = static_cast<double>(got.first);
  state.counters["end"] = static_cast<double>(got.second);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kTextSize));
}

void BM_TGrep(benchmark::State& state) {
  const Text& t = Data();
  const size_t i = static_cast<size_t>(state.range(0));
  zel::TGrep g(nullptr);
  g.SetRegExp(kPatterns[i].grep);
  const Span want = Want(i);
  Span got{0, 0};
  for (auto _ : state) {
    int32_t pos = 0;
    const bool found = g.MatchString(t.wide, pos);
    got = found ? Span{pos, g.MatchEndPos()} : Span{0, 0};
    benchmark::DoNotOptimize(pos);
  }
  Found(state, got, want);
}

void BM_StdRegexSearch(benchmark::State& state) {
  const Text& t = Data();
  const size_t i = static_cast<size_t>(state.range(0));
  const std::regex re(kPatterns[i].ecma, std::regex::ECMAScript);
  const Span want = Want(i);
  Span got{0, 0};
  for (auto _ : state) {
    std::smatch m;
    const bool found = std::regex_search(t.bytes, m, re);
    got = found ? Span{static_cast<long>(m.position(0)) + 1,
                       static_cast<long>(m.position(0) + m.length(0))}
                : Span{0, 0};
    benchmark::DoNotOptimize(m);
  }
  Found(state, got, want);
}

// PCRE2 compiled to machine code (pcre2_jit_match); "$" only at the very end,
// as in the other two. Its 8-bit library searches the bytes, its 16-bit one
// the UTF-16 text that TGrep searches.
#define ZEL_PCRE2_API(W)                                                                         \
  struct Pcre2Api##W {                                                                           \
    using Unit = PCRE2_UCHAR##W;                                                                 \
    static pcre2_code_##W* Compile(const std::basic_string<Unit>& p, int& err) {                 \
      PCRE2_SIZE at = 0;                                                                         \
      return pcre2_compile_##W(p.c_str(), p.size(), PCRE2_DOLLAR_ENDONLY, &err, &at, nullptr);   \
    }                                                                                            \
    static int Jit(pcre2_code_##W* re) { return pcre2_jit_compile_##W(re, PCRE2_JIT_COMPLETE); } \
    static pcre2_match_data_##W* Data(pcre2_code_##W* re) {                                      \
      return pcre2_match_data_create_from_pattern_##W(re, nullptr);                              \
    }                                                                                            \
    static int Match(pcre2_code_##W* re, const void* s, size_t n, pcre2_match_data_##W* md) {    \
      return pcre2_jit_match_##W(re, static_cast<const Unit*>(s), n, 0, 0, md, nullptr);         \
    }                                                                                            \
    static const PCRE2_SIZE* Ovector(pcre2_match_data_##W* md) {                                 \
      return pcre2_get_ovector_pointer_##W(md);                                                  \
    }                                                                                            \
    static void Free(pcre2_code_##W* re, pcre2_match_data_##W* md) {                             \
      pcre2_match_data_free_##W(md);                                                             \
      pcre2_code_free_##W(re);                                                                   \
    }                                                                                            \
  };
ZEL_PCRE2_API(8)
ZEL_PCRE2_API(16)
#undef ZEL_PCRE2_API

template <typename Api, typename Str>
void RunPcre2(benchmark::State& state, const Str& text) {
  const size_t i = static_cast<size_t>(state.range(0));
  const std::string ecma = kPatterns[i].ecma;
  const std::basic_string<typename Api::Unit> pattern(ecma.begin(), ecma.end());
  int err = 0;
  auto* re = Api::Compile(pattern, err);
  if (re == nullptr) {
    state.SkipWithError("PCRE2 could not compile the pattern");
    return;
  }
  auto* md = Api::Data(re);
  if (Api::Jit(re) != 0) {
    Api::Free(re, md);
    state.SkipWithError("PCRE2 could not compile the pattern with its JIT");
    return;
  }
  const Span want = Want(i);
  Span got{0, 0};
  for (auto _ : state) {
    const int rc = Api::Match(re, text.data(), text.size(), md);
    const PCRE2_SIZE* ov = Api::Ovector(md);
    got = rc > 0 ? Span{static_cast<long>(ov[0]) + 1, static_cast<long>(ov[1])} : Span{0, 0};
    benchmark::DoNotOptimize(rc);
  }
  Api::Free(re, md);
  Found(state, got, want);
}

void BM_Pcre2Jit(benchmark::State& state) { RunPcre2<Pcre2Api8>(state, Data().bytes); }
void BM_Pcre2Jit16(benchmark::State& state) { RunPcre2<Pcre2Api16>(state, Data().wide); }

BENCHMARK(BM_TGrep)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pcre2Jit)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pcre2Jit16)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdRegexSearch)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(2);

// ---- hostile lines -------------------------------------------------------------

const char16_t* const kHostile[] = {
    u"a*b",     u"a*a*a*b",    u"a+a+a+a+a+a+b", u"(aa)*(aa)*c",
    u".*.*.*b", u"a.*a.*a.*b", u"[a-z]*[^x]*x",  u"a?a?a?a?a?a?a?a?a?a?b",
};

// Arguments: the pattern, the length of the line.
void BM_TGrepHostileLine(benchmark::State& state) {
  zel::TGrep g(nullptr);
  g.SetRegExp(kHostile[state.range(0)]);
  const zel::String line(static_cast<size_t>(state.range(1)), u'a');
  for (auto _ : state) {
    int32_t pos = 0;
    if (g.MatchString(line, pos)) state.SkipWithError("a hostile line matched");
    benchmark::DoNotOptimize(pos);
  }
  state.SetLabel(zel::StringToUtf8(kHostile[state.range(0)]));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(1));
}

BENCHMARK(BM_TGrepHostileLine)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 7, 1), {10000, 100000}})
    ->Unit(benchmark::kMicrosecond);

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
