// File and tree copies against cp on the same data in the same run: one
// 1 GiB file, and a tree of 20 000 small files in 100 folders. The data is
// made once under /tmp and removed when the program ends. Wall-clock time
// (cp runs in a child process); the page cache is written back before each
// timed copy so every copy starts from the same state. Both sides copy in
// the kernel with copy_file_range; zel also writes each file under a
// temporary name, renames it into place and sets its mode and time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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

using Clock = std::chrono::steady_clock;

// One timed copy of each kind per iteration, in rotating order so load from
// elsewhere on the machine falls on all of them alike. The iteration time is
// zel's without feedback; the counters give the mean of each kind in
// milliseconds, zel's speed against cp (> 1: zel faster) and what the
// feedback costs in percent.
void Compare(benchmark::State& state, const fs::path& dst,
             const std::function<bool(bool feedback)>& zel_copy, const std::string& cp) {
  double sums[3] = {0, 0, 0};
  int round = 0;
  for (auto _ : state) {
    double zel_time = 0;
    for (int k = 0; k < 3; ++k) {
      const int kind = (k + round) % 3;
      Clear(dst);
      const auto t0 = Clock::now();
      bool ok = true;
      if (kind == 2) {
        Run(cp);
      } else {
        ok = zel_copy(kind == 1);
      }
      const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
      if (!ok) state.SkipWithError("copy failed");
      sums[kind] += secs;
      if (kind == 0) zel_time = secs;
    }
    ++round;
    state.SetIterationTime(zel_time);
  }
  Clear(dst);
  const double n = static_cast<double>(state.iterations());
  state.counters["zel_ms"] = sums[0] / n * 1e3;
  state.counters["zel_feedback_ms"] = sums[1] / n * 1e3;
  state.counters["cp_ms"] = sums[2] / n * 1e3;
  state.counters["ratio_vs_cp"] = sums[2] / sums[0];
  state.counters["ratio_feedback_vs_cp"] = sums[2] / sums[1];
  state.counters["feedback_cost_pct"] = (sums[1] / sums[0] - 1) * 100;
}

void BM_CopyBigFile(benchmark::State& state) {
  Data& d = TheData();
  const fs::path dst = d.root / "big.copy";
  const zel::String src16 = zel::Utf8ToString(d.big.string());
  const zel::String dst16 = zel::Utf8ToString(dst.string());
  int64_t calls = 0;
  Compare(
      state, dst,
      [&](bool feedback) {
        return (feedback ? zel::FileCopyFeedBk64(src16, dst16, true,
                                                 [&calls](int64_t, int64_t) { ++calls; })
                         : zel::FileCopyFeedBk64(src16, dst16, true, nullptr)) == 0;
      },
      "cp -r " + Quoted(d.big) + " " + Quoted(dst));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigSize));
}
BENCHMARK(BM_CopyBigFile)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CopyTree(benchmark::State& state) {
  Data& d = TheData();
  const fs::path dst = d.root / "tree.copy";
  const zel::String src16 = zel::Utf8ToString(d.tree.string());
  const zel::String dst16 = zel::Utf8ToString(dst.string());
  int64_t calls = 0;
  Compare(
      state, dst,
      [&](bool feedback) {
        return (feedback ? zel::CopyFileTree64(
                               src16, dst16, true,
                               [&calls](int64_t, int64_t, const zel::String&, int32_t) { ++calls; })
                         : zel::CopyFileTree64(src16, dst16, true, nullptr)) == 0;
      },
      "cp -r " + Quoted(d.tree) + " " + Quoted(dst));
  state.SetItemsProcessed(state.iterations() * kTreeFolders * kFilesPerFolder);
}
BENCHMARK(BM_CopyTree)->Iterations(4)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
