// Counting the lines of a 100 MB text file: CountLinesInTextFile against
// `wc -l` and a std::getline loop on the same file in the same run, plus
// TextFile::ReadLn (which decodes every line) for scale.
//
// The file holds ASCII lines of 0 to 120 characters ending in CR LF (the
// library's own line end), so every counter sees the same number of lines.
// It is written once to the temporary directory and removed at exit.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "zel/filesys/textfiles.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"

namespace {

constexpr size_t kFileBytes = 100u * 1000u * 1000u;

const std::string& BenchFile() {
  static const std::string path = [] {
    const std::string p =
        (std::filesystem::temp_directory_path() / "zel-textfile-bench.txt").string();
    std::mt19937 rng(42);
    std::string data;
    data.reserve(kFileBytes + 256);
    while (data.size() < kFileBytes) {
      const size_t len = rng() % 121;
      for (size_t i = 0; i < len; ++i) data.push_back(static_cast<char>(' ' + rng() % 95));
      data += "\r\n";
    }
    std::ofstream(p, std::ios::binary)
        .write(data.data(), static_cast<std::streamsize>(data.size()));
    return p;
  }();
  // Registered after `path` is complete, so it runs before path is destroyed.
  static const bool cleanup = (std::atexit([] {
                                 std::error_code ec;
                                 std::filesystem::remove(path, ec);
                               }),
                               true);
  (void)cleanup;
  return path;
}

int64_t FileSize() { return static_cast<int64_t>(std::filesystem::file_size(BenchFile())); }

void BM_CountLinesInTextFile(benchmark::State& state) {
  const zel::String name = zel::Utf8ToString(BenchFile());
  for (auto _ : state) benchmark::DoNotOptimize(zel::CountLinesInTextFile(name, nullptr));
  state.SetBytesProcessed(state.iterations() * FileSize());
  state.counters["lines"] = zel::CountLinesInTextFile(name, nullptr);
}
BENCHMARK(BM_CountLinesInTextFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CountLinesInTextFileWithProgress(benchmark::State& state) {
  const zel::String name = zel::Utf8ToString(BenchFile());
  double last = 0;
  const zel::TFeedbackProc progress = [&last](zel::TObject*, double count, double) {
    last = count;
  };
  for (auto _ : state) benchmark::DoNotOptimize(zel::CountLinesInTextFile(name, progress));
  benchmark::DoNotOptimize(last);
  state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_CountLinesInTextFileWithProgress)->Unit(benchmark::kMillisecond)->UseRealTime();

double ChildCpuSeconds() {
  rusage ru{};
  ::getrusage(RUSAGE_CHILDREN, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

// The machine may be busy, so besides the wall time this reports the CPU
// time wc itself used per run (child_cpu_ms), comparable to the CPU column
// of the in-process benchmarks.
void BM_WcL(benchmark::State& state) {
  const std::string cmd = "wc -l < '" + BenchFile() + "'";
  long lines = 0;
  const double cpu0 = ChildCpuSeconds();
  for (auto _ : state) {
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr || std::fscanf(p, "%ld", &lines) != 1) {
      state.SkipWithError("wc -l failed");
      if (p != nullptr) ::pclose(p);
      return;
    }
    ::pclose(p);
  }
  state.SetBytesProcessed(state.iterations() * FileSize());
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["child_cpu_ms"] =
      (ChildCpuSeconds() - cpu0) * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WcL)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StdGetline(benchmark::State& state) {
  int64_t lines = 0;
  for (auto _ : state) {
    std::ifstream in(BenchFile(), std::ios::binary);
    std::string line;
    lines = 0;
    while (std::getline(in, line)) ++lines;
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * FileSize());
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_StdGetline)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextFileReadLn(benchmark::State& state) {
  zel::TextFile f(zel::Utf8ToString(BenchFile()));
  int64_t lines = 0;
  for (auto _ : state) {
    f.Reset();
    lines = 0;
    while (!f.Eof()) {
      benchmark::DoNotOptimize(f.ReadLn());
      ++lines;
    }
  }
  f.Close();
  state.SetBytesProcessed(state.iterations() * FileSize());
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_TextFileReadLn)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
