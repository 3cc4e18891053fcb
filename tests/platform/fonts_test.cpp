#include "zel/platform/fonts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zel::platform {
namespace {

bool HaveDejaVu() { return NativeFonts().IsInstalled("DejaVu Sans"); }

// Sets (value non-null) or removes the variable for the running process.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  if (value)
    ::setenv(name, value, 1);
  else
    ::unsetenv(name);
#endif
}

TEST(NativeFonts, ScreenResolutionFromTheEnvironment) {
#ifdef _WIN32
  // The screen's logical resolution (96 under Wine).
  HDC screen = GetDC(nullptr);
  const int32_t fallback = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
#else
  const int32_t fallback = 96;
#endif
  const char* saved = std::getenv("ZEL_SCREEN_PPI");
  const std::string keep = saved ? saved : "";
  struct Case {
    const char* value;
    int32_t ppi;
  } cases[] = {{nullptr, fallback}, {"120", 120},      {"24", 24},        {"2400", 2400},
               {"23", fallback},    {"2401", fallback}, {"12x", fallback}, {"", fallback},
               {"-96", fallback}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    SetVariable("ZEL_SCREEN_PPI", c.value);
    EXPECT_EQ(NativeFonts().ScreenPixelsPerInch(), c.ppi);
  }
  SetVariable("ZEL_SCREEN_PPI", saved ? keep.c_str() : nullptr);
}

#ifdef _WIN32
// GDI names the face it maps a request to; the DejaVu families are seen
// under Wine through the host's fonts.
TEST(NativeFonts, GdiMapsFamiliesToFaceNames) {
  if (!HaveDejaVu()) GTEST_SKIP() << "the DejaVu fonts are not installed";
  struct Case {
    FontRequest request;
    const char* family;  // GDI's face name
    bool bold, italic;   // styles the face has (not synthesised)
  } cases[] = {
      {{"DejaVu Sans", false, false, false}, "DejaVu Sans", false, false},
      {{"DejaVu Sans", true, false, false}, "DejaVu Sans", true, false},
      {{"DejaVu Sans", true, true, false}, "DejaVu Sans", true, true},
      {{"dejavu serif", false, true, false}, "DejaVu Serif", false, true},
      {{"DejaVu Sans Mono", false, false, true}, "DejaVu Sans Mono", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request.family);
    FontFace face;
    face.file = "left over";
    face.index = 3;
    ASSERT_TRUE(NativeFonts().FindFace(c.request, face));
    EXPECT_EQ(face.family, c.family);
    EXPECT_EQ(face.file, "");
    EXPECT_EQ(face.index, 0);
    EXPECT_EQ(face.has_bold, c.bold);
    EXPECT_EQ(face.has_italic, c.italic);
  }
  // A family with only a light face: bold is GDI's synthesis, not the face's.
  if (NativeFonts().IsInstalled("DejaVu Sans Light")) {
    FontFace light;
    ASSERT_TRUE(NativeFonts().FindFace({"DejaVu Sans Light", true, false, false}, light));
    EXPECT_EQ(light.family, "DejaVu Sans Light");
    EXPECT_FALSE(light.has_bold);
  }
  // Unknown names, names GDI cannot hold and empty ones take GDI's fallback.
  for (const char* name : {"No Such Family 4711", "", "A family name longer than GDI holds"}) {
    SCOPED_TRACE(name);
    FontFace face;
    EXPECT_TRUE(NativeFonts().FindFace({name, false, false, false}, face));
    EXPECT_FALSE(face.family.empty());
    EXPECT_TRUE(NativeFonts().IsInstalled(face.family));
  }
}

TEST(NativeFonts, InstalledFamiliesAndFormats) {
  if (!HaveDejaVu()) GTEST_SKIP() << "the DejaVu fonts are not installed";
  EXPECT_TRUE(NativeFonts().IsInstalled("DejaVu Sans"));
  EXPECT_TRUE(NativeFonts().IsInstalled("DEJAVU sans mono"));  // case ignored
  EXPECT_FALSE(NativeFonts().IsInstalled("dejavusans"));       // spaces count
  EXPECT_FALSE(NativeFonts().IsInstalled("DejaVu"));            // whole names only
  EXPECT_FALSE(NativeFonts().IsInstalled("No Such Family 4711"));
  EXPECT_FALSE(NativeFonts().IsInstalled(""));
  EXPECT_FALSE(NativeFonts().IsInstalled(std::string("DejaVu Sans\0x", 13)));
  EXPECT_FALSE(NativeFonts().IsInstalled("\xff\xfe"));  // not UTF-8
  EXPECT_EQ(NativeFonts().FontFormat("DejaVu Sans"), "TrueType");
  EXPECT_EQ(NativeFonts().FontFormat("dejavu serif"), "TrueType");
  EXPECT_EQ(NativeFonts().FontFormat("No Such Family 4711"), "");
}
#else

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

#endif

}  // namespace
}  // namespace zel::platform
