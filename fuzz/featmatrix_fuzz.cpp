// The feature-matrix reader: any bytes either load (and the matrix then saves
// and loads back to the same properties and values, and saves to the same
// bytes again) or are refused with the matrix exactly as it was. Counts that
// the file does not back must not allocate: every allocation of the program
// is counted (global operator new and delete are replaced here), and the
// bytes live at any moment of a load may exceed those before it by at most a
// fixed multiple of the input size plus a constant. (With zel.dll on Windows
// the DLL keeps its own operator new, so only the matrix's own count bounds
// the library's allocations there; a static build counts them all.) Also runs
// the escape expander and the delimiter detection on the same bytes.
#ifdef _WIN32
#include <malloc.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <string_view>

#include "zel/dstruct/featmatrix.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"
#include "zel/stringl/parlist.h"

// ---- counting allocator ----------------------------------------------------------

namespace {

std::atomic<size_t> g_live{0};  // bytes allocated and not yet freed
std::atomic<size_t> g_peak{0};  // the most g_live reached since the last reset

void Count(size_t n) {
  const size_t live = g_live.fetch_add(n, std::memory_order_relaxed) + n;
  size_t peak = g_peak.load(std::memory_order_relaxed);
  while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
}

// Blocks freed here that another module allocated (zel.dll frees and
// allocates with its own operator new) take away no more than is counted.
void Uncount(size_t n) noexcept {
  size_t live = g_live.load(std::memory_order_relaxed);
  while (!g_live.compare_exchange_weak(live, live - std::min(live, n), std::memory_order_relaxed)) {
  }
}

#ifdef _WIN32
// No header: a block may be freed by the other module (zel.dll and the
// program each have their own operator new and delete, over the one C
// library heap), so the sizes come from the heap itself.
void* Allocate(size_t n, size_t align) {
  void* p = align == 0 ? std::malloc(n == 0 ? 1 : n) : _aligned_malloc(n == 0 ? 1 : n, align);
  if (p == nullptr) throw std::bad_alloc();
  // The C library tells no size of an aligned block: those count what was
  // asked and are never taken off again (an over-count, on the safe side).
  Count(align == 0 ? _msize(p) : n);
  return p;
}

void Free(void* p, size_t align) noexcept {
  if (p == nullptr) return;
  if (align == 0) {
    Uncount(_msize(p));
    std::free(p);
  } else {
    _aligned_free(p);
  }
}
#else
// Each block carries its size in a header of kHeader bytes (or of the
// alignment, for over-aligned blocks) in front of what the caller gets.
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t n, size_t align) {
  const size_t head = std::max(align, kHeader);
  void* raw = align <= kHeader ? std::malloc(n + head)
                               : std::aligned_alloc(head, (n + 2 * head - 1) / head * head);
  if (raw == nullptr) throw std::bad_alloc();
  char* p = static_cast<char*>(raw) + head;
  reinterpret_cast<size_t*>(p)[-1] = n;
  Count(n);
  return p;
}

void Free(void* ptr, size_t align) noexcept {
  if (ptr == nullptr) return;
  char* p = static_cast<char*>(ptr);
  Uncount(reinterpret_cast<size_t*>(p)[-1]);
  std::free(p - std::max(align, kHeader));
}
#endif

}  // namespace

void* operator new(size_t n) { return Allocate(n, 0); }
void* operator new[](size_t n) { return Allocate(n, 0); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  try {
    return Allocate(n, 0);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void* operator new(size_t n, std::align_val_t a) { return Allocate(n, static_cast<size_t>(a)); }
void* operator new[](size_t n, std::align_val_t a) { return Allocate(n, static_cast<size_t>(a)); }
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  try {
    return Allocate(n, static_cast<size_t>(a));
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t& t) noexcept {
  return operator new(n, a, t);
}
void operator delete(void* p) noexcept { Free(p, 0); }
void operator delete[](void* p) noexcept { Free(p, 0); }
void operator delete(void* p, size_t) noexcept { Free(p, 0); }
void operator delete[](void* p, size_t) noexcept { Free(p, 0); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p, 0); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p, 0); }
void operator delete(void* p, std::align_val_t a) noexcept { Free(p, static_cast<size_t>(a)); }
void operator delete[](void* p, std::align_val_t a) noexcept { Free(p, static_cast<size_t>(a)); }
void operator delete(void* p, size_t, std::align_val_t a) noexcept {
  Free(p, static_cast<size_t>(a));
}
void operator delete[](void* p, size_t, std::align_val_t a) noexcept {
  Free(p, static_cast<size_t>(a));
}
void operator delete(void* p, std::align_val_t a, const std::nothrow_t&) noexcept {
  Free(p, static_cast<size_t>(a));
}
void operator delete[](void* p, std::align_val_t a, const std::nothrow_t&) noexcept {
  Free(p, static_cast<size_t>(a));
}

namespace {

// Bytes a load of Size input bytes may hold at any moment beyond what was
// live before it: every line may give one feature its storage (a properties
// object, its texts and a column), and the reader keeps a line and the
// definitions it read.
size_t LoadBound(size_t Size) { return 512 * Size + (size_t{1} << 20); }

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string ScratchPath(const char* tag) {
  const char* dir = std::getenv("TMPDIR");
#ifdef _WIN32
  if (dir == nullptr || *dir == 0) dir = std::getenv("TEMP");
#endif
  return std::string(dir && *dir ? dir : "/tmp") + "/zel_featmatrix_fuzz_" +
         std::to_string(getpid()) + "_" + tag + ".txt";
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  Check(f != nullptr);
  Check(size == 0 || std::fwrite(data, 1, size, f) == size);
  Check(std::fclose(f) == 0);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The next feature after f that has storage in x or in y; 0 if none.
int32_t NextInEither(const zel::TFeatureMatrix& x, const zel::TFeatureMatrix& y, int32_t f) {
  const int32_t a = x.NextFeature(f), b = y.NextFeature(f);
  return a == 0 ? b : b == 0 ? a : std::min(a, b);
}

// Same counts, properties (GUIElem aside) and value texts. Walks only the
// features and values that are stored, so a matrix of huge counts compares
// quickly; features without storage have the default properties and no
// values on both sides.
bool Same(const zel::TFeatureMatrix& x, const zel::TFeatureMatrix& y) {
  if (x.NFeatures() != y.NFeatures() || x.NObjects() != y.NObjects()) return false;
  zel::TFeatureMatrix a(nullptr), b(nullptr);
  a.Assign(&x);
  b.Assign(&y);
  const zel::TFeatureMatrix &ca = a, &cb = b;
  for (int32_t f = NextInEither(a, b, 0); f != 0; f = NextInEither(a, b, f)) {
    const zel::TFeatMatProps& p = ca.FeatProps(f);
    const zel::TFeatMatProps& q = cb.FeatProps(f);
    if (p.FeatNum() != q.FeatNum() || p.FeatName() != q.FeatName() ||
        p.FeatKind() != q.FeatKind() || p.Comment() != q.Comment() ||
        p.PresetValues() != q.PresetValues() || p.Sorted() != q.Sorted())
      return false;
    int32_t oa = a.NextObject(f, 0), ob = b.NextObject(f, 0);
    if (oa == 0 && ob == 0) continue;
    a.SetFeatType(f, f, zel::fkString);  // read every value as its text
    b.SetFeatType(f, f, zel::fkString);
    for (; oa != 0 || ob != 0; oa = a.NextObject(f, oa), ob = b.NextObject(f, ob))
      if (oa != ob || a.FeatVal(f, oa) != b.FeatVal(f, ob)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = ScratchPath("a"), back = ScratchPath("b"),
                           again = ScratchPath("c");
  WriteFile(path, data, size);
  const zel::String text =
      zel::Utf8ToString(std::string_view(reinterpret_cast<const char*>(data), size));
  (void)zel::ProcessHexChars(text);
  (void)zel::DetectCSVDelimiter(text);

  zel::TFeatureMatrix m(nullptr);
  m.Resize(2, 2);
  m.SetFeatType(1, 1, zel::fkString);
  m.SetFeatValStr(1, 2, u"before");
  zel::TFeatureMatrix before(nullptr);
  before.Assign(&m);
  int32_t r;
  {
    zel::TextFile f(zel::Utf8ToString(path));
    f.Reset();
    const size_t start = g_live.load();
    g_peak.store(start);
    r = m.LoadFromOpenFile(f);
    f.Close();
    // Nothing beyond what the file backs, at any moment of the load and
    // after it: the allocator's count and the matrix's own.
    Check(g_peak.load() - start <= LoadBound(size));
    Check(m.MemoryUsed() <= LoadBound(size));
  }
  if (r != 0) {
    Check(r == -1 || r == -2);
    Check(Same(m, before));
    return 0;
  }
  // Saving writes six lines per announced feature: the round trip is for
  // matrices whose features the input could have spelt out.
  if (m.NFeatures() > 4096 + 8 * static_cast<int64_t>(size)) return 0;
  std::remove(back.c_str());
  m.Save(zel::Utf8ToString(back));
  zel::TFeatureMatrix n(nullptr);
  Check(n.Load(zel::Utf8ToString(back)) == 0);
  Check(Same(m, n));
  std::remove(again.c_str());
  n.Save(zel::Utf8ToString(again));
  Check(ReadFile(back) == ReadFile(again));
  return 0;
}
