// TColorArray: construction, element access, bulk operations, events, the
// file format (also inside a larger file) and damaged files.
#include "zel/colors/colorarray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "zel/base/errors.h"
#include "zel/colors/colormodels.h"
#include "zel/colors/colornames.h"
#include "zel/colors/internal/colorscale.h"
#include "zel/platform/cpu_features.h"
#include "zel/runtime/textfile.h"

namespace zel {
namespace {

constexpr TColor Gray(int v) { return static_cast<TColor>(v) * 0x010101u; }

std::vector<TColor> Entries(const TColorArray& a) { return a.Colors(); }

// Counts OnChange calls.
struct EventCounter {
  int count = 0;
  explicit EventCounter(TColorArray& a) {
    a.SetOnChange([this, &a](TObject* sender) {
      EXPECT_EQ(sender, &a);
      ++count;
    });
  }
};

TEST(ColorArray, NewArrayAndElementAccess) {
  TColorArray a(nullptr);
  EXPECT_EQ(a.ClassName(), u"TColorArray");
  EXPECT_EQ(a.Size(), 1000);
  EXPECT_EQ(a.GetColorElem(1), 0x400020u);
  EXPECT_EQ(a.GetColorElem(1000), 0x000040u);
  EXPECT_EQ(a.GetColorElem(0), a.GetColorElem(1));
  EXPECT_EQ(a.GetColorElem(1005), a.GetColorElem(1000));
  EXPECT_EQ(a.GetColorElem(INT32_MIN), a.GetColorElem(1));
  EventCounter ev(a);
  a.SetColorElem(0, 1);
  a.SetColorElem(1001, 1);
  EXPECT_EQ(ev.count, 0);
  a.SetColorElem(1000, 0xFF000005u);
  EXPECT_EQ(a.ColorElem(1000), 0xFF000005u);
  EXPECT_EQ(ev.count, 1);
  a.SetSize(0);
  a.SetSize(-4);
  a.SetSize(1000);
  EXPECT_FALSE(a.Resize(0));
  EXPECT_TRUE(a.Resize(1000));
  EXPECT_EQ(ev.count, 1);
  EXPECT_TRUE(a.Resize(1002));
  EXPECT_EQ(ev.count, 2);
  EXPECT_EQ(a.GetColorElem(1000), 0xFF000005u);
  EXPECT_EQ(a.GetColorElem(1002), 0u);
  a.SetSize(3);
  EXPECT_EQ(a.Size(), 3);
  EXPECT_EQ(a.GetColorElem(1), 0x400020u);
  // Restore brings back the backup, cut or padded to the current size.
  a.Fill(0x123456);
  a.Restore();
  EXPECT_EQ(a.GetColorElem(1), 0x400020u);
}

TEST(ColorArray, FillByInterpolation) {
  TColorArray a(nullptr);
  a.SetSize(256);
  EventCounter ev(a);
  a.FillByInterpolation(0, {0, 0xFFFFFF});
  EXPECT_EQ(ev.count, 1);
  for (int i = 1; i <= 256; ++i) ASSERT_EQ(a.GetColorElem(i), Gray(255 * i / 256)) << i;
  EXPECT_EQ(a.GetColorElem(256), 0xFFFFFFu);
  a.FillByInterpolation(0, {0x123456});
  a.FillByInterpolation(0, std::vector<TColor>{});
  EXPECT_EQ(ev.count, 1);

  // Four levels on 100 entries: bands 12, 25, 25, 25, 13.
  a.SetSize(100);
  a.FillByInterpolation(4, {0, 0xFFFFFF});
  const int bands[] = {12, 25, 25, 25, 13};
  const int grays[] = {0, 63, 127, 191, 255};
  int ix = 1;
  for (int b = 0; b < 5; ++b)
    for (int k = 0; k < bands[b]; ++k, ++ix) ASSERT_EQ(a.GetColorElem(ix), Gray(grays[b])) << ix;

  // Support colours land evenly; the last entry is the last colour.
  a.SetSize(1000);
  a.FillByInterpolation(0, ColorArray_Rainbow);
  EXPECT_EQ(a.GetColorElem(100), ColorArray_Rainbow[1]);
  EXPECT_EQ(a.GetColorElem(500), ColorArray_Rainbow[5]);
  EXPECT_EQ(a.GetColorElem(1000), ColorArray_Rainbow[10]);

  // More support colours than entries, with levels: the first band starts at
  // the first colour instead of reading before it.
  a.SetSize(5);
  // (The last entry is then the blend that ends on colour 15 * 4 / 5 + 1.)
  a.FillByInterpolation(2, ColorArray_Contrast);
  EXPECT_EQ(a.GetColorElem(1), ColorArray_Contrast[0]);
  EXPECT_EQ(a.GetColorElem(5), ColorArray_Contrast[13]);
  a.FillByInterpolation(0, ColorArray_Contrast);
  EXPECT_EQ(a.GetColorElem(1), ColorArray_Contrast[1]);
  EXPECT_EQ(a.GetColorElem(5), ColorArray_Contrast[13]);
}

TEST(ColorArray, BulkOperations) {
  TColorArray a(nullptr), b(nullptr);
  a.SetSize(4);
  for (int i = 1; i <= 4; ++i) a.SetColorElem(i, 0xFF000000u | (0x010203u * i));
  EventCounter ev(a);
  a.MirrorColors();
  EXPECT_EQ(Entries(a), (std::vector<TColor>{0xFF04080Cu, 0xFF030609u, 0xFF020406u, 0xFF010203u}));
  a.ReverseRGB();
  EXPECT_EQ(a.GetColorElem(4), 0x030201u);
  a.InvertColors();
  EXPECT_EQ(a.GetColorElem(4), 0xFCFDFEu);
  EXPECT_EQ(ev.count, 3);

  double d = -1;
  a.Fill(0x808080);
  EXPECT_EQ(a.ColorToIndex(0x808080, d), 1);
  EXPECT_EQ(d, 0.0);
  a.SetColorElem(3, 0x818080);
  a.SetColorElem(4, 0x818080);
  EXPECT_EQ(a.ColorToIndex(0x828080, d), 3);
  EXPECT_DOUBLE_EQ(d, std::sqrt(1 / 195075.0));
  a.Fill(0);
  EXPECT_EQ(a.ColorToIndex(0xFFFFFF, d), 1);
  EXPECT_EQ(d, 1.0);

  // Assign copies entries and backup without an event; IsEqual ignores backups.
  ev.count = 0;
  b.Assign(&a);
  EXPECT_EQ(b.Size(), 4);
  EXPECT_TRUE(b.IsEqual(a));
  b.Restore();
  EXPECT_EQ(b.GetColorElem(1), 0x400020u);
  EXPECT_FALSE(b.IsEqual(a));
  TColorArray c(nullptr);
  a.AssignTo(&c);
  EXPECT_TRUE(c.IsEqual(a));
  c.SetSize(5);
  EXPECT_FALSE(c.IsEqual(a));
  EXPECT_EQ(ev.count, 0);
  TComponent other(nullptr);
  EXPECT_THROW(a.Assign(&other), EConvertError);
  EXPECT_THROW(a.AssignTo(&other), EConvertError);
}

TEST(ColorArray, LogTransform) {
  TColorArray a(nullptr);
  a.SetSize(10);
  for (int i = 1; i <= 10; ++i) a.SetColorElem(i, static_cast<TColor>(i));
  const auto before = Entries(a);
  a.LogTransform(0);
  EXPECT_EQ(Entries(a), before);
  a.LogTransform(1);
  // Entry i takes entry round(10 ln(i) / ln(10)) + 1.
  EXPECT_EQ(Entries(a), (std::vector<TColor>{1, 4, 6, 7, 8, 9, 9, 10, 10, 10}));
  a.LogTransform(std::nan(""));  // clamps to 1
  a.SetSize(1);
  EventCounter ev(a);
  a.LogTransform(1);  // one entry: nothing to stretch, no division by ln(1)
  EXPECT_EQ(a.GetColorElem(1), 1u);
  EXPECT_EQ(ev.count, 1);
}

TEST(ColorArray, CopyFrom) {
  TColorArray src(nullptr), dst(nullptr);
  src.SetSize(10);
  for (int i = 1; i <= 10; ++i) src.SetColorElem(i, static_cast<TColor>(100 + i));
  struct Case {
    int lo, hi, dest;
    std::vector<TColor> want;
  } cases[] = {
      {6, 10, 1, {106, 107, 108, 109, 110}},
      {1, 10, 3, {0, 0, 101, 102, 103}},
      {10, 6, 1, {106, 107, 108, 109, 110}},
      {-5, 2, 4, {0, 0, 0, 101, 102}},
      {1, 99, -7, {109, 110, 0, 0, 0}},
      {1, 10, INT32_MAX, {0, 0, 0, 0, 0}},
      {INT32_MIN, INT32_MAX, INT32_MIN, {0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi << " -> " << c.dest);
    dst.SetSize(5);
    dst.Fill(0);
    EventCounter ev(dst);
    dst.CopyFrom(&src, c.lo, c.hi, c.dest);
    EXPECT_EQ(Entries(dst), c.want);
    EXPECT_EQ(ev.count, 1);
    dst.CopyFrom(nullptr, 1, 2, 3);
    EXPECT_EQ(ev.count, 1);
    dst.SetOnChange(nullptr);  // the counter goes out of scope
  }
  // The array as its own source, ranges overlapping both ways.
  src.CopyFrom(&src, 1, 6, 3);
  EXPECT_EQ(Entries(src), (std::vector<TColor>{101, 102, 101, 102, 103, 104, 105, 106, 109, 110}));
  src.CopyFrom(&src, 3, 10, 1);
  EXPECT_EQ(Entries(src), (std::vector<TColor>{101, 102, 103, 104, 105, 106, 109, 110, 109, 110}));
}

class ColorArrayFile : public testing::Test {
 protected:
  zel_test::TempDir dir;
  TColorArray a{nullptr};

  void SetUp() override {
    a.SetColorElem(1, 0x0000FF);
    a.SetColorElem(2, 0x00FF00);
    a.SetColorElem(3, 0xFF0000);
  }
};

TEST_F(ColorArrayFile, StoreAndLoad) {
  const String name = dir.File("scale.txt");
  ASSERT_TRUE(a.StoreOnFile(1, 3, name));
  EXPECT_EQ(zel_test::TempDir::Read(name), "1 3\r\n000000FF\r\n0000FF00\r\n00FF0000\r\n");
  // Bounds are swapped and clipped; crossed bounds write the header alone.
  ASSERT_TRUE(a.StoreOnFile(2, -7, dir.File("b.txt")));
  EXPECT_EQ(zel_test::TempDir::Read(dir.File("b.txt")), "1 2\r\n000000FF\r\n0000FF00\r\n");
  a.SetSize(10);
  ASSERT_TRUE(a.StoreOnFile(20, 30, dir.File("c.txt")));
  EXPECT_EQ(zel_test::TempDir::Read(dir.File("c.txt")), "20 10\r\n");

  TColorArray b(nullptr);
  const auto rainbow = Entries(b);
  EventCounter ev(b);
  ASSERT_TRUE(b.LoadFromFile(name, false));
  EXPECT_EQ(b.Size(), 1000);
  EXPECT_EQ(b.GetColorElem(2), 0x00FF00u);
  EXPECT_EQ(b.GetColorElem(4), rainbow[3]);
  EXPECT_EQ(ev.count, 4);  // three entries and the end of the load
  ASSERT_TRUE(b.LoadFromFile(name, true));
  EXPECT_EQ(b.Size(), 3);
  EXPECT_EQ(Entries(b), (std::vector<TColor>{0xFF, 0xFF00, 0xFF0000}));
  // "20 10" supplies no entry: it may shrink the array but not grow it by
  // more than the bytes read.
  EXPECT_FALSE(b.LoadFromFile(dir.File("c.txt"), true));
  EXPECT_EQ(b.Size(), 3);
  b.SetSize(1000);
  ASSERT_TRUE(b.LoadFromFile(dir.File("c.txt"), true));
  EXPECT_EQ(b.Size(), 10);
  EXPECT_FALSE(b.LoadFromFile(dir.File("missing.txt"), true));
  EXPECT_FALSE(a.StoreOnFile(1, 3, dir.File("no/such/dir.txt")));
}

// A part of a scale, stored and loaded with AdjustSize into a smaller array:
// the array takes the last index as its size before the entries are read.
TEST_F(ColorArrayFile, LoadsAPartIntoASmallerArray) {
  TColorArray src(nullptr);  // 1000 entries, the rainbow scale
  const String name = dir.File("part.txt");
  ASSERT_TRUE(src.StoreOnFile(501, 1000, name));
  TColorArray b(nullptr);
  b.SetSize(100);
  b.Fill(0x123456);
  EventCounter ev(b);
  ASSERT_TRUE(b.LoadFromFile(name, true));
  EXPECT_EQ(b.Size(), 1000);
  EXPECT_EQ(ev.count, 1 + 500 + 1);  // the resize, each entry, the end
  const auto got = Entries(b);
  for (int32_t ix : {1, 100}) EXPECT_EQ(got[ix - 1], 0x123456u) << ix;
  for (int32_t ix : {101, 500}) EXPECT_EQ(got[ix - 1], 0u) << ix;
  for (int32_t ix = 501; ix <= 1000; ++ix) ASSERT_EQ(got[ix - 1], src.GetColorElem(ix)) << ix;
}

TEST_F(ColorArrayFile, InsideALargerFile) {
  const String name = dir.File("big.txt");
  {
    TextFile f(name);
    f.Rewrite();
    f.WriteLn(u"before");
    ASSERT_TRUE(a.WriteToOpenTextFile(f, 1, 2));
    ASSERT_TRUE(a.WriteToOpenTextFile(f, 3, 3));
    f.WriteLn(u"after");
    f.Close();
  }
  TColorArray b(nullptr);
  TextFile f(name);
  f.Reset();
  EXPECT_EQ(f.ReadLn(), u"before");
  ASSERT_TRUE(b.ReadFromOpenTextFile(f, true));
  EXPECT_EQ(Entries(b), (std::vector<TColor>{0xFF, 0xFF00}));
  ASSERT_TRUE(b.ReadFromOpenTextFile(f, true));
  EXPECT_EQ(Entries(b), (std::vector<TColor>{0xFF, 0xFF00, 0xFF0000}));
  EXPECT_EQ(f.ReadLn(), u"after");
  f.Close();
}

// Entry lines go through the hexadecimal reader; lines past the end of the
// file leave their entries alone.
TEST_F(ColorArrayFile, HandWrittenFiles) {
  struct Case {
    std::string text;
    bool adjust;
    std::vector<TColor> want;  // the entries (3 of them before) after the load
  } cases[] = {
      {"1 3\n$ff\n  ff00 \t\nFF0000", false, {0xFF, 0xFF00, 0xFF0000}},
      {"  2\t3  trailing words\r\n00000001\r\n00000002\r\n", false, {0xFF, 1, 2}},
      {"-1 2\n1\n2\n3\n4\n", false, {3, 4, 0xFF0000}},
      // Each line read as far as it is a number.
      {"1 3\n0000FF00 red\n12G4\nxyz\n", false, {0xFF00, 0x12, 0}},
      {"1 3\n1230000FF00\n\n \n", false, {0xFF00, 0, 0}},  // last 8 digits; empty lines
      {"1 3\n  $FF\n\tFF\n$$1\n", false, {0, 0, 0}},      // "$" only first; tab no blank
      {"1 2\n  12\n $\n", false, {0x12, 0, 0xFF0000}},
      // Files that end early.
      {"1 3\n00000001\n00000002\n", true, {1, 2, 0xFF0000}},
      {"1 3\n7\n", false, {7, 0xFF00, 0xFF0000}},
      {"1 2\n", true, {0xFF, 0xFF00}},
      {"-2000000000 1\n5\n", false, {0xFF, 0xFF00, 0xFF0000}},
      // Growing by what the bytes read back.
      {"3 5\n7\n8\n9\n", true, {0xFF, 0xFF00, 7, 8, 9}},
      {"3 5\n7\n", true, {0xFF, 0xFF00, 7, 0, 0}},
      {"6 6\n9\n", true, {0xFF, 0xFF00, 0xFF0000, 0, 0, 9}},
      {"5 3\n", false, {0xFF, 0xFF00, 0xFF0000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TColorArray b(nullptr);
    b.Assign(&a);
    b.SetSize(3);
    ASSERT_TRUE(b.LoadFromFile(dir.Write("h.txt", c.text), c.adjust));
    EXPECT_EQ(Entries(b), c.want);
  }
}

TEST_F(ColorArrayFile, RefusedFilesLeaveTheArrayAlone) {
  struct Case {
    const char* what;
    std::string text;
    bool adjust;
    int events;
  } cases[] = {
      {"empty file", "", true, 0},
      {"header without last", "1\n000000FF\n", true, 0},
      {"header not numbers", "a b\n", true, 0},
      {"header with junk between", "1,3\n", true, 0},
      {"header out of range", "1 4294967296\n", true, 0},
      // Growing past what the bytes read back.
      {"header promises billions", "1 2000000000\n000000FF\n0000FF00\n", true, 0},
      {"header leaves a gap", "2000000000 2000000001\n000000FF\n0000FF00\n", true, 0},
      {"header promises more", "1 1100\n1\n2\n", true, 0},
      // Without AdjustSize a last index beyond the size is refused before any
      // entry is read, after one OnChange.
      {"beyond the size", "1 2000\n000000FF\n", false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TColorArray b(nullptr);
    b.Assign(&a);
    const auto before = Entries(b);
    EventCounter ev(b);
    EXPECT_FALSE(b.LoadFromFile(dir.Write("d.txt", c.text), c.adjust));
    EXPECT_EQ(Entries(b), before);
    EXPECT_EQ(ev.count, c.events);
  }
}

TEST_F(ColorArrayFile, WriteFailuresAreReported) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TextFile f(u"/dev/full");
  f.Append();
  EXPECT_FALSE(a.WriteToOpenTextFile(f, 1, 3));
  EXPECT_FALSE(a.StoreOnFile(1, 3, u"/dev/full"));
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

// The interval-wise fill, portable and AVX2, gives exactly the
// entry-by-entry results.
TEST(ColorScale, FastFillMatchesReference) {
  std::vector<TColor> support(1200);
  uint32_t x = 99;
  for (auto& c : support) {
    x = x * 1103515245u + 12345u;
    c = x >> 8;
  }
  const int64_t sizes[] = {1, 2, 3, 7, 10, 99, 100, 101, 256, 1000, 1023, 4099};
  const int64_t supports[] = {1, 2, 3, 10, 11, 99, 1000, 1199};
  const int32_t levels[] = {-3, 0, 1, 2, 4, 7, 100, 5000};
  for (int64_t n : sizes)
    for (int64_t h : supports)
      for (int32_t l : levels) {
        SCOPED_TRACE(testing::Message() << "n " << n << ", h " << h << ", levels " << l);
        std::vector<TColor> fast(static_cast<size_t>(n)), ref(static_cast<size_t>(n));
        internal::FillScaleReference(ref.data(), n, support.data(), h, l);
        for (bool portable : {false, true}) {
          internal::ForcePortable(portable);
          internal::FillScale(fast.data(), n, support.data(), h, l);
          internal::ForcePortable(false);
          ASSERT_EQ(fast, ref) << (portable ? "portable" : "fastest");
        }
      }
}

}  // namespace
}  // namespace zel
