// zel password: invents a pronounceable password.
//
// By default the letters and digits come from the operating system's secure
// random source, so the password can really be used. --seed N draws from the
// library's repeatable generator instead, seeded with N: the same seed always
// gives the same password (for tests and examples, not for real use).
#include <iostream>
#include <string>

#include "command.h"
#include "zel/filesys/sysinfo.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/random.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace {

int32_t ParseInt(const std::string& text, const char* what) {
  try {
    return zel::StrToInt(zel::Utf8ToString(text));
  } catch (const zel::EConvertError&) {
    zel_tool::Fail(std::string(what) + " must be an integer, got '" + text + "'");
  }
}

int RunPassword(zel_tool::Args& args) {
  const bool mixed = args.Flag("mixed");
  const bool special = args.Flag("special");
  const auto seed = args.Option("seed");
  args.RejectUnknownOptions();
  const auto rest = args.Rest();
  if (rest.size() > 1) zel_tool::Fail("expected at most one LENGTH");
  const int32_t length = rest.empty() ? 10 : ParseInt(rest[0], "LENGTH");
  if (length < 4 || length > 14) zel_tool::Fail("LENGTH must be 4 to 14");
  zel::String password;
  if (seed) {
    const int64_t s = ParseInt(*seed, "--seed");
    zel::RandSeed = static_cast<uint32_t>(s);
    password = zel::InventPassword(length, mixed, special);
  } else {
    password = zel::InventPasswordSecure(length, mixed, special);
  }
  std::cout << zel::StringToUtf8(password) << "\n";
  return 0;
}

}  // namespace

ZEL_TOOL_COMMAND(password, "invent a pronounceable password",
                 "zel password [LENGTH] [--mixed] [--special] [--seed N]\n"
                 "  LENGTH 4..14 (default 10); --mixed: some letters upper case;\n"
                 "  --special: some characters replaced by digits or _!$%#=;\n"
                 "  --seed N: the library's repeatable generator instead of the secure source",
                 RunPassword);
