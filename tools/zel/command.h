// Subcommands of the zel tool register themselves here, so adding one is a
// single new file:
//
//   static int RunHello(zel_tool::Args& args) { ... return 0; }
//   ZEL_TOOL_COMMAND(hello, "say hello", "zel hello [NAME]", RunHello);
//
// Demo sections for `zel demo` register the same way with ZEL_TOOL_DEMO; they
// run in ascending order of their rank.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zel_tool {

// The words after the subcommand name. A word "--" ends the options: the
// words after it are positional arguments even when they start with "-".
class Args {
 public:
  explicit Args(std::vector<std::string> words);

  // Removes "--name" (or "-n") if present; true when it was.
  bool Flag(const std::string& name, const std::string& short_name = "");
  // Removes "--name VALUE" or "--name=VALUE"; empty when absent. Throws
  // UsageError when the value is missing.
  std::optional<std::string> Option(const std::string& name);
  // The words that are left, in order (positional arguments), "--" dropped.
  const std::vector<std::string>& Rest() const;
  // For commands that parse their own short options: the words left before
  // "--", and the words after it.
  const std::vector<std::string>& OptionWords() const { return words_; }
  const std::vector<std::string>& Operands() const { return operands_; }
  // Throws UsageError when an unknown "--option" is left over before "--".
  void RejectUnknownOptions() const;

 private:
  std::vector<std::string> words_;     // before "--"
  std::vector<std::string> operands_;  // after "--"
  mutable std::vector<std::string> rest_;
};

struct UsageError {
  std::string message;
};

// Throws UsageError with the message.
[[noreturn]] void Fail(const std::string& message);

using CommandFn = int (*)(Args& args);
using DemoFn = void (*)(std::ostream& out);

struct Command {
  const char* name;
  const char* summary;
  const char* usage;  // one or more lines, shown by --help
  CommandFn run;
};

bool RegisterCommand(const Command& command);
bool RegisterDemo(int rank, const char* title, DemoFn fn);

const std::vector<Command>& Commands();
struct Demo {
  int rank;
  const char* title;
  DemoFn fn;
};
std::vector<Demo> Demos();  // sorted by rank

// Folder with the bundled sample data (sources or install tree).
std::string SampleDir();

}  // namespace zel_tool

#define ZEL_TOOL_CONCAT_(a, b) a##b
#define ZEL_TOOL_CONCAT(a, b) ZEL_TOOL_CONCAT_(a, b)
#define ZEL_TOOL_COMMAND(name, summary, usage, fn)                       \
  static const bool ZEL_TOOL_CONCAT(zel_command_registered_, __LINE__) = \
      ::zel_tool::RegisterCommand({#name, summary, usage, fn})
#define ZEL_TOOL_DEMO(rank, title, fn)                                \
  static const bool ZEL_TOOL_CONCAT(zel_demo_registered_, __LINE__) = \
      ::zel_tool::RegisterDemo(rank, title, fn)
