// Line counting and line reading over a 100 MB text file: CountLinesInStream
// and ReadLnStream on a file stream and on a memory stream, against `wc -l`
// (run through popen in the same process run) and std::getline on the same
// file. A caller's stream without a read window (one Read call per byte)
// shows what the window saves.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "zel/runtime/stream.h"
#include "zel/runtime/utf8.h"
#include "zel/streams/primitives.h"

namespace {

constexpr size_t kFileSize = 100u << 20;

// The file lives in a temporary folder for the whole run.
struct BenchFile {
  std::filesystem::path dir;
  std::filesystem::path path;
  int64_t lines = 0;
  BenchFile() {
    std::string templ = (std::filesystem::temp_directory_path() / "zel-bench-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) std::abort();
    dir = templ;
    path = dir / "lines.txt";
    std::mt19937 rng(42);
    std::string text;
    text.reserve(kFileSize + 200);
    while (text.size() < kFileSize) {
      const size_t len = rng() % 120;  // mean line about 60 bytes
      for (size_t i = 0; i < len; ++i) text.push_back(static_cast<char>(' ' + rng() % 95));
      text.push_back('\n');
      ++lines;
    }
    std::ofstream(path, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  ~BenchFile() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  zel::String Name() const { return zel::Utf8ToString(path.string()); }
  int64_t Bytes() const { return static_cast<int64_t>(std::filesystem::file_size(path)); }
};

BenchFile& File() {
  static BenchFile f;
  return f;
}

// A caller's stream without a window over memory.
class PlainStream : public zel::TStream {
 public:
  explicit PlainStream(const std::string& b) : bytes_(b) {}
  int64_t Read(void* Buffer, int64_t Count) override {
    if (Count <= 0 || pos_ >= static_cast<int64_t>(bytes_.size())) return 0;
    const int64_t n = std::min<int64_t>(Count, static_cast<int64_t>(bytes_.size()) - pos_);
    std::memcpy(Buffer, bytes_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t Offset, zel::TSeekOrigin Origin) override {
    pos_ = Origin == zel::soBeginning ? Offset
           : Origin == zel::soCurrent ? pos_ + Offset
                                      : static_cast<int64_t>(bytes_.size()) + Offset;
    return pos_;
  }

 private:
  const std::string& bytes_;
  int64_t pos_ = 0;
};

void Check(bool ok, benchmark::State& state) {
  if (!ok) state.SkipWithError("wrong line count");
}

void BM_CountLinesInStream_File(benchmark::State& state) {
  BenchFile& f = File();
  for (auto _ : state) {
    zel::TFileStream s(f.Name(), zel::fmOpenRead);
    Check(zel::CountLinesInStream(s) == f.lines, state);
  }
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

void BM_ReadLnStream_File(benchmark::State& state) {
  BenchFile& f = File();
  for (auto _ : state) {
    zel::TFileStream s(f.Name(), zel::fmOpenRead);
    int64_t n = 0;
    bool eos = false;
    for (;;) {
      zel::String line = zel::ReadLnStream(s, eos, 0);
      if (eos) break;
      ++n;
      benchmark::DoNotOptimize(line);
    }
    Check(n == f.lines, state);
  }
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

void BM_CountLinesInStream_Memory(benchmark::State& state) {
  BenchFile& f = File();
  zel::TMemoryStream m;
  m.LoadFromFile(f.Name());
  for (auto _ : state) {
    m.SetPosition(0);
    Check(zel::CountLinesInStream(m) == f.lines, state);
  }
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

void BM_ReadLnStream_Memory(benchmark::State& state) {
  BenchFile& f = File();
  zel::TMemoryStream m;
  m.LoadFromFile(f.Name());
  for (auto _ : state) {
    m.SetPosition(0);
    int64_t n = 0;
    bool eos = false;
    for (;;) {
      zel::String line = zel::ReadLnStream(m, eos, 0);
      if (eos) break;
      ++n;
      benchmark::DoNotOptimize(line);
    }
    Check(n == f.lines, state);
  }
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

// The same loops reading every line into one reused text, as the getline
// reference reuses one std::string.
void BM_ReadLnStream_File_Reuse(benchmark::State& state) {
  BenchFile& f = File();
  for (auto _ : state) {
    zel::TFileStream s(f.Name(), zel::fmOpenRead);
    int64_t n = 0;
    bool eos = false;
    zel::String line;
    for (;;) {
      zel::ReadLnStream(s, line, eos, 0);
      if (eos) break;
      ++n;
      benchmark::DoNotOptimize(line);
    }
    Check(n == f.lines, state);
  }
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

void BM_ReadLnStream_Memory_Reuse(benchmark::State& state) {
  BenchFile& f = File();
  zel::TMemoryStream m;
  m.LoadFromFile(f.Name());
  for (auto _ : state) {
    m.SetPosition(0);
    int64_t n = 0;
    bool eos = false;
    zel::String line;
    for (;;) {
      zel::ReadLnStream(m, line, eos, 0);
      if (eos) break;
      ++n;
      benchmark::DoNotOptimize(line);
    }
    Check(n == f.lines, state);
  }
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

void BM_CountLinesInStream_PerByteRead(benchmark::State& state) {
  BenchFile& f = File();
  std::string bytes(static_cast<size_t>(f.Bytes()), '\0');
  std::ifstream(f.path, std::ios::binary)
      .read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  for (auto _ : state) {
    PlainStream s(bytes);
    Check(zel::CountLinesInStream(s) == f.lines, state);
  }
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

void BM_Reference_WcL(benchmark::State& state) {
  BenchFile& f = File();
  const std::string cmd = "wc -l < '" + f.path.string() + "'";
  // The counting happens in the child: its CPU time is reported separately
  // (child_cpu_ms per run) for comparison with the CPU column of the others.
  rusage before{}, after{};
  ::getrusage(RUSAGE_CHILDREN, &before);
  for (auto _ : state) {
    FILE* p = ::popen(cmd.c_str(), "r");
    long long n = -1;
    if (!p || std::fscanf(p, "%lld", &n) != 1) n = -1;
    if (p) ::pclose(p);
    Check(n == f.lines, state);
  }
  ::getrusage(RUSAGE_CHILDREN, &after);
  auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  const double child =
      ms(after.ru_utime) + ms(after.ru_stime) - ms(before.ru_utime) - ms(before.ru_stime);
  state.counters["child_cpu_ms"] = child / static_cast<double>(state.iterations());
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

void BM_Reference_Getline(benchmark::State& state) {
  BenchFile& f = File();
  for (auto _ : state) {
    std::ifstream in(f.path, std::ios::binary);
    std::string line;
    int64_t n = 0;
    while (std::getline(in, line)) {
      ++n;
      benchmark::DoNotOptimize(line);
    }
    Check(n == f.lines, state);
  }
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

// The same loop with a new string for every line, as ReadLnStream returns one.
void BM_Reference_GetlineNewString(benchmark::State& state) {
  BenchFile& f = File();
  for (auto _ : state) {
    std::ifstream in(f.path, std::ios::binary);
    int64_t n = 0;
    for (;;) {
      std::string line;
      if (!std::getline(in, line)) break;
      ++n;
      benchmark::DoNotOptimize(line);
    }
    Check(n == f.lines, state);
  }
  state.SetBytesProcessed(state.iterations() * f.Bytes());
}

BENCHMARK(BM_Reference_WcL)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CountLinesInStream_File)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CountLinesInStream_Memory)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CountLinesInStream_PerByteRead)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Reference_Getline)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Reference_GetlineNewString)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLnStream_File)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLnStream_Memory)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLnStream_File_Reuse)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLnStream_Memory_Reuse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
