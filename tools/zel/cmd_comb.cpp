// zel comb N K / zel perm N: every combination of K values out of 1..N, or
// every permutation of 1..N, one per line (values separated by blanks), in
// the order the library steps through them. Also the demo section of the
// compact containers.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <ostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/dstruct/assocarray.h"
#include "zel/dstruct/bitfld.h"
#include "zel/dstruct/combinatorics.h"
#include "zel/dstruct/rlencoder.h"
#include "zel/runtime/random.h"

namespace {

using zel_tool::Args;

// A whole number in lo..hi, or a usage error naming it.
int Number(const std::string& text, const char* what, int lo, int hi) {
  int value = 0;
  if (text.empty() || text.size() > 3) value = -1;
  for (char c : text) {
    if (c < '0' || c > '9') {
      value = -1;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (value < lo || value > hi)
    zel_tool::Fail(std::string(what) + " must be a whole number from " + std::to_string(lo) +
                   " to " + std::to_string(hi) + ", not \"" + text + "\"");
  return value;
}

// Writes bytes 1..k of c as a line; false on a write error.
bool PutLine(const zel::TCombination& c) {
  char line[256 * 4];
  size_t n = 0;
  for (int i = 1; i <= c[0]; ++i) {
    if (i > 1) line[n++] = ' ';
    n += static_cast<size_t>(std::snprintf(line + n, 5, "%u", unsigned{c[static_cast<size_t>(i)]}));
  }
  line[n++] = '\n';
  return zel_tool::WriteOutput(line, n);
}

int Finish(bool ok, const char* command) {
  if (!ok) zel_tool::FailOutput(errno);
  return zel_tool::FinishOutput(command) ? 0 : 1;
}

int RunComb(Args& args) {
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 2) zel_tool::Fail("expected N and K");
  const int n = Number(rest[0], "N", 1, 255);
  const int k = Number(rest[1], "K", 1, n);
  zel::TCombination c = zel::FirstCombination(static_cast<uint8_t>(k));
  bool ok = PutLine(c);
  while (ok && zel::NextCombination(c, n)) ok = PutLine(c);
  return Finish(ok, "comb");
}
ZEL_TOOL_COMMAND(comb, "list the combinations of K values out of 1..N", "zel comb N K", RunComb);

int RunPerm(Args& args) {
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 1) zel_tool::Fail("expected N");
  const int n = Number(rest[0], "N", 1, 255);
  zel::TCombination p = zel::FirstCombination(static_cast<uint8_t>(n));
  bool ok = PutLine(p);
  while (ok && zel::NextPermutation(p)) ok = PutLine(p);
  return Finish(ok, "perm");
}
ZEL_TOOL_COMMAND(perm, "list the permutations of 1..N", "zel perm N", RunPerm);

}  // namespace

namespace {

void DemoContainers(std::ostream& out) {
  zel::TAssocArray dict(nullptr);
  dict.AddXMLAttributes(u"Width=\"12,5\" height=\"7 px\" unit=\"mm\"");
  out << "TAssocArray from attributes: " << dict.NumEntries() << " entries; WIDTH as number "
      << dict.ResolveAsNumber(u"WIDTH") << ", height as integer " << dict.ResolveAsInt(u"height")
      << "\n";
  zel::TBitFld bits(nullptr);
  bits.SetSize(99);
  zel::RandSeed = 42;
  bits.RandomFill(25.0);
  out << "TBitFld of 100 bits, 25 % filled: " << bits.CountTrueBits() << " set, first at "
      << bits.FirstTrueBit() << "\n";
  zel::TRLEncoder rle(nullptr);
  const zel::TBytes row = {7, 7, 7, 7, 7, 7, 0xA5, 1, 2, 2};
  rle.Encode(row, static_cast<int32_t>(row.size()));
  zel::TBytes code;
  const int32_t n = rle.Finish(code);
  out << "run-length code of 07 x6, A5, 01, 02 02:";
  for (int32_t i = 0; i < n; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", unsigned{code[static_cast<size_t>(i)]});
    out << hex;
  }
  out << "\n";
  zel::TCombination c = zel::FirstCombination(2);
  out << "combinations of 2 out of 4:";
  do {
    out << " " << int{c[1]} << int{c[2]};
  } while (zel::NextCombination(c, 4));
  out << "\n";
}
ZEL_TOOL_DEMO(45, "Compact containers and combinations", DemoContainers);

}  // namespace
