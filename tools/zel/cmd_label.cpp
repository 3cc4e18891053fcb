// zel label show FILE [DATAID]: reads a text label's XML block from FILE (the
// first block, or the one whose id is DATAID, ASCII case ignored) and prints
// the settings it carries, one per line:
//
//   $ zel label show data/labels.xml peak
//   id           peak
//   position     x = 12.5  y = 0.0342
//   caption      "Peak\nat 12.5 s"
//   ...
//
// "-" reads standard input. Exit status 0 when a complete block was read, 1
// when the file cannot be read or holds no such block (reported as
// "zel label: FILE: reason"), 2 for a usage error.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <ostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/base/nametables.h"
#include "zel/base/textlabel.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;
using zel_tool::Args;
using zel_tool::Fail;

std::string U8(const String& s) { return zel::StringToUtf8(s); }
std::string U8(std::u16string_view s) { return zel::StringToUtf8(String(s)); }

std::string Hex24(zel::TColor c) { return "$" + U8(zel::IntToHex(c & 0xFFFFFF, 6)); }

// A caption in double quotes, control characters as \n, \r, \t or \xNN.
std::string Quoted(const String& s) {
  std::string out = "\"";
  for (const char c : U8(s)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else if (c == '"' || c == '\\')
      out += std::string("\\") + c;
    else if (u < 32) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    } else
      out += c;
  }
  return out + "\"";
}

// The settings a block carries (attach mode, font and style are not read).
void Print(std::ostream& out, const String& id, const zel::TCustomTextLabel& l) {
  out << "id           " << (id.empty() ? "(first block)" : U8(id)) << "\n"
      << "position     x = " << U8(zel::FloatToStr(l.PosX()))
      << "  y = " << U8(zel::FloatToStr(l.PosY())) << "\n"
      << "caption      " << Quoted(l.Caption()) << "\n"
      << "layer        " << l.Layer() << "\n"
      << "colours      border " << Hex24(l.ColorBrd()) << ", background " << Hex24(l.ColorBkg())
      << ", shadow " << Hex24(l.ColorShadow()) << "\n"
      << "shadow       dx = " << l.XShadow() << "  dy = " << l.YShadow() << "\n"
      << "transparent  " << (l.TransPar() ? "yes" : "no") << "\n"
      << "visible      " << (l.Visible() ? "yes" : "no") << "\n"
      << "alignment    " << U8(zel::ValueToName(zel::xmlAlignment, l.Alignment())) << ", "
      << U8(zel::ValueToName(zel::xmlVerticalAlignment, l.VertAlign())) << "\n";
}

int RunLabel(Args& args) {
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.empty() || rest[0] != "show") Fail("the only subcommand is \"show\"");
  if (rest.size() < 2 || rest.size() > 3) Fail("show takes FILE and an optional DATAID");
  const std::string& name = rest[1];
  const String id = rest.size() == 3 ? zel::Utf8ToString(rest[2]) : String();
  zel::TCustomTextLabel label;
  bool found = false;
  try {
    const zel_tool::SeekableInput in(name);  // "-": standard input, read once
    zel::TextFile f(in.FileName());
    f.Reset();
    found = label.ReadFromOpenXMLFile(f, id);
    f.Close();
  } catch (const zel::EInOutError& e) {
    // Operating-system failures carry their errno; the runtime's own codes
    // (102 and up) have only the message.
    const int code = e.ErrorCode();
    std::cerr << "zel label: " << name << ": "
              << (code > 0 && code < 100 ? std::strerror(code) : e.what()) << "\n";
    return 1;
  }
  if (!found) {
    std::cerr << "zel label: " << name << ": "
              << (id.empty() ? std::string("no complete label block")
                             : "no complete label block with id \"" + U8(id) + "\"")
              << "\n";
    return 1;
  }
  Print(std::cout, id, label);
  return zel_tool::FinishOutput() ? 0 : 1;
}

void DemoLabel(std::ostream& out) {
  const std::string path = zel_tool::SampleDir() + "/labels.xml";
  zel::TCustomTextLabel label;
  try {
    zel::TextFile f(zel::PathToFileName(path));
    f.Reset();
    if (!label.ReadFromOpenXMLFile(f, u"peak")) {
      out << "labels.xml holds no block \"peak\"\n";
      return;
    }
  } catch (const zel::EInOutError& e) {
    out << e.what() << "\n";
    return;
  }
  out << "the label \"peak\" of labels.xml:\n";
  Print(out, u"peak", label);
}

}  // namespace

ZEL_TOOL_COMMAND(label, "the settings of a text label's XML block",
                 "zel label show FILE [DATAID]\n"
                 "  Prints the settings of the label block DATAID (ASCII case ignored; the\n"
                 "  first block when omitted) of FILE (\"-\" = standard input).",
                 RunLabel);
ZEL_TOOL_DEMO(80, "Text labels: settings read back from their XML block", DemoLabel);
