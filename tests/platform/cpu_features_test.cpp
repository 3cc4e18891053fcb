// The instruction-set switches: forcing the portable path, capping the level
// and masking features only ever narrow what was detected, and reset undoes
// them.
#include "zel/platform/cpu_features.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zel::internal {
namespace {

// Each test starts with every detected feature visible (whatever
// ZEL_FORCE_PORTABLE or ZEL_CPU_LEVEL asked for) and ends with them restored.
class CpuFeaturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ForcePortable(false);
    SetCpuFeatureMask(kCpuAllFeatures);
  }
  void TearDown() override { ResetCpuFeatureSwitches(); }
};

TEST_F(CpuFeaturesTest, DetectionIsStableAndConsistent) {
  const uint32_t detected = DetectedCpuFeatures();
  EXPECT_EQ(detected, DetectedCpuFeatures());
  EXPECT_EQ(detected & ~kCpuAllFeatures, 0u);
  // Kernels that use the SHA or carry-less multiply instructions also use SSE4.1.
  if (detected & (kCpuSHA | kCpuPCLMUL)) {
    EXPECT_TRUE(detected & kCpuSSE41);
  }
}

TEST_F(CpuFeaturesTest, ForcePortableHidesEverything) {
  ForcePortable(true);
  EXPECT_TRUE(PortableForced());
  EXPECT_EQ(CpuFeatureBits(), 0u);
  EXPECT_FALSE(HasCpuFeatures(kCpuSSSE3));
  EXPECT_TRUE(HasCpuFeatures(0));
  ForcePortable(false);
  EXPECT_FALSE(PortableForced());
  EXPECT_EQ(CpuFeatureBits(), DetectedCpuFeatures() & CpuFeatureMask());
}

TEST_F(CpuFeaturesTest, LevelsAreCumulativeAndOnlyNarrow) {
  const struct {
    CpuLevel level;
    uint32_t features;
  } levels[] = {
      {CpuLevel::kPortable, 0},
      {CpuLevel::kSSE, kCpuSSSE3 | kCpuSSE41},
      {CpuLevel::kPCLMUL, kCpuSSSE3 | kCpuSSE41 | kCpuPCLMUL | kCpuSHA},
      {CpuLevel::kAVX2, kCpuSSSE3 | kCpuSSE41 | kCpuPCLMUL | kCpuSHA | kCpuAVX2 | kCpuBMI2},
      {CpuLevel::kAVX512, kCpuAllFeatures},
  };
  for (const auto& l : levels) {
    SCOPED_TRACE(static_cast<int>(l.level));
    EXPECT_EQ(CpuLevelFeatures(l.level), l.features);
    CapCpuLevel(l.level);
    EXPECT_EQ(CpuFeatureBits(), DetectedCpuFeatures() & l.features);
  }
}

TEST_F(CpuFeaturesTest, MaskAndReset) {
  SetCpuFeatureMask(kCpuSHA);
  EXPECT_EQ(CpuFeatureMask(), static_cast<uint32_t>(kCpuSHA));
  EXPECT_EQ(CpuFeatureBits(), DetectedCpuFeatures() & kCpuSHA);
  SetCpuFeatureMask(0xFFFFFFFFu);  // unknown bits are dropped
  EXPECT_EQ(CpuFeatureMask(), static_cast<uint32_t>(kCpuAllFeatures));
  ForcePortable(true);
  ResetCpuFeatureSwitches();
  // Back to what the environment asked for: by default everything detected.
  if (PortableForced()) {
    EXPECT_EQ(CpuFeatureBits(), 0u);
  } else {
    EXPECT_EQ(CpuFeatureBits(), DetectedCpuFeatures() & CpuFeatureMask());
  }
}

TEST_F(CpuFeaturesTest, FeatureNames) {
  EXPECT_STREQ(CpuFeatureName(kCpuPCLMUL), "pclmul");
  EXPECT_STREQ(CpuFeatureName(kCpuVPCLMUL), "vpclmul");
  EXPECT_STREQ(CpuFeatureName(kCpuAllFeatures), "");
}

}  // namespace
}  // namespace zel::internal
