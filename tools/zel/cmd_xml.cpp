// zel xml FILE TAG...: lists the elements of the named tags found in a file,
// at any depth, one line each: name, attribute text and contents (line breaks
// and tabs shown as \r \n \t, cut at 70 characters unless --full).
//
//   zel xml data.xml item name      elements <item ...> and <name ...>
//   zel xml --full data.xml item    whole contents
//
// Names compare without regard to ASCII case. Exit status 1 when none was
// found, 2 for a usage or file error.
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "command.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/utf8.h"
#include "zel/streams/xmltag.h"

namespace {

using zel_tool::Args;

// The scanner hands out one character per byte; show them as the file's text.
std::string Show(const zel::String& bytes_as_chars, size_t limit) {
  std::string out = zel::StringToUtf8(zel::DecodeText8(zel::StringToBytes(bytes_as_chars)));
  std::string shown;
  for (const char c : out) {
    if (c == '\r')
      shown += "\\r";
    else if (c == '\n')
      shown += "\\n";
    else if (c == '\t')
      shown += "\\t";
    else
      shown.push_back(c);
  }
  if (limit > 0 && shown.size() > limit) {
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
    shown.resize(cut);
    shown += "...";
  }
  return shown;
}

// Lists the elements of Tags found in the stream; returns how many.
int ListElements(zel::TStream& in, const std::vector<zel::String>& tags, bool full,
                 std::ostream& out) {
  std::vector<zel::String> with_catch_all = tags;
  with_catch_all.push_back(u"\x01");  // never a tag name
  int found = 0;
  for (;;) {
    int32_t ix = -1;
    zel::ReadStreamUntilTagList(in, tags, ix);
    if (ix < 0) break;
    zel::String attributes, contents;
    zel::ReadNextTagInStream(in, with_catch_all, attributes, contents);
    out << Show(tags[static_cast<size_t>(ix)], 0) << '\t' << Show(attributes, full ? 0 : 70) << '\t'
        << Show(contents, full ? 0 : 70) << '\n';
    ++found;
  }
  return found;
}

int RunXml(Args& args) {
  const bool full = args.Flag("full");
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() < 2) zel_tool::Fail("expected a file and at least one tag name");
  std::vector<zel::String> tags;
  for (size_t i = 1; i < rest.size(); ++i) {
    zel::String name = zel::Utf8ToString(rest[i]);
    for (zel::Char& c : name)
      if (c >= u'A' && c <= u'Z') c = static_cast<zel::Char>(c + 32);
    tags.push_back(name);
  }
  try {
    zel::TFileStream in(zel::Utf8ToString(rest[0]), zel::fmOpenRead | zel::fmShareDenyWrite);
    return ListElements(in, tags, full, std::cout) > 0 ? 0 : 1;
  } catch (const zel::Exception& e) {
    std::cerr << "zel xml: " << e.what() << "\n";
    return 2;
  }
}
ZEL_TOOL_COMMAND(xml, "list the elements of the named tags in an XML file",
                 "zel xml [--full] FILE TAG...", RunXml);

void DemoXml(std::ostream& out) {
  zel::TStringStream doc(
      std::string("<?xml version=\"1.0\"?><stock><!-- two items -->"
                  "<item id=\"7\" name=\"gear wheel\">12 pieces</item><ITEM id=\"8\"/></stock>"));
  out << "elements <item> of a small document (tag, attributes, contents):\n";
  ListElements(doc, {u"item"}, false, out);
}
ZEL_TOOL_DEMO(50, "XML tag scanner", DemoXml);

}  // namespace
