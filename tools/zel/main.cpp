// zel: command-line access to the zel library.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "io.h"
#include "zel/platform/environment.h"
#include "zel/zel.h"

namespace zel_tool {

namespace {
std::vector<Command>& CommandTable() {
  static std::vector<Command> table;
  return table;
}
std::vector<Demo>& DemoTable() {
  static std::vector<Demo> table;
  return table;
}
}  // namespace

bool RegisterCommand(const Command& command) {
  CommandTable().push_back(command);
  return true;
}

bool RegisterDemo(int rank, const char* title, DemoFn fn) {
  DemoTable().push_back({rank, title, fn});
  return true;
}

const std::vector<Command>& Commands() { return CommandTable(); }

std::vector<Demo> Demos() {
  std::vector<Demo> demos = DemoTable();
  std::stable_sort(demos.begin(), demos.end(),
                   [](const Demo& a, const Demo& b) { return a.rank < b.rank; });
  return demos;
}

void Fail(const std::string& message) { throw UsageError{message}; }

Args::Args(std::vector<std::string> words) {
  const auto end = std::find(words.begin(), words.end(), "--");
  words_.assign(words.begin(), end);
  if (end != words.end()) operands_.assign(end + 1, words.end());
}

const std::vector<std::string>& Args::Rest() const {
  rest_ = words_;
  rest_.insert(rest_.end(), operands_.begin(), operands_.end());
  return rest_;
}

bool Args::Flag(const std::string& name, const std::string& short_name) {
  auto it = std::find_if(words_.begin(), words_.end(), [&](const std::string& w) {
    return w == "--" + name || (!short_name.empty() && w == "-" + short_name);
  });
  if (it == words_.end()) return false;
  words_.erase(it);
  return true;
}

std::optional<std::string> Args::Option(const std::string& name) {
  const std::string key = "--" + name;
  for (size_t i = 0; i < words_.size(); ++i) {
    if (words_[i] == key) {
      if (i + 1 >= words_.size()) Fail("option " + key + " needs a value");
      std::string value = words_[i + 1];
      words_.erase(words_.begin() + static_cast<long>(i),
                   words_.begin() + static_cast<long>(i) + 2);
      return value;
    }
    if (words_[i].rfind(key + "=", 0) == 0) {
      std::string value = words_[i].substr(key.size() + 1);
      words_.erase(words_.begin() + static_cast<long>(i));
      return value;
    }
  }
  return std::nullopt;
}

void Args::RejectUnknownOptions() const {
  for (const auto& w : words_)
    if (w.size() > 1 && w[0] == '-' && w != "-" && !(w[1] >= '0' && w[1] <= '9') && w[1] != '.')
      Fail("unknown option " + w);
}

std::string SampleDir() {
  if (const char* env = std::getenv("ZEL_SAMPLE_DIR")) return env;
#ifdef ZEL_SAMPLE_DIR
  if (std::filesystem::is_directory(ZEL_SAMPLE_DIR)) return ZEL_SAMPLE_DIR;
#endif
  return ZEL_INSTALLED_SAMPLE_DIR;
}

}  // namespace zel_tool

namespace {

using namespace zel_tool;

void PrintOverview(std::ostream& out) {
  out << "usage: zel <command> [arguments]\n\ncommands:\n";
  std::vector<Command> commands = Commands();
  std::sort(commands.begin(), commands.end(),
            [](const Command& a, const Command& b) { return std::string(a.name) < b.name; });
  size_t width = 0;
  for (const auto& c : commands) width = std::max(width, std::string(c.name).size());
  for (const auto& c : commands) {
    std::string name = c.name;
    name.resize(width, ' ');
    out << "  " << name << "  " << c.summary << "\n";
  }
  out << "\nRun 'zel <command> --help' for a command's arguments.\n";
}

// roff text: a backslash doubled, a leading "." or "'" guarded.
std::string Roff(const std::string& text) {
  std::string out;
  bool line_start = true;
  for (const char c : text) {
    if (line_start && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
    line_start = c == '\n';
  }
  return out;
}

// The manual page zel(1), made from the command table so it lists every
// command with its usage (the build installs it as zel.1).
void PrintManPage(std::ostream& out) {
  std::vector<Command> commands = Commands();
  std::sort(commands.begin(), commands.end(),
            [](const Command& a, const Command& b) { return std::string(a.name) < b.name; });
  out << ".TH ZEL 1 \"\" \"zel " << ZEL_VERSION_STRING << "\" \"User Commands\"\n"
      << ".SH NAME\nzel \\- command\\-line access to the zel library\n"
      << ".SH SYNOPSIS\n.B zel\n.I command\n[\\fIarguments\\fR]\n.br\n"
      << ".B zel \\-\\-help\n.br\n.B zel\n.I command\n.B \\-\\-help\n"
      << ".SH DESCRIPTION\n"
         "Each command is a small program over one part of the library: checksums, codecs, text\n"
         "files, string grids, XML tags, colours, number formatting and more.\n"
      << ".SH CONVENTIONS\n"
         ".IP \\(bu 2\nA word \\fB\\-\\-\\fR ends the options; the words after it are "
         "operands even when they begin with \\fB\\-\\fR.\n"
         ".IP \\(bu 2\nA file operand \\fB\\-\\fR means standard input. Input that cannot "
         "be read twice (a pipe, a terminal) is read once, into memory or a temporary file.\n"
         ".IP \\(bu 2\nFiles are written through a temporary in the same folder that replaces "
         "the file only when complete: a failure keeps the previous contents, the mode and links "
         "are kept, devices and FIFOs are written directly.\n"
         ".IP \\(bu 2\nThe output files of one run are replaced together: all of them, or none "
         "when one cannot be written.\n"
         ".IP \\(bu 2\n\\fBzel grid\\fR keeps every byte it does not deliberately change "
         "(encoding, byte order mark, quoting, line endings); a field longer than a grid cell "
         "holds (255 bytes) makes it refuse to write any output (\\fB\\-\\-out\\fR, "
         "\\fB\\-\\-in\\-place\\fR, \\fB\\-\\-xml\\fR) unless \\fB\\-\\-truncate\\fR is "
         "given.\n"
         ".IP \\(bu 2\n\\fBzel grid\\fR and \\fBzel fmat from\\-csv\\fR build their table in "
         "memory and refuse one that needs more than 50000000 cells (about 200 MB for a grid); "
         "\\fB\\-\\-max\\-cells\\fR \\fIN\\fR raises the limit.\n"
      << ".SH EXIT STATUS\n"
         ".TP\n0\nSuccess.\n"
         ".TP\n1\nA runtime failure, reported as \\fBzel\\fR \\fIcommand\\fB: "
         "\\fIfile\\fB: \\fIreason\\fR; or standard output could not be written "
         "(\\fBzel: write error: \\fIreason\\fR). \\fBgrep\\fR and \\fBxml\\fR: "
         "nothing found.\n"
         ".TP\n2\nA usage error (the message and the usage on standard error), also "
         "\\fBzel\\fR without a command. \\fBgrep\\fR and \\fBxml\\fR: any error.\n"
      << ".SH COMMANDS\n";
  for (const auto& c : commands) {
    out << ".TP\n.B " << c.name << "\n"
        << Roff(c.summary) << "\n.RS\n.nf\n"
        << Roff(c.usage) << "\n.fi\n.RE\n";
  }
  out << ".SH FILES\n.TP\n.I " << Roff(ZEL_INSTALLED_SAMPLE_DIR)
      << "\nSample data used by \\fBzel demo\\fR.\n";
}

int RunVersion(Args& args) {
  args.RejectUnknownOptions();
  std::cout << "zel " << ZEL_VERSION_STRING << "\n";
  return 0;
}
ZEL_TOOL_COMMAND(version, "print the library version", "zel version", RunVersion);

int RunDemo(Args& args) {
  args.RejectUnknownOptions();
  std::cout << "zel " << ZEL_VERSION_STRING << ": a short tour (sample data in " << SampleDir()
            << ")\n";
  for (const auto& demo : Demos()) {
    std::cout << "\n== " << demo.title << " ==\n";
    demo.fn(std::cout);
  }
  return 0;
}
ZEL_TOOL_COMMAND(demo, "a short tour of the library on bundled sample data", "zel demo", RunDemo);

}  // namespace

int main(int argc, char** argv) {
  // UTF-8 on both systems (main's argv holds ANSI letters on Windows).
  std::vector<std::string> words = zel::platform::CommandLineArguments(argc, argv);
  InstallOutput();
  if (words.empty()) {
    PrintOverview(std::cerr);
    return 2;
  }
  if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    PrintOverview(std::cout);
    return FinishOutput() ? 0 : 1;
  }
  if (words[0] == "--man") {  // used by the build: zel --man [FILE]
    std::ostringstream page;
    PrintManPage(page);
    try {
      if (words.size() > 1) {
        WriteOutputFile(words[1], page.str());
        return 0;
      }
    } catch (const FileError& e) {
      std::cerr << "zel: " << e.file << ": " << e.reason << "\n";
      return 1;
    } catch (const OutputError&) {
      return 1;  // reported by FinishOutput
    }
    std::cout << page.str();
    return FinishOutput() ? 0 : 1;
  }
  const std::string name = words[0];
  words.erase(words.begin());
  const auto& commands = Commands();
  auto it = std::find_if(commands.begin(), commands.end(),
                         [&](const Command& c) { return name == c.name; });
  if (it == commands.end()) {
    std::cerr << "zel: unknown command '" << name << "'\n";
    PrintOverview(std::cerr);
    return 2;
  }
  // `zel grep` and `zel xml` exit 1 for "nothing found", as grep does, so
  // their runtime failures exit 2.
  const int runtime_status = name == "grep" || name == "xml" ? 2 : 1;
  const auto dashdash = std::find(words.begin(), words.end(), "--");
  if (std::find(words.begin(), dashdash, "--help") != dashdash) {
    std::cout << "usage: " << it->usage << "\n\n" << it->summary << "\n";
    return FinishOutput() ? 0 : 1;
  }
  int status = 0;
  try {
    Args args(std::move(words));
    status = it->run(args);
  } catch (const UsageError& e) {
    FinishOutput();
    std::cerr << "zel " << name << ": " << e.message << "\nusage: " << it->usage << "\n";
    return 2;
  } catch (const OutputError&) {
    FinishOutput();
    return 1;
  } catch (const FileError& e) {
    FinishOutput();
    std::cerr << "zel " << name << ": " << e.file << ": " << e.reason << "\n";
    return runtime_status;
  } catch (const std::exception& e) {
    FinishOutput();
    std::cerr << "zel " << name << ": " << e.what() << "\n";
    return runtime_status;
  }
  // A full disk or a closed pipe shows only when the output is flushed.
  if (!FinishOutput()) return status != 0 ? status : 1;
  return status;
}
