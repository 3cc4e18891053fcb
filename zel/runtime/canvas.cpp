#include "zel/runtime/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "zel/platform/fonts.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/internal/glyph_cache.h"

namespace zel {

namespace {

constexpr int64_t kCoordLimit = int64_t{1} << 24;

__extension__ typedef __int128 Int128;

int32_t Clamp(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, -kCoordLimit, kCoordLimit));
}

// TColor 0x00BBGGRR -> opaque pixel 0xFFRRGGBB.
uint32_t ToPixel(TColor c) {
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
TColor ToColor(uint32_t p) { return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu); }

// Dash patterns of width-1 pens: on, off, on, off, ... lengths.
struct Dashes {
  int count;
  int lengths[6];
};
constexpr Dashes kDash{2, {18, 6}};
constexpr Dashes kDot{2, {3, 3}};
constexpr Dashes kDashDot{4, {9, 6, 3, 6}};
constexpr Dashes kDashDotDot{6, {9, 3, 3, 3, 3, 3}};

const Dashes* DashesOf(TPenStyle s) {
  switch (s) {
    case psDash:
      return &kDash;
    case psDot:
      return &kDot;
    case psDashDot:
      return &kDashDot;
    case psDashDotDot:
      return &kDashDotDot;
    default:
      return nullptr;
  }
}

bool DashOn(const Dashes& d, int64_t step) {
  int period = 0;
  for (int i = 0; i < d.count; ++i) period += d.lengths[i];
  int64_t pos = step % period;
  for (int i = 0; i < d.count; ++i) {
    if (pos < d.lengths[i]) return (i % 2) == 0;
    pos -= d.lengths[i];
  }
  return false;
}

// Whether a hatch brush covers pixel (x, y).
bool HatchCovers(TBrushStyle s, int32_t x, int32_t y) {
  const int32_t hx = x & 7, hy = y & 7;
  switch (s) {
    case bsHorizontal:
      return hy == 7;
    case bsVertical:
      return hx == 7;
    case bsFDiagonal:
      return hx == hy;
    case bsBDiagonal:
      return hx == 7 - hy;
    case bsCross:
      return hx == 7 || hy == 7;
    case bsDiagCross:
      return hx == hy || hx == 7 - hy;
    default:
      return false;
  }
}

// floor(a / b) for b > 0.
int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

Int128 ISqrt(Int128 n) {
  if (n <= 0) return 0;
  Int128 r = static_cast<Int128>(std::sqrt(static_cast<long double>(n)));
  while (r > 0 && r * r > n) --r;
  while ((r + 1) * (r + 1) <= n) ++r;
  return r;
}

// The columns of row y inside the ellipse inscribed in the box
// [x1, x2) x [y1, y2) (x2 > x1, y2 > y1); false when the row has none.
bool EllipseSpan(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t y, int64_t& left,
                 int64_t& right) {
  if (y < y1 || y >= y2 || x2 <= x1) return false;
  const Int128 w = x2 - x1, h = y2 - y1;
  const Int128 v = 2 * y - (y1 + y2 - 1);
  // u^2 h^2 <= w^2 (h^2 - v^2)
  const Int128 rest = h * h - v * v;
  if (rest < 0) return false;
  const Int128 umax = ISqrt(w * w * rest / (h * h));
  const int64_t c = x1 + x2 - 1;                                                 // u = 2x - c
  left = static_cast<int64_t>(-FloorDiv(static_cast<int64_t>(-(c - umax)), 2));  // ceil
  right = FloorDiv(static_cast<int64_t>(c + umax), 2);
  return left <= right;
}

}  // namespace

// ---- TPen, TBrush --------------------------------------------------------------

TPen::TPen() = default;
TPen::~TPen() = default;
String TPen::ClassName() const { return u"TPen"; }
void TPen::Changed() {
  if (on_change_) on_change_(this);
}
void TPen::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Changed();
}
void TPen::SetWidth(int32_t Value) {
  Value = std::clamp(Value, 1, 1000);
  if (Value == width_) return;
  width_ = Value;
  Changed();
}
void TPen::SetStyle(TPenStyle Value) {
  if (Value > psInsideFrame || Value == style_) return;
  style_ = Value;
  Changed();
}
void TPen::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TPen*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  const bool changed = color_ != src->color_ || width_ != src->width_ || style_ != src->style_;
  color_ = src->color_;
  width_ = src->width_;
  style_ = src->style_;
  if (changed) Changed();
}

TBrush::TBrush() = default;
TBrush::~TBrush() = default;
String TBrush::ClassName() const { return u"TBrush"; }
void TBrush::Changed() {
  if (on_change_) on_change_(this);
}
void TBrush::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Changed();
}
void TBrush::SetStyle(TBrushStyle Value) {
  if (Value > bsDiagCross || Value == style_) return;
  style_ = Value;
  Changed();
}
void TBrush::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TBrush*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  const bool changed = color_ != src->color_ || style_ != src->style_;
  color_ = src->color_;
  style_ = src->style_;
  if (changed) Changed();
}

// ---- TCanvas: surface ------------------------------------------------------------

TCanvas::TCanvas() { font_.SetPixelsPerInch(platform::Fonts().ScreenPixelsPerInch()); }
TCanvas::~TCanvas() = default;
String TCanvas::ClassName() const { return u"TCanvas"; }

void TCanvas::Attach(uint32_t* Bits, int32_t Width, int32_t Height, int32_t Stride) noexcept {
  if (Bits == nullptr || Width <= 0 || Height <= 0) {
    bits_ = nullptr;
    width_ = height_ = stride_ = 0;
    return;
  }
  bits_ = Bits;
  width_ = Width;
  height_ = Height;
  stride_ = Stride;
}

void TCanvas::SetPixelsPerInch(int32_t Value) { font_.SetPixelsPerInch(Value); }

void TCanvas::Plot(int32_t X, int32_t Y, uint32_t Pixel) noexcept {
  if (X < 0 || Y < 0 || X >= width_ || Y >= height_) return;
  bits_[static_cast<size_t>(Y) * static_cast<size_t>(stride_) + static_cast<size_t>(X)] = Pixel;
}

void TCanvas::Span(int32_t Y, int32_t X1, int32_t X2, uint32_t Pixel) noexcept {
  if (Y < 0 || Y >= height_) return;
  X1 = std::max(X1, 0);
  X2 = std::min(X2, width_ - 1);
  if (X1 > X2) return;
  uint32_t* row = bits_ + static_cast<size_t>(Y) * static_cast<size_t>(stride_);
  std::fill(row + X1, row + X2 + 1, Pixel);
}

void TCanvas::BrushSpan(int32_t Y, int32_t X1, int32_t X2) noexcept {
  const TBrushStyle style = brush_.Style();
  if (style == bsClear) return;
  const uint32_t pixel = ToPixel(brush_.Color());
  if (style == bsSolid) {
    Span(Y, X1, X2, pixel);
    return;
  }
  if (Y < 0 || Y >= height_) return;
  X1 = std::max(X1, 0);
  X2 = std::min(X2, width_ - 1);
  for (int32_t x = X1; x <= X2; ++x)
    if (HatchCovers(style, x, Y)) Plot(x, Y, pixel);
}

TColor TCanvas::Pixels(int32_t X, int32_t Y) const noexcept {
  if (X < 0 || Y < 0 || X >= width_ || Y >= height_) return 0xFFFFFFFFu;
  return ToColor(
      bits_[static_cast<size_t>(Y) * static_cast<size_t>(stride_) + static_cast<size_t>(X)]);
}

void TCanvas::SetPixels(int32_t X, int32_t Y, TColor Value) noexcept { Plot(X, Y, ToPixel(Value)); }

// ---- lines ------------------------------------------------------------------------

void TCanvas::Stamp(int32_t X, int32_t Y, uint32_t Pixel) noexcept {
  const int32_t w = pen_.Width();
  if (w <= 1) {
    Plot(X, Y, Pixel);
    return;
  }
  const int64_t x0 = int64_t{X} - (w - 1) / 2, y0 = int64_t{Y} - (w - 1) / 2;
  for (int64_t y = y0; y < y0 + w; ++y)
    Span(static_cast<int32_t>(std::clamp<int64_t>(y, -1, height_)), Clamp(x0), Clamp(x0 + w - 1),
         Pixel);
}

void TCanvas::PenLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool LastPixel) {
  if (pen_.Style() == psClear || bits_ == nullptr) return;
  const uint32_t pixel = ToPixel(pen_.Color());
  const Dashes* dashes = pen_.Width() <= 1 ? DashesOf(pen_.Style()) : nullptr;
  const int64_t dx = int64_t{X2} - X1, dy = int64_t{Y2} - Y1;
  const bool x_major = std::llabs(dx) >= std::llabs(dy);
  const int64_t d_major = x_major ? std::llabs(dx) : std::llabs(dy);
  const int64_t d_minor = x_major ? std::llabs(dy) : std::llabs(dx);
  const int64_t s_major = (x_major ? dx : dy) < 0 ? -1 : 1;
  const int64_t s_minor = (x_major ? dy : dx) < 0 ? -1 : 1;
  const int64_t major0 = x_major ? X1 : Y1, minor0 = x_major ? Y1 : X1;
  const int64_t steps = d_major + (LastPixel ? 1 : 0);
  if (steps == 0) return;
  // Only the steps whose major coordinate lies on the surface (widened by the
  // pen) are walked; the minor coordinate is computed per step.
  const int64_t extent = x_major ? width_ : height_;
  const int64_t pad = pen_.Width();
  int64_t first = 0, last = steps - 1;
  if (s_major > 0) {
    first = std::max<int64_t>(first, -pad - major0);
    last = std::min<int64_t>(last, extent + pad - major0);
  } else {
    first = std::max<int64_t>(first, major0 - (extent + pad));
    last = std::min<int64_t>(last, major0 + pad);
  }
  const int64_t minor_extent = x_major ? height_ : width_;
  for (int64_t i = first; i <= last; ++i) {
    if (dashes != nullptr && !DashOn(*dashes, i)) continue;
    const int64_t minor_off = d_major == 0 ? 0 : FloorDiv(2 * i * d_minor + d_major, 2 * d_major);
    const int64_t major = major0 + s_major * i;
    const int64_t minor = minor0 + s_minor * minor_off;
    if (minor < -pad || minor > minor_extent + pad) continue;
    const int32_t x = static_cast<int32_t>(x_major ? major : minor);
    const int32_t y = static_cast<int32_t>(x_major ? minor : major);
    Stamp(x, y, pixel);
  }
}

void TCanvas::MoveTo(int32_t X, int32_t Y) noexcept { pen_pos_ = {Clamp(X), Clamp(Y)}; }

void TCanvas::LineTo(int32_t X, int32_t Y) {
  X = Clamp(X);
  Y = Clamp(Y);
  PenLine(Clamp(pen_pos_.X), Clamp(pen_pos_.Y), X, Y, false);
  pen_pos_ = {X, Y};
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  MoveTo(Points.front().X, Points.front().Y);
  for (size_t i = 1; i < Points.size(); ++i) LineTo(Points[i].X, Points[i].Y);
}

// ---- shapes -----------------------------------------------------------------------

void TCanvas::FillRect(const TRect& R) {
  if (bits_ == nullptr) return;
  const int32_t x1 = Clamp(std::min(R.Left, R.Right)), x2 = Clamp(std::max(R.Left, R.Right));
  const int32_t y1 = Clamp(std::min(R.Top, R.Bottom)), y2 = Clamp(std::max(R.Top, R.Bottom));
  for (int32_t y = std::max(y1, 0); y < std::min(y2, height_); ++y) BrushSpan(y, x1, x2 - 1);
}

void TCanvas::Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  if (bits_ == nullptr) return;
  int32_t x1 = Clamp(std::min(X1, X2)), x2 = Clamp(std::max(X1, X2));
  int32_t y1 = Clamp(std::min(Y1, Y2)), y2 = Clamp(std::max(Y1, Y2));
  if (x1 == x2 || y1 == y2) return;
  const bool pen = pen_.Style() != psClear;
  const int32_t w = pen ? pen_.Width() : 0;
  // Interior.
  for (int32_t y = std::max(y1 + w, 0); y < std::min(y2 - w, height_); ++y)
    BrushSpan(y, x1 + w, x2 - w - 1);
  if (!pen) return;
  if (w == 1) {
    // Traced as lines so that dashed pens keep their pattern.
    PenLine(x1, y1, x2 - 1, y1, false);
    PenLine(x2 - 1, y1, x2 - 1, y2 - 1, false);
    PenLine(x2 - 1, y2 - 1, x1, y2 - 1, false);
    PenLine(x1, y2 - 1, x1, y1, x2 - x1 == 1 || y2 - y1 == 1);
    return;
  }
  const uint32_t pixel = ToPixel(pen_.Color());
  for (int32_t y = std::max(y1, 0); y < std::min(y2, height_); ++y) {
    if (y < y1 + w || y >= y2 - w) {
      Span(y, x1, x2 - 1, pixel);
    } else {
      Span(y, x1, std::min(x1 + w, x2) - 1, pixel);
      Span(y, std::max(x2 - w, x1), x2 - 1, pixel);
    }
  }
}

void TCanvas::Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  if (bits_ == nullptr) return;
  const int64_t x1 = Clamp(std::min(X1, X2)), x2 = Clamp(std::max(X1, X2));
  const int64_t y1 = Clamp(std::min(Y1, Y2)), y2 = Clamp(std::max(Y1, Y2));
  if (x1 == x2 || y1 == y2) return;
  const bool pen = pen_.Style() != psClear;
  const int64_t t = pen ? pen_.Width() - 1 : 0;  // the inner ellipse's box shrinks by t
  const uint32_t pixel = ToPixel(pen_.Color());
  // Interior span of row y: pixels of the inner ellipse whose four
  // neighbours are inside it too.
  auto inner = [&](int64_t y, int64_t& l, int64_t& r) {
    const int64_t ix1 = x1 + t, iy1 = y1 + t, ix2 = x2 - t, iy2 = y2 - t;
    if (ix2 <= ix1 || iy2 <= iy1) return false;
    int64_t l0, r0, la, ra, lb, rb;
    if (!EllipseSpan(ix1, iy1, ix2, iy2, y, l0, r0) ||
        !EllipseSpan(ix1, iy1, ix2, iy2, y - 1, la, ra) ||
        !EllipseSpan(ix1, iy1, ix2, iy2, y + 1, lb, rb))
      return false;
    l = std::max({l0 + 1, la, lb});
    r = std::min({r0 - 1, ra, rb});
    return l <= r;
  };
  for (int64_t y = std::max<int64_t>(y1, 0); y < std::min<int64_t>(y2, height_); ++y) {
    int64_t l, r;
    if (!EllipseSpan(x1, y1, x2, y2, y, l, r)) continue;
    const int32_t yy = static_cast<int32_t>(y);
    if (!pen) {
      BrushSpan(yy, Clamp(l), Clamp(r));
      continue;
    }
    int64_t il, ir;
    if (inner(y, il, ir)) {
      BrushSpan(yy, Clamp(il), Clamp(ir));
      Span(yy, Clamp(l), Clamp(il - 1), pixel);
      Span(yy, Clamp(ir + 1), Clamp(r), pixel);
    } else {
      Span(yy, Clamp(l), Clamp(r), pixel);
    }
  }
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
  if (bits_ == nullptr || Points.size() < 2) return;
  std::vector<TPoint> pts(Points.size());
  int64_t ymin = INT64_MAX, ymax = INT64_MIN;
  for (size_t i = 0; i < Points.size(); ++i) {
    pts[i] = {Clamp(Points[i].X), Clamp(Points[i].Y)};
    ymin = std::min<int64_t>(ymin, pts[i].Y);
    ymax = std::max<int64_t>(ymax, pts[i].Y);
  }
  if (brush_.Style() != bsClear && pts.size() >= 3) {
    std::vector<int64_t> xs;
    for (int64_t y = std::max<int64_t>(ymin, 0); y < std::min<int64_t>(ymax, height_); ++y) {
      xs.clear();
      for (size_t i = 0; i < pts.size(); ++i) {
        const TPoint a = pts[i], b = pts[(i + 1) % pts.size()];
        if (a.Y == b.Y) continue;
        const TPoint lo = a.Y < b.Y ? a : b, hi = a.Y < b.Y ? b : a;
        if (y < lo.Y || y >= hi.Y) continue;  // half-open: the lower end is outside
        // Crossing x = lo.X + (y - lo.Y) * (hi.X - lo.X) / (hi.Y - lo.Y); the
        // pixels from ceil(crossing) on belong to the span it opens.
        const int64_t num = (y - lo.Y) * (int64_t{hi.X} - lo.X);
        const int64_t den = int64_t{hi.Y} - lo.Y;
        xs.push_back(lo.X - FloorDiv(-num, den));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t k = 0; k + 1 < xs.size(); k += 2)
        if (xs[k] < xs[k + 1])
          BrushSpan(static_cast<int32_t>(y), Clamp(xs[k]), Clamp(xs[k + 1] - 1));
    }
  }
  for (size_t i = 0; i < pts.size(); ++i) {
    const TPoint a = pts[i], b = pts[(i + 1) % pts.size()];
    PenLine(a.X, a.Y, b.X, b.Y, false);
  }
  pen_pos_ = pts.front();
}

// ---- text -------------------------------------------------------------------------

TSize TCanvas::TextExtent(const String& Text) const {
  auto& cache = internal::GlyphCache::Instance();
  auto lock = cache.Lock();
  internal::SizedFace* face = cache.Face(font_);
  if (face == nullptr) return {};
  const internal::FaceMetrics& m = cache.Metrics(*face);
  int64_t width = 0;
  for (char32_t c : internal::ToCodePoints(Text)) width += cache.GlyphOf(*face, c).advance;
  return {static_cast<int32_t>(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX)),
          m.ascent + m.descent};
}

void TCanvas::TextOut(int32_t X, int32_t Y, const String& Text) {
  auto& cache = internal::GlyphCache::Instance();
  auto lock = cache.Lock();
  internal::SizedFace* face = cache.Face(font_);
  if (face == nullptr) return;
  const internal::FaceMetrics& m = cache.Metrics(*face);
  const std::u32string codes = internal::ToCodePoints(Text);
  int64_t width = 0;
  for (char32_t c : codes) width += cache.GlyphOf(*face, c).advance;
  const int64_t x0 = Clamp(X), y0 = Clamp(Y);
  if (bits_ != nullptr) {
    if (brush_.Style() != bsClear) {
      const uint32_t bg = ToPixel(brush_.Color());
      for (int64_t y = std::max<int64_t>(y0, 0);
           y < std::min<int64_t>(y0 + m.ascent + m.descent, height_); ++y)
        Span(static_cast<int32_t>(y), Clamp(x0), Clamp(x0 + width - 1), bg);
    }
    const uint32_t ink = ToPixel(font_.Color());
    const int64_t baseline = y0 + m.ascent;
    int64_t pen_x = x0;
    for (char32_t c : codes) {
      const internal::Glyph& g = cache.GlyphOf(*face, c);
      const int64_t gx = pen_x + g.left, gy = baseline - g.top;
      if (gx < width_ && gy < height_ && gx + g.width > 0 && gy + g.rows > 0) {
        for (int32_t r = 0; r < g.rows; ++r) {
          const int64_t y = gy + r;
          if (y < 0 || y >= height_) continue;
          const uint8_t* bits =
              g.bits.data() + static_cast<size_t>(r) * static_cast<size_t>(g.width);
          for (int32_t col = 0; col < g.width; ++col)
            if (bits[col] != 0 && gx + col >= 0 && gx + col < width_)
              Plot(static_cast<int32_t>(gx + col), static_cast<int32_t>(y), ink);
        }
      }
      pen_x += g.advance;
    }
    const TFontStyles style = font_.Style();
    auto rule = [&](int64_t top) {
      for (int32_t k = 0; k < m.line_thickness; ++k)
        if (top + k >= 0 && top + k < height_)
          Span(static_cast<int32_t>(top + k), Clamp(x0), Clamp(x0 + width - 1), ink);
    };
    if (style.Contains(fsUnderline)) rule(baseline + m.underline_offset - m.line_thickness / 2);
    if (style.Contains(fsStrikeOut)) rule(baseline - m.strikeout_offset - m.line_thickness / 2);
  }
  pen_pos_ = {Clamp(x0 + width), static_cast<int32_t>(y0)};
}

// ---- bitmaps ----------------------------------------------------------------------

void TCanvas::Draw(int32_t X, int32_t Y, const TBitmap& Source) {
  StretchDraw(Rect(X, Y, Clamp(int64_t{X} + Source.Width()), Clamp(int64_t{Y} + Source.Height())),
              Source);
}

void TCanvas::StretchDraw(const TRect& R, const TBitmap& Source) {
  if (bits_ == nullptr || Source.Width() <= 0 || Source.Height() <= 0) return;
  const int64_t x1 = Clamp(R.Left), y1 = Clamp(R.Top), x2 = Clamp(R.Right), y2 = Clamp(R.Bottom);
  if (x2 <= x1 || y2 <= y1) return;
  const int64_t dw = x2 - x1, dh = y2 - y1, sw = Source.Width(), sh = Source.Height();
  for (int64_t y = std::max<int64_t>(y1, 0); y < std::min<int64_t>(y2, height_); ++y) {
    const uint32_t* src = Source.ScanLine(static_cast<int32_t>((y - y1) * sh / dh));
    uint32_t* dst = bits_ + static_cast<size_t>(y) * static_cast<size_t>(stride_);
    const int64_t xa = std::max<int64_t>(x1, 0), xb = std::min<int64_t>(x2, width_);
    if (dw == sw) {
      if (xa < xb) std::copy(src + (xa - x1), src + (xb - x1), dst + xa);
    } else {
      for (int64_t x = xa; x < xb; ++x) dst[x] = src[(x - x1) * sw / dw];
    }
  }
}

}  // namespace zel
