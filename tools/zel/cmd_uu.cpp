// zel uu: uuencode and uudecode as filters.
//
//   zel uu [--name NAME] [FILE]   encode FILE (or standard input) with the
//                                 header "begin 644 NAME" (default: the file's
//                                 own name, "data" for standard input)
//   zel uu -d [FILE]              decode; the "begin" line is optional
//
// The encoded text is what the usual uudecode reads. Decoding writes every
// byte it could decode; a text that breaks off before its end, or holds a
// character that is no uuencode character, is reported and gives exit status
// 1. Unreadable input and write errors give 1, bad arguments 2.
#include <filesystem>
#include <iostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/stringl/uuencode.h"

namespace {

using zel_tool::Args;

int RunUu(Args& args) {
  const bool decode = args.Flag("decode", "d");
  const auto name_option = args.Option("name");
  args.RejectUnknownOptions();
  const std::vector<std::string>& rest = args.Rest();  // "--" already dropped
  if (rest.size() > 1) zel_tool::Fail("expected at most one FILE");
  if (decode && name_option) zel_tool::Fail("--name applies to encoding only");
  const std::string file = rest.empty() ? "-" : rest.front();
  std::string input, reason;
  if (!zel_tool::ReadInput(file, input, reason)) {
    std::cerr << "zel uu: " << file << ": " << reason << "\n";
    return 1;
  }
  if (!decode) {
    std::string name = name_option.value_or(
        file == "-" ? "data" : std::filesystem::path(file).filename().string());
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos)
      zel_tool::Fail("--name needs a name without line breaks");
    zel_tool::WriteOutput(zel::UUEncodeBytes(input, name));
    return zel_tool::FinishOutput("uu") ? 0 : 1;
  }
  std::string bytes;
  const int32_t status = zel::UUDecodeBytes(input, bytes);
  zel_tool::WriteOutput(bytes);
  const bool written = zel_tool::FinishOutput("uu");
  if (status == zel::uuNoEnd)
    std::cerr << "zel uu: " << file << ": the encoded text ends before its end line\n";
  if (status == zel::uuBadCharacter)
    std::cerr << "zel uu: " << file
              << ": a line holds a character that is not uuencode; decoded up to that line\n";
  return written && status == zel::uuOK ? 0 : 1;
}

}  // namespace

ZEL_TOOL_COMMAND(uu, "uuencode or uudecode (standard input to standard output)",
                 "zel uu [--name NAME] [FILE]   encode\n"
                 "zel uu -d|--decode [FILE]     decode",
                 RunUu);
