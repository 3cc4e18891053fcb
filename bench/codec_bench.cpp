// Base64 and ASCII85 on 64 MiB against OpenSSL measured in the same run.
// Target: EncodeBase64 and DecodeBase64 between memory streams at least 1.5x
// OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock (buffer to buffer).
// Bytes per second count the binary side (64 MiB) for every benchmark.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "zel/dstruct/ascii85.h"
#include "zel/dstruct/base64.h"
#include "zel/runtime/stream.h"

namespace {

using zel_bench::kSize;
using zel_bench::PathScope;
using zel_bench::SetBytes;

const zel::TBytes& Data() { return zel_bench::RandomBytes(); }

zel::TMemoryStream& DataStream() {
  static zel::TMemoryStream s;
  if (s.Size() == 0) s.WriteBuffer(Data().data(), static_cast<int64_t>(kSize));
  return s;
}

// The Base64 text of the data, with or without line breaks.
zel::TMemoryStream& TextStream(bool lines) {
  static zel::TMemoryStream s[2];
  zel::TMemoryStream& t = s[lines ? 1 : 0];
  if (t.Size() == 0) {
    DataStream().SetPosition(0);
    zel::EncodeBase64(DataStream(), t, lines);
  }
  return t;
}

// Arg 1 of the stream benchmarks: line breaks.
void BM_EncodeBase64(benchmark::State& state) {
  PathScope path(state);
  zel::TMemoryStream& in = DataStream();
  // The output is allocated up front, as OpenSSL's buffer is; every round
  // writes over it from position 0.
  zel::TMemoryStream out;
  out.SetSize(static_cast<int64_t>(kSize / 3 * 4 + kSize / 45 * 2 + 64));
  for (auto _ : state) {
    in.SetPosition(0);
    out.SetPosition(0);
    zel::EncodeBase64(in, out, state.range(1) != 0);
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}
BENCHMARK(BM_EncodeBase64)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Unit(benchmark::kMillisecond);

void BM_OpenSslEncodeBlock(benchmark::State& state) {
  const auto& in = Data();
  std::vector<unsigned char> out(kSize / 3 * 4 + 8);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_EncodeBlock(out.data(), in.data(), static_cast<int>(in.size())));
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}
BENCHMARK(BM_OpenSslEncodeBlock)->Unit(benchmark::kMillisecond);

void BM_DecodeBase64(benchmark::State& state) {
  PathScope path(state);
  zel::TMemoryStream& in = TextStream(state.range(1) != 0);
  zel::TMemoryStream out;
  out.SetSize(static_cast<int64_t>(kSize + 64));
  for (auto _ : state) {
    in.SetPosition(0);
    out.SetPosition(0);
    benchmark::DoNotOptimize(zel::DecodeBase64(in, out));
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}
BENCHMARK(BM_DecodeBase64)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Unit(benchmark::kMillisecond);

void BM_OpenSslDecodeBlock(benchmark::State& state) {
  zel::TMemoryStream& text = TextStream(false);
  std::vector<unsigned char> out(kSize + 8);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        EVP_DecodeBlock(out.data(), text.Memory(), static_cast<int>(text.Size())));
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}
BENCHMARK(BM_OpenSslDecodeBlock)->Unit(benchmark::kMillisecond);

void BM_EncodeASCII85(benchmark::State& state) {
  zel::TMemoryStream& in = DataStream();
  zel::TMemoryStream out;
  for (auto _ : state) {
    in.SetPosition(0);
    out.SetPosition(0);
    zel::EncodeASCII85(in, out, false);
  }
  SetBytes(state);
}
BENCHMARK(BM_EncodeASCII85)->Unit(benchmark::kMillisecond);

void BM_DecodeASCII85(benchmark::State& state) {
  static zel::TMemoryStream text;
  if (text.Size() == 0) {
    DataStream().SetPosition(0);
    zel::EncodeASCII85(DataStream(), text, false);
  }
  zel::TMemoryStream out;
  for (auto _ : state) {
    text.SetPosition(0);
    out.SetPosition(0);
    benchmark::DoNotOptimize(zel::DecodeASCII85(text, out));
  }
  SetBytes(state);
}
BENCHMARK(BM_DecodeASCII85)->Unit(benchmark::kMillisecond);

}  // namespace
