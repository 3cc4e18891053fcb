#include "zel/cpuid/cpuid.h"

#include "zel/platform/process.h"
#include "zel/platform/processor.h"

namespace zel {
namespace {

// The levels the module queries.
constexpr Cardinal kLevelHighestStandard = 0;
constexpr Cardinal kLevelSignature = 1;
constexpr Cardinal kLevelHighestExtended = 0x80000000u;
constexpr Cardinal kLevelExtendedFeatures = 0x80000001u;
constexpr Cardinal kLevelBrandFirst = 0x80000002u;
constexpr Cardinal kLevelBrandLast = 0x80000004u;

[[noreturn]] void RaiseNotSupported() {
  throw EZELCpuIdError(u"Cannot acquire CPU information (CPUID not supported)");
}

[[noreturn]] void RaiseLevelRefused() {
  throw EZELCpuIdError(u"CPUID: execution level not supported");
}

TCpuIdRegs Execute(Cardinal Level) {
  TCpuIdRegs regs;
  ExecuteCpuId(Level, 1, regs);
  return regs;
}

// Four characters, least significant byte first, each byte its own code.
void AppendRegister(String& text, Cardinal word) {
  for (int shift = 0; shift < 32; shift += 8)
    text.push_back(static_cast<Char>((word >> shift) & 0xFF));
}

void AppendHex(String& text, Cardinal word) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  for (int shift = 28; shift >= 0; shift -= 4) text.push_back(kDigits[(word >> shift) & 0xF]);
}

Integer SignatureBits(int low, int count) {
  return static_cast<Integer>((CPU_Signature() >> low) & ((1u << count) - 1));
}

}  // namespace

bool ExecuteCpuId(Cardinal Level, Byte RepeatCount, TCpuIdRegs& Regs) {
  platform::ProcessorInstructions& processor = platform::Processor();
  if (!processor.IdInstructionAvailable()) RaiseNotSupported();
  // Standard and extended levels are two ranges, each with its own highest
  // level; a level is checked against the highest of its own range.
  const Cardinal range_start =
      Level >= kLevelHighestExtended ? kLevelHighestExtended : kLevelHighestStandard;
  if (Level != range_start && Level > processor.CpuId(range_start).eax) RaiseLevelRefused();
  for (int i = 0; i < RepeatCount; ++i) {
    const platform::CpuIdRegisters r = processor.CpuId(Level);
    Regs = {r.eax, r.ebx, r.ecx, r.edx};
  }
  return true;
}

bool CPU_IDSupport() { return platform::Processor().IdInstructionAvailable(); }

Integer CPU_Count() { return platform::Process().ProcessorCount(); }

String CPU_VendorString() {
  const TCpuIdRegs regs = Execute(kLevelHighestStandard);
  String vendor;
  AppendRegister(vendor, regs.EBX);
  AppendRegister(vendor, regs.EDX);
  AppendRegister(vendor, regs.ECX);
  if (vendor.find(Char{0}) != String::npos) return u"Unknown";
  return vendor;
}

Cardinal CPU_Signature() { return Execute(kLevelSignature).EAX; }

Cardinal CPU_FeatureSet() { return Execute(kLevelSignature).EDX; }

Cardinal CPU_ExtendedFeatureSet() { return Execute(kLevelExtendedFeatures).EDX; }

Integer CPU_BrandID() { return static_cast<Integer>(Execute(kLevelSignature).EBX & 0xFF); }

Integer CPU_Type() { return SignatureBits(12, 2); }

bool CPU_OverDrive() { return CPU_Type() == 1; }

Integer CPU_Family() { return SignatureBits(8, 4); }

Integer CPU_ExFamily() { return SignatureBits(20, 8); }

Integer CPU_Model() { return SignatureBits(4, 4); }

Integer CPU_ExModel() { return SignatureBits(16, 4); }

Integer CPU_Stepping() { return SignatureBits(0, 4); }

bool CPU_FDIVBugPresent() {
  // volatile: the division must run on the processor, not in the compiler.
  volatile double dividend = 4195835.0;
  volatile double divisor = 3145727.0;
  const double rest = dividend / divisor * divisor - dividend;
  return !(rest == 0.0);
}

String CPU_SerialNumber() {
  String serial;
  AppendHex(serial, Execute(kLevelSignature).EAX);
  const TCpuIdRegs again = Execute(kLevelSignature);
  AppendHex(serial, again.EDX);
  AppendHex(serial, again.ECX);
  return serial;
}

String CPU_MarketName() {
  String name;
  for (Cardinal level = kLevelBrandFirst; level <= kLevelBrandLast; ++level) {
    const TCpuIdRegs regs = Execute(level);
    AppendRegister(name, regs.EAX);
    AppendRegister(name, regs.EBX);
    AppendRegister(name, regs.ECX);
    AppendRegister(name, regs.EDX);
  }
  size_t first = 0;
  size_t last = name.size();
  while (first < last && name[first] <= 32) ++first;
  while (last > first && name[last - 1] <= 32) --last;
  name = name.substr(first, last - first);
  for (Char c : name) {
    if (c < 32) return u"unknown";
  }
  return name;
}

Single CPU_Speed(Cardinal Delay) {
  if (Delay == 0) throw EZELCpuIdError(u"CPU_Speed: the delay must be at least 1 ms");
  platform::ProcessorInstructions& processor = platform::Processor();
  platform::ProcessServices& process = platform::Process();
  uint64_t start_cycles = 0;
  uint64_t end_cycles = 0;
  uint64_t elapsed_ms = 0;
  {
    const platform::RaisedPriorities raised;
    // Start on a tick edge, so the whole first millisecond is counted.
    const uint64_t t0 = process.TickCount();
    uint64_t start = t0;
    while (start == t0) start = process.TickCount();
    start_cycles = processor.TimeStampCounter();
    uint64_t now = start;
    while (now - start < Delay) now = process.TickCount();
    end_cycles = processor.TimeStampCounter();
    elapsed_ms = now - start;
  }
  const double cycles = static_cast<double>(end_cycles - start_cycles);
  return static_cast<Single>(cycles / (static_cast<double>(elapsed_ms) * 1000.0));
}

}  // namespace zel
