// Fuzzes both forms of ReadHeaderOfASC: the stream form on a memory stream
// and the file form (through TextFile) on the same bytes written to a file.
// Checks the status contract: the status is one of the five listed values, a
// success has two positive counts, flags stay False when the flag line was
// not reached, and the stream is never left beyond its end.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zel/filesys/textfiles.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/utf8.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckResult(int32_t status, int32_t c1, int32_t c2, bool f1, bool f2, bool f3, bool f4) {
  Check(status <= 0 && status >= -4);
  if (status == 0) Check(c1 > 0 && c2 > 0);
  if (status == -1 || status == -2 || status == -4) Check(!f1 && !f2 && !f3 && !f4);
  if (status == -3) Check(!f4);
}

const std::string& TempPath() {
  static const std::string path =
      "/tmp/zel-ascheader-fuzz-" + std::to_string(static_cast<long>(::getpid())) + ".asc";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  zel::String comment;
  int32_t c1 = 0, c2 = 0;
  bool f1 = false, f2 = false, f3 = false, f4 = false;

  zel::TStringStream stream(bytes);
  const int32_t s = zel::ReadHeaderOfASC(stream, comment, c1, c2, f1, f2, f3, f4);
  CheckResult(s, c1, c2, f1, f2, f3, f4);
  Check(stream.Position() <= stream.Size());
  Check(comment.size() <= size);

  FILE* out = std::fopen(TempPath().c_str(), "wb");
  if (out == nullptr) return 0;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  std::fclose(out);
  if (written) {
    const int32_t t =
        zel::ReadHeaderOfASC(zel::Utf8ToString(TempPath()), comment, c1, c2, f1, f2, f3, f4);
    CheckResult(t, c1, c2, f1, f2, f3, f4);
    Check(comment.size() <= size);
    Check(t != -4);  // TextFile lines never hold a line feed
  }
  std::remove(TempPath().c_str());
  return 0;
}
