// TFeatureMatrix Save and Load of a 100 000 x 20 matrix of mixed kinds (8
// floating-point, 6 integer, 3 string and 3 tri-state features), against
// writing and reading the same values as plain CSV in the same run:
// std::to_chars into a buffer written with fwrite, and std::getline plus
// strtod / strtoll into typed columns. Memory: bytes per value of the
// numeric features after loading, against the 8 bytes of a double.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "zel/dstruct/featmatrix.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace {

constexpr int kObjects = 100000;
constexpr int kDoubles = 8, kInts = 6, kStrings = 3, kTri = 3;
constexpr int kFeatures = kDoubles + kInts + kStrings + kTri;

struct Data {
  std::vector<std::vector<double>> d;
  std::vector<std::vector<int64_t>> i;
  std::vector<std::vector<std::string>> s;
  std::vector<std::vector<int8_t>> t;  // 1 true, 0 false, -1 undefined
};

const Data& Values() {
  static const Data data = [] {
    Data v;
    uint64_t x = 88172645463325252ull;
    auto next = [&] {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      return x;
    };
    v.d.assign(kDoubles, std::vector<double>(kObjects));
    v.i.assign(kInts, std::vector<int64_t>(kObjects));
    v.s.assign(kStrings, std::vector<std::string>(kObjects));
    v.t.assign(kTri, std::vector<int8_t>(kObjects));
    for (int o = 0; o < kObjects; ++o) {
      for (auto& c : v.d)  // measured values with 3 to 6 decimals
        c[o] = static_cast<double>(static_cast<int64_t>(next() % 20000000) - 10000000) /
               (c.data() == v.d[0].data() ? 1000.0 : 1000000.0);
      for (auto& c : v.i) c[o] = static_cast<int64_t>(next() % 2000000) - 1000000;
      for (auto& c : v.s) {
        std::string w(8 + next() % 9, 'a');
        for (char& ch : w) ch = static_cast<char>('a' + next() % 26);
        c[o] = w;
      }
      for (auto& c : v.t) c[o] = static_cast<int8_t>(next() % 3) - 1;
    }
    return v;
  }();
  return data;
}

std::string TempPath(const char* tag) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/zel_featmatrix_bench_" +
         std::to_string(getpid()) + "_" + tag;
}

std::string DoubleText(double d) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
}

// The matrix holding Values(); feature order: doubles, integers, strings,
// tri-states.
void Fill(zel::TFeatureMatrix& m) {
  const Data& v = Values();
  m.Resize(kFeatures, kObjects);
  int f = 1;
  for (int k = 0; k < kDoubles; ++k, ++f) {
    m.SetFeatType(f, f, zel::fkDouble);
    for (int o = 0; o < kObjects; ++o)
      m.SetFeatValStr(f, o + 1, zel::Utf8ToString(DoubleText(v.d[k][o])));
  }
  for (int k = 0; k < kInts; ++k, ++f) {
    m.SetFeatType(f, f, zel::fkInteger);
    for (int o = 0; o < kObjects; ++o) m.SetFeatValint(f, o + 1, v.i[k][o]);
  }
  for (int k = 0; k < kStrings; ++k, ++f) {
    m.SetFeatType(f, f, zel::fkString);
    for (int o = 0; o < kObjects; ++o) m.SetFeatValStr(f, o + 1, zel::Utf8ToString(v.s[k][o]));
  }
  for (int k = 0; k < kTri; ++k, ++f) {
    m.SetFeatType(f, f, zel::fkTriState);
    for (int o = 0; o < kObjects; ++o)
      m.SetFeatValTriState(
          f, o + 1, v.t[k][o] < 0 ? zel::tsUndefined : (v.t[k][o] ? zel::tsTrue : zel::tsFalse));
  }
}

const zel::TFeatureMatrix& Matrix() {
  static zel::TFeatureMatrix* m = [] {
    auto* p = new zel::TFeatureMatrix(nullptr);
    Fill(*p);
    return p;
  }();
  return *m;
}

void BM_FeatMatSave(benchmark::State& state) {
  const zel::TFeatureMatrix& m = Matrix();
  const zel::String path = zel::Utf8ToString(TempPath("save.fmat"));
  const std::string file = zel::StringToUtf8(path);
  for (auto _ : state) {
    // A new file each time, as the CSV writer truncates: replacing an
    // existing file adds an fsync before the rename.
    state.PauseTiming();
    std::remove(file.c_str());
    state.ResumeTiming();
    m.Save(path);
  }
  std::remove(file.c_str());
}
BENCHMARK(BM_FeatMatSave)->Unit(benchmark::kMillisecond);

void BM_CsvWrite(benchmark::State& state) {
  const Data& v = Values();
  const std::string path = TempPath("write.csv");
  std::string buf;
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    buf.clear();
    char num[32];
    for (int o = 0; o < kObjects; ++o) {
      for (int k = 0; k < kDoubles; ++k) {
        buf.append(num, std::to_chars(num, num + sizeof num, v.d[k][o]).ptr);
        buf += ',';
      }
      for (int k = 0; k < kInts; ++k) {
        buf.append(num, std::to_chars(num, num + sizeof num, v.i[k][o]).ptr);
        buf += ',';
      }
      for (int k = 0; k < kStrings; ++k) {
        buf += v.s[k][o];
        buf += ',';
      }
      for (int k = 0; k < kTri; ++k) {
        buf += v.t[k][o] < 0 ? "" : (v.t[k][o] ? "true" : "false");
        buf += k + 1 < kTri ? ',' : '\n';
      }
      if (buf.size() > (1 << 16)) {
        std::fwrite(buf.data(), 1, buf.size(), f);
        buf.clear();
      }
    }
    std::fwrite(buf.data(), 1, buf.size(), f);
    std::fclose(f);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_CsvWrite)->Unit(benchmark::kMillisecond);

void BM_FeatMatLoad(benchmark::State& state) {
  const zel::String path = zel::Utf8ToString(TempPath("load.fmat"));
  Matrix().Save(path);
  for (auto _ : state) {
    zel::TFeatureMatrix m(nullptr);
    if (m.Load(path) != 0 || m.NObjects() != kObjects) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(m.NFeatures());
  }
  std::remove(zel::StringToUtf8(path).c_str());
}
BENCHMARK(BM_FeatMatLoad)->Unit(benchmark::kMillisecond);

void BM_CsvRead(benchmark::State& state) {
  const std::string path = TempPath("read.csv");
  {
    std::ofstream out(path, std::ios::binary);
    const Data& v = Values();
    for (int o = 0; o < kObjects; ++o) {
      for (int k = 0; k < kDoubles; ++k) out << DoubleText(v.d[k][o]) << ',';
      for (int k = 0; k < kInts; ++k) out << v.i[k][o] << ',';
      for (int k = 0; k < kStrings; ++k) out << v.s[k][o] << ',';
      for (int k = 0; k < kTri; ++k)
        out << (v.t[k][o] < 0 ? "" : (v.t[k][o] ? "true" : "false")) << (k + 1 < kTri ? ',' : '\n');
    }
  }
  for (auto _ : state) {
    Data d;
    d.d.assign(kDoubles, {});
    d.i.assign(kInts, {});
    d.s.assign(kStrings, {});
    d.t.assign(kTri, {});
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      const char* p = line.c_str();
      char* end = nullptr;
      for (int k = 0; k < kDoubles; ++k) {
        d.d[k].push_back(std::strtod(p, &end));
        p = end + 1;
      }
      for (int k = 0; k < kInts; ++k) {
        d.i[k].push_back(std::strtoll(p, &end, 10));
        p = end + 1;
      }
      for (int k = 0; k < kStrings + kTri; ++k) {
        const char* q = p;
        while (*q != ',' && *q != 0) ++q;
        if (k < kStrings)
          d.s[k].emplace_back(p, q);
        else
          d.t[k - kStrings].push_back(q == p ? -1 : *p == 't');
        p = q + 1;
      }
    }
    if (d.d[0].size() != kObjects) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(d);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_CsvRead)->Unit(benchmark::kMillisecond);

// Bytes per value of the 14 numeric features after a load.
void BM_FeatMatNumericMemory(benchmark::State& state) {
  zel::TFeatureMatrix m(nullptr);
  m.Assign(&Matrix());
  m.SetNFeatures(kDoubles + kInts);
  const zel::String path = zel::Utf8ToString(TempPath("mem.fmat"));
  m.Save(path);
  zel::TFeatureMatrix back(nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(back.Load(path));
  std::remove(zel::StringToUtf8(path).c_str());
  const double per_value =
      static_cast<double>(back.MemoryUsed()) / (double{kObjects} * (kDoubles + kInts));
  state.counters["bytes_per_value"] = per_value;
  state.counters["ratio_to_double"] = per_value / sizeof(double);
}
BENCHMARK(BM_FeatMatNumericMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
