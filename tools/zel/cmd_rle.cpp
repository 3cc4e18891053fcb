// zel rle: the library's run-length code as a filter from standard input to
// standard output.
//
//   zel rle      encode
//   zel rle -d   decode
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
#include "io.h"
#include "zel/dstruct/rlencoder.h"

namespace {

using zel_tool::Args;

constexpr int32_t kBlock = 1 << 16;

// Writes n bytes to standard output; false on a write error.
bool Put(const uint8_t* data, size_t n) {
  return zel_tool::WriteOutput(reinterpret_cast<const char*>(data), n);
}

int RunRle(Args& args) {
  const bool decode = args.Flag("decode", "d");
  args.RejectUnknownOptions();
  if (!args.Rest().empty()) zel_tool::Fail("unexpected argument " + args.Rest().front());
  zel::TRLEncoder rle(nullptr);
  rle.SetBufLeng(kBlock);
  std::vector<uint8_t> in(kBlock), out(kBlock);
  bool ok = true;
  for (;;) {
    const size_t n = std::fread(in.data(), 1, in.size(), stdin);
    if (decode)
      rle.Decode(in.data(), n);
    else
      rle.Encode(in.data(), n);
    while (ok && rle.BufPoi() >= rle.BufLeng()) {
      rle.GetResult(out.data());
      ok = Put(out.data(), out.size());
    }
    if (!ok) break;
    if (n < in.size()) {
      if (std::ferror(stdin)) {
        std::cerr << "zel rle: -: " << std::strerror(errno) << "\n";
        return 1;
      }
      break;
    }
  }
  for (int32_t n = kBlock; ok && n == kBlock;) {
    n = decode ? rle.TakeRest(out.data()) : rle.Finish(out.data());
    ok = Put(out.data(), static_cast<size_t>(n));
  }
  if (!ok) zel_tool::FailOutput(errno);
  if (!zel_tool::FinishOutput()) return 1;
  if (decode && rle.DecodeState() != zel::rlData) {
    std::cerr << "zel rle: -: the code ends inside a run triple\n";
    return 1;
  }
  return 0;
}
ZEL_TOOL_COMMAND(rle, "run-length encode or decode standard input to standard output",
                 "zel rle [-d|--decode]", RunRle);

}  // namespace
