// Fuzz target: TCustomTextLabel::ReadFromOpenXMLFile on arbitrary file contents.
//
// Properties checked, for the first block (empty id) and for the block with id
// "a": reading never crashes; a rejected file leaves the label exactly as it
// was; an accepted block writes out a block that reads back into an equal
// label (the second writing equals the first byte for byte).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "zel/base/textlabel.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"

namespace {

std::string TempName(const char* what) {
  return (std::filesystem::temp_directory_path() /
          ("textlabel_fuzz_" + std::to_string(::getpid()) + what))
      .string();
}

std::string ReadBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The label's block as written with id "fz".
std::string Written(const zel::TCustomTextLabel& l) {
  const std::string name = TempName(".out.xml");
  {
    zel::TextFile f(zel::Utf8ToString(name));
    f.Rewrite();
    l.WriteToOpenXMLFile(f, true, u"fz", 2);
    f.Close();
  }
  std::string bytes = ReadBytes(name);
  std::filesystem::remove(name);
  return bytes;
}

bool Read(zel::TCustomTextLabel& l, const std::string& name, const zel::String& id) {
  zel::TextFile f(zel::Utf8ToString(name));
  f.Reset();
  return l.ReadFromOpenXMLFile(f, id);
}

// A label whose settings differ from the defaults everywhere.
void Prepare(zel::TCustomTextLabel& l) {
  l.SetTxtLblPosX(-7.5);
  l.SetTxtLblPosY(1234.5);
  l.SetTxtLblLayer(4);
  l.SetTxtLblShadowDx(2);
  l.SetTxtLblColorBkg(0x123456);
  l.SetTxtLblAlignment(zel::taLeftJustify);
  l.SetTxtLblVertAlignment(zel::vaTop);
  l.SetTxtLblScreenPos(zel::tlamYOnly);
  l.SetTxtLblTranspar(true);
  l.SetTxtLblCaption(u"before");
  l.SetTxtLblMode(zel::tlBox);
  l.Font().SetStyle({zel::fsBold});
}

void Check(const std::string& in, const zel::String& id) {
  zel::TCustomTextLabel l;
  Prepare(l);
  const std::string before = Written(l);
  int fired = 0;
  l.SetOnChange([&](zel::TObject*) { ++fired; });
  if (!Read(l, in, id)) {
    if (fired != 0 || Written(l) != before) std::abort();
    return;
  }
  if (fired != 1) std::abort();
  const std::string first = Written(l);
  const std::string again = TempName(".again.xml");
  {
    std::ofstream f(again, std::ios::binary | std::ios::trunc);
    f << first;
  }
  zel::TCustomTextLabel back;
  Prepare(back);
  if (!Read(back, again, u"FZ")) std::abort();
  if (Written(back) != first) std::abort();
  std::filesystem::remove(again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string in = TempName(".in.xml");
  {
    std::ofstream f(in, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  Check(in, u"");
  Check(in, u"a");
  std::filesystem::remove(in);
  return 0;
}
