// TCanvas: drawing with a pen, a brush and a font on rows of 32-bit pixels,
// the surface of a TBitmap or of a printer page.
//
// Pixels. A surface is rows of 32-bit values 0xAARRGGBB (blue in the lowest
// byte in memory, as 32-bit device-independent bitmaps and cairo's images
// store them). Drawing writes opaque pixels (alpha 0xFF). A TColor
// (0x00BBGGRR) is drawn with its low three bytes; its flag byte is ignored.
// Pixels(X, Y) reads the colour back as a TColor; outside the surface it is
// 0xFFFFFFFF (no colour), and writing there does nothing.
//
// Geometry. Coordinates are pixels, (0, 0) the top-left pixel; nothing is
// anti-aliased. Everything is clipped to the surface, so coordinates far
// outside it are harmless; they are first clamped to +-16777216 (a shape
// reaching further is drawn as if its far coordinate lay there).
//   - A line from A to B (MoveTo A, LineTo B) covers A and not B, and the
//     pen position ends on B, so joined lines cover each joint once. Its
//     pixels are Bresenham's: along the major axis one pixel per step, the
//     minor coordinate at step i being round(i * dMinor / dMajor) with halves
//     rounded away from A.
//   - Rectangle(X1, Y1, X2, Y2) and Ellipse(X1, Y1, X2, Y2) cover columns
//     X1..X2-1 and rows Y1..Y2-1 (corners in any order). The pen's outline
//     lies inside that box, Width pixels thick; the brush fills what is
//     inside the outline (the whole box when the pen is clear).
//   - The ellipse is the set of pixels of the box whose centres lie in the
//     ellipse inscribed in the box's outer edges: with w = X2 - X1,
//     h = Y2 - Y1, u = 2x - (X1 + X2 - 1) and v = 2y - (Y1 + Y2 - 1), pixel
//     (x, y) is inside when u^2 h^2 + v^2 w^2 <= w^2 h^2. Its outline is every
//     inside pixel that has a horizontal or vertical neighbour outside (for
//     a wider pen, outside the ellipse of the box shrunk by Width - 1).
//   - Polygon(Points) fills with the brush the pixels (x, y) that lie inside
//     the closed figure by the even-odd rule, points on a left or top edge
//     counting as inside and points on a right or bottom edge as outside,
//     then draws every edge with the pen including the closing one, so every
//     vertex is covered. Polyline(Points) draws the open path as MoveTo to
//     the first point and LineTo to each next one would: the last point is
//     not covered, and the pen position ends on it.
//   - FillRect(R) fills columns R.Left..R.Right-1, rows R.Top..R.Bottom-1
//     with the brush and leaves the pen alone.
//   - Pen styles (width 1): psDash draws 18 pixels and leaves 6, psDot 3 and
//     3, psDashDot 9, 6, 3, 6 and psDashDotDot 9, 3, 3, 3, 3, 3, the pattern
//     starting afresh on each line; psClear draws nothing; psSolid and
//     psInsideFrame draw every pixel. A pen wider than 1 draws solid, a
//     Width x Width square on every pixel of the line (centred, the extra
//     pixel of an even width to the right and below).
//   - Brush styles: bsSolid fills in the brush colour, bsClear fills
//     nothing, the hatches draw one-pixel lines in the brush colour every 8
//     pixels (aligned to the surface's origin) and leave the rest.
//
// Text. TextOut(X, Y, Text) draws the text with the canvas font, glyphs in
// the font colour without anti-aliasing, the top of the text cell at Y, and
// moves the pen position to (X + TextWidth(Text), Y). With a brush that is not
// clear the cell (TextWidth x TextHeight) is first filled with the brush
// colour. TextHeight is the face's ascent plus descent at the font's pixel
// height; TextWidth the sum of the glyphs' advances (no kerning). The face is
// found through the platform's font services (zel/platform/fonts.h) from
// the font's name, bold and italic flags and pitch: a family that is not
// installed falls back as the font service matches it, and a face without
// the requested weight or slant is emboldened or slanted. Glyphs are rendered
// once per face and pixel size and cached for the process (the cache is
// shared by all canvases and locked, so canvases of different threads may
// draw text at once).
//
// Resolution. The canvas gives its font the surface's resolution: the
// screen's (96 pixels per inch unless the platform says otherwise, see
// zel/platform/fonts.h) for bitmaps, the printer's for a printer page. A
// font's pixel height is clamped to 1..4096 for drawing.
//
// A canvas is not thread-safe; it belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "zel/runtime/classes.h"
#include "zel/runtime/font.h"
#include "zel/runtime/graphics_types.h"
#include "zel/runtime/types.h"

namespace zel {

class TBitmap;

// A width and a height, as TextExtent returns them.
struct TSize {
  int32_t cx = 0;  // width in pixels
  int32_t cy = 0;  // height in pixels
  friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

// The pen lines and outlines are drawn with. Defaults: black, width 1, solid.
class ZEL_API TPen : public TPersistent {
 public:
  TPen();
  ~TPen() override;

  TColor Color() const noexcept { return color_; }  // the colour lines are drawn in
  void SetColor(TColor Value);                      // sets Color; fires OnChange on a change
  // Widths below 1 are taken as 1; above 1000 as 1000.
  int32_t Width() const noexcept { return width_; }
  // Sets Width, clamped to 1..1000; fires OnChange when the result differs.
  void SetWidth(int32_t Value);
  TPenStyle Style() const noexcept { return style_; }  // how lines are drawn (see canvas.h)
  // Sets Style; values beyond psInsideFrame are ignored. Fires OnChange on a
  // change.
  void SetStyle(TPenStyle Value);

  // Called (Sender = the pen) once by every setter or Assign that changes
  // colour, width or style.
  const TNotifyEvent& OnChange() const noexcept { return on_change_; }
  void SetOnChange(TNotifyEvent Handler) { on_change_ = std::move(Handler); }  // sets OnChange

  // From another TPen: colour, width and style; OnChange fires once if
  // anything changed. Any other source: the runtime's conversion error.
  void Assign(const TPersistent* Source) override;
  String ClassName() const override;

 private:
  void Changed();
  TColor color_ = clBlack;
  int32_t width_ = 1;
  TPenStyle style_ = psSolid;
  TNotifyEvent on_change_;
};

// The brush shapes are filled with. Defaults: white, solid.
class ZEL_API TBrush : public TPersistent {
 public:
  TBrush();
  ~TBrush() override;

  TColor Color() const noexcept { return color_; }       // the colour shapes are filled with
  void SetColor(TColor Value);                           // sets Color; fires OnChange on a change
  TBrushStyle Style() const noexcept { return style_; }  // how shapes are filled (see canvas.h)
  // Values beyond bsDiagCross are ignored.
  void SetStyle(TBrushStyle Value);

  // Called (Sender = the brush) once by every setter or Assign that changes
  // colour or style.
  const TNotifyEvent& OnChange() const noexcept { return on_change_; }
  void SetOnChange(TNotifyEvent Handler) { on_change_ = std::move(Handler); }  // sets OnChange

  void Assign(const TPersistent* Source) override;
  String ClassName() const override;

 private:
  void Changed();
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TNotifyEvent on_change_;
};

class ZEL_API TCanvas : public TPersistent {
 public:
  // A canvas without a surface: it measures text and draws nothing.
  TCanvas();
  ~TCanvas() override;

  // The pen lines and outlines are drawn with.
  TPen& Pen() noexcept { return pen_; }
  const TPen& Pen() const noexcept { return pen_; }
  // The brush shapes and text cells are filled with.
  TBrush& Brush() noexcept { return brush_; }
  const TBrush& Brush() const noexcept { return brush_; }
  // The font text is drawn and measured with; its resolution is the surface's.
  TFont& Font() noexcept { return font_; }
  const TFont& Font() const noexcept { return font_; }

  // The point the next LineTo starts from; (0, 0) on a new canvas.
  TPoint PenPos() const noexcept { return pen_pos_; }
  // Sets PenPos as given (LineTo clamps it when it draws).
  void SetPenPos(TPoint Value) noexcept { pen_pos_ = Value; }

  // Moves the pen position to (X, Y), each clamped to +-16777216, without
  // drawing.
  void MoveTo(int32_t X, int32_t Y) noexcept;
  // Draws a line with the pen from the pen position to (X, Y), which it does
  // not cover, and moves the pen position there.
  void LineTo(int32_t X, int32_t Y);
  // Draws the rectangle of columns X1..X2-1 and rows Y1..Y2-1 (or R's;
  // corners in any order): the pen's outline inside it, the brush filling
  // what is inside the outline. A box without width or height draws nothing.
  void Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  // Fills the pixels of R (corners in any order) with the brush; draws no
  // outline.
  void FillRect(const TRect& R);
  // Draws the ellipse inscribed in the box of columns X1..X2-1 and rows
  // Y1..Y2-1 (or R's; corners in any order): the pen's outline, the brush
  // filling what is inside it. A box without width or height draws nothing.
  void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
  // Fewer than two points draw nothing (two points: one line, both ends).
  // The pen position ends on the first point.
  void Polygon(const std::vector<TPoint>& Points);
  // Draws the open path through Points with the pen; the last point is not
  // covered and the pen position ends on it. No points draw nothing and leave
  // the pen position alone.
  void Polyline(const std::vector<TPoint>& Points);

  // Draws Text with the font, the top of its cell at Y and its left at X,
  // and moves the pen position to (X + TextWidth(Text), Y). When no face can
  // be found it draws nothing and leaves the pen position alone.
  void TextOut(int32_t X, int32_t Y, const String& Text);
  // The size of the cell Text takes with the font: the sum of its glyphs'
  // advances wide, the face's ascent plus descent high; (0, 0) when no face
  // can be found. Works without a surface too.
  TSize TextExtent(const String& Text) const;
  // The width of TextExtent(Text).
  int32_t TextWidth(const String& Text) const { return TextExtent(Text).cx; }
  // The height of TextExtent(Text); the same for every text of one font.
  int32_t TextHeight(const String& Text) const { return TextExtent(Text).cy; }

  // The colour of pixel (X, Y); 0xFFFFFFFF outside the surface.
  TColor Pixels(int32_t X, int32_t Y) const noexcept;
  // Sets pixel (X, Y) to the opaque colour Value; outside the surface it
  // does nothing.
  void SetPixels(int32_t X, int32_t Y, TColor Value) noexcept;

  // Copies the pixels of the bitmap Source, alpha included, with its top-left
  // corner at (X, Y).
  void Draw(int32_t X, int32_t Y, const TBitmap& Source);
  // Scales the whole bitmap Source into columns R.Left..R.Right-1, rows
  // R.Top..R.Bottom-1, nearest pixel; an empty rectangle (or Source) draws
  // nothing.
  void StretchDraw(const TRect& R, const TBitmap& Source);

  // The surface's extent: (0, 0, width, height).
  TRect ClipRect() const noexcept { return {0, 0, width_, height_}; }
  // Pixels per inch of the surface (also the font's resolution).
  int32_t PixelsPerInch() const noexcept { return font_.PixelsPerInch(); }

  String ClassName() const override;

 protected:
  // Points the canvas at Bits, Height rows of Width pixels (`Stride` pixels
  // apart), or at none with nullptr or a Width or Height below 1; the caller
  // keeps the memory alive while it is attached.
  void Attach(uint32_t* Bits, int32_t Width, int32_t Height, int32_t Stride) noexcept;
  // Sets the surface's resolution and gives it to the font.
  void SetPixelsPerInch(int32_t Value);

 private:
  friend class TBitmap;

  void Plot(int32_t X, int32_t Y, uint32_t Pixel) noexcept;
  void Span(int32_t Y, int32_t X1, int32_t X2, uint32_t Pixel) noexcept;
  void BrushSpan(int32_t Y, int32_t X1, int32_t X2) noexcept;
  void PenLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool LastPixel);
  void Stamp(int32_t X, int32_t Y, uint32_t Pixel) noexcept;

  TPen pen_;
  TBrush brush_;
  TFont font_;
  TPoint pen_pos_;
  uint32_t* bits_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t stride_ = 0;
};

}  // namespace zel
