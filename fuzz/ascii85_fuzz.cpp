// DecodeASCII85 on arbitrary bytes: the result is 0, -1 or -2, or the
// runtime's EIntOverflow for a group out of range (an expected outcome);
// nothing else escapes. The input also round-trips through EncodeASCII85,
// with and without line breaks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "zel/dstruct/ascii85.h"
#include "zel/runtime/exception.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  {
    zel::TStringStream in(input);
    zel::TMemoryStream out;
    try {
      const int32_t r = zel::DecodeASCII85(in, out);
      Check(r == 0 || r == -1 || r == -2);
      Check(static_cast<size_t>(out.Size()) <= size * 4);
    } catch (const zel::EIntOverflow&) {
      // A group above 2^32 - 1 or opening below "!": reported, not a fault.
    }
  }
  for (bool lines : {false, true}) {
    zel::TStringStream in(input);
    zel::TMemoryStream text;
    zel::EncodeASCII85(in, text, lines);
    text.SetPosition(0);
    zel::TMemoryStream back;
    Check(zel::DecodeASCII85(text, back) == 0);
    Check(back.Size() == static_cast<int64_t>(size) &&
          std::string(reinterpret_cast<const char*>(back.Memory()), size) == input);
  }
  return 0;
}
