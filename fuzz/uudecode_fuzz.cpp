// UUDecodeBytes and UUDecodeStr on arbitrary text: they never fail, the
// status is one of the three, the decoded bytes of a well-ended text encode
// and decode back to themselves, and encoding any input round-trips.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zel/runtime/utf8.h"
#include "zel/stringl/uuencode.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string bytes;
  const int32_t status = zel::UUDecodeBytes(text, bytes);
  Check(status == zel::uuOK || status == zel::uuNoEnd || status == zel::uuBadCharacter, "status");
  // A line gives at most 63 bytes (a short line reads its missing characters as 0).
  Check(bytes.size() <= 63 * (size / 2 + 1), "bytes per line");
  std::string again;
  Check(zel::UUDecodeBytes(zel::UUEncodeBytes(bytes), again) == zel::uuOK && again == bytes,
        "decoded bytes round-trip");
  Check(zel::UUDecodeBytes(zel::UUEncodeBytes(text), again) == zel::uuOK && again == text,
        "input round-trips");
  const zel::String s = zel::UUDecodeStr(zel::BytesToString(text));
  Check(zel::UUDecodeStr(zel::UUEncodeStr(s)) == s, "text round-trips");
  return 0;
}
