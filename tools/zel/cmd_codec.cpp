// zel base64 / zel ascii85: filters from standard input to standard output.
//
//   zel base64 [--lines]    encode; --lines breaks the text into lines of 60
//   zel base64 -d           decode; exit status 1 on invalid text
//   zel ascii85             encode (ends with "~>")
//   zel ascii85 -d          decode up to "~>"; exit status 1 when the text
//                           held invalid digits (the bytes are still written)
#include <cerrno>
#include <iostream>
#include <ostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/dstruct/ascii85.h"
#include "zel/dstruct/base64.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"

namespace {

using zel_tool::Args;

void NoOperands(Args& args) {
  args.RejectUnknownOptions();
  if (!args.Rest().empty()) zel_tool::Fail("unexpected argument " + args.Rest().front());
}

int RunBase64(Args& args) {
  const bool decode = args.Flag("decode", "d");
  const bool lines = args.Flag("lines");
  NoOperands(args);
  if (decode && lines) zel_tool::Fail("--lines applies to encoding only");
  zel::THandleStream in(0);
  zel::THandleStream out(1);
  int32_t result = 0;
  try {
    if (!decode)
      zel::EncodeBase64(in, out, lines);
    else
      result = zel::DecodeBase64(in, out);
  } catch (const zel::EWriteError&) {
    zel_tool::FailOutput(errno);
  }
  if (result != 0) {
    std::cerr << "zel base64: invalid Base64 text (a character outside the alphabet, or \"=\" in "
                 "the first two places of a group)\n";
    return 1;
  }
  return 0;
}
ZEL_TOOL_COMMAND(base64, "Base64-encode or decode standard input to standard output",
                 "zel base64 [-d|--decode] [--lines]", RunBase64);

int RunAscii85(Args& args) {
  const bool decode = args.Flag("decode", "d");
  NoOperands(args);
  zel::THandleStream in(0);
  zel::THandleStream out(1);
  int32_t r = 0;
  try {
    if (!decode)
      zel::EncodeASCII85(in, out, false);
    else
      r = zel::DecodeASCII85(in, out);
  } catch (const zel::EWriteError&) {
    zel_tool::FailOutput(errno);
  }
  if (r == -1) std::cerr << "zel ascii85: digits outside \"!\"..\"u\" met\n";
  if (r == -2) std::cerr << "zel ascii85: \"z\" inside a group met\n";
  return r == 0 ? 0 : 1;
}
ZEL_TOOL_COMMAND(ascii85, "ASCII85-encode or decode standard input to standard output",
                 "zel ascii85 [-d|--decode]", RunAscii85);

std::string EncodeText(const std::string& text, bool base64) {
  zel::TStringStream in(text);
  zel::TStringStream out{std::string()};
  if (base64)
    zel::EncodeBase64(in, out, false);
  else
    zel::EncodeASCII85(in, out, false);
  return out.Bytes();
}

void DemoCodec(std::ostream& out) {
  const std::string sample = "Zelorbita";
  out << "text                 " << sample << "\n";
  out << "Base64               " << EncodeText(sample, true) << "\n";
  out << "ASCII85              " << EncodeText(sample, false)
      << "   (last group: the byte 'a' as its own value)\n";
  out << "four zero bytes      " << EncodeText(std::string(4, '\0'), false) << "\n";
  zel::TStringStream bad(std::string("Zm9v*mFy"));
  zel::TMemoryStream sink;
  out << "decode \"Zm9v*mFy\"    result " << zel::DecodeBase64(bad, sink) << "\n";
  zel::TStringStream text(std::string("9jqo^!b~>"));
  zel::TStringStream back{std::string()};
  const int32_t r = zel::DecodeASCII85(text, back);
  out << "decode \"9jqo^!b~>\"   " << back.Bytes() << " (result " << r << ")\n";
}
ZEL_TOOL_DEMO(35, "Base64 and ASCII85", DemoCodec);

}  // namespace
