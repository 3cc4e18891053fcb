// zel cpu: the processor as the library identifies it (vendor, brand name,
// family / model / stepping, feature flags under the names /proc/cpuinfo
// uses), and the clock measured against the tick counter next to the clock
// the system reports (Linux: the kernel's; elsewhere, and where the kernel
// has none, the base frequency the processor announces through CPUID).
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/cpuid.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"

namespace {

using zel_tool::Args;
using zel_tool::Fail;

constexpr uint32_t kMaxDelay = 60000;

// The flags of `bits` that have a name, separated by spaces.
std::string FlagList(uint32_t bits, const std::array<std::string_view, 32>& names) {
  std::string list;
  for (int bit = 0; bit < 32; ++bit) {
    if (!((bits >> bit) & 1u) || names[bit].empty()) continue;
    if (!list.empty()) list += ' ';
    list += names[bit];
  }
  return list.empty() ? "(none)" : list;
}

// The base frequency of CPUID leaf 0x16 (EAX, in MHz), where the processor
// has that leaf and fills it in.
std::optional<std::string> ProcessorClock() {
  zel::TCpuIdRegs regs{};
  try {
    if (!zel::CPU_IDSupport()) return std::nullopt;
    zel::ExecuteCpuId(0, 1, regs);
    if (regs.EAX < 0x16) return std::nullopt;
    zel::ExecuteCpuId(0x16, 1, regs);  // raises when the leaf is refused
  } catch (const zel::Exception&) {
    return std::nullopt;
  }
  if ((regs.EAX & 0xFFFF) == 0) return std::nullopt;
  return std::to_string(regs.EAX & 0xFFFF) + " MHz (the processor's base frequency)";
}

#ifdef _WIN32
std::optional<std::string> KernelClock() { return ProcessorClock(); }
#else
// "cpu MHz" of the first processor in /proc/cpuinfo, else the highest
// frequency cpufreq lists for processor 0, else the processor's own figure.
std::optional<std::string> KernelClock() {
  std::ifstream info("/proc/cpuinfo");
  for (std::string line; std::getline(info, line);) {
    if (line.rfind("cpu MHz", 0) != 0) continue;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) break;
    const size_t start = line.find_first_not_of(" \t", colon + 1);
    if (start != std::string::npos) return line.substr(start) + " MHz";
  }
  std::ifstream max_freq("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
  long khz = 0;
  if (max_freq >> khz && khz > 0) return std::to_string(khz / 1000) + " MHz (highest)";
  return ProcessorClock();
}
#endif

uint32_t ParseDelay(const std::string& text) {
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value == 0 || value > kMaxDelay)
    Fail("--delay needs a number of milliseconds from 1 to " + std::to_string(kMaxDelay) +
         ", got '" + text + "'");
  return value;
}

int RunCpu(Args& args) {
  const auto delay_opt = args.Option("delay");
  const bool no_clock = args.Flag("no-clock");
  args.RejectUnknownOptions();
  if (!args.Rest().empty()) Fail("unexpected argument '" + args.Rest()[0] + "'");
  const uint32_t delay = delay_opt ? ParseDelay(*delay_opt) : 500;

  const uint32_t sig = zel::CPU_Signature();
  char line[160];
  std::cout << "vendor:     " << zel::StringToUtf8(zel::CPU_VendorString()) << "\n";
  std::cout << "brand:      " << zel::StringToUtf8(zel::CPU_MarketName()) << "\n";
  std::snprintf(line, sizeof line,
                "family:     %d (family %d, extended family %d)\n"
                "model:      %d (model %d, extended model %d)\n"
                "stepping:   %d\n"
                "signature:  %08X, type %d, brand index %d\n",
                zel::CPU_DisplayFamily(sig), zel::CPU_Family(), zel::CPU_ExFamily(),
                zel::CPU_DisplayModel(sig), zel::CPU_Model(), zel::CPU_ExModel(),
                zel::CPU_Stepping(), sig, zel::CPU_Type(), zel::CPU_BrandID());
  std::cout << line;
  std::cout << "processors: " << zel::CPU_Count() << "\n";
  std::cout << "features:   " << FlagList(zel::CPU_FeatureSet(), zel::CPUFeatureFlagNames) << "\n";
  std::cout << "extended:   "
            << FlagList(zel::CPU_ExtendedFeatureSet(), zel::CPUExtFeatureFlagNames) << "\n";
  if (!no_clock) {
    std::cout << std::flush;  // the measurement takes a moment
    std::snprintf(line, sizeof line, "clock:      %.1f MHz measured over %u ms",
                  static_cast<double>(zel::CPU_Speed(delay)), delay);
    const auto kernel = KernelClock();
    std::cout << line << "; the system reports " << (kernel ? *kernel : "no clock") << "\n";
  }
  return zel_tool::FinishOutput() ? 0 : 1;
}

ZEL_TOOL_COMMAND(cpu, "identify the processor and measure its clock",
                 "zel cpu [--delay MS] [--no-clock]\n"
                 "  --delay MS   measure the clock over MS milliseconds (1 to 60000, default 500)\n"
                 "  --no-clock   identify only, do not measure",
                 RunCpu);

void DemoCpu(std::ostream& out) {
  if (!zel::CPU_IDSupport()) {
    out << "this processor has no identification instruction\n";
    return;
  }
  const uint32_t sig = zel::CPU_Signature();
  out << zel::StringToUtf8(zel::CPU_VendorString()) << ", "
      << zel::StringToUtf8(zel::CPU_MarketName()) << ", family " << zel::CPU_DisplayFamily(sig)
      << " model " << zel::CPU_DisplayModel(sig) << " stepping " << zel::CPU_Stepping() << ", "
      << zel::CPU_Count() << " processor(s)\n";
  char line[80];
  std::snprintf(line, sizeof line, "clock measured over 100 ms: %.0f MHz\n",
                static_cast<double>(zel::CPU_Speed(100)));
  out << line;
}

ZEL_TOOL_DEMO(90, "CPU identification", DemoCpu);

}  // namespace
