// Fuzz target: TBitmap::LoadFromStream on arbitrary bytes.
//
// Properties checked: loading never crashes; rejected data raises
// EInvalidGraphic and leaves the bitmap exactly as it was; accepted data
// gives a bitmap that saves as PNG and loads back with every pixel equal.
//
// Memory bound: this program replaces the global operator new and delete to
// count live bytes, and the loader sends libpng's allocations there too, so
// every allocation of a load is counted. The peak of a load must stay within
// a fixed allowance for the decoder's rows plus what the input can expand to
// (deflate expands at most 1032-fold, a 1-bit pixel becomes 4 bytes), never
// what a header claims.
//
// Windows: the library is a DLL with an operator new of its own and WIC
// allocates from the system's heaps, so the counter above sees neither. The
// bound is checked on the process's peak working set instead, which never
// falls: each input is held to the allowance of the largest input so far.
// Under Wine the working set counts touched pages only, so room set aside and
// never written goes unseen there; the codec's refusal before WIC takes room
// is checked by the BitmapPng tests.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "zel/runtime/bitmap.h"
#include "zel/runtime/stream.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h:
#include <psapi.h>
#endif

namespace {

// Live and peak bytes handed out through operator new (the fuzzer's own
// threads may allocate too).
std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

// Each block carries its size in a header of the largest fundamental
// alignment, so delete knows what it gives back.
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t size) noexcept {
  auto* p = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (p == nullptr) return nullptr;
  *reinterpret_cast<size_t*>(p) = size;
  const size_t live = g_live.fetch_add(size, std::memory_order_relaxed) + size;
  size_t peak = g_peak.load(std::memory_order_relaxed);
  while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
  return p + kHeader;
}

void Release(void* ptr) noexcept {
  if (ptr == nullptr) return;
  auto* p = static_cast<unsigned char*>(ptr) - kHeader;
  g_live.fetch_sub(*reinterpret_cast<size_t*>(p), std::memory_order_relaxed);
  std::free(p);
}

void* AllocateOrThrow(size_t size) {
  void* p = Allocate(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

bool SamePixels(const zel::TBitmap& a, const zel::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.ScanLine(y)[x] != b.ScanLine(y)[x]) return false;
  return true;
}

// Rows of at most 1 000 000 pixels: libpng's rows, the scratch row and the
// first row of pixels, with room for zlib and the structures.
constexpr size_t kFixedAllowance = size_t{48} << 20;
// Bytes of pixels one input byte can become, five times: the storage grows
// fourfold at a time, and an interlaced image holds its reduced images and
// then the whole image.
constexpr size_t kPerInputByte = 5 * 1032 * 8 * 4;

#ifdef _WIN32
size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) std::abort();
  return counters.PeakWorkingSetSize;
}
#endif

}  // namespace

void* operator new(size_t size) { return AllocateOrThrow(size); }
void* operator new[](size_t size) { return AllocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* ptr) noexcept { Release(ptr); }
void operator delete[](void* ptr) noexcept { Release(ptr); }
void operator delete(void* ptr, size_t) noexcept { Release(ptr); }
void operator delete[](void* ptr, size_t) noexcept { Release(ptr); }
void operator delete(void* ptr, const std::nothrow_t&) noexcept { Release(ptr); }
void operator delete[](void* ptr, const std::nothrow_t&) noexcept { Release(ptr); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#ifdef _WIN32
  static const size_t start_peak = PeakWorkingSet();  // before the first load
#endif
  zel::TMemoryStream in;
  if (size > 0) in.WriteBuffer(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  zel::TBitmap bitmap(2, 1);
  bitmap.ScanLine(0)[1] = 0xFF123456u;
  const size_t base = g_live.load();
  g_peak.store(base);
  bool loaded = true;
  try {
    bitmap.LoadFromStream(in);
  } catch (const zel::EInvalidGraphic&) {
    loaded = false;
  }
  if (g_peak - base > kFixedAllowance + kPerInputByte * size) std::abort();
#ifdef _WIN32
  static size_t largest = 0;
  largest = std::max(largest, size);
  if (PeakWorkingSet() - start_peak > kFixedAllowance + kPerInputByte * largest) std::abort();
#endif
  if (!loaded) {
    if (bitmap.Width() != 2 || bitmap.Height() != 1 || bitmap.ScanLine(0)[1] != 0xFF123456u)
      std::abort();
    return 0;
  }
  // Large images are valid but slow to round-trip; the decoder has been run.
  if (int64_t{bitmap.Width()} * bitmap.Height() > (1 << 20)) return 0;
  zel::TMemoryStream out;
  bitmap.SaveToStream(out);
  out.SetPosition(0);
  zel::TBitmap again;
  again.LoadFromStream(out);
  if (!SamePixels(bitmap, again)) std::abort();
  return 0;
}
