// Which processor the program runs on: whether it has the identification
// instruction (CPUID), its vendor, its signature with family, model and
// stepping, its feature words, its brand name, a 96-bit identification
// string, whether it has the historic floating-point division flaw, the
// number of processors, and its clock frequency measured against the tick
// counter.
//
// Every query executes CPUID through ExecuteCpuId, which checks the level
// first:
//   - without the instruction it raises EZELCpuIdError "Cannot acquire CPU
//     information (CPUID not supported)" (CPU_IDSupport, CPU_Count,
//     CPU_FDIVBugPresent and CPU_Speed never execute a level, so they do not
//     raise it);
//   - a standard level (below 0x80000000) above the highest standard level
//     that level 0 reports, or an extended level (0x80000000 and above)
//     above the highest extended level that level 0x80000000 reports, raises
//     EZELCpuIdError "CPUID: execution level not supported".
// Nothing is kept between calls: the level travels as an argument, so the
// functions may be called from several threads at once.
//
// The instruction, the time-stamp counter, the processor count, the
// priorities and the tick counter are reached through zel/platform/
// (processor.h and process.h); tests substitute scripted ones there.
//
// The signature fields are the raw bit fields; the family and model numbers
// the kernel shows combine them (see flagnames.h).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "zel/base/errors.h"
#include "zel/export.h"
#include "zel/runtime/types.h"

namespace zel {

// What one execution of CPUID leaves in its four registers.
struct TCpuIdRegs {
  Cardinal EAX = 0;  // the EAX register after CPUID
  Cardinal EBX = 0;  // the EBX register after CPUID
  Cardinal ECX = 0;  // the ECX register after CPUID
  Cardinal EDX = 0;  // the EDX register after CPUID
};

// The 32 bits of the standard feature word (CPU_FeatureSet): bit n is the
// value with ordinal n.
enum TCPUFeatures : uint8_t {
  cpuft_fpu,
  cpuft_vme,
  cpuft_de,
  cpuft_pse,
  cpuft_tsc,
  cpuft_msr,
  cpuft_pae,
  cpuft_mce,
  cpuft_cx8,
  cpuft_apic,
  cpuft_sepamd,
  cpuft_sep,
  cpuft_mtrr,
  cpuft_pge,
  cpuft_mca,
  cpuft_cmov,
  cpuft_pat,
  cpuft_pse36,
  cpuft_serial,
  cpuft_clflush,
  cpuft_reserved1,
  cpuft_dts,
  cpuft_acpi,
  cpuft_mmx,
  cpuft_xsr,
  cpuft_simd,
  cpuft_simd2,
  cpuft_ss,
  cpuft_reserved2,
  cpuft_tm,
  cpuft_ia64,
  cpuft_3dnow
};

// Descriptions of the bits of CPU_FeatureSet, indexed by TCPUFeatures, for
// callers that label them. (Bit 28 is the hyper-threading bit and bit 31 the
// pending-break bit on current processors; the table keeps its historic
// texts. flagnames.h has the short names the kernel uses.)
inline constexpr std::array<std::u16string_view, 32> CPUFeatureNames = {
    u"Floating Point Unit",
    u"V86 Mode Extensions",
    u"Debug Extensions - I/O breakpoints supported",
    u"Page Size Extensions (4 MB pages supported)",
    u"Time Stamp Counter and RDTSC instruction are available",
    u"Model Specific Registers",
    u"Physical Address Extensions (36-bit address, 2MB pages)",
    u"Machine Check Exception supported",
    u"Compare Exchange Eight Byte instruction available",
    u"Local APIC present (multiprocessor operation support)",
    u"Fast system calls (AMD only)",
    u"Fast system calls",
    u"Memory Type Range Registers",
    u"Page Global Enable",
    u"Machine Check Architecture",
    u"Conditional MOVe instructions",
    u"Page Attribute Table",
    u"36 bit Page Size Extensions",
    u"Processor Serial Number",
    u"Cache Flush",
    u"reserved",
    u"Debug Trace Store",
    u"ACPI support",
    u"MultiMedia Extensions",
    u"FXSAVE and FXRSTOR instructions",
    u"SSE instructions",
    u"SSE2 (WNI) instructions",
    u"self snoop",
    u"reserved",
    u"Automatic clock control",
    u"IA64 instructions",
    u"3DNow! instructions available"};

// Executes CPUID for `Level` `RepeatCount` times, storing the four registers
// in `Regs` after each execution (ECX is 0 on entry, so levels with
// sub-leaves answer sub-leaf 0). A repeat count of 0 checks the level and
// leaves `Regs` as it was. Returns true; raises EZELCpuIdError when the
// instruction is missing or the level is refused (see above).
ZEL_API bool ExecuteCpuId(Cardinal Level, Byte RepeatCount, TCpuIdRegs& Regs);

// True when the processor has the identification instruction (the ID bit,
// 0x200000, of the flags register can be toggled). Never raises.
ZEL_API bool CPU_IDSupport();

// Number of processors the operating system reports (online processors).
ZEL_API Integer CPU_Count();

// The 12 characters of level 0 (EBX, EDX, ECX, four characters each, least
// significant byte first), e.g. "GenuineIntel" or "AuthenticAMD"; "Unknown"
// when a zero byte cuts it short.
ZEL_API String CPU_VendorString();

// Level 1: EAX (the signature), EDX (standard feature word); level
// 0x80000001: EDX (extended feature word); level 1: low byte of EBX (brand
// index).
ZEL_API Cardinal CPU_Signature();
ZEL_API Cardinal CPU_FeatureSet();          // level 1, EDX
ZEL_API Cardinal CPU_ExtendedFeatureSet();  // level 0x80000001, EDX
ZEL_API Integer CPU_BrandID();              // level 1, low byte of EBX

// Bit fields of the signature (0 for a signature of 0): type bits 12..13,
// family 8..11, extended family 20..27, model 4..7, extended model 16..19,
// stepping 0..3. CPU_OverDrive is true for type 1 only.
ZEL_API Integer CPU_Type();
ZEL_API bool CPU_OverDrive();    // type 1
ZEL_API Integer CPU_Family();    // bits 8..11
ZEL_API Integer CPU_ExFamily();  // bits 20..27
ZEL_API Integer CPU_Model();     // bits 4..7
ZEL_API Integer CPU_ExModel();   // bits 16..19
ZEL_API Integer CPU_Stepping();  // bits 0..3

// True when 4195835 / 3145727 * 3145727 - 4195835, computed in double
// precision, is not exactly 0 (a NaN counts as not 0): the division flaw of
// some early Pentium processors. Never raises.
ZEL_API bool CPU_FDIVBugPresent();

// 24 upper-case hexadecimal digits: EAX of level 1, then EDX and ECX of a
// second execution of level 1, 8 digits each.
ZEL_API String CPU_SerialNumber();

// The brand name of levels 0x80000002..0x80000004 (48 characters), without
// the characters of code 32 or less at either end; "unknown" when a
// character below 32 remains inside. Raises "CPUID: execution level not
// supported" on a processor without these levels.
ZEL_API String CPU_MarketName();

// The clock in MHz: time-stamp counter cycles per microsecond, counted over
// `Delay` milliseconds of the tick counter. The calling thread's priorities
// are raised where permitted for the measurement and restored afterwards
// (also when it fails); where they cannot be raised, the measurement runs
// at normal priority. Counting starts on a tick edge and the cycles are
// divided by the milliseconds that actually passed (`Delay`, or more when
// the thread was held up past the end), in floating point, so any delay
// from 1 ms up gives cycles per microsecond. Blocks, spinning, for about
// `Delay` milliseconds. A delay of 0 raises EZELCpuIdError "CPU_Speed: the
// delay must be at least 1 ms".
ZEL_API Single CPU_Speed(Cardinal Delay);

}  // namespace zel
