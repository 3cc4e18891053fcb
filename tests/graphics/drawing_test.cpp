#include "zel/base/drawing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "golden/golden_sheets.h"
#include "support/temp_dir.h"
#include "zel/base/errors.h"
#include "zel/platform/fonts.h"
#include "zel/runtime/printer.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

constexpr TColor kWhitePixel = clWhite;

String DataFile(const char* name) {
  return Utf8ToString((std::filesystem::path(ZEL_GRAPHICS_DATA) / name).string());
}

// The pixels of a region as rows of '#' (colour Ink) and '.' (anything else).
std::vector<std::string> Mask(const TCanvas& c, int x0, int y0, int w, int h, TColor ink) {
  std::vector<std::string> rows;
  for (int y = y0; y < y0 + h; ++y) {
    std::string row;
    for (int x = x0; x < x0 + w; ++x) row += c.Pixels(x, y) == ink ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

// Compares the cells of two sheets one by one, so a failure names the cell.
void ExpectSameCells(const TBitmap& got, const TBitmap& want, int cell_w, int cell_h,
                     const std::vector<int>& labels, const char* what) {
  ASSERT_EQ(got.Width(), want.Width());
  ASSERT_EQ(got.Height(), want.Height());
  const int columns = got.Width() / cell_w;
  for (size_t i = 0; i < labels.size(); ++i) {
    SCOPED_TRACE(std::string(what) + " " + std::to_string(labels[i]));
    const int x0 = static_cast<int>(i) % columns * cell_w,
              y0 = static_cast<int>(i) / columns * cell_h;
    int differing = 0;
    for (int y = y0; y < y0 + cell_h; ++y)
      for (int x = x0; x < x0 + cell_w; ++x)
        if (got.ScanLine(y)[x] != want.ScanLine(y)[x]) ++differing;
    EXPECT_EQ(differing, 0);
  }
}

std::vector<int> Range(int n) {
  std::vector<int> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = i;
  return v;
}

TEST(Marks, EveryShapeMatchesItsGoldenImage) {
  TBitmap want;
  want.LoadFromFile(DataFile("marks_screen.png"));
  ExpectSameCells(*zel_golden::ScreenMarks(), want, zel_golden::kCell, zel_golden::kCell,
                  Range(kMarkShapeCount), "mark");
}

// The sheet of `zel marks` without its text (see MarksToolSheet): the same
// size and pixels on every system.
TEST(Marks, TheToolSheetWithoutTextMatchesItsGoldenImage) {
  TBitmap want;
  want.LoadFromFile(DataFile("marks_sheet.png"));
  const auto got = zel_golden::MarksToolSheet();
  EXPECT_EQ(got->Width(), zel_tool::marks::kSheetWidth);
  EXPECT_EQ(got->Height(), zel_tool::marks::kSheetHeight);
  // 12 x 6 cells of 49 x 59 pixels cover the sheet.
  static_assert(zel_tool::marks::kSheetWidth == 12 * 49 && zel_tool::marks::kSheetHeight == 6 * 59);
  ExpectSameCells(*got, want, 49, 59, Range(12 * 6), "sheet cell");
}

TEST(Marks, EveryPrinterVariantMatchesItsGoldenImage) {
  zel_test::TempDir dir;
  TBitmap want;
  want.LoadFromFile(DataFile("marks_printer.png"));
  ExpectSameCells(*zel_golden::PrinterMarks(dir.File("scratch.pdf")), want, zel_golden::kCell,
                  zel_golden::kCell, Range(kMarkShapeCount), "printer mark");
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "scratch.pdf"));
}

TEST(Frames, EveryStyleMatchesItsGoldenImage) {
  TBitmap want;
  want.LoadFromFile(DataFile("frames.png"));
  std::vector<int> styles(std::begin(zel_golden::kFrameStyles), std::end(zel_golden::kFrameStyles));
  ExpectSameCells(*zel_golden::Frames(), want, zel_golden::kFrameCellW, zel_golden::kFrameCellH,
                  styles, "style");
}

// The pixel-pattern marks, straight from their published rows.
TEST(Marks, PixelPatterns) {
  struct Case {
    uint8_t mark;
    const char* rows[7];
  } cases[] = {
      {1, {".......", ".......", "...#...", "..###..", "...#...", ".......", "......."}},
      {2, {".......", "...#...", "...#...", ".#####.", "...#...", "...#...", "......."}},
      {3, {"...#...", "...#...", "...#...", "#######", "...#...", "...#...", "...#..."}},
      {4, {".......", ".......", "..#.#..", "...#...", "..#.#..", ".......", "......."}},
      {5, {".......", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "......."}},
      {6, {"#.....#", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "#.....#"}},
      {18, {"#.#.#.#", ".#.#.#.", "#.#.#.#", ".#.#.#.", "#.#.#.#", ".#.#.#.", "#.#.#.#"}},
      {9, {"#######", "#######", "#######", "#######", "#######", "#######", "#######"}},
      {0, {".......", ".......", ".......", "...#...", ".......", ".......", "......."}},
      {12, {"#######", "#.....#", "#.....#", "#.....#", "#.....#", "#.....#", "#######"}},
      {13, {"...#...", "..#.#..", ".#...#.", "#..#..#", ".#...#.", "..#.#..", "...#..."}},
      {19, {"...#...", "..#.#..", ".#...#.", "#.....#", ".#...#.", "..#.#..", "...#..."}},
      // A line covers its start and not its end: the caret's tips are missing.
      {20, {".......", ".......", ".......", "...#...", "..#.#..", ".#...#.", "......."}},
      {22, {".......", ".#...#.", "..#.#..", "...#...", ".......", ".......", "......."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mark));
    TBitmap b(11, 11);
    b.Canvas().Pen().SetColor(clRed);
    DrawMarkOnCanvas(b.Canvas(), c.mark, 5, 5);
    EXPECT_EQ(Mask(b.Canvas(), 2, 2, 7, 7, clRed), std::vector<std::string>(c.rows, c.rows + 7));
    // Nothing outside the 7 x 7 block.
    int outside = 0;
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 11; ++x)
        if ((x < 2 || x > 8 || y < 2 || y > 8) && b.Canvas().Pixels(x, y) != kWhitePixel) ++outside;
    EXPECT_EQ(outside, 0);
  }
}

TEST(Marks, PrinterDrawsLineFiguresForMarksOneToSix) {
  zel_test::TempDir dir;
#ifdef _WIN32
  // Windows prints through the spooler: the page is drawn without a printer.
  zel_golden::DrawingOnlyPrinting paper;
  platform::ScopedBackend<platform::PrintServices> guard(&paper, &platform::SetPrintingBackend);
#endif
  TPrinter printer;
  printer.SetFileName(dir.File("p.pdf"));
  printer.BeginDoc();
  TCanvas& c = printer.Canvas();
  ASSERT_TRUE(IsPrinterCanvas(c));
  c.Pen().SetColor(clRed);
  DrawMarkOnCanvas(c, 2, 20, 20);  // a = 3: X-3..X+2 and Y-3..Y+2
  EXPECT_EQ(
      Mask(c, 16, 16, 9, 9, clRed),
      (std::vector<std::string>{".........", "....#....", "....#....", "....#....", ".######..",
                                "....#....", "....#....", ".........", "........."}));
  DrawMarkOnCanvas(c, 4, 60, 60);  // a = 2
  EXPECT_EQ(Mask(c, 57, 57, 7, 7, clRed),
            (std::vector<std::string>{".......", ".#.....", "..#.#..", "...#...", "..#.#..",
                                      ".#.....", "......."}));
  printer.Abort();
  TBitmap b(10, 10);
  EXPECT_FALSE(IsPrinterCanvas(b.Canvas()));
}

TEST(Marks, ShapesKeepTheCallersBrush) {
  // Hollow and filled shapes, and the line marks.
  for (int mark : {7, 14, 16, 24, 27, 28, 31, 33, 34, 39, 48, 49, 50}) {
    for (TBrushStyle style : {bsSolid, bsClear, bsCross}) {
      SCOPED_TRACE(std::to_string(mark) + " style " + std::to_string(style));
      TBitmap b(16, 16);
      b.Canvas().Brush().SetColor(clLime);
      b.Canvas().Brush().SetStyle(style);
      b.Canvas().Pen().SetColor(clRed);
      DrawMarkOnCanvas(b.Canvas(), static_cast<uint8_t>(mark), 8, 8);
      EXPECT_EQ(b.Canvas().Brush().Color(), clLime);
      EXPECT_EQ(b.Canvas().Brush().Style(), style);
    }
  }
}

TEST(Marks, HollowShapesLeaveTheInsideAlone) {
  TBitmap b(16, 16);
  b.Canvas().Brush().SetColor(clLime);
  b.Canvas().Pen().SetColor(clRed);
  DrawMarkOnCanvas(b.Canvas(), 17, 8, 8);  // circle in (5, 5)..(12, 12)
  EXPECT_EQ(b.Canvas().Pixels(8, 8), kWhitePixel);
  DrawMarkOnCanvas(b.Canvas(), 24, 8, 8);  // filled in the pen colour
  EXPECT_EQ(b.Canvas().Pixels(8, 8), clRed);
}

TEST(Marks, CharacterCodesMapThroughWindows1252) {
  struct Case {
    uint8_t mark;
    Char ch;
  } cases[] = {
      {0, 0},           {51, 0},          {52, u'4'},       {65, u'A'},       {128, u'\u20AC'},
      {130, u'\u201A'}, {133, u'\u2026'}, {145, u'\u2018'}, {147, u'\u201C'}, {150, u'\u2013'},
      {151, u'\u2014'}, {153, u'\u2122'}, {129, u'\u0081'}, {160, u'\u00A0'}, {199, u'\u00C7'},
      {200, u'0'},      {205, u'5'},      {209, u'9'},      {210, u'\u00D2'}, {255, u'\u00FF'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mark));
    EXPECT_EQ(MarkCharacter(c.mark), c.ch);
  }
}

TEST(Marks, CharacterMarksAreCentredInThePenColour) {
  for (uint8_t mark : {65, 128, 150, 205}) {
    SCOPED_TRACE(static_cast<int>(mark));
    const String text(1, MarkCharacter(mark));
    TBitmap got(60, 60), want(60, 60);
    for (TBitmap* b : {&got, &want}) {
      b->Canvas().Font().SetName(u"DejaVu Sans");
      b->Canvas().Font().SetSize(14);
    }
    got.Canvas().Pen().SetColor(clRed);
    got.Canvas().Font().SetColor(clBlue);
    got.Canvas().Brush().SetColor(clLime);  // solid: must become clear
    DrawMarkOnCanvas(got.Canvas(), mark, 30, 30);
    EXPECT_EQ(got.Canvas().Brush().Style(), bsClear);
    EXPECT_EQ(got.Canvas().Font().Color(), clBlue);

    want.Canvas().Brush().SetStyle(bsClear);
    want.Canvas().Font().SetColor(clRed);
    const TSize e = want.Canvas().TextExtent(text);
    want.Canvas().TextOut(30 - e.cx / 2, 30 - e.cy / 2, text);
    int ink = 0;
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 60; ++x) {
        ASSERT_EQ(got.Canvas().Pixels(x, y), want.Canvas().Pixels(x, y)) << x << "," << y;
        if (got.Canvas().Pixels(x, y) == clRed) ++ink;
      }
    }
    EXPECT_GT(ink, 10);
  }
}

TEST(Marks, FarOutsideTheCanvasNothingIsWritten) {
  TBitmap b(8, 8);
  for (int mark = 0; mark < 256; mark += 5)
    for (int pos : {INT32_MIN, -100000, 100000, INT32_MAX}) {
      DrawMarkOnCanvas(b.Canvas(), static_cast<uint8_t>(mark), pos, 3);
      DrawMarkOnCanvas(b.Canvas(), static_cast<uint8_t>(mark), 3, pos);
    }
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(b.Canvas().Pixels(x, y), kWhitePixel);
}

TEST(Frames, PublishedCorners) {
  TBitmap b(32, 32);
  DrawFrame(b.Canvas(), fsRaised, 10, 10, 20, 20, clRed, clGreen, clBlue, clOlive, clPurple);
  TCanvas& c = b.Canvas();
  EXPECT_EQ(c.Pixels(10, 10), clRed);    // C1, outer top-left
  EXPECT_EQ(c.Pixels(20, 20), clOlive);  // C4, outer bottom-right
  EXPECT_EQ(c.Pixels(11, 11), clGreen);  // C2, inner top-left
  EXPECT_EQ(c.Pixels(19, 19), clBlue);   // C3, inner bottom-right
  EXPECT_EQ(c.Pixels(20, 10), clRed);    // the top edge runs to Right
  EXPECT_EQ(c.Pixels(10, 20), clOlive);  // the bottom edge runs to Left
  EXPECT_EQ(c.Pixels(21, 10), kWhitePixel);
  EXPECT_EQ(c.Pixels(15, 15), kWhitePixel);
  EXPECT_EQ(c.Pen().Color(), clBlue);  // the pen keeps colour D
}

TEST(Frames, NoneAndUnknownStylesDrawNothingSimpleUsesC5) {
  for (int style : {0, 6, 7, 127, 128, 134}) {
    SCOPED_TRACE(style);
    TBitmap b(16, 16);
    DrawFrame(b.Canvas(), static_cast<TFrameStyle>(style), 2, 2, 12, 12, clRed, clGreen, clBlue,
              clOlive, clPurple);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) ASSERT_EQ(b.Canvas().Pixels(x, y), kWhitePixel);
  }
  TBitmap b(16, 16);
  DrawFrame(b.Canvas(), static_cast<TFrameStyle>(129), 2, 2, 12, 12, clRed, clGreen, clBlue,
            clOlive, clPurple);
  EXPECT_EQ(Mask(b.Canvas(), 2, 2, 11, 11, clPurple)[0], "###########");
  EXPECT_EQ(Mask(b.Canvas(), 2, 2, 11, 11, clPurple)[5], "#.........#");
}

TEST(DrawRectangle, CoversAllFourCorners) {
  TBitmap b(10, 10);
  b.Canvas().Pen().SetColor(clRed);
  DrawRectangle(b.Canvas(), 6, 5, 2, 1);  // corners in any order
  EXPECT_EQ(Mask(b.Canvas(), 1, 0, 7, 7, clRed),
            (std::vector<std::string>{".......", ".#####.", ".#...#.", ".#...#.", ".#...#.",
                                      ".#####.", "......."}));
  EXPECT_EQ(b.Canvas().PenPos(), Point(6, 5));
}

TEST(CreateMarkAsBitmap, SizeFollowsTheClampedMargin) {
  struct Case {
    int margin, side;
  } cases[] = {{-1, 7}, {0, 7}, {1, 9}, {10, 27}, {255, 517}, {300, 517}, {INT32_MIN, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.margin);
    auto b = CreateMarkAsBitmap(9, clRed, clYellow, c.margin);
    ASSERT_EQ(b->Width(), c.side);
    ASSERT_EQ(b->Height(), c.side);
    const int m = (c.side - 7) / 2;
    const TColor corner = m > 0 ? clYellow : clRed;  // without margin the mark fills it
    EXPECT_EQ(b->Canvas().Pixels(0, 0), corner);
    EXPECT_EQ(b->Canvas().Pixels(c.side - 1, c.side - 1), corner);
    EXPECT_EQ(b->Canvas().Pixels(m, m), clRed);  // mark 9 fills the 7 x 7 block
    EXPECT_EQ(b->Canvas().Pixels(m + 6, m + 6), clRed);
  }
}

// The text sheet against the running system's own image: FreeType and GDI
// shade glyphs differently, so Linux and Windows each have one.
TEST(TextSheet, MatchesTheGoldenImageOfThisSystem) {
  for (const char* family : zel_golden::kTextFamilies)
    if (!platform::Fonts().IsInstalled(family))
      GTEST_SKIP() << family << " is not installed (fonts-dejavu-core)";
  TBitmap want;
  want.LoadFromFile(DataFile(zel_golden::TextGoldenFile()));
  const auto got = zel_golden::TextSheet();
  // Compared in ten bands of rows, so a failure says where.
  constexpr int kBands = 10;
  static_assert(zel_golden::kTextHeight % kBands == 0);
  ExpectSameCells(*got, want, zel_golden::kTextWidth, zel_golden::kTextHeight / kBands,
                  Range(kBands), "band");
  // The sheet is not blank: every family drew.
  int ink = 0;
  for (int y = 0; y < got->Height(); ++y)
    for (int x = 0; x < got->Width(); ++x) ink += got->Canvas().Pixels(x, y) != kWhitePixel;
  EXPECT_GT(ink, 3000);
}

// A font service that reports a fixed format and screen resolution.
struct FakeFonts : platform::NativeFontServices {
  std::string format = "TrueType";
  int32_t ppi = 96;
  bool IsInstalled(const std::string& family) override { return family != "Missing"; }
  std::string FontFormat(const std::string&) override { return format; }
  int32_t ScreenPixelsPerInch() override { return ppi; }
};

TEST(FontIsTrueType, FormatsAndUnknownFamilies) {
  if (!platform::Fonts().IsInstalled("DejaVu Sans")) GTEST_SKIP() << "fonts-dejavu-core is missing";
  EXPECT_TRUE(FontIsTrueType(u"DejaVu Sans"));
  EXPECT_TRUE(FontIsTrueType(u"dejavu sans mono"));
  try {
    FontIsTrueType(u"No Such Family 4711");
    ADD_FAILURE() << "no exception";
  } catch (const EZELError& e) {
    EXPECT_EQ(e.Message(), u"Font \"No Such Family 4711\" is not installed");
  }
  EXPECT_THROW(FontIsTrueType(u""), EZELError);

  FakeFonts fake;
  platform::ScopedBackend<platform::FontServices> guard(&fake, &platform::SetFontsBackend);
  struct Case {
    const char* format;
    bool truetype;
  } cases[] = {{"TrueType", true},    {"CFF", true},  {"Type 1", false},
               {"CID Type 1", false}, {"PCF", false}, {"BDF", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    fake.format = c.format;
    EXPECT_EQ(FontIsTrueType(u"Any"), c.truetype);
  }
  EXPECT_THROW(FontIsTrueType(u"Missing"), EZELError);
}

TEST(SetCanvasFontSizeScaled, PixelHeightIsTheScreens) {
  FakeFonts fake;
  platform::ScopedBackend<platform::FontServices> guard(&fake, &platform::SetFontsBackend);
  struct Case {
    int32_t screen, canvas, size, height;
  } cases[] = {{96, 96, 10, -13}, {96, 300, 10, -13}, {120, 96, 12, -20}, {96, 600, 72, -96}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.screen) + " " + std::to_string(c.canvas));
    fake.ppi = c.screen;
    TBitmap b(1, 1);
    b.Canvas().Font().SetPixelsPerInch(c.canvas);
    SetCanvasFontSizeScaled(b.Canvas(), c.size);
    EXPECT_EQ(b.Canvas().Font().Height(), c.height);
    EXPECT_EQ(b.Canvas().Font().PixelsPerInch(), c.canvas);
  }
}

TEST(PrintBitmap, CopiesOnePixelPerPrinterPixel) {
  zel_test::TempDir dir;
#ifdef _WIN32
  // Windows prints through the spooler: the pages are drawn without a printer.
  zel_golden::DrawingOnlyPrinting paper;
  platform::ScopedBackend<platform::PrintServices> guard(&paper, &platform::SetPrintingBackend);
#endif
  TPrinter printer;
  printer.SetFileName(dir.File("b.pdf"));
  TPrinter* previous = SetPrinter(&printer);
  TBitmap b(3, 2);
  b.Canvas().SetPixels(0, 0, clRed);
  b.Canvas().SetPixels(2, 1, clBlue);
  PrintBitmap(b, 100, 50);  // no document: nothing to draw on
  printer.BeginDoc();
  PrintBitmap(b, 100, 50);
  PrintBitmap(b, -1, -1);  // clipped at the page's edge
  PrintBitmap(b, printer.PageWidth() - 1, printer.PageHeight() - 1);
  TCanvas& c = printer.Canvas();
  EXPECT_EQ(c.Pixels(100, 50), clRed);
  EXPECT_EQ(c.Pixels(101, 50), clWhite);
  EXPECT_EQ(c.Pixels(102, 51), clBlue);
  EXPECT_EQ(c.Pixels(103, 51), clWhite);
  EXPECT_EQ(c.Pixels(1, 0), clBlue);
  EXPECT_EQ(c.Pixels(printer.PageWidth() - 1, printer.PageHeight() - 1), clRed);
  printer.EndDoc();
  SetPrinter(previous == &printer ? nullptr : previous);
  EXPECT_TRUE(std::filesystem::exists(dir.Path() / "b.pdf"));
}

}  // namespace
}  // namespace zel
