// Checksums and digests on a 64 MiB buffer against the references measured in
// the same run: zlib's crc32, a byte-wise CRC-16 table loop, OpenSSL's SHA1.
// Targets: CRC32ofBuffer >= 2.5x zlib, CRC16ofBuffer >= 10x the byte loop,
// SHA1FromStream on a memory stream >= 0.95x OpenSSL.
#include <benchmark/benchmark.h>
#include <openssl/sha.h>
#include <zlib.h>

#include <cstdint>

#include "bench_support.h"
#include "zel/dstruct/crc.h"
#include "zel/dstruct/internal/crc_tables.h"
#include "zel/dstruct/sha1.h"
#include "zel/runtime/stream.h"

namespace {

using zel_bench::kSize;
using zel_bench::PathScope;
using zel_bench::SetBytes;

const zel::TBytes& Buffer() { return zel_bench::RandomBytes(); }

void BM_CRC32ofBuffer(benchmark::State& state) {
  PathScope path(state);
  const auto& b = Buffer();
  for (auto _ : state)
    benchmark::DoNotOptimize(zel::CRC32ofBuffer(b, static_cast<int32_t>(b.size())));
  SetBytes(state);
}
BENCHMARK(BM_CRC32ofBuffer)->Arg(0)->Arg(1);

void BM_ZlibCrc32(benchmark::State& state) {
  const auto& b = Buffer();
  for (auto _ : state) benchmark::DoNotOptimize(crc32_z(0, b.data(), b.size()));
  SetBytes(state);
}
BENCHMARK(BM_ZlibCrc32);

void BM_CRC16ofBuffer(benchmark::State& state) {
  PathScope path(state);
  const auto& b = Buffer();
  for (auto _ : state)
    benchmark::DoNotOptimize(zel::CRC16ofBuffer(b, static_cast<int32_t>(b.size()), zel::crcCCITT));
  SetBytes(state);
}
BENCHMARK(BM_CRC16ofBuffer)->Arg(0)->Arg(1);

// The reference: one table look-up per byte.
void BM_Crc16ByteTableLoop(benchmark::State& state) {
  const auto& b = Buffer();
  const auto& t = zel::internal::kCRC16Table;
  for (auto _ : state) {
    uint16_t c = 0xFFFF;
    for (uint8_t v : b) c = static_cast<uint16_t>(t[((c >> 8) ^ v) & 0xFF] ^ (c << 8));
    benchmark::DoNotOptimize(c);
  }
  SetBytes(state);
}
BENCHMARK(BM_Crc16ByteTableLoop);

void BM_SHA1FromStream(benchmark::State& state) {
  PathScope path(state);
  zel::TMemoryStream ms;
  ms.WriteBuffer(Buffer().data(), static_cast<int64_t>(kSize));
  for (auto _ : state) {
    ms.SetPosition(0);
    benchmark::DoNotOptimize(zel::SHA1FromStream(ms));
  }
  SetBytes(state);
}
BENCHMARK(BM_SHA1FromStream)->Arg(0)->Arg(1);

void BM_OpenSslSha1(benchmark::State& state) {
  const auto& b = Buffer();
  unsigned char out[20];
  for (auto _ : state) {
    SHA1(b.data(), b.size(), out);
    benchmark::DoNotOptimize(out);
  }
  SetBytes(state);
}
BENCHMARK(BM_OpenSslSha1);

}  // namespace
