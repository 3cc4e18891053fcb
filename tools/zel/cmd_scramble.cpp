// zel scramble / zel unscramble: the byte substitution of Scramble and
// DeScramble as filters from standard input (or FILE) to standard output.
//
//   zel scramble [--seed N] [FILE]      zel unscramble [--seed N] [FILE]
//
// Without --seed the tables are those the library builds at start-up;
// `zel unscramble` with the seed used for scrambling gives the input back.
// Byte 0 stays 0. Exit status 1 when the input cannot be read or the output
// cannot be written, 2 for bad arguments.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/stringl/scramble.h"

namespace {

using zel_tool::Args;

int Filter(Args& args, const char* command, bool forward) {
  if (const auto seed = args.Option("seed")) {
    int32_t value = 0;
    const char* end = seed->data() + seed->size();
    const auto r = std::from_chars(seed->data(), end, value);
    if (seed->empty() || r.ec != std::errc() || r.ptr != end)
      zel_tool::Fail("--seed needs an integer from -2147483648 to 2147483647, not \"" + *seed +
                     "\"");
    zel::InitScramble(value);
  }
  args.RejectUnknownOptions();
  const std::vector<std::string>& rest = args.Rest();  // "--" already dropped
  if (rest.size() > 1) zel_tool::Fail("expected at most one FILE");
  const std::string name = rest.empty() ? "-" : rest.front();
  // The tables as a byte map, taken once from the library's functions.
  zel::String codes;
  for (int c = 0; c < 256; ++c) codes.push_back(static_cast<char16_t>(c));
  const zel::String mapped = forward ? zel::Scramble(codes) : zel::DeScramble(codes);
  std::string out;
  std::string reason;
  const bool ok = zel_tool::ReadInputBlocks(
      name,
      [&](const uint8_t* d, size_t n) {
        out.resize(n);
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(mapped[d[i]]);
        zel_tool::WriteOutput(out);
      },
      reason);
  if (!ok) std::cerr << "zel " << command << ": " << name << ": " << reason << "\n";
  if (!zel_tool::FinishOutput(command)) return 1;
  return ok ? 0 : 1;
}

int RunScramble(Args& args) { return Filter(args, "scramble", true); }
int RunUnscramble(Args& args) { return Filter(args, "unscramble", false); }

void DemoScramble(std::ostream& out) {
  const zel::String text = u"Zelorbita";
  const zel::String s = zel::Scramble(text);
  std::string shown;
  for (char16_t c : s) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(c));
    shown += std::string(shown.empty() ? "" : " ") + hex;
  }
  out << "Scramble(\"Zelorbita\")   codes " << shown << "\n";
  out << "DeScramble of that       " << (zel::DeScramble(s) == text ? "\"Zelorbita\"" : "??")
      << "\n";
}

}  // namespace

ZEL_TOOL_COMMAND(scramble, "scramble bytes with the library's substitution table",
                 "zel scramble [--seed N] [FILE]", RunScramble);
ZEL_TOOL_COMMAND(unscramble, "undo zel scramble (same --seed)", "zel unscramble [--seed N] [FILE]",
                 RunUnscramble);
ZEL_TOOL_DEMO(16, "Scrambling", DemoScramble);
