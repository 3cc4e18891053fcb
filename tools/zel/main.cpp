// zel: command-line access to the zel library.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
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
  for (const auto& c : commands) {
    std::string name = c.name;
    name.resize(std::max<size_t>(name.size(), 10), ' ');
    out << "  " << name << "  " << c.summary << "\n";
  }
  out << "\nRun 'zel <command> --help' for a command's arguments.\n";
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
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    PrintOverview(std::cout);
    return words.empty() ? 2 : 0;
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
  if (std::find(words.begin(), words.end(), "--help") != words.end()) {
    std::cout << "usage: " << it->usage << "\n\n" << it->summary << "\n";
    return 0;
  }
  try {
    Args args(std::move(words));
    const int status = it->run(args);
    // A full disk or a closed pipe shows only when the output is flushed.
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "zel " << name << ": standard output: write error\n";
      // A failure status the command chose stands: zel grep reports a write
      // error as 2, its 1 meaning "no line matched".
      return status != 0 ? status : 1;
    }
    return status;
  } catch (const UsageError& e) {
    std::cerr << "zel " << name << ": " << e.message << "\nusage: " << it->usage << "\n";
    return 2;
  } catch (const zel::Exception& e) {
    std::cerr << "zel " << name << ": " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "zel " << name << ": " << e.what() << "\n";
    return 1;
  }
}
