#include "zel/runtime/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "zel/runtime/bitmap.h"
#include "zel/runtime/internal/glyph_cache.h"

namespace zel {
namespace {

std::vector<std::string> Mask(const TCanvas& c, int x0, int y0, int w, int h, TColor ink) {
  std::vector<std::string> rows;
  for (int y = y0; y < y0 + h; ++y) {
    std::string row;
    for (int x = x0; x < x0 + w; ++x) row += c.Pixels(x, y) == ink ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

int Count(const TCanvas& c, TColor ink) {
  int n = 0;
  const TRect r = c.ClipRect();
  for (int y = 0; y < r.Bottom; ++y)
    for (int x = 0; x < r.Right; ++x) n += c.Pixels(x, y) == ink;
  return n;
}

TEST(CanvasLine, CoversTheStartAndNotTheEnd) {
  struct Case {
    int x1, y1, x2, y2;
  } cases[] = {{2, 2, 12, 2},  {12, 2, 2, 2}, {3, 1, 3, 15}, {3, 15, 3, 1}, {1, 1, 14, 14},
               {14, 1, 1, 14}, {0, 0, 15, 4}, {15, 4, 0, 0}, {2, 0, 6, 15}, {8, 8, 8, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x1) + "," + std::to_string(c.y1) + " -> " + std::to_string(c.x2) +
                 "," + std::to_string(c.y2));
    TBitmap b(16, 16);
    b.Canvas().Pen().SetColor(clRed);
    b.Canvas().MoveTo(c.x1, c.y1);
    b.Canvas().LineTo(c.x2, c.y2);
    const int steps = std::max(std::abs(c.x2 - c.x1), std::abs(c.y2 - c.y1));
    EXPECT_EQ(Count(b.Canvas(), clRed), steps);
    if (steps > 0) {
      EXPECT_EQ(b.Canvas().Pixels(c.x1, c.y1), clRed);
    }
    EXPECT_NE(b.Canvas().Pixels(c.x2, c.y2), clRed);
    EXPECT_EQ(b.Canvas().PenPos(), Point(c.x2, c.y2));
  }
}

TEST(CanvasLine, BresenhamSteps) {
  TBitmap b(8, 4);
  b.Canvas().Pen().SetColor(clRed);
  b.Canvas().MoveTo(0, 0);
  b.Canvas().LineTo(6, 2);  // minor offset round(i / 3), halves away from the start
  EXPECT_EQ(Mask(b.Canvas(), 0, 0, 8, 3, clRed),
            (std::vector<std::string>{"##......", "..###...", ".....#.."}));
}

TEST(CanvasLine, PenStylesAndWidths) {
  struct Case {
    TPenStyle style;
    const char* row;
  } cases[] = {
      {psSolid, "##############################"},
      {psInsideFrame, "##############################"},
      {psDash, "##################......######"},
      {psDot, "###...###...###...###...###..."},
      {psDashDot, "#########......###......######"},
      {psDashDotDot, "#########...###...###...######"},
      {psClear, ".............................."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style));
    TBitmap b(30, 1);
    b.Canvas().Pen().SetColor(clRed);
    b.Canvas().Pen().SetStyle(c.style);
    b.Canvas().MoveTo(0, 0);
    b.Canvas().LineTo(30, 0);
    EXPECT_EQ(Mask(b.Canvas(), 0, 0, 30, 1, clRed)[0], c.row);
  }
  TBitmap b(8, 8);
  b.Canvas().Pen().SetColor(clRed);
  b.Canvas().Pen().SetWidth(3);
  b.Canvas().Pen().SetStyle(psDot);  // wider pens draw solid
  b.Canvas().MoveTo(2, 3);
  b.Canvas().LineTo(5, 3);
  EXPECT_EQ(Mask(b.Canvas(), 0, 1, 8, 5, clRed),
            (std::vector<std::string>{"........", ".#####..", ".#####..", ".#####..", "........"}));
  b.Canvas().Pen().SetWidth(-5);
  EXPECT_EQ(b.Canvas().Pen().Width(), 1);
}

TEST(CanvasShapes, RectangleCoversTheBoxOutlineInside) {
  for (bool swapped : {false, true}) {
    SCOPED_TRACE(swapped);
    TBitmap b(10, 9);
    TCanvas& c = b.Canvas();
    c.Pen().SetColor(clRed);
    c.Brush().SetColor(clBlue);
    if (swapped)
      c.Rectangle(8, 7, 2, 1);
    else
      c.Rectangle(2, 1, 8, 7);
    EXPECT_EQ(Mask(c, 0, 0, 10, 9, clRed),
              (std::vector<std::string>{"..........", "..######..", "..#....#..", "..#....#..",
                                        "..#....#..", "..#....#..", "..######..", "..........",
                                        ".........."}));
    EXPECT_EQ(Count(c, clBlue), 16);
    EXPECT_EQ(c.Pixels(3, 2), clBlue);
  }
  // Clear brush: the inside stays; clear pen: the brush fills the whole box.
  TBitmap b(10, 10);
  b.Canvas().Brush().SetStyle(bsClear);
  b.Canvas().Pen().SetColor(clRed);
  b.Canvas().Rectangle(0, 0, 5, 5);
  EXPECT_EQ(Count(b.Canvas(), clRed), 16);
  b.Canvas().Pen().SetStyle(psClear);
  b.Canvas().Brush().SetStyle(bsSolid);
  b.Canvas().Brush().SetColor(clBlue);
  b.Canvas().Rectangle(5, 5, 10, 10);
  EXPECT_EQ(Count(b.Canvas(), clBlue), 25);
  // Width 2: a two-pixel outline inside the box.
  TBitmap w(8, 8);
  w.Canvas().Pen().SetColor(clRed);
  w.Canvas().Pen().SetWidth(2);
  w.Canvas().Brush().SetColor(clBlue);
  w.Canvas().Rectangle(1, 1, 7, 7);
  EXPECT_EQ(Count(w.Canvas(), clRed), 32);
  EXPECT_EQ(Count(w.Canvas(), clBlue), 4);
}

TEST(CanvasShapes, FillRectAndBrushStyles) {
  TBitmap b(16, 16);
  b.Canvas().Brush().SetColor(clGreen);
  b.Canvas().Pen().SetColor(clRed);
  b.Canvas().FillRect(Rect(4, 2, 1, 5));  // corners in any order, pen unused
  EXPECT_EQ(Count(b.Canvas(), clGreen), 9);
  EXPECT_EQ(Count(b.Canvas(), clRed), 0);
  struct Case {
    TBrushStyle style;
    int pixels;  // of a 16 x 16 fill
  } cases[] = {{bsSolid, 256},    {bsClear, 0},      {bsHorizontal, 32}, {bsVertical, 32},
               {bsFDiagonal, 32}, {bsBDiagonal, 32}, {bsCross, 60},      {bsDiagCross, 64}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style));
    TBitmap h(16, 16);
    h.Canvas().Brush().SetColor(clGreen);
    h.Canvas().Brush().SetStyle(c.style);
    h.Canvas().FillRect(h.Canvas().ClipRect());
    EXPECT_EQ(Count(h.Canvas(), clGreen), c.pixels);
  }
}

TEST(CanvasShapes, EllipsesStayInTheirBox) {
  struct Case {
    int w, h;
    std::vector<std::string> rows;
  } cases[] = {
      {5, 5, {".###.", "#...#", "#...#", "#...#", ".###."}},
      {4, 4, {".##.", "#..#", "#..#", ".##."}},
      {7, 7, {"..###..", ".#...#.", "#.....#", "#.....#", "#.....#", ".#...#.", "..###.."}},
      {1, 1, {"#"}},
      {6, 3, {".####.", "#....#", ".####."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    TBitmap b(c.w + 4, c.h + 4);
    b.Canvas().Pen().SetColor(clRed);
    b.Canvas().Brush().SetColor(clBlue);
    b.Canvas().Ellipse(2, 2, 2 + c.w, 2 + c.h);
    EXPECT_EQ(Mask(b.Canvas(), 2, 2, c.w, c.h, clRed), c.rows);
    // Inside the outline the brush, outside the box nothing.
    int outline = 0;
    for (const auto& r : c.rows) outline += static_cast<int>(std::count(r.begin(), r.end(), '#'));
    EXPECT_EQ(Count(b.Canvas(), clRed), outline);
    EXPECT_EQ(Count(b.Canvas(), clRed) + Count(b.Canvas(), clBlue) + Count(b.Canvas(), clWhite),
              (c.w + 4) * (c.h + 4));
    if (c.w >= 5) {
      EXPECT_EQ(b.Canvas().Pixels(2 + c.w / 2, 2 + c.h / 2), clBlue);
    }
  }
}

TEST(CanvasShapes, PolygonFillsInsideAndOutlinesEveryEdge) {
  TBitmap b(9, 9);
  b.Canvas().Pen().SetColor(clRed);
  b.Canvas().Brush().SetColor(clBlue);
  b.Canvas().Polygon({{1, 1}, {7, 1}, {4, 7}});
  EXPECT_EQ(
      Mask(b.Canvas(), 0, 0, 9, 9, clRed),
      (std::vector<std::string>{".........", ".#######.", ".#....#..", "..#...#..", "..#..#...",
                                "...#.#...", "...##....", "....#....", "........."}));
  EXPECT_EQ(
      Mask(b.Canvas(), 0, 0, 9, 9, clBlue),
      (std::vector<std::string>{".........", ".........", "..####...", "...###...", "...##....",
                                "....#....", ".........", ".........", "........."}));
  // Even-odd: a self-crossing star leaves its centre unfilled.
  TBitmap s(21, 21);
  s.Canvas().Pen().SetStyle(psClear);
  s.Canvas().Brush().SetColor(clBlue);
  s.Canvas().Polygon({{10, 0}, {16, 20}, {0, 7}, {20, 7}, {4, 20}});
  EXPECT_EQ(s.Canvas().Pixels(10, 10), clWhite);
  EXPECT_EQ(s.Canvas().Pixels(10, 3), clBlue);
  // Polyline: the open path, its last point not covered.
  TBitmap p(6, 6);
  p.Canvas().Pen().SetColor(clRed);
  p.Canvas().Polyline({{0, 0}, {4, 0}, {4, 4}});
  EXPECT_EQ(Count(p.Canvas(), clRed), 8);
  EXPECT_EQ(p.Canvas().Pixels(4, 3), clRed);
  EXPECT_NE(p.Canvas().Pixels(4, 4), clRed);
  EXPECT_EQ(p.Canvas().PenPos(), Point(4, 4));
  // Fewer than two points draw nothing.
  TBitmap n(4, 4);
  n.Canvas().Polygon({{1, 1}});
  n.Canvas().Polygon({});
  EXPECT_EQ(Count(n.Canvas(), clWhite), 16);
}

TEST(CanvasPixels, OutsideReadsNoColourAndWritesNothing) {
  TBitmap b(4, 3);
  TCanvas& c = b.Canvas();
  c.SetPixels(1, 2, 0x123456);
  EXPECT_EQ(c.Pixels(1, 2), 0x123456u);
  EXPECT_EQ(b.ScanLine(2)[1], 0xFF563412u);  // stored 0xAARRGGBB
  c.SetPixels(0, 0, 0xFF00FFFFu);            // the flag byte is ignored
  EXPECT_EQ(c.Pixels(0, 0), 0x00FFFFu);
  for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {INT32_MIN, INT32_MAX}}) {
    SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
    c.SetPixels(x, y, clRed);
    EXPECT_EQ(c.Pixels(x, y), 0xFFFFFFFFu);
  }
  EXPECT_EQ(Count(c, clRed), 0);
  TCanvas detached;
  detached.SetPixels(0, 0, clRed);
  detached.Rectangle(0, 0, 5, 5);
  EXPECT_EQ(detached.Pixels(0, 0), 0xFFFFFFFFu);
}

TEST(CanvasPixels, FarCoordinatesAreClipped) {
  TBitmap b(20, 20);
  TCanvas& c = b.Canvas();
  c.Pen().SetColor(clRed);
  c.Brush().SetColor(clBlue);
  c.MoveTo(INT32_MIN, INT32_MIN);
  c.LineTo(INT32_MAX, INT32_MAX);  // passes through the bitmap's diagonal
  EXPECT_EQ(c.Pixels(0, 0), clRed);
  EXPECT_EQ(c.Pixels(19, 19), clRed);
  c.Pen().SetWidth(1000);
  c.MoveTo(-50000000, 10);
  c.LineTo(50000000, 10);
  c.Pen().SetWidth(1);
  c.Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  c.Ellipse(-2000000000, -2000000000, 2000000000, 2000000000);
  c.Polygon({{INT32_MIN, INT32_MIN}, {INT32_MAX, 0}, {0, INT32_MAX}});
  c.FillRect(Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
  c.TextOut(INT32_MAX, INT32_MIN, u"far");
  EXPECT_EQ(Count(c, clBlue), 400);
}

TEST(CanvasText, ExtentGlyphsAndBackground) {
  TBitmap b(200, 40);
  TCanvas& c = b.Canvas();
  c.Font().SetName(u"DejaVu Sans");
  c.Font().SetSize(12);
  const TSize e = c.TextExtent(u"Hello");
  EXPECT_GT(e.cx, 20);
  EXPECT_EQ(e.cy, c.TextHeight(u"x"));
  EXPECT_GE(e.cy, 16);  // 16 pixels of em at 96 pixels per inch, plus leading
  EXPECT_EQ(c.TextWidth(u"iiii"), 4 * c.TextWidth(u"i"));
  EXPECT_EQ(c.TextWidth(u""), 0);

  c.Font().SetColor(clRed);
  c.Brush().SetStyle(bsClear);
  c.TextOut(10, 5, u"Hello");
  EXPECT_EQ(c.PenPos(), Point(10 + e.cx, 5));
  int ink = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) {
      if (c.Pixels(x, y) != clRed) continue;
      ++ink;
      if (x < 10 || x >= 10 + e.cx || y < 5 || y >= 5 + e.cy) ++outside;
    }
  EXPECT_GT(ink, 30);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(Count(c, clWhite) + ink, 200 * 40);  // no anti-aliasing: two colours only

  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clBlue);
  c.TextOut(100, 5, u"Hello");
  EXPECT_EQ(Count(c, clBlue) + Count(c, clRed), 2 * ink + (e.cx * e.cy - ink));
}

TEST(CanvasText, MissingFamiliesFallBackAndStylesWiden) {
  TBitmap b(10, 10);
  TCanvas& c = b.Canvas();
  c.Font().SetName(u"No Such Family 4711");
  EXPECT_GT(c.TextWidth(u"abc"), 0);
  c.Font().SetName(u"DejaVu Sans");
  const int plain = c.TextWidth(u"abcdef");
  c.Font().SetStyle({fsBold});
  EXPECT_GT(c.TextWidth(u"abcdef"), plain);
  // Heights: negative is the em, positive the cell; both clamp.
  for (int32_t h : {-13, 13, 0, INT32_MIN, INT32_MAX, 1, -1}) {
    SCOPED_TRACE(h);
    c.Font().SetHeight(h);
    EXPECT_GT(c.TextHeight(u"x"), 0);
  }
  c.Font().SetHeight(20);
  EXPECT_LE(std::abs(c.TextHeight(u"x") - 20), 1);
}

TEST(CanvasText, GlyphsRenderOncePerFaceAndSize) {
  TBitmap b(400, 30);
  TCanvas& c = b.Canvas();
  c.Font().SetName(u"DejaVu Sans Mono");
  c.Font().SetSize(11);
  const String line = u"The quick brown fox jumps over the lazy";
  c.TextOut(0, 0, line);
  const uint64_t after_first = internal::GlyphCache::Instance().Renderings();
  for (int i = 0; i < 5; ++i) c.TextOut(0, 0, line);
  EXPECT_EQ(internal::GlyphCache::Instance().Renderings(), after_first);
}

TEST(CanvasText, CanvasesOfSeveralThreadsDrawTheSameText) {
  auto draw = [](int size) {
    auto b = std::make_unique<TBitmap>(300, 40);
    b->Canvas().Font().SetName(u"DejaVu Serif");
    b->Canvas().Font().SetSize(size);
    b->Canvas().TextOut(2, 2, u"Threads share the glyph cache");
    return b;
  };
  std::vector<std::unique_ptr<TBitmap>> got(4);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < got.size(); ++i)
    threads.emplace_back([&, i] { got[i] = draw(9 + static_cast<int>(i % 2)); });
  for (auto& t : threads) t.join();
  for (size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    const auto want = draw(9 + static_cast<int>(i % 2));
    for (int y = 0; y < 40; ++y)
      ASSERT_TRUE(std::equal(want->ScanLine(y), want->ScanLine(y) + 300, got[i]->ScanLine(y)));
  }
}

TEST(CanvasText, SurrogatePairsAreOneCharacter) {
  EXPECT_EQ(internal::ToCodePoints(u"a\U0001F600b"), (std::u32string{U'a', 0x1F600, U'b'}));
  EXPECT_EQ(internal::ToCodePoints(String(1, char16_t(0xD800)) + u"x"),
            (std::u32string{0xFFFD, U'x'}));
}

// Characters beyond U+FFFF come as surrogate pairs and draw as one glyph;
// one the face lacks draws its missing-glyph shape.
TEST(CanvasText, CharactersBeyondTheBmpDrawOneGlyph) {
  TBitmap b(120, 40);
  TCanvas& c = b.Canvas();
  c.Font().SetName(u"DejaVu Sans");
  c.Font().SetSize(14);
  c.Brush().SetStyle(bsClear);
  c.Font().SetColor(clRed);
  const int32_t smiley = c.TextWidth(u"\U0001F600");  // DejaVu Sans has it
  EXPECT_GT(smiley, 5);
  EXPECT_EQ(c.TextWidth(u"\U0001F600\U0001F600"), 2 * smiley);
  c.TextOut(2, 2, u"\U0001F600");
  EXPECT_GT(Count(c, clRed), 20);
  // Two Deseret letters, both missing: the same shape.
  const String missing[] = {u"\U00010400", u"\U00010401"};
  std::vector<std::string> drawn[2];
  for (int i = 0; i < 2; ++i) {
    TBitmap m(40, 40);
    m.Canvas().Font().Assign(&c.Font());
    m.Canvas().Brush().SetStyle(bsClear);
    m.Canvas().TextOut(4, 4, missing[i]);
    drawn[i] = Mask(m.Canvas(), 0, 0, 40, 40, clRed);
    EXPECT_GT(Count(m.Canvas(), clRed), 4) << i;
  }
  EXPECT_EQ(drawn[0], drawn[1]);
}

TEST(PenBrush, AssignAndChangeEvents) {
  TPen a, b;
  int changes = 0;
  b.SetOnChange([&](TObject*) { ++changes; });
  a.SetColor(clRed);
  a.SetWidth(3);
  a.SetStyle(psDot);
  b.Assign(&a);
  b.Assign(&a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.Color(), clRed);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Style(), psDot);
  TBrush br;
  EXPECT_EQ(br.Color(), clWhite);
  EXPECT_EQ(br.Style(), bsSolid);
  br.SetStyle(static_cast<TBrushStyle>(99));
  EXPECT_EQ(br.Style(), bsSolid);
}

}  // namespace
}  // namespace zel
