// The feature-matrix reader: any bytes either load (and the matrix then saves
// and loads back to the same properties and values, and saves to the same
// bytes again) or are refused with the matrix exactly as it was. Counts that
// the file does not back must not allocate. Also runs the escape expander
// and the delimiter detection on the same bytes.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "zel/dstruct/featmatrix.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"
#include "zel/stringl/parlist.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string ScratchPath(const char* tag) {
  const char* dir = std::getenv("TMPDIR");
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

// Same counts, properties (GUIElem aside) and value texts.
bool Same(const zel::TFeatureMatrix& x, const zel::TFeatureMatrix& y) {
  if (x.NFeatures() != y.NFeatures() || x.NObjects() != y.NObjects()) return false;
  zel::TFeatureMatrix a(nullptr), b(nullptr);
  a.Assign(&x);
  b.Assign(&y);
  for (int32_t f = 1; f <= a.NFeatures(); ++f) {
    const zel::TFeatMatProps& p = a.FeatProps(f);
    const zel::TFeatMatProps& q = b.FeatProps(f);
    if (p.FeatNum() != q.FeatNum() || p.FeatName() != q.FeatName() ||
        p.FeatKind() != q.FeatKind() || p.Comment() != q.Comment() ||
        p.PresetValues() != q.PresetValues() || p.Sorted() != q.Sorted())
      return false;
  }
  a.SetFeatType(0, 0, zel::fkString);  // read every value as its text
  b.SetFeatType(0, 0, zel::fkString);
  const int32_t objects = std::min(a.NObjects(), 2000);
  for (int32_t o = 1; o <= objects; ++o)
    for (int32_t f = 1; f <= a.NFeatures(); ++f)
      if (a.FeatVal(f, o) != b.FeatVal(f, o)) return false;
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
  zel::TextFile f(zel::Utf8ToString(path));
  f.Reset();
  const int32_t r = m.LoadFromOpenFile(f);
  f.Close();
  if (r != 0) {
    Check(r == -1 || r == -2);
    Check(Same(m, before));
    return 0;
  }
  // Nothing beyond what the file backs: cells need values, features lines.
  Check(m.MemoryUsed() <= 64 * (size + 1) + (size_t{1} << 24) * 9 + 4096);
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
