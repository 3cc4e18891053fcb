#include "zel/base/drawing.h"

#include <algorithm>
#include <string>

#include "zel/base/errors.h"
#include "zel/platform/fonts.h"
#include "zel/runtime/printer.h"
#include "zel/runtime/utf8.h"

namespace zel {

namespace {

// Positions are brought into the canvas's coordinate range first, so the
// offsets of the shapes cannot overflow; the canvas clips what lies outside.
constexpr int32_t kFar = int32_t{1} << 24;
int32_t Near(int32_t v) { return std::clamp(v, -kFar, kFar); }

// Rows Y-3..Y+3 of the pixel-pattern marks, bit 6 = column X-3.
struct Pattern {
  uint8_t rows[7];
};
constexpr Pattern kPlus1{{0, 0, 0x08, 0x1C, 0x08, 0, 0}};
constexpr Pattern kPlus2{{0, 0x08, 0x08, 0x3E, 0x08, 0x08, 0}};
constexpr Pattern kPlus3{{0x08, 0x08, 0x08, 0x7F, 0x08, 0x08, 0x08}};
constexpr Pattern kCross1{{0, 0, 0x14, 0x08, 0x14, 0, 0}};
constexpr Pattern kCross2{{0, 0x22, 0x14, 0x08, 0x14, 0x22, 0}};
constexpr Pattern kCross3{{0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41}};
constexpr Pattern kChecker{{0x55, 0x2A, 0x55, 0x2A, 0x55, 0x2A, 0x55}};

void DrawPattern(TCanvas& c, const Pattern& p, int32_t x, int32_t y) {
  const TColor color = c.Pen().Color();
  for (int r = 0; r < 7; ++r)
    for (int k = 0; k < 7; ++k)
      if ((p.rows[r] >> (6 - k)) & 1) c.SetPixels(x - 3 + k, y - 3 + r, color);
}

void Line(TCanvas& c, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  c.MoveTo(x1, y1);
  c.LineTo(x2, y2);
}

// Keeps the caller's brush colour and style across a shape.
class BrushKeeper {
 public:
  explicit BrushKeeper(TCanvas& c) : c_(c), color_(c.Brush().Color()), style_(c.Brush().Style()) {}
  ~BrushKeeper() {
    c_.Brush().SetColor(color_);
    c_.Brush().SetStyle(style_);
  }
  BrushKeeper(const BrushKeeper&) = delete;
  BrushKeeper& operator=(const BrushKeeper&) = delete;

  void Filled() {
    c_.Brush().SetColor(c_.Pen().Color());
    c_.Brush().SetStyle(bsSolid);
  }
  void Hollow() { c_.Brush().SetStyle(bsClear); }

 private:
  TCanvas& c_;
  TColor color_;
  TBrushStyle style_;
};

void Triangle(TCanvas& c, BrushKeeper& brush, bool filled, TPoint a, TPoint b, TPoint d) {
  if (filled)
    brush.Filled();
  else
    brush.Hollow();
  c.Polygon({a, b, d});
}

void CircleShape(TCanvas& c, BrushKeeper& brush, bool filled, int32_t x1, int32_t y1, int32_t x2,
                 int32_t y2) {
  if (filled)
    brush.Filled();
  else
    brush.Hollow();
  c.Ellipse(x1, y1, x2, y2);
}

void Plus49(TCanvas& c, int32_t x, int32_t y) {
  Line(c, x - 4, y, x + 5, y);
  Line(c, x, y - 4, x, y + 5);
}

void DrawShape(TCanvas& c, uint8_t mark, int32_t x, int32_t y) {
  const bool printer = IsPrinterCanvas(c);
  BrushKeeper brush(c);
  switch (mark) {
    case 0:
      c.SetPixels(x, y, c.Pen().Color());
      break;
    case 1:
    case 2:
    case 3:
      if (printer) {
        const int32_t a = mark + 1;
        Line(c, x - a, y, x + a, y);
        Line(c, x, y - a, x, y + a);
      } else {
        DrawPattern(c, mark == 1 ? kPlus1 : mark == 2 ? kPlus2 : kPlus3, x, y);
      }
      break;
    case 4:
    case 5:
    case 6:
      if (printer) {
        const int32_t a = mark - 2;
        Line(c, x - a, y - a, x + a, y + a);
        Line(c, x - a, y + a, x + a, y - a);
      } else {
        DrawPattern(c, mark == 4 ? kCross1 : mark == 5 ? kCross2 : kCross3, x, y);
      }
      break;
    case 7:
    case 8:
    case 9: {
      const int32_t a = mark - 6;
      brush.Filled();
      c.Rectangle(x - a, y - a, x + a + 1, y + a + 1);
      break;
    }
    case 10:
    case 11:
    case 12: {
      const int32_t a = mark - 9;
      DrawRectangle(c, x - a, y - a, x + a, y + a);
      break;
    }
    case 13:
    case 19:
      c.MoveTo(x - 3, y);
      c.LineTo(x, y + 3);
      c.LineTo(x + 3, y);
      c.LineTo(x, y - 3);
      c.LineTo(x - 3, y);
      if (mark == 13) c.SetPixels(x, y, c.Pen().Color());
      break;
    case 14:
    case 15: {
      const int32_t a = mark - 12;
      brush.Filled();
      c.Polygon({{x - a, y}, {x, y + a}, {x + a, y}, {x, y - a}});
      break;
    }
    case 16:
    case 17: {
      const int32_t a = mark - 14;
      CircleShape(c, brush, false, x - a, y - a, x + a + 1, y + a + 1);
      break;
    }
    case 18:
      DrawPattern(c, kChecker, x, y);
      break;
    case 20:
    case 21: {
      const int32_t a = mark - 17;
      Line(c, x, y, x - a, y + a);
      Line(c, x, y, x + a, y + a);
      break;
    }
    case 22:
    case 23: {
      const int32_t a = mark - 19;
      Line(c, x, y, x - a, y - a);
      Line(c, x, y, x + a, y - a);
      break;
    }
    case 24:
      CircleShape(c, brush, true, x - 3, y - 3, x + 4, y + 4);
      break;
    case 25: {
      const int32_t a = printer ? 3 : 4, b = printer ? 2 : 3;
      Line(c, x - 3, y - 3, x + a, y + a);
      Line(c, x - 3, y - 2, x + b, y + a);
      Line(c, x - 2, y - 3, x + a, y + b);
      Line(c, x - 3, y + 3, x + a, y - a);
      Line(c, x - 3, y + 2, x + b, y - a);
      Line(c, x - 2, y + 3, x + a, y - b);
      break;
    }
    case 26:
      CircleShape(c, brush, true, x - 2, y - 2, x + 3, y + 3);
      break;
    case 27:
    case 28:
      CircleShape(c, brush, mark == 28, x - 2, y - 2, x + 2, y + 2);
      break;
    case 29:
    case 30:
    case 31:
    case 32: {
      const int32_t a = (mark == 29 || mark == 31) ? 2 : 3;
      Triangle(c, brush, mark <= 30, {x - a, y}, {x, y + a}, {x + a, y});
      break;
    }
    case 33:
    case 34:
      Triangle(c, brush, mark == 34, {x - 4, y - 3}, {x, y + 4}, {x + 4, y - 3});
      break;
    case 35:
    case 36:
      Triangle(c, brush, mark == 36, {x - 4, y + 3}, {x, y - 4}, {x + 4, y + 3});
      break;
    case 37:
      Line(c, x - 3, y, x + 4, y);
      Line(c, x, y, x, y - 8);
      break;
    case 38:
      Line(c, x - 3, y - 2, x + 4, y - 2);
      Line(c, x - 3, y + 2, x + 4, y + 2);
      Line(c, x, y - 2, x, y + 2);
      break;
    case 39:
      CircleShape(c, brush, false, x - 3, y - 3, x + 4, y + 4);
      Line(c, x - 3, y, x + 4, y);
      Line(c, x, y - 3, x, y + 4);
      break;
    case 40:
    case 41:
      Triangle(c, brush, mark == 41, {x + 3, y - 2}, {x - 2, y}, {x + 3, y + 2});
      break;
    case 42:
    case 43:
      Triangle(c, brush, mark == 43, {x + 4, y - 3}, {x - 3, y}, {x + 4, y + 3});
      break;
    case 44:
    case 45:
      Triangle(c, brush, mark == 45, {x - 3, y - 2}, {x + 2, y}, {x - 3, y + 2});
      break;
    case 46:
    case 47:
      Triangle(c, brush, mark == 47, {x - 4, y - 3}, {x + 3, y}, {x - 4, y + 3});
      break;
    case 48:
      brush.Hollow();
      c.Rectangle(x - 3, y - 3, x + 4, y + 4);
      Line(c, x - 3, y, x + 4, y);
      Line(c, x, y - 3, x, y + 4);
      break;
    case 49:
      brush.Hollow();
      c.Rectangle(x - 2, y - 2, x + 3, y + 3);
      Plus49(c, x, y);
      break;
    case 50:
      Plus49(c, x, y);
      Line(c, x - 3, y - 3, x + 4, y + 4);
      Line(c, x - 3, y + 3, x + 4, y - 4);
      break;
    case 51:
      Plus49(c, x, y);
      Line(c, x - 1, y - 3, x + 2, y - 3);
      Line(c, x - 1, y + 3, x + 2, y + 3);
      Line(c, x - 3, y - 1, x - 3, y + 2);
      Line(c, x + 3, y - 1, x + 3, y + 2);
      break;
    default:
      break;
  }
}

}  // namespace

void DrawRectangle(TCanvas& Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  Canvas.MoveTo(X1, Y1);
  Canvas.LineTo(X1, Y2);
  Canvas.LineTo(X2, Y2);
  Canvas.LineTo(X2, Y1);
  Canvas.LineTo(X1, Y1);
}

void DrawFrame(TCanvas& Canvas, TFrameStyle Style, int32_t Left, int32_t Top, int32_t Right,
               int32_t Bottom, TColor C1, TColor C2, TColor C3, TColor C4, TColor C5) {
  Left = Near(Left);
  Top = Near(Top);
  Right = Near(Right);
  Bottom = Near(Bottom);
  TColor a, b, c, d;
  switch (static_cast<uint8_t>(Style) % 128) {
    case fsSimple:
      Canvas.Pen().SetColor(C5);
      DrawRectangle(Canvas, Left, Top, Right, Bottom);
      return;
    case fsLowered:
      a = C3, b = C1, c = C4, d = C2;
      break;
    case fsRaised:
      a = C1, b = C4, c = C2, d = C3;
      break;
    case fsEmbossed:
      a = C1, b = C3, c = C3, d = C1;
      break;
    case fsEngraved:
      a = C3, b = C1, c = C1, d = C3;
      break;
    default:
      return;
  }
  TPen& pen = Canvas.Pen();
  pen.SetColor(a);
  Canvas.MoveTo(Left, Bottom);
  Canvas.LineTo(Left, Top);
  Canvas.LineTo(Right + 1, Top);
  Canvas.MoveTo(Right, Top + 1);
  pen.SetColor(b);
  Canvas.LineTo(Right, Bottom);
  Canvas.LineTo(Left - 1, Bottom);
  pen.SetColor(c);
  Canvas.MoveTo(Left + 1, Bottom - 1);
  Canvas.LineTo(Left + 1, Top + 1);
  Canvas.LineTo(Right, Top + 1);
  Canvas.MoveTo(Right - 1, Top + 2);
  pen.SetColor(d);
  Canvas.LineTo(Right - 1, Bottom - 1);
  Canvas.LineTo(Left, Bottom - 1);
}

Char MarkCharacter(uint8_t Mark) noexcept {
  if (Mark < kMarkShapeCount) return 0;
  if (Mark >= 200 && Mark <= 209) return static_cast<Char>(u'0' + (Mark - 200));
  const char byte = static_cast<char>(Mark);
  return Cp1252ToString(std::string_view(&byte, 1))[0];
}

void DrawMarkOnCanvas(TCanvas& Canvas, uint8_t Mark, int32_t X, int32_t Y) {
  X = Near(X);
  Y = Near(Y);
  if (Mark < kMarkShapeCount) {
    DrawShape(Canvas, Mark, X, Y);
    return;
  }
  const String text(1, MarkCharacter(Mark));
  Canvas.Brush().SetStyle(bsClear);
  const TColor font_color = Canvas.Font().Color();
  Canvas.Font().SetColor(Canvas.Pen().Color());
  const TSize extent = Canvas.TextExtent(text);
  Canvas.TextOut(X - extent.cx / 2, Y - extent.cy / 2, text);
  Canvas.Font().SetColor(font_color);
}

std::unique_ptr<TBitmap> CreateMarkAsBitmap(uint8_t Mark, TColor MarkColor, TColor BackColor,
                                            int32_t Margin) {
  Margin = std::clamp(Margin, 0, 255);
  const int32_t side = 2 * Margin + 7;
  auto bitmap = std::make_unique<TBitmap>(side, side);
  TCanvas& c = bitmap->Canvas();
  c.Pen().SetColor(BackColor);
  c.Brush().SetColor(BackColor);
  c.Brush().SetStyle(bsSolid);
  c.FillRect(Rect(0, 0, side, side));
  c.Pen().SetColor(MarkColor);
  DrawMarkOnCanvas(c, Mark, Margin + 3, Margin + 3);
  return bitmap;
}

void SetCanvasFontSizeScaled(TCanvas& Canvas, int32_t Size) {
  TFont& font = Canvas.Font();
  const int32_t screen = platform::Fonts().ScreenPixelsPerInch();
  const int32_t own = font.PixelsPerInch();
  if (own == screen) {
    font.SetSize(Size);
    return;
  }
  font.SetPixelsPerInch(screen);
  font.SetSize(Size);
  const int32_t height = font.Height();
  font.SetPixelsPerInch(own);
  font.SetHeight(height);
}

bool FontIsTrueType(const String& FontName) {
  platform::FontServices& fonts = platform::Fonts();
  const std::string name = StringToUtf8(FontName);
  if (!fonts.IsInstalled(name)) throw EZELError(u"Font \"" + FontName + u"\" is not installed");
  const std::string format = fonts.FontFormat(name);
  return format == "TrueType" || format == "CFF";
}

void PrintBitmap(const TBitmap& Bitmap, int32_t X, int32_t Y) {
  Printer().Canvas().Draw(X, Y, Bitmap);
}

}  // namespace zel
