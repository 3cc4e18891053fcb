#include "zel/platform/fonts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace zel::platform {
namespace {

#ifdef _WIN32
// Fonts come with the Windows graphics work, which this port does not have yet.
TEST(NativeFonts, NotYetOnWindows) {
  GTEST_SKIP() << "fonts are part of the Windows graphics work, not yet done";
}
#else
bool HaveDejaVu() { return NativeFonts().IsInstalled("DejaVu Sans"); }

TEST(NativeFonts, FindsFacesByFamilyWeightAndSlant) {
  if (!HaveDejaVu()) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  struct Case {
    FontRequest request;
    const char* file;  // the end of the matched file's name
    bool bold, italic;
  } cases[] = {
      {{"DejaVu Sans", false, false, false}, "/DejaVuSans.ttf", false, false},
      {{"DejaVu Sans", true, false, false}, "/DejaVuSans-Bold.ttf", true, false},
      {{"DejaVu Sans", true, true, false}, "/DejaVuSans-BoldOblique.ttf", true, true},
      {{"dejavu serif", false, true, false}, "/DejaVuSerif-Italic.ttf", false, true},
      {{"DejaVu Sans Mono", false, false, true}, "/DejaVuSansMono.ttf", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    FontFace face;
    ASSERT_TRUE(NativeFonts().FindFace(c.request, face));
    ASSERT_GE(face.file.size(), std::string(c.file).size());
    EXPECT_EQ(face.file.substr(face.file.size() - std::string(c.file).size()), c.file);
    EXPECT_EQ(face.has_bold, c.bold);
    EXPECT_EQ(face.has_italic, c.italic);
  }
  // A family nobody has falls back to some face.
  FontFace face;
  EXPECT_TRUE(NativeFonts().FindFace({"No Such Family 4711", false, false, false}, face));
  EXPECT_FALSE(face.file.empty());
}

TEST(NativeFonts, InstalledFamiliesAndFormats) {
  if (!HaveDejaVu()) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  EXPECT_TRUE(NativeFonts().IsInstalled("DejaVu Sans"));
  EXPECT_TRUE(NativeFonts().IsInstalled("dejavusans"));  // case and spaces ignored
  EXPECT_FALSE(NativeFonts().IsInstalled("No Such Family 4711"));
  EXPECT_FALSE(NativeFonts().IsInstalled(""));
  EXPECT_EQ(NativeFonts().FontFormat("DejaVu Sans"), "TrueType");
  EXPECT_EQ(NativeFonts().FontFormat("No Such Family 4711"), "");
}

TEST(NativeFonts, ScreenResolutionFromTheEnvironment) {
  const char* saved = std::getenv("ZEL_SCREEN_PPI");
  const std::string keep = saved ? saved : "";
  struct Case {
    const char* value;
    int32_t ppi;
  } cases[] = {{nullptr, 96}, {"120", 120}, {"24", 24},  {"2400", 2400},
               {"23", 96},    {"2401", 96}, {"12x", 96}, {"", 96}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    if (c.value)
      ::setenv("ZEL_SCREEN_PPI", c.value, 1);
    else
      ::unsetenv("ZEL_SCREEN_PPI");
    EXPECT_EQ(NativeFonts().ScreenPixelsPerInch(), c.ppi);
  }
  if (saved)
    ::setenv("ZEL_SCREEN_PPI", keep.c_str(), 1);
  else
    ::unsetenv("ZEL_SCREEN_PPI");
}
#endif

}  // namespace
}  // namespace zel::platform
