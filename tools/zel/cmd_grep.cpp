// zel grep: the lines of files that the TGrep pattern matches.
//
//   zel grep [-i] [-n] [-c] [--] PATTERN [FILE...]
//
//   -i  ignore the case of ASCII letters      -n  number the lines
//   -c  print only the number of matching lines
//
// No FILE, or "-", reads standard input. With several files each line (or
// count) is prefixed with the file name and ":". Lines end at LF; a CR before
// the LF is not part of what the pattern sees (so "x$" finds "x" CR LF), but
// lines are printed as they are. A line is decoded as UTF-8, or as
// Windows-1252 when it is not valid UTF-8. When standard output is a terminal
// the matches are highlighted. An empty pattern matches every line.
//
// Exit status, as grep's: 0 some line matched, 1 none did, 2 a bad pattern
// (with the pattern's error message), an unreadable file or a write error.
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
#include "io.h"
#include "zel/platform/terminal.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"
#include "zel/stringl/grep.h"

namespace {

using zel_tool::Args;
using zel_tool::Fail;
using zel_tool::WriteOutput;

constexpr const char* kMarkOn = "\033[01;31m\033[K";
constexpr const char* kMarkOff = "\033[m\033[K";

struct Options {
  bool ignore_case = false;
  bool number = false;
  bool count = false;
  bool highlight = false;
  bool prefix = false;
};

// Byte offset in the line of each character position (0-based positions,
// plus one past the end), for the decoding the line was read with.
std::vector<size_t> ByteOffsets(const zel::String& text, bool utf8) {
  std::vector<size_t> at(text.size() + 1, 0);
  size_t b = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    at[i] = b;
    const char16_t c = text[i];
    if (!utf8)
      b += 1;
    else if (c < 0x80)
      b += 1;
    else if (c < 0x800)
      b += 2;
    else if (c >= 0xD800 && c <= 0xDBFF)
      b += 4;  // the pair's four bytes; the low half adds none
    else if (c >= 0xDC00 && c <= 0xDFFF)
      b += 0;
    else
      b += 3;
  }
  at[text.size()] = b;
  return at;
}

class Searcher {
 public:
  Searcher(zel::TGrep& grep, const Options& opt, bool match_all)
      : grep_(grep), opt_(opt), match_all_(match_all) {}

  // Runs over one input; returns the number of matching lines, or -1 when the
  // input could not be read (reported).
  long Run(const std::string& name) {
    name_ = name;
    line_no_ = 0;
    matches_ = 0;
    partial_.clear();
    std::string reason;
    const bool ok = zel_tool::ReadInputBlocks(
        name, [this](const uint8_t* d, size_t n) { Feed(reinterpret_cast<const char*>(d), n); },
        reason);
    if (!partial_.empty()) Line(partial_);
    if (!ok) {
      std::cerr << "zel grep: " << name << ": " << reason << "\n";
      return -1;
    }
    if (opt_.count) {
      const std::string out = (opt_.prefix ? name + ":" : "") + std::to_string(matches_) + "\n";
      WriteOutput(out);
    }
    return matches_;
  }

 private:
  void Feed(const char* d, size_t n) {
    size_t start = 0;
    for (size_t i = 0; i < n; ++i) {
      if (d[i] != '\n') continue;
      if (partial_.empty()) {
        Line(std::string_view(d + start, i - start));
      } else {
        partial_.append(d + start, i - start);
        Line(partial_);
        partial_.clear();
      }
      start = i + 1;
    }
    partial_.append(d + start, n - start);
  }

  void Line(std::string_view bytes) {
    ++line_no_;
    std::string_view body = bytes;
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    if (match_all_) {
      Print(bytes, {});
      return;
    }
    const bool utf8 = zel::IsValidUtf8(body);
    const zel::String text = zel::DecodeText8(body);
    grep_.SetSearchStartPos(1);
    int32_t pos = 0;
    if (!grep_.MatchString(text, pos)) return;
    std::vector<std::pair<int32_t, int32_t>> spans;  // 1-based, inclusive
    if (opt_.highlight && !opt_.count) {
      for (int guard = 0; guard < 100000; ++guard) {
        const int32_t s = grep_.MatchStartPos(), e = grep_.MatchEndPos();
        if (e >= s) spans.emplace_back(s, e);
        const int32_t next = std::max(e + 1, s + 1);
        if (next > static_cast<int32_t>(text.size())) break;
        grep_.SetSearchStartPos(next);
        if (!grep_.MatchString(text, pos) || grep_.MatchStartPos() < next) break;
      }
      const std::vector<size_t> at = ByteOffsets(text, utf8);
      for (auto& [s, e] : spans) {
        s = static_cast<int32_t>(at[static_cast<size_t>(s - 1)]);
        e = static_cast<int32_t>(at[static_cast<size_t>(e)]);
      }
    }
    Print(bytes, spans);
  }

  // Prints a matching line; spans are byte ranges [first, last) to highlight.
  void Print(std::string_view bytes, const std::vector<std::pair<int32_t, int32_t>>& spans) {
    ++matches_;
    if (opt_.count) return;
    std::string out;
    if (opt_.prefix) out += name_ + ":";
    if (opt_.number) out += std::to_string(line_no_) + ":";
    size_t done = 0;
    for (const auto& [s, e] : spans) {
      out.append(bytes.substr(done, static_cast<size_t>(s) - done));
      out += kMarkOn;
      out.append(bytes.substr(static_cast<size_t>(s), static_cast<size_t>(e - s)));
      out += kMarkOff;
      done = static_cast<size_t>(e);
    }
    out.append(bytes.substr(done));
    out += "\n";
    WriteOutput(out);
  }

  zel::TGrep& grep_;
  const Options& opt_;
  bool match_all_;
  std::string name_;
  std::string partial_;
  long line_no_ = 0;
  long matches_ = 0;
};

int RunGrep(Args& args) {
  Options opt;
  std::vector<std::string> operands;
  for (const std::string& w : args.OptionWords()) {
    if (w == "-" || w.empty() || w[0] != '-') {
      operands.push_back(w);
    } else if (w == "--ignore-case") {
      opt.ignore_case = true;
    } else if (w == "--line-number") {
      opt.number = true;
    } else if (w == "--count") {
      opt.count = true;
    } else if (w[1] == '-') {
      Fail("unknown option " + w);
    } else {
      for (size_t i = 1; i < w.size(); ++i) {
        switch (w[i]) {
          case 'i':
            opt.ignore_case = true;
            break;
          case 'n':
            opt.number = true;
            break;
          case 'c':
            opt.count = true;
            break;
          default:
            Fail(std::string("unknown option -") + w[i]);
        }
      }
    }
  }
  operands.insert(operands.end(), args.Operands().begin(), args.Operands().end());
  if (operands.empty()) Fail("missing PATTERN");
  const std::string pattern = operands.front();
  std::vector<std::string> files(operands.begin() + 1, operands.end());
  if (files.empty()) files.push_back("-");
  opt.prefix = files.size() > 1;
  opt.highlight = zel::platform::Terminal().IsTerminal(zel::platform::kStandardOutput);

  zel::TGrep grep(nullptr);
  grep.SetStopOnError(false);
  grep.SetIgnoreCase(opt.ignore_case);
  grep.SetRegExp(zel::Utf8ToString(pattern));
  if (grep.LastError() != 0) {
    std::cerr << "zel grep: error in regular expression - "
              << zel::StringToUtf8(zel::TGrep::ErrorText(grep.LastError())) << "\n";
    return 2;
  }
  Searcher searcher(grep, opt, pattern.empty());
  bool any = false, failed = false;
  for (const std::string& f : files) {
    const long n = searcher.Run(f);
    failed |= n < 0;
    any |= n > 0;
  }
  if (!zel_tool::FinishOutput("grep")) return 2;
  return failed ? 2 : any ? 0 : 1;
}

}  // namespace

ZEL_TOOL_COMMAND(grep, "print the lines that match a TGrep pattern",
                 "zel grep [-i] [-n] [-c] [--] PATTERN [FILE...]\n"
                 "  -i  ignore case (ASCII letters)   -n  number the lines\n"
                 "  -c  print only the number of matching lines\n"
                 "PATTERN: literals, \".\", [set], [^set], ^, $, (group), and *, +, ? after a\n"
                 "character, set, \".\" or group; \\ quotes, \\#HH is the character with hex "
                 "code HH.\n"
                 "No FILE or \"-\" reads standard input. Exit status 0: a line matched, 1: none,\n"
                 "2: bad pattern or unreadable file.",
                 RunGrep);

namespace {

void DemoGrep(std::ostream& out) {
  struct Example {
    const char16_t* pattern;
    const char16_t* text;
  };
  const Example examples[] = {
      {u"[0-9]+", u"ab123cd"}, {u"(ab)+", u"xababy"}, {u"a.*b", u"axbxb"},
      {u"^abc", u"xabc"},      {u"c$x", u""},
  };
  zel::TGrep grep(nullptr);
  grep.SetName(u"Grep1");
  for (const Example& e : examples) {
    out << "\"" << zel::StringToUtf8(e.pattern) << "\" in \"" << zel::StringToUtf8(e.text)
        << "\": ";
    try {
      grep.SetRegExp(e.pattern);
      int32_t pos = 0;
      if (grep.MatchString(e.text, pos))
        out << "match " << grep.MatchStartPos() << ".." << grep.MatchEndPos() << "\n";
      else
        out << "no match\n";
    } catch (const zel::Exception& ex) {
      out << ex.what() << "\n";
    }
  }
}

}  // namespace

ZEL_TOOL_DEMO(15, "Pattern matching with TGrep", DemoGrep);
