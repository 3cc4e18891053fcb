// CPU identification on scripted processors and processes: the platform
// backends are substituted, so brand names, signatures, missing levels and
// the clock measurement are checked exactly, whatever the host is.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "zel/cpuid.h"
#include "zel/platform/process.h"
#include "zel/platform/processor.h"

namespace zel {
namespace {

using platform::CpuIdRegisters;
using platform::ScopedBackend;

// A processor that answers the leaves a test gives it (0 for the others).
class ScriptedProcessor : public platform::ProcessorInstructions {
 public:
  bool has_cpuid = true;
  std::map<uint32_t, CpuIdRegisters> leaves;
  int executions = 0;

  // A processor whose highest levels are `standard` and `extended`.
  ScriptedProcessor(uint32_t standard = 1, uint32_t extended = 0x80000004u) {
    leaves[0] = {standard, 0x756E6547, 0x6C65746E, 0x49656E69};  // "GenuineIntel"
    leaves[0x80000000u] = {extended, 0, 0, 0};
  }
  // Stores a 48-byte brand name in the three brand levels.
  void SetBrand(const std::string& brand) {
    std::string b = brand;
    b.resize(48, '\0');
    for (uint32_t level = 0; level < 3; ++level) {
      uint32_t w[4];
      for (int r = 0; r < 4; ++r) {
        w[r] = 0;
        for (int i = 3; i >= 0; --i)
          w[r] = (w[r] << 8) | static_cast<unsigned char>(b[level * 16 + r * 4 + i]);
      }
      leaves[0x80000002u + level] = {w[0], w[1], w[2], w[3]};
    }
  }

  bool IdInstructionAvailable() override { return has_cpuid; }
  CpuIdRegisters CpuId(uint32_t leaf) override {
    ++executions;
    auto it = leaves.find(leaf);
    return it == leaves.end() ? CpuIdRegisters{} : it->second;
  }
  uint64_t TimeStampCounter() override { return 0; }
};

class CpuIdScriptedTest : public ::testing::Test {
 protected:
  ScriptedProcessor cpu;
  ScopedBackend<platform::ProcessorInstructions> guard{&cpu, &platform::SetProcessorBackend};
};

std::string Message(const std::function<void()>& call) {
  try {
    call();
  } catch (const EZELCpuIdError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST_F(CpuIdScriptedTest, WithoutTheInstructionEveryQueryRaises) {
  cpu.has_cpuid = false;
  const std::string kMessage = "Cannot acquire CPU information (CPUID not supported)";
  const std::vector<std::pair<const char*, std::function<void()>>> queries = {
      {"ExecuteCpuId",
       [] {
         TCpuIdRegs r;
         ExecuteCpuId(0, 1, r);
       }},
      {"CPU_VendorString", [] { CPU_VendorString(); }},
      {"CPU_Signature", [] { CPU_Signature(); }},
      {"CPU_FeatureSet", [] { CPU_FeatureSet(); }},
      {"CPU_ExtendedFeatureSet", [] { CPU_ExtendedFeatureSet(); }},
      {"CPU_BrandID", [] { CPU_BrandID(); }},
      {"CPU_Type", [] { CPU_Type(); }},
      {"CPU_OverDrive", [] { CPU_OverDrive(); }},
      {"CPU_Family", [] { CPU_Family(); }},
      {"CPU_Stepping", [] { CPU_Stepping(); }},
      {"CPU_SerialNumber", [] { CPU_SerialNumber(); }},
      {"CPU_MarketName", [] { CPU_MarketName(); }}};
  for (const auto& [name, call] : queries) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Message(call), kMessage);
  }
  EXPECT_EQ(cpu.executions, 0);
  EXPECT_FALSE(CPU_IDSupport());
  EXPECT_FALSE(CPU_FDIVBugPresent());
  EXPECT_GE(CPU_Count(), 1);
}

// Highest standard level 1, highest extended 0x80000004: each range is
// checked against its own highest level.
TEST_F(CpuIdScriptedTest, LevelCheckPerRange) {
  const struct {
    Cardinal level;
    bool accepted;
  } cases[] = {{0, true},
               {1, true},
               {2, false},
               {0x40000000u, false},
               {0x7FFFFFFFu, false},
               {0x80000000u, true},
               {0x80000004u, true},
               {0x80000005u, false},
               {0xFFFFFFFFu, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    TCpuIdRegs regs;
    EXPECT_EQ(Message([&] { ExecuteCpuId(c.level, 1, regs); }),
              c.accepted ? "(no error)" : "CPUID: execution level not supported");
  }
  // No extended levels at all: the brand name and extended features are refused.
  cpu.leaves[0x80000000u].eax = 0;
  EXPECT_EQ(Message([] { CPU_MarketName(); }), "CPUID: execution level not supported");
  EXPECT_EQ(Message([] { CPU_ExtendedFeatureSet(); }), "CPUID: execution level not supported");
}

TEST_F(CpuIdScriptedTest, RepeatCountExecutesThatOften) {
  for (Byte repeat : {Byte{0}, Byte{1}, Byte{5}, Byte{255}}) {
    SCOPED_TRACE(int{repeat});
    cpu.leaves[1] = {0x906A7, 0x800, 0x7FFAFBFF, 0xBFEBFBFF};
    TCpuIdRegs regs{9, 9, 9, 9};
    cpu.executions = 0;
    EXPECT_TRUE(ExecuteCpuId(1, repeat, regs));
    EXPECT_EQ(cpu.executions, 1 + repeat);  // the level check, then the repeats
    const Cardinal want = repeat == 0 ? 9u : 0x906A7u;
    EXPECT_EQ(regs.EAX, want);
  }
}

TEST_F(CpuIdScriptedTest, BrandNameIsTrimmedOrUnknown) {
  const struct {
    std::string brand;
    String want;
  } cases[] = {
      {"      Intel(R) Core(TM) i7 CPU", u"Intel(R) Core(TM) i7 CPU"},  // leading spaces, zeros
      {std::string("\x01\x1F Name \x7F\t", 10), u"Name \x7F"},          // codes <= 32 at the ends
      {"AMD Ryzen\x07 7", u"unknown"},                                  // control character inside
      {std::string("A\0B", 3), u"unknown"},                             // zero inside
      {"", u""},                                                        // nothing but zeros
      {std::string(48, 'x'), String(48, u'x')},                         // all 48 characters
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.brand);
    cpu.SetBrand(c.brand);
    EXPECT_EQ(CPU_MarketName(), c.want);
  }
}

TEST_F(CpuIdScriptedTest, VendorIsTwelveCharactersOrUnknown) {
  EXPECT_EQ(CPU_VendorString(), u"GenuineIntel");
  cpu.leaves[0] = {1, 0x68747541, 0x444D4163, 0x69746E65};  // "AuthenticAMD"
  EXPECT_EQ(CPU_VendorString(), u"AuthenticAMD");
  cpu.leaves[0].ecx = 0x00006E65;  // a zero byte cuts it short
  EXPECT_EQ(CPU_VendorString(), u"Unknown");
  cpu.leaves[0] = {1, 0xE9C3B3A2, 0x20202020, 0x20202020};  // bytes above 127 stay as codes
  EXPECT_EQ(CPU_VendorString(), String(u"\u00A2\u00B3\u00C3\u00E9        "));
}

TEST_F(CpuIdScriptedTest, SignatureFields) {
  const struct {
    Cardinal sig;
    Integer type, family, exfamily, model, exmodel, stepping;
    bool overdrive;
    Integer display_family, display_model;
  } cases[] = {
      {0, 0, 0, 0, 0, 0, 0, false, 0, 0},
      {0x000906A7, 0, 6, 0, 10, 9, 7, false, 6, 154},
      {0x00A20F12, 0, 15, 10, 1, 2, 2, false, 25, 33},
      {0x00000543, 0, 5, 0, 4, 0, 3, false, 5, 4},
      {0x00001000, 1, 0, 0, 0, 0, 0, true, 0, 0},
      {0x00002000, 2, 0, 0, 0, 0, 0, false, 0, 0},
      {0x00003000, 3, 0, 0, 0, 0, 0, false, 0, 0},
      {0xFFFFFFFF, 3, 15, 255, 15, 15, 15, false, 270, 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sig);
    cpu.leaves[1] = {c.sig, 0x12345678, 0, 0};
    EXPECT_EQ(CPU_Signature(), c.sig);
    EXPECT_EQ(CPU_Type(), c.type);
    EXPECT_EQ(CPU_OverDrive(), c.overdrive);
    EXPECT_EQ(CPU_Family(), c.family);
    EXPECT_EQ(CPU_ExFamily(), c.exfamily);
    EXPECT_EQ(CPU_Model(), c.model);
    EXPECT_EQ(CPU_ExModel(), c.exmodel);
    EXPECT_EQ(CPU_Stepping(), c.stepping);
    EXPECT_EQ(CPU_DisplayFamily(c.sig), c.display_family);
    EXPECT_EQ(CPU_DisplayModel(c.sig), c.display_model);
    EXPECT_EQ(CPU_BrandID(), 0x78);
  }
}

TEST_F(CpuIdScriptedTest, SerialNumberAndFeatureWords) {
  cpu.leaves[1] = {0x000906A7, 0x00100800, 0x7FFAFBBF, 0xBFEBFBFF};
  cpu.leaves[0x80000001u] = {0, 0, 0x121, 0x2C100800};
  EXPECT_EQ(CPU_SerialNumber(), u"000906A7BFEBFBFF7FFAFBBF");
  EXPECT_EQ(CPU_FeatureSet(), 0xBFEBFBFFu);
  EXPECT_EQ(CPU_ExtendedFeatureSet(), 0x2C100800u);
  EXPECT_EQ(CPUFeatureNames.size(), 32u);
  EXPECT_EQ(CPUFeatureNames[cpuft_fpu], u"Floating Point Unit");
  EXPECT_EQ(CPUFeatureNames[cpuft_simd2], u"SSE2 (WNI) instructions");
  EXPECT_EQ(CPUFeatureNames[cpuft_3dnow], u"3DNow! instructions available");
  EXPECT_EQ(CPUFeatureFlagNames[cpuft_simd2], "sse2");
}

// A machine whose time-stamp counter runs at exactly 2600 cycles per
// microsecond, and whose tick counter advances by `step` milliseconds on each
// reading; it records the priority calls.
class ScriptedMachine : public platform::ProcessorInstructions, public platform::ProcessServices {
 public:
  uint64_t now_ms = 1000;
  uint64_t step = 1;
  bool raise_permitted = true;
  bool fail_ticks = false;
  std::vector<std::string> calls;

  bool IdInstructionAvailable() override { return false; }
  CpuIdRegisters CpuId(uint32_t) override { return {}; }
  uint64_t TimeStampCounter() override { return now_ms * 2600000u; }
  int ProcessorCount() override { return 3; }
  platform::PrioritySnapshot SavePriorities() override {
    calls.push_back("save");
    return {5, 0, 0};
  }
  bool RaisePriorities() override {
    calls.push_back("raise");
    return raise_permitted;
  }
  void RestorePriorities(const platform::PrioritySnapshot& saved) override {
    calls.push_back("restore " + std::to_string(saved.nice));
  }
  uint64_t TickCount() override {
    if (fail_ticks && now_ms > 1005) throw std::runtime_error("clock gone");
    now_ms += step;
    return now_ms;
  }
};

class CpuSpeedScriptedTest : public ::testing::Test {
 protected:
  ScriptedMachine machine;
  ScopedBackend<platform::ProcessorInstructions> cpu_guard{&machine,
                                                           &platform::SetProcessorBackend};
  ScopedBackend<platform::ProcessServices> process_guard{&machine, &platform::SetProcessBackend};
};

// Cycles per microsecond for every delay, in floating point: the integer
// formula divided by zero above 1000 ms and rounded below it.
TEST_F(CpuSpeedScriptedTest, ExactForEveryDelay) {
  for (uint64_t step : {1u, 3u, 250u, 100000u}) {
    for (Cardinal delay : {1u, 2u, 3u, 7u, 999u, 1000u, 1001u, 2000u, 60000u, 4000000000u}) {
      if (delay / step > 100000) continue;  // keeps the scripted spin short
      SCOPED_TRACE(std::to_string(delay) + " ms, ticks of " + std::to_string(step));
      machine.step = step;
      machine.calls.clear();
      EXPECT_EQ(CPU_Speed(delay), 2600.0f);
      EXPECT_EQ(machine.calls, (std::vector<std::string>{"save", "raise", "restore 5"}));
    }
  }
  EXPECT_EQ(CPU_Count(), 3);
}

// Priorities that may not be raised: the measurement runs anyway and the
// saved priorities are put back; a failure midway still restores them.
TEST_F(CpuSpeedScriptedTest, PrioritiesNotRaisedOrFailureMidway) {
  machine.raise_permitted = false;
  EXPECT_EQ(CPU_Speed(10), 2600.0f);
  EXPECT_EQ(machine.calls, (std::vector<std::string>{"save", "raise", "restore 5"}));
  machine.calls.clear();
  machine.fail_ticks = true;
  EXPECT_THROW(CPU_Speed(10), std::runtime_error);
  EXPECT_EQ(machine.calls, (std::vector<std::string>{"save", "raise", "restore 5"}));
}

TEST_F(CpuSpeedScriptedTest, ZeroDelayIsRefused) {
  EXPECT_EQ(Message([] { CPU_Speed(0); }), "CPU_Speed: the delay must be at least 1 ms");
  EXPECT_TRUE(machine.calls.empty());
}

// The real clock with the real Linux process, except that raising the
// priorities is not permitted.
TEST(CpuSpeedTest, RealClockWhenPrioritiesCannotBeRaised) {
  struct NoRaise : platform::NativeProcessServices {
    int raises = 0, restores = 0;
    bool RaisePriorities() override {
      ++raises;
      return false;
    }
    void RestorePriorities(const platform::PrioritySnapshot& saved) override {
      ++restores;
      NativeProcessServices::RestorePriorities(saved);
    }
  } no_raise;
  ScopedBackend<platform::ProcessServices> guard(&no_raise, &platform::SetProcessBackend);
  const platform::PrioritySnapshot before = platform::NativeProcess().SavePriorities();
  const Single mhz = CPU_Speed(15);
  EXPECT_GT(mhz, 50.0f);
  EXPECT_EQ(no_raise.raises, 1);
  EXPECT_EQ(no_raise.restores, 1);
  EXPECT_EQ(platform::NativeProcess().SavePriorities(), before);
}

}  // namespace
}  // namespace zel
