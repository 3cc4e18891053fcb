// How the Linux kernel names what CPUID reports, so that the library's values
// can be shown and compared the way /proc/cpuinfo shows them.
//
// CPUFeatureFlagNames labels the bits of CPU_FeatureSet (level 1, EDX) and
// CPUExtFeatureFlagNames those of CPU_ExtendedFeatureSet (level 0x80000001,
// EDX) with the kernel's short flag names ("fpu", "sse2", "lm"); a bit the
// kernel does not list under a name of its own (reserved bits, and the bits
// of the extended word that repeat standard ones) has an empty name.
//
// The kernel's "cpu family" and "model" combine the signature's fields:
// the family is Family, plus ExFamily when Family is 15; the model is Model,
// plus ExModel * 16 when that family is 6 or more.
#pragma once

#include <array>
#include <string_view>

#include "zel/runtime/types.h"

namespace zel {

// Kernel flag names of the bits 0..31 of CPU_FeatureSet (level 1, EDX);
// empty for an unnamed bit.
inline constexpr std::array<std::string_view, 32> CPUFeatureFlagNames = {
    "fpu",  "vme",  "de",   "pse", "tsc",  "msr", "pae",   "mce", "cx8",     "apic", "",
    "sep",  "mtrr", "pge",  "mca", "cmov", "pat", "pse36", "pn",  "clflush", "",     "dts",
    "acpi", "mmx",  "fxsr", "sse", "sse2", "ss",  "ht",    "tm",  "ia64",    "pbe"};

// Kernel flag names of the bits 0..31 of CPU_ExtendedFeatureSet (level
// 0x80000001, EDX); empty for an unnamed bit.
inline constexpr std::array<std::string_view, 32> CPUExtFeatureFlagNames = {
    "",        "", "", "",         "",        "",       "", "",   "",         "",     "",
    "syscall", "", "", "",         "",        "",       "", "",   "mp",       "nx",   "",
    "mmxext",  "", "", "fxsr_opt", "pdpe1gb", "rdtscp", "", "lm", "3dnowext", "3dnow"};

// The family number the kernel shows for a signature.
constexpr Integer CPU_DisplayFamily(Cardinal Signature) {
  const Integer family = static_cast<Integer>((Signature >> 8) & 0xF);
  return family == 0xF ? family + static_cast<Integer>((Signature >> 20) & 0xFF) : family;
}

// The model number the kernel shows for a signature.
constexpr Integer CPU_DisplayModel(Cardinal Signature) {
  const Integer model = static_cast<Integer>((Signature >> 4) & 0xF);
  return CPU_DisplayFamily(Signature) >= 6
             ? model + (static_cast<Integer>((Signature >> 16) & 0xF) << 4)
             : model;
}

}  // namespace zel
