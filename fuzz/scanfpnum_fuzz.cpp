// ScanStreamFPNum over arbitrary bytes: the first byte picks AllowExp and the
// separator code. Repeated to the end of the stream, every stream class gives
// the same values and positions, each call makes progress, and every result
// is a number within +-1.7e308.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "streams_fuzz_support.h"
#include "zel/streams/primitives.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool allow_exp = data[0] & 1;
  const int32_t dec = (data[0] >> 1) % 5;
  ++data;
  --size;
  zel::TMemoryStream mem;
  zel_fuzz::MakeMemory(mem, data, size);
  zel_fuzz::PlainStream plain(data, size);
  zel_fuzz::TwoByteWindowStream two(data, size);
  while (mem.Position() < static_cast<int64_t>(size)) {
    const int64_t before = mem.Position();
    const double a = zel::ScanStreamFPNum(mem, allow_exp, dec);
    const double b = zel::ScanStreamFPNum(plain, allow_exp, dec);
    const double c = zel::ScanStreamFPNum(two, allow_exp, dec);
    zel_fuzz::Check(std::memcmp(&a, &b, sizeof a) == 0 && std::memcmp(&a, &c, sizeof a) == 0);
    zel_fuzz::Check(!std::isnan(a) && a <= 1.7e308 && a >= -1.7e308);
    zel_fuzz::Check(mem.Position() == plain.Position() && mem.Position() == two.Position());
    zel_fuzz::Check(mem.Position() > before);
  }
  return 0;
}
