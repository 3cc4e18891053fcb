// zel xml FILE TAG...: lists the elements of the named tags found in a file,
// at any depth, one line each: name, attribute text and contents (line breaks
// and tabs shown as \r \n \t, cut at 70 characters unless --full).
//
//   zel xml data.xml item name      elements <item ...> and <name ...>
//   zel xml --full data.xml item    whole contents
//
// Names compare without regard to ASCII case. FILE "-" is standard input
// (copied once to a temporary file, as elements are read by going back to
// their start). Memory stays bounded by the largest element listed: the text
// between the elements is scanned, never kept. Like grep: exit status 0 when
// an element was found, 1 when none was, 2 for a usage or file error.
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "command.h"
#include "io.h"
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

// Finds the start of the next tag whose lower-cased name is one of Tags,
// reading the stream from its position in blocks and keeping nothing but the
// name being read. A tag is the text from '<' to the next '>'; its name runs
// to the first blank (or to the "/>" or ">" that ends it); tags that begin
// with '!' or '?' (comments, declarations, instructions) are stepped over.
// Returns the offset of the '<', or -1 at the end of the stream.
int64_t FindNextTag(zel::TStream& in, const std::vector<std::string>& tags, size_t longest) {
  std::vector<char> block(64 * 1024);
  int64_t offset = in.Position();
  enum class State { kText, kName, kRest, kSkip } state = State::kText;
  std::string name;
  bool name_too_long = false;
  int64_t tag_start = -1;
  auto matches = [&](std::string n) {
    if (name_too_long) return false;
    if (!n.empty() && n.back() == '/') n.pop_back();
    return std::find(tags.begin(), tags.end(), n) != tags.end();
  };
  for (;;) {
    const int64_t got = in.Read(block.data(), static_cast<int64_t>(block.size()));
    if (got <= 0) break;
    for (int64_t i = 0; i < got; ++i, ++offset) {
      char c = block[static_cast<size_t>(i)];
      switch (state) {
        case State::kText:
          if (c == '<') {
            state = State::kName;
            tag_start = offset;
            name.clear();
            name_too_long = false;
          }
          break;
        case State::kName:
          if (name.empty() && !name_too_long && (c == '!' || c == '?')) {
            state = State::kSkip;
          } else if (c == '>') {
            if (matches(name)) return tag_start;
            state = State::kText;
          } else if (c == ' ') {
            if (!name_too_long && std::find(tags.begin(), tags.end(), name) != tags.end())
              return tag_start;
            state = State::kRest;
          } else if (name.size() > longest) {
            name_too_long = true;
          } else {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            name.push_back(c);
          }
          break;
        case State::kRest:
        case State::kSkip:
          if (c == '>') state = State::kText;
          break;
      }
    }
  }
  // A tag cut off by the end of the file still counts.
  if (state == State::kName && matches(name)) return tag_start;
  return -1;
}

// Lists the elements of Tags found in the stream; returns how many.
int ListElements(zel::TStream& in, const std::vector<zel::String>& tags, bool full,
                 std::ostream& out) {
  std::vector<zel::String> with_catch_all = tags;
  with_catch_all.push_back(u"\x01");  // never a tag name
  std::vector<std::string> names;
  size_t longest = 0;
  for (const auto& t : tags) {
    names.push_back(zel::StringToBytes(t));
    longest = std::max(longest, names.back().size());
  }
  int found = 0;
  for (;;) {
    const int64_t at = FindNextTag(in, names, longest);
    if (at < 0) break;
    in.SetPosition(at);
    zel::String attributes, contents;
    const int32_t ix = zel::ReadNextTagInStream(in, with_catch_all, attributes, contents);
    if (ix < 0 || static_cast<size_t>(ix) >= tags.size()) break;
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
    // The scanner reads one character per byte: a tag name is matched by its bytes.
    zel::String name = zel::BytesToString(rest[i]);
    for (zel::Char& c : name)
      if (c >= u'A' && c <= u'Z') c = static_cast<zel::Char>(c + 32);
    tags.push_back(name);
  }
  const zel_tool::SeekableInput input(rest[0]);
  zel::TFileStream in(input.FileName(), zel::fmOpenRead | zel::fmShareDenyWrite);
  return ListElements(in, tags, full, std::cout) > 0 ? 0 : 1;
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
