// zel text: text file utilities on the command line.
//
//   zel text type FILE         the encoding the file announces (byte order mark, RTF)
//   zel text lines FILE        the number of lines (CR, CR LF and LF end a line)
//   zel text tail N FILE       the last N lines
//   zel text header FILE       the four-line header of an ASC data file
//   zel text crlf IN [OUT]     writes a LF after every lone CR (in place without OUT)
//   zel text words [--list] FILE  the number of words (runs of characters above
//                              code 32), or the words themselves one per line
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/filesys/textfiles.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"

namespace {

using zel_tool::Args;
using zel_tool::Fail;

const char* TypeName(zel::TTextfileType t) {
  switch (t) {
    case zel::tftUnicode_le:
      return "tftUnicode_le (UTF-16 little-endian)";
    case zel::tftUnicode_be:
      return "tftUnicode_be (UTF-16 big-endian)";
    case zel::tftUnicode4_le:
      return "tftUnicode4_le (UTF-32 little-endian)";
    case zel::tftUnicode4_be:
      return "tftUnicode4_be (UTF-32 big-endian)";
    case zel::tftRTF:
      return "tftRTF (rich text)";
    case zel::tftUTF8:
      return "tftUTF8 (UTF-8 with byte order mark)";
    case zel::tftUnknown:
      break;
  }
  return "tftUnknown (no mark: 8-bit text)";
}

const char* Bool(bool b) { return b ? "TRUE" : "FALSE"; }

const char* HeaderStatusText(int32_t status) {
  switch (status) {
    case zel::ascOK:
      return "ok";
    case zel::ascBadFirstCount:
      return "bad first count";
    case zel::ascBadSecondCount:
      return "bad second count";
    case zel::ascBadFlags:
      return "bad flag word";
    case zel::ascLineFeedInComment:
      return "line feed in the comment";
    default:
      return "unknown status";
  }
}

// Prints the header of an ASC file; returns its status.
int32_t PrintHeader(std::ostream& out, const zel::String& name) {
  zel::String comment;
  int32_t c1 = 0, c2 = 0;
  bool f1 = false, f2 = false, f3 = false, f4 = false;
  const int32_t status = zel::ReadHeaderOfASC(name, comment, c1, c2, f1, f2, f3, f4);
  out << "status:  " << status << " (" << HeaderStatusText(status) << ")\n"
      << "comment: " << zel::StringToUtf8(comment) << "\n"
      << "counts:  " << c1 << " " << c2 << "\n"
      << "flags:   " << Bool(f1) << " " << Bool(f2) << " " << Bool(f3) << " " << Bool(f4) << "\n";
  return status;
}

std::string OneFile(const std::vector<std::string>& rest, size_t at) {
  if (rest.size() != at + 1) Fail("expected one file name");
  return rest[at];
}

int RunText(Args& args) {
  const bool list = args.Flag("list");
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.empty()) Fail("missing action (type, lines, tail, header, crlf, words)");
  const std::string& action = rest[0];
  if (action == "type") {
    const zel_tool::SeekableInput in(OneFile(rest, 1));
    std::cout << TypeName(zel::CheckTextFileType(in.FileName())) << "\n";
    return 0;
  }
  if (action == "lines") {
    const zel_tool::SeekableInput in(OneFile(rest, 1));
    std::cout << zel::CountLinesInTextFile(in.FileName(), nullptr) << "\n";
    return 0;
  }
  if (action == "tail") {
    if (rest.size() != 3) Fail("expected a line count and one file name");
    int32_t n = 0;
    try {
      n = zel::StrToInt(zel::Utf8ToString(rest[1]));
    } catch (const zel::Exception&) {
      Fail("not a line count: " + rest[1]);
    }
    if (n < 0) Fail("the line count must not be negative");
    // Counted first, then read from the end: a pipe is copied once.
    const zel_tool::SeekableInput in(rest[2]);
    const zel::String name = in.FileName();
    // The result always has N entries; ask for no more than the file has.
    n = std::min(n, zel::CountLinesInTextFile(name, nullptr));
    if (n == 0) return 0;
    int32_t read = 0;
    for (const auto& line : zel::ReadLastNLinesOfTextFile(name, n, read)) {
      std::cout << zel::StringToUtf8(line) << "\n";
    }
    return 0;
  }
  if (action == "header") {
    const zel_tool::SeekableInput in(OneFile(rest, 1));
    return PrintHeader(std::cout, in.FileName()) == zel::ascOK ? 0 : 1;
  }
  if (action == "crlf") {
    if (rest.size() != 2 && rest.size() != 3) Fail("expected an input and an optional output file");
    // "-" as input reads standard input; as output (or as the input without
    // OUT) it writes standard output.
    const zel_tool::SeekableInput in(rest[1]);
    const std::string out = rest.size() == 3 ? rest[2] : rest[1];
    std::cout.flush();
    zel_tool::WriteThroughFile(
        out, [&in](const zel::String& file) { zel::EnsureCRLFInFile(in.FileName(), file); });
    return 0;
  }
  if (action == "words") {
    const zel_tool::SeekableInput in(OneFile(rest, 1));
    zel::TextFile f(in.FileName());
    f.Reset();
    int64_t count = 0;
    for (;;) {
      const zel::String word = zel::ReadNextWordInTextFile(f);
      if (word.empty()) break;
      ++count;
      if (list) std::cout << zel::StringToUtf8(word) << "\n";
    }
    f.Close();
    if (!list) std::cout << count << "\n";
    return 0;
  }
  Fail("unknown action '" + action + "'");
}

ZEL_TOOL_COMMAND(
    text, "text file utilities: type, lines, tail, ASC header, CR LF repair, words",
    "zel text type FILE\n"
    "       zel text lines FILE\n"
    "       zel text tail N FILE\n"
    "       zel text header FILE\n"
    "       zel text crlf IN [OUT]   (in place without OUT; \"-\": standard input/output)\n"
    "       zel text words [--list] FILE",
    RunText);

void DemoText(std::ostream& out) {
  const zel::String name = zel::PathToFileName(zel_tool::SampleDir() + "/sample.asc");
  out << "sample.asc: " << zel::CountLinesInTextFile(name, nullptr) << " lines, "
      << TypeName(zel::CheckTextFileType(name)) << "\n";
  zel::String comment;
  int32_t c1 = 0, c2 = 0;
  bool f1 = false, f2 = false, f3 = false, f4 = false;
  const int32_t status = zel::ReadHeaderOfASC(name, comment, c1, c2, f1, f2, f3, f4);
  out << "ASC header: \"" << zel::StringToUtf8(comment) << "\", counts " << c1 << " and " << c2
      << ", flags " << Bool(f1) << " " << Bool(f2) << " " << Bool(f3) << " " << Bool(f4)
      << " (status " << status << ")\n";
}

ZEL_TOOL_DEMO(60, "Text files", DemoText);

}  // namespace
