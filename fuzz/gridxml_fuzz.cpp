// Fuzz target: TStringArray::LoadFromXMLFile on arbitrary file contents.
//
// Properties checked: loading never crashes; a rejected file leaves the grid
// exactly as it was; an accepted file saves and loads again to the same grid.
// Inputs holding a run of four or more digits are skipped, so declared grid
// sizes stay small enough for the fuzzer's memory limit.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "zel/dstruct/stringarray.h"
#include "zel/runtime/utf8.h"

namespace {

std::vector<zel::String> Snapshot(const zel::TStringArray& g) {
  std::vector<zel::String> out;
  out.push_back(zel::String(1, static_cast<char16_t>(g.NrOfColumns())) +
                zel::String(1, static_cast<char16_t>(g.NrOfRows())));
  for (int c = 1; c <= g.NrOfColumns(); ++c)
    out.push_back(zel::String(1, static_cast<char16_t>(g.GetColAttrib(c))));
  for (int r = 1; r <= g.NrOfRows(); ++r) {
    out.push_back(zel::String(1, static_cast<char16_t>(g.GetRowAttrib(r))));
    for (int c = 0; c <= g.NrOfColumns(); ++c) out.push_back(g.GetString(c, r));
  }
  return out;
}

std::string TempName(const char* what) {
  return (std::filesystem::temp_directory_path() /
          ("gridxml_fuzz_" + std::to_string(::getpid()) + what))
      .string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int run = 0;
  for (size_t i = 0; i < size; ++i) {
    run = (data[i] >= '0' && data[i] <= '9') ? run + 1 : 0;
    if (run >= 4) return 0;
  }
  const std::string in = TempName(".in.xml");
  {
    std::ofstream f(in, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  zel::TStringArray g(nullptr);
  g.Resize(2, 3);
  g.SetString(0, 1, u"before");
  g.SetString(2, 3, u"x");
  g.SetRowAttrib(2, 7);
  const auto before = Snapshot(g);
  if (!g.LoadFromXMLFile(zel::Utf8ToString(in), u"")) {
    if (Snapshot(g) != before) std::abort();
  } else {
    const std::string out = TempName(".out.xml");
    g.SaveAsXMLFile(zel::Utf8ToString(out), u"again");
    zel::TStringArray back(nullptr);
    if (!back.LoadFromXMLFile(zel::Utf8ToString(out), u"AGAIN")) std::abort();
    if (Snapshot(back) != Snapshot(g)) std::abort();
    std::filesystem::remove(out);
  }
  std::filesystem::remove(in);
  return 0;
}
