// zel sum: CRC-16, CRC-32 or SHA-1 of files, one line per file in the form of
// the usual checksum tools ("<checksum>  <name>", lower-case hexadecimal;
// "-" or no name reads standard input). Unreadable files are reported on
// standard error and make the exit status 1; the other files are still summed.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
#include "zel/dstruct/crc.h"
#include "zel/dstruct/internal/crc_kernels.h"
#include "zel/dstruct/internal/sha1_engine.h"
#include "zel/dstruct/sha1.h"
#include "zel/platform/cpu_features.h"
#include "zel/platform/read_file.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/utf8.h"

namespace {

using zel_tool::Args;

enum class Algo { kCrc16, kCrc16Ccitt, kCrc32, kSha1 };

// A running checksum of one of the four kinds.
class Summer {
 public:
  explicit Summer(Algo algo) : algo_(algo) { crc16_ = algo == Algo::kCrc16Ccitt ? 0xFFFF : 0x0000; }
  void Update(const uint8_t* data, size_t len) {
    switch (algo_) {
      case Algo::kCrc16:
      case Algo::kCrc16Ccitt:
        crc16_ = zel::internal::Crc16Update(crc16_, data, len);
        break;
      case Algo::kCrc32:
        crc32_ = zel::internal::Crc32Update(crc32_, data, len);
        break;
      case Algo::kSha1:
        sha1_.Update(data, len);
        break;
    }
  }
  std::string Hex() {
    char buf[48];
    switch (algo_) {
      case Algo::kCrc16:
      case Algo::kCrc16Ccitt:
        std::snprintf(buf, sizeof buf, "%04x", unsigned{crc16_});
        return buf;
      case Algo::kCrc32:
        std::snprintf(buf, sizeof buf, "%08x", ~crc32_);
        return buf;
      case Algo::kSha1:
        break;
    }
    std::string hex = zel::StringToUtf8(zel::SHA1DigestToHex(sha1_.Final()));
    for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return hex;
  }

 private:
  Algo algo_;
  uint16_t crc16_ = 0;
  uint32_t crc32_ = 0xFFFFFFFFu;
  zel::internal::Sha1Context sha1_;
};

bool SumStdin(Summer& summer) {
  std::vector<uint8_t> block(zel::internal::kReadFileBlock);
  for (;;) {
    const size_t n = std::fread(block.data(), 1, block.size(), stdin);
    if (n > 0) summer.Update(block.data(), n);
    if (n < block.size()) return !std::ferror(stdin);
  }
}

std::string Reason(const std::string& name) {
  std::error_code ec;
  const auto st = std::filesystem::status(name, ec);
  if (ec || !std::filesystem::exists(st)) return "No such file or directory";
  if (std::filesystem::is_directory(st)) return "Is a directory";
  return "cannot be read";
}

int RunSum(Args& args) {
  const bool crc16 = args.Flag("crc16");
  const bool ccitt = args.Flag("crc16-ccitt");
  const bool crc32 = args.Flag("crc32");
  const bool sha1 = args.Flag("sha1");
  args.RejectUnknownOptions();
  if (crc16 + ccitt + crc32 + sha1 > 1)
    zel_tool::Fail("choose one of --crc16, --crc16-ccitt, --crc32, --sha1");
  const Algo algo = crc16   ? Algo::kCrc16
                    : ccitt ? Algo::kCrc16Ccitt
                    : sha1  ? Algo::kSha1
                            : Algo::kCrc32;
  std::vector<std::string> names = args.Rest();
  if (names.empty()) names.push_back("-");
  int status = 0;
  for (const auto& name : names) {
    Summer summer(algo);
    const bool ok = name == "-"
                        ? SumStdin(summer)
                        : zel::internal::ReadFileInBlocks(
                              name, [&summer](const uint8_t* d, size_t n) { summer.Update(d, n); });
    if (!ok) {
      std::cerr << "zel sum: " << name << ": " << (name == "-" ? "read error" : Reason(name))
                << "\n";
      status = 1;
      continue;
    }
    std::cout << summer.Hex() << "  " << name << "\n";
  }
  return status;
}

ZEL_TOOL_COMMAND(sum, "CRC-16, CRC-32 or SHA-1 of files (\"-\" = standard input)",
                 "zel sum [--crc16|--crc16-ccitt|--crc32|--sha1] FILE...\n"
                 "  --crc16        CRC-16/XMODEM (initial register 0)\n"
                 "  --crc16-ccitt  CRC-16/CCITT-FALSE (initial register 0xFFFF)\n"
                 "  --crc32        CRC-32 as zip and zlib compute it (the default)\n"
                 "  --sha1         SHA-1\n"
                 "Prints \"<checksum>  <name>\" per file; no FILE reads standard input.",
                 RunSum);

void DemoDigests(std::ostream& out) {
  const std::string digits = "123456789";
  const zel::TBytes bytes(digits.begin(), digits.end());
  char line[96];
  std::snprintf(line, sizeof line, "CRC-16/XMODEM(\"123456789\")      = %04X\n",
                unsigned{zel::CRC16ofBuffer(bytes, 9, zel::crcZModem)});
  out << line;
  std::snprintf(line, sizeof line, "CRC-16/CCITT-FALSE(\"123456789\") = %04X\n",
                unsigned{zel::CRC16ofBuffer(bytes, 9, zel::crcCCITT)});
  out << line;
  std::snprintf(line, sizeof line, "CRC-32(\"123456789\")             = %08X (as Integer: %d)\n",
                static_cast<unsigned>(zel::CRC32ofBuffer(bytes, 9)), zel::CRC32ofBuffer(bytes, 9));
  out << line;
  out << "SHA-1(\"abc\")                     = "
      << zel::StringToUtf8(zel::SHA1DigestToHex(zel::SHA1FromString(std::string("abc")))) << "\n";
  out << "SHA-1(u\"abc\", UTF-16)            = "
      << zel::StringToUtf8(zel::SHA1DigestToHex(zel::SHA1FromString(zel::String(u"abc")))) << "\n";
  std::string features;
  for (uint32_t bit = 1; bit & zel::internal::kCpuAllFeatures; bit <<= 1) {
    if (zel::internal::CpuFeatureBits() & bit) {
      features += std::string(features.empty() ? "" : " ") +
                  zel::internal::CpuFeatureName(static_cast<zel::internal::CpuFeature>(bit));
    }
  }
  out << "instruction sets in use: " << (features.empty() ? "none (portable code)" : features)
      << "\n";
}

ZEL_TOOL_DEMO(30, "Checksums and digests", DemoDigests);

}  // namespace
