// Substring search: the library's linear-time search (CountStringInString,
// which goes through the shared two-way searcher) against
// std::u16string::find, in the case that makes a naive search quadratic and
// in an ordinary one, measured in the same run. Both count the same
// non-overlapping occurrences.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "zel/stringl/searching.h"

namespace {

// 200 000 "a" searched for "a...ab" (20 000 characters): no occurrence, and
// a naive search compares nearly the whole pattern at every position.
struct BadCase {
  std::u16string text = std::u16string(200000, u'a');
  std::u16string pattern = std::u16string(19999, u'a') + u'b';
};

// About 1 MB of words; a 9-character word that occurs now and then.
struct NormalCase {
  std::u16string text;
  std::u16string pattern = u"structure";
  NormalCase() {
    static const char16_t* kWords[] = {u"the ",  u"stream ", u"reads ", u"a ",     u"line ",
                                       u"into ", u"string ", u"with ",  u"every ", u"step "};
    uint32_t x = 7;
    while (text.size() < 1000000) {
      x = x * 1103515245u + 12345u;
      text += (x >> 16) % 997 == 0 ? u"structure " : kWords[(x >> 16) % 10];
    }
  }
};

int32_t StdCount(const std::u16string& sub, const std::u16string& text) {
  int32_t n = 0;
  for (size_t f = text.find(sub); f != std::u16string::npos; f = text.find(sub, f + sub.size()))
    ++n;
  return n;
}

template <class Case>
void BM_ZelCountStringInString(benchmark::State& state) {
  const Case c;
  if (zel::CountStringInString(c.pattern, c.text, true) != StdCount(c.pattern, c.text))
    state.SkipWithError("counts differ");
  for (auto _ : state) benchmark::DoNotOptimize(zel::CountStringInString(c.pattern, c.text, true));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(c.text.size() * 2));
}

template <class Case>
void BM_RefU16StringFind(benchmark::State& state) {
  const Case c;
  for (auto _ : state) benchmark::DoNotOptimize(StdCount(c.pattern, c.text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(c.text.size() * 2));
}

BENCHMARK_TEMPLATE(BM_ZelCountStringInString, BadCase)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_RefU16StringFind, BadCase)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ZelCountStringInString, NormalCase)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_RefU16StringFind, NormalCase)->Unit(benchmark::kMicrosecond);

}  // namespace
