// File and tree copies against cp on the same data in the same run: one
// 1 GiB file, and a tree of 20 000 small files in 100 folders. The data is
// made once under /tmp and removed when the program ends. Wall-clock time
// (cp runs in a child process); the page cache is written back before each
// timed copy so every copy starts from the same state.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "zel/filesys/files.h"
#include "zel/runtime/utf8.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kBigSize = size_t{1} << 30;
constexpr int kTreeFolders = 100;
constexpr int kFilesPerFolder = 200;

struct Data {
  fs::path root, big, tree;
  Data() {
    std::string templ = (fs::temp_directory_path() / "zel-copy-bench-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) std::abort();
    root = templ;
    big = root / "big.bin";
    tree = root / "tree";
    std::vector<char> block(size_t{1} << 20);
    uint32_t x = 12345;
    {
      std::ofstream out(big, std::ios::binary);
      for (size_t done = 0; done < kBigSize; done += block.size()) {
        for (auto& c : block) {
          x = x * 1103515245u + 12345u;
          c = static_cast<char>(x >> 24);
        }
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
      }
    }
    for (int d = 0; d < kTreeFolders; ++d) {
      const fs::path folder = tree / ("folder " + std::to_string(d));
      fs::create_directories(folder);
      for (int f = 0; f < kFilesPerFolder; ++f) {
        std::ofstream out(folder / ("file-" + std::to_string(f) + ".dat"), std::ios::binary);
        const size_t size = (static_cast<size_t>(f) * 977 + static_cast<size_t>(d) * 131) % 8192;
        out.write(block.data(), static_cast<std::streamsize>(size));
      }
    }
    ::sync();
  }
  ~Data() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

Data& TheData() {
  static Data data;
  return data;
}

void Clear(const fs::path& p) {
  std::error_code ec;
  fs::remove_all(p, ec);
  ::sync();
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::abort();
}

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

void BM_CopyBigFile_Zel(benchmark::State& state) {
  Data& d = TheData();
  const fs::path dst = d.root / "big.copy";
  const bool feedback = state.range(0) != 0;
  int64_t calls = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Clear(dst);
    state.ResumeTiming();
    const int32_t status =
        feedback ? zel::FileCopyFeedBk64(zel::Utf8ToString(d.big.string()),
                                         zel::Utf8ToString(dst.string()), true,
                                         [&calls](int64_t, int64_t) { ++calls; })
                 : zel::FileCopyFeedBk64(zel::Utf8ToString(d.big.string()),
                                         zel::Utf8ToString(dst.string()), true, nullptr);
    if (status != 0) state.SkipWithError("copy failed");
  }
  Clear(dst);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigSize));
  state.counters["feedback_calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_CopyBigFile_Zel)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_CopyBigFile_Cp(benchmark::State& state) {
  Data& d = TheData();
  const fs::path dst = d.root / "big.copy";
  for (auto _ : state) {
    state.PauseTiming();
    Clear(dst);
    state.ResumeTiming();
    Run("cp -r " + Quoted(d.big) + " " + Quoted(dst));
  }
  Clear(dst);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigSize));
}
BENCHMARK(BM_CopyBigFile_Cp)->Iterations(4)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_CopyTree_Zel(benchmark::State& state) {
  Data& d = TheData();
  const fs::path dst = d.root / "tree.copy";
  const bool feedback = state.range(0) != 0;
  int64_t calls = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Clear(dst);
    state.ResumeTiming();
    const int32_t failed =
        feedback ? zel::CopyFileTree64(
                       zel::Utf8ToString(d.tree.string()), zel::Utf8ToString(dst.string()), true,
                       [&calls](int64_t, int64_t, const zel::String&, int32_t) { ++calls; })
                 : zel::CopyFileTree64(zel::Utf8ToString(d.tree.string()),
                                       zel::Utf8ToString(dst.string()), true, nullptr);
    if (failed != 0) state.SkipWithError("tree copy incomplete");
  }
  Clear(dst);
  state.SetItemsProcessed(state.iterations() * kTreeFolders * kFilesPerFolder);
  state.counters["feedback_calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_CopyTree_Zel)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_CopyTree_Cp(benchmark::State& state) {
  Data& d = TheData();
  const fs::path dst = d.root / "tree.copy";
  for (auto _ : state) {
    state.PauseTiming();
    Clear(dst);
    state.ResumeTiming();
    Run("cp -r " + Quoted(d.tree) + " " + Quoted(dst));
  }
  Clear(dst);
  state.SetItemsProcessed(state.iterations() * kTreeFolders * kFilesPerFolder);
}
BENCHMARK(BM_CopyTree_Cp)->Iterations(4)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
