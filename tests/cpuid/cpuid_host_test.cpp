// CPU identification on the machine the tests run on, checked against what
// the kernel reports (Linux: /proc/cpuinfo; Windows: the processor's registry
// key and IsProcessorFeaturePresent) and against the compiler's <cpuid.h>.
#include <cpuid.h>
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "zel/cpuid.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

#ifndef _WIN32
// The fields of the first processor in /proc/cpuinfo, and how many
// processors it lists.
struct KernelCpuInfo {
  std::map<std::string, std::string> fields;
  std::set<std::string> flags;
  int processors = 0;
  bool ok = false;
};

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

KernelCpuInfo ReadCpuInfo() {
  KernelCpuInfo info;
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, colon));
    const std::string value = Trim(line.substr(colon + 1));
    if (key == "processor") ++info.processors;
    if (info.processors == 1 && !info.fields.count(key)) info.fields[key] = value;
  }
  std::istringstream flags(info.fields["flags"]);
  for (std::string flag; flags >> flag;) info.flags.insert(flag);
  info.ok = info.processors > 0 && info.fields.count("vendor_id");
  return info;
}
#endif

TCpuIdRegs Reference(unsigned leaf) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid_count(leaf, 0, a, b, c, d);
  return {a, b, c, d};
}

class CpuIdHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CPU_IDSupport()) GTEST_SKIP() << "the processor has no CPUID instruction";
  }
};

#ifdef _WIN32
// A text value of the first processor's key, which Windows fills at start-up
// from the same instruction.
std::string ProcessorValue(const wchar_t* name) {
  wchar_t text[256];
  DWORD size = sizeof text;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                     name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
    return {};
  std::string ascii;
  for (const wchar_t* c = text; *c; ++c) ascii += static_cast<char>(*c < 128 ? *c : '?');
  return ascii;
}

TEST_F(CpuIdHostTest, AgreesWithWindows) {
  EXPECT_EQ(CPU_Count(), static_cast<Integer>(::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS)));
  const std::string vendor = ProcessorValue(L"VendorIdentifier");
  if (vendor.empty()) GTEST_SKIP() << "the processor's registry key is not readable here";
  EXPECT_EQ(StringToUtf8(CPU_VendorString()), vendor);
  // "AMD64 Family 25 Model 17 Stepping 1", "Intel64 Family 6 Model 158 ..."
  const Cardinal sig = CPU_Signature();
  const std::string identifier = ProcessorValue(L"Identifier");
  const std::string expected = " Family " + std::to_string(CPU_DisplayFamily(sig)) + " Model " +
                               std::to_string(CPU_DisplayModel(sig)) + " Stepping " +
                               std::to_string(CPU_Stepping());
  EXPECT_NE(identifier.find(expected), std::string::npos) << identifier;
}

// The bits Windows reports through IsProcessorFeaturePresent.
TEST_F(CpuIdHostTest, FeatureFlagsAgreeWithWindows) {
  const struct {
    DWORD feature;
    bool extended;
    int bit;
  } cases[] = {{PF_COMPARE_EXCHANGE_DOUBLE, false, 8}, {PF_RDTSC_INSTRUCTION_AVAILABLE, false, 4},
               {PF_MMX_INSTRUCTIONS_AVAILABLE, false, 23}, {PF_XMMI_INSTRUCTIONS_AVAILABLE, false, 25},
               {PF_XMMI64_INSTRUCTIONS_AVAILABLE, false, 26}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.feature);
    const Cardinal word = c.extended ? CPU_ExtendedFeatureSet() : CPU_FeatureSet();
    EXPECT_EQ(((word >> c.bit) & 1u) != 0, ::IsProcessorFeaturePresent(c.feature) != 0);
  }
}
#else
TEST_F(CpuIdHostTest, AgreesWithTheKernel) {
  const KernelCpuInfo info = ReadCpuInfo();
  if (!info.ok) GTEST_SKIP() << "/proc/cpuinfo is not readable here";
  const auto field = [&](const std::string& key) { return info.fields.at(key); };
  EXPECT_EQ(StringToUtf8(CPU_VendorString()), field("vendor_id"));
  EXPECT_EQ(StringToUtf8(CPU_MarketName()), field("model name"));
  const Cardinal sig = CPU_Signature();
  EXPECT_EQ(std::to_string(CPU_DisplayFamily(sig)), field("cpu family"));
  EXPECT_EQ(std::to_string(CPU_DisplayModel(sig)), field("model"));
  EXPECT_EQ(std::to_string(CPU_Stepping()), field("stepping"));
  TCpuIdRegs level0;
  ExecuteCpuId(0, 1, level0);
  EXPECT_EQ(std::to_string(level0.EAX), field("cpuid level"));
  EXPECT_EQ(CPU_Count(), info.processors);
}

TEST_F(CpuIdHostTest, FeatureFlagsAgreeWithTheKernel) {
  const KernelCpuInfo info = ReadCpuInfo();
  if (!info.ok) GTEST_SKIP() << "/proc/cpuinfo is not readable here";
  const struct {
    const char* word;
    Cardinal bits;
    const std::array<std::string_view, 32>& names;
  } words[] = {{"standard", CPU_FeatureSet(), CPUFeatureFlagNames},
               {"extended", CPU_ExtendedFeatureSet(), CPUExtFeatureFlagNames}};
  // The kernel hides the serial number after switching it off, and lists no
  // "mp" bit of its own; every other named bit must agree.
  const std::set<std::string_view> kernel_edited = {"pn", "mp"};
  for (const auto& w : words) {
    for (int bit = 0; bit < 32; ++bit) {
      const std::string name(w.names[bit]);
      if (name.empty() || kernel_edited.count(name)) continue;
      SCOPED_TRACE(std::string(w.word) + " bit " + std::to_string(bit) + " " + name);
      EXPECT_EQ((w.bits >> bit) & 1u, info.flags.count(name));
    }
  }
}
#endif

TEST_F(CpuIdHostTest, AgreesWithTheCompilersCpuid) {
  const TCpuIdRegs l1 = Reference(1);
  const TCpuIdRegs ext = Reference(0x80000001u);
  EXPECT_EQ(CPU_Signature(), l1.EAX);
  EXPECT_EQ(CPU_FeatureSet(), l1.EDX);
  EXPECT_EQ(CPU_ExtendedFeatureSet(), ext.EDX);
  EXPECT_EQ(CPU_BrandID(), static_cast<Integer>(l1.EBX & 0xFF));
  EXPECT_EQ(CPU_Family(), static_cast<Integer>((l1.EAX >> 8) & 0xF));
  EXPECT_EQ(CPU_ExFamily(), static_cast<Integer>((l1.EAX >> 20) & 0xFF));
  EXPECT_EQ(CPU_Model(), static_cast<Integer>((l1.EAX >> 4) & 0xF));
  EXPECT_EQ(CPU_ExModel(), static_cast<Integer>((l1.EAX >> 16) & 0xF));
  EXPECT_EQ(CPU_Type(), static_cast<Integer>((l1.EAX >> 12) & 0x3));
  char serial[32];
  std::snprintf(serial, sizeof serial, "%08X%08X%08X", l1.EAX, l1.EDX, l1.ECX);
  EXPECT_EQ(StringToUtf8(CPU_SerialNumber()), serial);
  // Every level the module queries, executed through ExecuteCpuId.
  for (Cardinal level : {0u, 1u, 0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u, 0x80000004u}) {
    SCOPED_TRACE(level);
    TCpuIdRegs regs;
    EXPECT_TRUE(ExecuteCpuId(level, 3, regs));
    const TCpuIdRegs want = Reference(level);
    EXPECT_EQ(regs.EAX, want.EAX);
    EXPECT_EQ(regs.ECX, want.ECX);
    EXPECT_EQ(regs.EDX, want.EDX);
    if (level != 1) {
      EXPECT_EQ(regs.EBX, want.EBX);  // level 1 EBX holds the APIC id of the core
    }
  }
  EXPECT_FALSE(CPU_FDIVBugPresent());
}

// A level above the highest of its own range is refused, in both ranges
// (the standard one used to be compared with the highest extended level).
TEST_F(CpuIdHostTest, RefusesLevelsAboveTheHighestOfTheirRange) {
  const Cardinal highest_standard = Reference(0).EAX;
  const Cardinal highest_extended = Reference(0x80000000u).EAX;
  const struct {
    Cardinal level;
    bool accepted;
  } cases[] = {{highest_standard, true}, {highest_standard + 1, false}, {0x3FFFFFFFu, false},
               {highest_extended, true}, {highest_extended + 1, false}, {0xFFFFFFFFu, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    TCpuIdRegs regs{1, 2, 3, 4};
    if (c.accepted) {
      EXPECT_TRUE(ExecuteCpuId(c.level, 0, regs));
      EXPECT_EQ(regs.EAX, 1u);  // a repeat count of 0 executes nothing
      continue;
    }
    try {
      ExecuteCpuId(c.level, 1, regs);
      ADD_FAILURE() << "level accepted";
    } catch (const EZELCpuIdError& e) {
      EXPECT_EQ(e.Message(), u"CPUID: execution level not supported");
    }
    EXPECT_EQ(regs.EDX, 4u);
  }
}

TEST_F(CpuIdHostTest, MeasuresAPlausibleClock) {
  const Single mhz = CPU_Speed(20);
  EXPECT_GT(mhz, 50.0f);
  EXPECT_LT(mhz, 20000.0f);
}

}  // namespace
}  // namespace zel
