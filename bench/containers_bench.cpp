// The compact containers against the standard library and a plain loop:
//  - TAssocArray::Resolve with 100 000 keys vs std::unordered_map lookups;
//  - TBitFld counting and searching over 10^8 bits vs std::bitset and
//    std::vector<bool>;
//  - TRLEncoder encoding and decoding 64 MiB of image-like rows vs a plain
//    byte-by-byte loop writing the same code.
// Every pair is checked for identical results before it is timed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "zel/dstruct/assocarray.h"
#include "zel/dstruct/bitfld.h"
#include "zel/dstruct/rlencoder.h"
#include "zel/runtime/sysutils.h"

namespace {

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "results differ: %s\n", what);
    std::abort();
  }
}

// ---- TAssocArray ------------------------------------------------------------------

constexpr int kKeys = 100000;

const std::vector<zel::String>& Keys() {
  static const std::vector<zel::String> keys = [] {
    std::vector<zel::String> k;
    for (int i = 0; i < kKeys; ++i)
      k.push_back(u"Sensor_" + zel::IntToStr(int64_t{i} * 7919 % 1000003) + u"_value");
    return k;
  }();
  return keys;
}

// Lookup order: every key once, shuffled.
const std::vector<zel::String>& Probes() {
  static const std::vector<zel::String> probes = [] {
    std::vector<zel::String> p = Keys();
    std::shuffle(p.begin(), p.end(), std::mt19937(1));
    return p;
  }();
  return probes;
}

void BM_AssocArrayResolve(benchmark::State& state) {
  zel::TAssocArray a(nullptr);
  a.SetIgnoreCase(state.range(0) != 0);
  for (int i = 0; i < kKeys; ++i) a.Add(Keys()[static_cast<size_t>(i)], i);
  const auto& probes = Probes();
  for (auto _ : state) {
    int64_t sum = 0;
    for (const auto& k : probes) sum += a.Resolve(k).AsInteger();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_AssocArrayResolve)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("ignorecase")
    ->Unit(benchmark::kMillisecond);

void BM_UnorderedMapFind(benchmark::State& state) {
  std::unordered_map<std::u16string, zel::Variant> m;
  for (int i = 0; i < kKeys; ++i) m.emplace(Keys()[static_cast<size_t>(i)], zel::Variant(i));
  const auto& probes = Probes();
  zel::TAssocArray check(nullptr);
  for (int i = 0; i < kKeys; ++i) check.Add(Keys()[static_cast<size_t>(i)], i);
  for (const auto& k : probes)
    Require(m.find(k)->second == check.Resolve(k), "TAssocArray::Resolve");
  for (auto _ : state) {
    int64_t sum = 0;
    for (const auto& k : probes) {
      const zel::Variant v = m.find(k)->second;
      sum += v.AsInteger();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_UnorderedMapFind)->Unit(benchmark::kMillisecond);

// ---- TBitFld ------------------------------------------------------------------------

constexpr int32_t kBits = 100000000;
using BigBitset = std::bitset<kBits>;

// Every 7th bit and a sprinkle of random ones, the same in all three forms.
struct BitData {
  zel::TBitFld fld{nullptr};
  std::unique_ptr<BigBitset> set = std::make_unique<BigBitset>();
  std::vector<bool> vec = std::vector<bool>(kBits);
  BitData() {
    fld.SetSize(kBits - 1);
    std::mt19937 gen(3);
    for (int32_t i = 0; i < kBits; ++i) {
      const bool b = i % 7 == 0 || gen() % 5 == 0;
      fld.SetBit(i, b);
      set->set(static_cast<size_t>(i), b);
      vec[static_cast<size_t>(i)] = b;
    }
    const auto count = static_cast<size_t>(fld.CountTrueBits());
    Require(count == set->count(), "CountTrueBits vs bitset::count");
    Require(static_cast<ptrdiff_t>(count) == std::count(vec.begin(), vec.end(), true),
            "CountTrueBits vs vector<bool>");
  }
};

BitData& Bits() {
  static BitData d;
  return d;
}

void BM_BitFldCount(benchmark::State& state) {
  auto& d = Bits();
  for (auto _ : state) benchmark::DoNotOptimize(d.fld.CountTrueBits());
  state.SetBytesProcessed(state.iterations() * (kBits / 8));
}
BENCHMARK(BM_BitFldCount)->Unit(benchmark::kMillisecond);

void BM_BitsetCount(benchmark::State& state) {
  auto& d = Bits();
  for (auto _ : state) benchmark::DoNotOptimize(d.set->count());
  state.SetBytesProcessed(state.iterations() * (kBits / 8));
}
BENCHMARK(BM_BitsetCount)->Unit(benchmark::kMillisecond);

void BM_VectorBoolCount(benchmark::State& state) {
  auto& d = Bits();
  for (auto _ : state) benchmark::DoNotOptimize(std::count(d.vec.begin(), d.vec.end(), true));
  state.SetBytesProcessed(state.iterations() * (kBits / 8));
}
BENCHMARK(BM_VectorBoolCount)->Unit(benchmark::kMillisecond);

// Searching: only the last bit set.
struct LastBit {
  zel::TBitFld fld{nullptr};
  std::unique_ptr<BigBitset> set = std::make_unique<BigBitset>();
  std::vector<bool> vec = std::vector<bool>(kBits);
  LastBit() {
    fld.SetSize(kBits - 1);
    fld.SetBit(kBits - 1, true);
    set->set(kBits - 1);
    vec[kBits - 1] = true;
    Require(static_cast<size_t>(fld.FirstTrueBit()) == set->_Find_first(), "FirstTrueBit");
    Require(std::find(vec.begin(), vec.end(), true) - vec.begin() == fld.FirstTrueBit(),
            "FirstTrueBit vs vector<bool>");
  }
};

LastBit& Last() {
  static LastBit d;
  return d;
}

void BM_BitFldFirstTrueBit(benchmark::State& state) {
  auto& d = Last();
  for (auto _ : state) benchmark::DoNotOptimize(d.fld.FirstTrueBit());
  state.SetBytesProcessed(state.iterations() * (kBits / 8));
}
BENCHMARK(BM_BitFldFirstTrueBit)->Unit(benchmark::kMillisecond);

void BM_BitsetFindFirst(benchmark::State& state) {
  auto& d = Last();
  for (auto _ : state) benchmark::DoNotOptimize(d.set->_Find_first());
  state.SetBytesProcessed(state.iterations() * (kBits / 8));
}
BENCHMARK(BM_BitsetFindFirst)->Unit(benchmark::kMillisecond);

void BM_VectorBoolFind(benchmark::State& state) {
  auto& d = Last();
  for (auto _ : state) benchmark::DoNotOptimize(std::find(d.vec.begin(), d.vec.end(), true));
  state.SetBytesProcessed(state.iterations() * (kBits / 8));
}
BENCHMARK(BM_VectorBoolFind)->Unit(benchmark::kMillisecond);

void BM_BitFldListOfBits(benchmark::State& state) {
  auto& d = Bits();
  zel::TIntArray list;
  for (auto _ : state) {
    d.fld.MakeListOfBits(list, true);
    benchmark::DoNotOptimize(list.data());
  }
  state.SetBytesProcessed(state.iterations() * (kBits / 8));
}
BENCHMARK(BM_BitFldListOfBits)->Unit(benchmark::kMillisecond);

void BM_BitsetFindNextList(benchmark::State& state) {
  auto& d = Bits();
  std::vector<int32_t> list;
  for (auto _ : state) {
    list.clear();
    for (size_t i = d.set->_Find_first(); i < kBits; i = d.set->_Find_next(i))
      list.push_back(static_cast<int32_t>(i));
    benchmark::DoNotOptimize(list.data());
  }
  state.SetBytesProcessed(state.iterations() * (kBits / 8));
}
BENCHMARK(BM_BitsetFindNextList)->Unit(benchmark::kMillisecond);

// ---- TRLEncoder ----------------------------------------------------------------------

// 64 MiB of image rows: 4096-pixel rows of one-byte pixels made of flat
// stretches (background, shapes) with edges and a little noise.
const zel::TBytes& ImageRows() {
  static const zel::TBytes rows = [] {
    zel::TBytes b(zel_bench::kSize);
    std::mt19937 gen(9);
    size_t i = 0;
    while (i < b.size()) {
      const size_t len = std::min<size_t>(b.size() - i, 4 + gen() % 400);
      const auto v = static_cast<uint8_t>(gen() % 6 == 0 ? gen() : gen() % 4 * 60);
      std::fill_n(b.begin() + static_cast<ptrdiff_t>(i), len, v);
      i += len;
      for (int k = static_cast<int>(gen() % 4); k > 0 && i < b.size(); --k)
        b[i++] = static_cast<uint8_t>(gen());  // an edge or noise
    }
    return b;
  }();
  return rows;
}

// The code written byte by byte into a preallocated buffer.
size_t PlainEncode(const uint8_t* in, size_t n, uint8_t* out) {
  uint8_t* o = out;
  unsigned c = 0;
  uint8_t l = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = in[i];
    if (c == 0) {
      c = 1;
      l = b;
    } else if (b == l) {
      if (++c == 255) {
        *o++ = 0xA5;
        *o++ = 255;
        *o++ = l;
        c = 0;
      }
    } else {
      if (l != 0xA5 && c <= 2) {
        *o++ = l;
        if (c == 2) *o++ = l;
      } else {
        *o++ = 0xA5;
        *o++ = static_cast<uint8_t>(c);
        *o++ = l;
      }
      c = 1;
      l = b;
    }
  }
  *o++ = 0xA5;
  *o++ = static_cast<uint8_t>(c);
  *o++ = l;
  return static_cast<size_t>(o - out);
}

size_t PlainDecode(const uint8_t* in, size_t n, uint8_t* out) {
  uint8_t* o = out;
  for (size_t i = 0; i < n; ++i) {
    if (in[i] != 0xA5) {
      *o++ = in[i];
    } else if (i + 2 < n) {
      for (unsigned k = in [i + 1]; k > 0; --k) *o++ = in[i + 2];
      i += 2;
    } else {
      break;
    }
  }
  return static_cast<size_t>(o - out);
}

constexpr int32_t kRleBlock = 1 << 16;

// Encodes or decodes through TRLEncoder, collecting the blocks into out.
size_t ZelRle(const zel::TBytes& in, zel::TBytes& out, bool decode) {
  zel::TRLEncoder r(nullptr);
  r.SetBufLeng(kRleBlock);
  size_t o = 0;
  // Code is fed in pieces of 16 KiB, input to the encoder in blocks of 64 KiB.
  const size_t piece = decode ? kRleBlock / 4 : kRleBlock;
  for (size_t i = 0; i < in.size(); i += piece) {
    const size_t n = std::min<size_t>(piece, in.size() - i);
    if (decode)
      r.Decode(in.data() + i, n);
    else
      r.Encode(in.data() + i, n);
    while (r.BufPoi() >= kRleBlock) {
      r.GetResult(out.data() + o);
      o += kRleBlock;
    }
  }
  for (int32_t n = kRleBlock; n == kRleBlock; o += static_cast<size_t>(n))
    n = decode ? r.TakeRest(out.data() + o) : r.Finish(out.data() + o);
  return o;
}

struct RleData {
  zel::TBytes code;
  RleData() {
    const auto& rows = ImageRows();
    zel::TBytes a(3 * rows.size() + 3 + kRleBlock), b(a.size());
    const size_t na = PlainEncode(rows.data(), rows.size(), a.data());
    const size_t nb = ZelRle(rows, b, false);
    Require(na == nb && std::equal(a.begin(), a.begin() + static_cast<ptrdiff_t>(na), b.begin()),
            "RLE encoding");
    code.assign(a.begin(), a.begin() + static_cast<ptrdiff_t>(na));
    zel::TBytes d1(rows.size() + kRleBlock), d2(d1.size());
    Require(PlainDecode(code.data(), code.size(), d1.data()) == rows.size() &&
                ZelRle(code, d2, true) == rows.size() &&
                std::equal(rows.begin(), rows.end(), d1.begin()) &&
                std::equal(rows.begin(), rows.end(), d2.begin()),
            "RLE decoding");
    std::fprintf(stderr, "run-length code: %zu bytes for %zu (%.1f%%)\n", code.size(), rows.size(),
                 100.0 * static_cast<double>(code.size()) / static_cast<double>(rows.size()));
  }
};

RleData& Rle() {
  static RleData d;
  return d;
}

void BM_RleEncodeZel(benchmark::State& state) {
  const auto& rows = ImageRows();
  Rle();
  zel::TBytes out(3 * rows.size() + 3 + kRleBlock);
  for (auto _ : state) benchmark::DoNotOptimize(ZelRle(rows, out, false));
  zel_bench::SetBytes(state);
}
BENCHMARK(BM_RleEncodeZel)->Unit(benchmark::kMillisecond);

void BM_RleEncodePlainLoop(benchmark::State& state) {
  const auto& rows = ImageRows();
  zel::TBytes out(3 * rows.size() + 3);
  for (auto _ : state) benchmark::DoNotOptimize(PlainEncode(rows.data(), rows.size(), out.data()));
  zel_bench::SetBytes(state);
}
BENCHMARK(BM_RleEncodePlainLoop)->Unit(benchmark::kMillisecond);

void BM_RleDecodeZel(benchmark::State& state) {
  const auto& code = Rle().code;
  zel::TBytes out(zel_bench::kSize + kRleBlock);
  for (auto _ : state) benchmark::DoNotOptimize(ZelRle(code, out, true));
  zel_bench::SetBytes(state);  // bytes of decoded output
}
BENCHMARK(BM_RleDecodeZel)->Unit(benchmark::kMillisecond);

void BM_RleDecodePlainLoop(benchmark::State& state) {
  const auto& code = Rle().code;
  zel::TBytes out(zel_bench::kSize + kRleBlock);
  for (auto _ : state) benchmark::DoNotOptimize(PlainDecode(code.data(), code.size(), out.data()));
  zel_bench::SetBytes(state);
}
BENCHMARK(BM_RleDecodePlainLoop)->Unit(benchmark::kMillisecond);

}  // namespace
