// Splitting a command line at "--": words before it may be options, words
// after it are always operands (so a file named "-r" can be given as
// "zel scan -- -r").
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "command.h"

namespace zel_tool {

// The words before "--" as Args (to take options from) and those after it.
inline std::pair<Args, std::vector<std::string>> SplitAtDoubleDash(const Args& args) {
  std::vector<std::string> before, after;
  bool operands = false;
  for (const auto& w : args.Rest()) {
    if (!operands && w == "--") {
      operands = true;
    } else {
      (operands ? after : before).push_back(w);
    }
  }
  return {Args(std::move(before)), std::move(after)};
}

// The operands: what is left of the options, then the words after "--".
inline std::vector<std::string> Operands(const Args& options, std::vector<std::string> after) {
  std::vector<std::string> out = options.Rest();
  out.insert(out.end(), after.begin(), after.end());
  return out;
}

}  // namespace zel_tool
