// DecodeBase64 on arbitrary bytes: the result is 0 or -1, the vector path and
// the portable path agree byte for byte (output, result, input position),
// and what decoded successfully encodes and decodes back to itself. The input
// also round-trips through EncodeBase64, with and without line breaks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "zel/dstruct/base64.h"
#include "zel/platform/cpu_features.h"

namespace {

struct Decoded {
  int32_t result;
  std::string out;
  int64_t position;
};

Decoded Decode(const std::string& text, bool portable) {
  zel::internal::ForcePortable(portable);
  zel::TStringStream in(text);
  zel::TMemoryStream out;
  Decoded d;
  d.result = zel::DecodeBase64(in, out);
  d.position = in.Position();
  d.out.assign(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
  zel::internal::ForcePortable(false);
  return d;
}

std::string Encode(const std::string& data, bool lines) {
  zel::TStringStream in(data);
  zel::TMemoryStream out;
  zel::EncodeBase64(in, out, lines);
  return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const Decoded fast = Decode(input, false);
  const Decoded slow = Decode(input, true);
  Check(fast.result == 0 || fast.result == -1);
  Check(fast.result == slow.result && fast.out == slow.out && fast.position == slow.position);
  Check(fast.out.size() <= size / 4 * 3 + 2);
  if (fast.result == 0) {
    const Decoded again = Decode(Encode(fast.out, false), false);
    Check(again.result == 0 && again.out == fast.out);
  }
  for (bool lines : {false, true}) {
    const Decoded back = Decode(Encode(input, lines), false);
    Check(back.result == 0 && back.out == input);
  }
  return 0;
}
