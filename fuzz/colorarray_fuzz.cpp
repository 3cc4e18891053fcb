// The colour-array reader: any file either loads (and then stores and loads
// back to the same entries) or is refused with the array exactly as it was.
// Headers that promise more entries than the file holds must not allocate
// for them: the array grows by at most one entry per byte of the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zel/colors/colorarray.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/filename.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

const std::string& ScratchPath(const char* tag) {
  static std::string paths[2];
  std::string& p = paths[tag[0] == 'b'];
  if (p.empty()) {
    const char* dir = std::getenv("TMPDIR");
    p = std::string(dir && *dir ? dir : "/tmp") + "/zel_colorarray_fuzz_" +
        std::to_string(getpid()) + "_" + tag + ".txt";
  }
  return p;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  Check(f != nullptr);
  Check(size == 0 || std::fwrite(data, 1, size, f) == size);
  Check(std::fclose(f) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ScratchPath("a");
  WriteFile(path, data, size);
  const zel::String name = zel::PathToFileName(path);
  for (const bool adjust : {false, true}) {
    zel::TColorArray a(nullptr);
    a.SetSize(8);
    a.FillByInterpolation(0, {0x000000, 0xFFFFFF});
    zel::TColorArray before(nullptr);
    before.Assign(&a);
    if (!a.LoadFromFile(name, adjust)) {
      Check(a.IsEqual(before));
      continue;
    }
    Check(a.Size() >= 1 && a.Colors().size() == static_cast<size_t>(a.Size()));
    // Without AdjustSize the size never changes; with it, it never grows past
    // what the file supplies.
    if (!adjust) Check(a.Size() == 8);
    Check(a.Size() <= 8 || static_cast<size_t>(a.Size() - 8) <= size + 1);
    const std::string& back = ScratchPath("b");
    const zel::String back_name = zel::PathToFileName(back);
    std::remove(back.c_str());  // a fresh file: replacing one would sync it to disk each time
    Check(a.StoreOnFile(1, a.Size(), back_name));
    zel::TColorArray b(nullptr);
    Check(b.LoadFromFile(back_name, true));
    Check(b.IsEqual(a));
  }
  // The same bytes inside a larger file, read from the second line on.
  std::string framed = "head\r\n";
  framed.append(reinterpret_cast<const char*>(data), size);
  WriteFile(path, reinterpret_cast<const uint8_t*>(framed.data()), framed.size());
  zel::TextFile f(name);
  f.Reset();
  (void)f.ReadLn();
  zel::TColorArray c(nullptr);
  (void)c.ReadFromOpenTextFile(f, true);
  f.Close();
  return 0;
}
