// ReadStreamUntil: the first byte gives the delimiter length (0..7), the next
// bytes the delimiter, the rest is the stream. Repeated until the delimiter is
// no longer found: every stream class agrees (one that cannot go back is read
// no further than the delimiter), a found text ends with the
// delimiter (ASCII case ignored) and holds it nowhere earlier, the position
// is just after it, and the pieces cover the input.
#include <cstddef>
#include <cstdint>

#include "streams_fuzz_support.h"
#include "zel/streams/primitives.h"

namespace {
zel::Char Lower(zel::Char c) { return (c >= u'A' && c <= u'Z') ? zel::Char(c + 32) : c; }
bool MatchAt(const zel::String& text, size_t at, const zel::String& delim) {
  for (size_t i = 0; i < delim.size(); ++i)
    if (Lower(text[at + i]) != Lower(delim[i])) return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t n = std::min<size_t>(data[0] % 8, size - 1);
  zel::String delim;
  for (size_t i = 0; i < n; ++i) delim.push_back(data[1 + i]);
  data += 1 + n;
  size -= 1 + n;
  zel::TMemoryStream mem;
  zel_fuzz::MakeMemory(mem, data, size);
  zel_fuzz::PlainStream plain(data, size);
  zel_fuzz::TwoByteWindowStream two(data, size);
  zel_fuzz::PipeLikeStream pipe(data, size);
  size_t covered = 0;
  for (;;) {
    int32_t f1 = 5, f2 = 5, f3 = 5, f4 = 5;
    const zel::String a = zel::ReadStreamUntil(mem, delim, f1);
    zel_fuzz::Check(a == zel::ReadStreamUntil(plain, delim, f2));
    zel_fuzz::Check(a == zel::ReadStreamUntil(two, delim, f3));
    zel_fuzz::Check(a == zel::ReadStreamUntil(pipe, delim, f4));
    zel_fuzz::Check(f1 == f2 && f1 == f3 && f1 == f4 && (f1 == 0 || f1 == -1));
    zel_fuzz::Check(mem.Position() == plain.Position() && mem.Position() == two.Position());
    zel_fuzz::Check(mem.Position() == pipe.Consumed());  // nothing taken beyond the delimiter
    for (size_t i = 0; i < a.size(); ++i) zel_fuzz::Check(a[i] == data[covered + i]);
    covered += a.size();
    zel_fuzz::Check(mem.Position() == static_cast<int64_t>(covered));
    if (f1 != 0) break;
    zel_fuzz::Check(!delim.empty() && a.size() >= delim.size());
    zel_fuzz::Check(MatchAt(a, a.size() - delim.size(), delim));
    for (size_t at = 0; at + delim.size() < a.size(); ++at) zel_fuzz::Check(!MatchAt(a, at, delim));
  }
  zel_fuzz::Check(covered == size);
  return 0;
}
