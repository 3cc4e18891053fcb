// ReadLnStream in every end-of-line mode: the first byte picks the mode, the
// rest is the stream. All stream classes must give the same lines, flags and
// positions, every call must make progress, and the lines (with their removed
// line ends) must cover the input. The form that reads into a reused String
// must give the same lines as the one that returns a new String.
#include <cstddef>
#include <cstdint>

#include "streams_fuzz_support.h"
#include "zel/streams/primitives.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const int32_t kModes[] = {0, 1, 2, 3, 4, 5, -1, 1000};
  const int32_t mode = kModes[data[0] % 8];
  ++data;
  --size;
  zel::TMemoryStream mem;
  zel_fuzz::MakeMemory(mem, data, size);
  zel_fuzz::PlainStream plain(data, size);
  zel_fuzz::TwoByteWindowStream two(data, size);
  zel::TMemoryStream reuse_mem;
  zel_fuzz::MakeMemory(reuse_mem, data, size);
  zel::String reused;
  size_t covered = 0;
  for (;;) {
    bool e1 = false, e2 = false, e3 = false, e4 = false;
    const int64_t before = mem.Position();
    const zel::String a = zel::ReadLnStream(mem, e1, mode);
    const zel::String b = zel::ReadLnStream(plain, e2, mode);
    const zel::String c = zel::ReadLnStream(two, e3, mode);
    zel::ReadLnStream(reuse_mem, reused, e4, mode);
    zel_fuzz::Check(a == b && a == c && e1 == e2 && e1 == e3);
    zel_fuzz::Check(reused == a && e4 == e1 && reuse_mem.Position() == mem.Position());
    zel_fuzz::Check(mem.Position() == plain.Position() && mem.Position() == two.Position());
    const int64_t used = mem.Position() - before;
    // The line is what was consumed minus at most two line-end bytes.
    zel_fuzz::Check(static_cast<int64_t>(a.size()) <= used &&
                    used - 2 <= static_cast<int64_t>(a.size()));
    for (size_t i = 0; i < a.size(); ++i)
      zel_fuzz::Check(a[i] == data[before + static_cast<int64_t>(i)]);
    covered += static_cast<size_t>(used);
    if (e1) break;
    zel_fuzz::Check(used > 0);
  }
  zel_fuzz::Check(covered == size);
  return 0;
}
