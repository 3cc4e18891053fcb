// ScanStreamDecimal over arbitrary bytes, repeated to the end of the stream:
// every stream class gives the same values and positions, each call consumes
// at least one byte until the end, and the value matches a direct reading of
// the consumed bytes.
#include <cstddef>
#include <cstdint>

#include "streams_fuzz_support.h"
#include "zel/streams/primitives.h"

namespace {
// The value of the bytes consumed by one call, computed independently.
int32_t Reference(const uint8_t* p, size_t n) {
  size_t i = 0;
  while (i < n && (p[i] == 32 || p[i] == 10 || p[i] == 13)) ++i;
  bool neg = false;
  if (i < n && (p[i] == '-' || p[i] == '+')) neg = p[i++] == '-';
  uint32_t v = 0;
  while (i < n && p[i] >= '0' && p[i] <= '9') v = v * 10u + (p[i++] - '0');
  return static_cast<int32_t>(neg ? 0u - v : v);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel::TMemoryStream mem;
  zel_fuzz::MakeMemory(mem, data, size);
  zel_fuzz::PlainStream plain(data, size);
  zel_fuzz::TwoByteWindowStream two(data, size);
  while (mem.Position() < static_cast<int64_t>(size)) {
    const int64_t before = mem.Position();
    const int32_t a = zel::ScanStreamDecimal(mem);
    zel_fuzz::Check(a == zel::ScanStreamDecimal(plain) && a == zel::ScanStreamDecimal(two));
    const int64_t after = mem.Position();
    zel_fuzz::Check(after == plain.Position() && after == two.Position() && after > before);
    zel_fuzz::Check(a == Reference(data + before, static_cast<size_t>(after - before)));
  }
  return 0;
}
