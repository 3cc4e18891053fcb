#include "zel/base/modules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "zel/base/progress.h"

namespace zel {
namespace {

const std::vector<std::string> kOrder = {"Zel_univconst", "Zel_zelbase", "Zel_zelcolors",
                                         "Zel_stringl",   "Zel_streams", "Zel_htmlsupport",
                                         "Zel_dstruct",   "Zel_filesys", "Zel_cpuid"};

TEST(Modules, AllStartedAtLoadInOrder) {
  EXPECT_EQ(ModuleStartOrder(), kOrder);
  for (int m = 0; m < kZelModuleCount; ++m) {
    SCOPED_TRACE(m);
    EXPECT_EQ(ModuleStartCount(static_cast<TZelModule>(m)), 1);
    EXPECT_EQ(ZelModuleNames[static_cast<size_t>(m)], kOrder[static_cast<size_t>(m)]);
  }
  EXPECT_EQ(ModuleStartCount(static_cast<TZelModule>(200)), 0);
  EXPECT_TRUE(ModuleStopOrder().empty());
}

TEST(Modules, StartingAgainDoesNothing) {
  ProcStat = 42;
  StartModules();
  EXPECT_EQ(ProcStat, 42);  // Zel_zelbase did not clear it a second time
  EXPECT_EQ(ModuleStartOrder(), kOrder);
  EXPECT_EQ(ModuleStartCount(zmZelbase), 1);
  ProcStat = 0;
}

TEST(Modules, ProgressVariablesAfterStart) {
  EXPECT_EQ(ProcStat, 0);
  EXPECT_EQ(sizeof(ProcStat), 8u);
  EXPECT_EQ(sizeof(LastProcStat), 8u);
  EXPECT_FALSE(AbortMathProc);
  EXPECT_EQ(MathFeedBackProc, nullptr);
}

// Shutting down is final for the process, so it runs in a child process.
void StopAndCheck() {
  StopModules();
  std::vector<std::string> reversed(kOrder.rbegin(), kOrder.rend());
  if (ModuleStopOrder() != reversed) std::_Exit(1);
  StopModules();  // at most once
  if (ModuleStopOrder() != reversed) std::_Exit(2);
  std::_Exit(0);
}

TEST(ModulesDeathTest, StopInReverseOrderOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(StopAndCheck(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zel
