// Drawing helpers for charts: rectangle outlines, 3-D frames, 52 small marks
// and character marks, a mark as its own bitmap, font sizes for the screen,
// the TrueType test of a font family and printing a bitmap.
//
// Everything draws on a TCanvas (zel/runtime/canvas.h), whose pixel rules
// the shapes below rely on: a line from A to B covers A and not B; a
// rectangle or ellipse from (X1, Y1) to (X2, Y2) covers columns X1..X2-1 and
// rows Y1..Y2-1. Coordinates far outside the canvas are clipped.
//
// DrawRectangle(C, X1, Y1, X2, Y2): with the current pen, lines from
// (X1, Y1) to (X1, Y2), (X2, Y2), (X2, Y1) and back to (X1, Y1), covering
// all four corners. The pen position ends on (X1, Y1).
//
// DrawFrame(C, Style, Left, Top, Right, Bottom, C1..C5): the style is taken
// modulo 128. fsNone and any value above fsEngraved draw nothing; fsSimple
// draws DrawRectangle in C5. The 3-D styles draw two nested one-pixel
// outlines: A on the outer left and top edges, B on the outer right and
// bottom, C on the inner left and top, D on the inner right and bottom:
//   style       A   B   C   D
//   fsLowered   C3  C1  C4  C2
//   fsRaised    C1  C4  C2  C3
//   fsEmbossed  C1  C3  C3  C1
//   fsEngraved  C3  C1  C1  C3
// so C1 is the highlight, C2 the light, C3 the shadow, C4 the dark shadow.
// Strokes: pen A, M(Left, Bottom) L(Left, Top) L(Right + 1, Top);
// M(Right, Top + 1), pen B, L(Right, Bottom) L(Left - 1, Bottom); pen C,
// M(Left + 1, Bottom - 1) L(Left + 1, Top + 1) L(Right, Top + 1);
// M(Right - 1, Top + 2), pen D, L(Right - 1, Bottom - 1) L(Left, Bottom - 1).
// The pen keeps colour D. The frame covers columns Left..Right and rows
// Top..Bottom.
//
// DrawMarkOnCanvas(C, Mark, X, Y): marks 0 to 51 are shapes centred on
// (X, Y) in the pen colour; codes 52 to 255 are character marks.
//   - Shapes keep the caller's brush: its colour and its style are restored
//     after the shape (a caller whose brush was clear keeps a clear brush).
//     Filled shapes use a solid brush in the pen colour, hollow ones a clear
//     brush.
//   - Marks 1 to 6 and 18 are 7 x 7 pixel patterns, rows Y-3..Y+3, columns
//     X-3..X+3 (# = pen colour):
//       1 plus, arms 1     2 plus, arms 2     3 plus, arms 3
//       .......            .......            ...#...
//       .......            ...#...            ...#...
//       ...#...            ...#...            ...#...
//       ..###..            .#####.            #######
//       ...#...            ...#...            ...#...
//       .......            ...#...            ...#...
//       .......            .......            ...#...
//     4 to 6: the diagonal crosses with arms of 1, 2, 3 pixels; 18: a
//     checkerboard whose pixels have X + Y of the centre's parity.
//     On a printer's canvas (IsPrinterCanvas) marks 1 to 6 are drawn as lines
//     instead: 1..3 from X-a to X+a horizontally and from Y-a to Y+a
//     vertically, a = 2, 3, 4; 4..6 from (X-a, Y-a) to (X+a, Y+a) and from
//     (X-a, Y+a) to (X+a, Y-a); and mark 25 has shorter arms.
//   - The other shapes (a = the size step of a pair of marks):
//       0        the pixel (X, Y)
//       7-9      filled square (X-a, Y-a)..(X+a+1, Y+a+1), a = 1, 2, 3
//       10-12    square outline through (X+-a, Y+-a) drawn with lines
//       13, 19   diamond outline through (X-3, Y), (X, Y+3), (X+3, Y),
//                (X, Y-3); 13 also sets the centre pixel
//       14, 15   filled diamond, corners at distance 2, 3
//       16, 17   hollow circle in (X-a, Y-a)..(X+a+1, Y+a+1), a = 2, 3
//       20, 21   caret: lines (X, Y) to (X-a, Y+a) and to (X+a, Y+a), a = 3, 4
//       22, 23   V: lines (X, Y) to (X-a, Y-a) and to (X+a, Y-a), a = 3, 4
//       24       filled circle in (X-3, Y-3)..(X+4, Y+4)
//       25       thick diagonal cross of six lines, arms a = 4, b = 3
//                (printer: 3, 2): (X-3, Y-3)-(X+a, Y+a),
//                (X-3, Y-2)-(X+b, Y+a), (X-2, Y-3)-(X+a, Y+b),
//                (X-3, Y+3)-(X+a, Y-a), (X-3, Y+2)-(X+b, Y-a),
//                (X-2, Y+3)-(X+a, Y-b)
//       26       filled circle in (X-2, Y-2)..(X+3, Y+3)
//       27, 28   circle in (X-2, Y-2)..(X+2, Y+2): hollow, filled
//       29-32    triangle (X-a, Y), (X, Y+a), (X+a, Y), a = 2, 3: filled
//                (29, 30), hollow (31, 32)
//       33, 34   triangle (X-4, Y-3), (X, Y+4), (X+4, Y-3): hollow, filled
//       35, 36   triangle (X-4, Y+3), (X, Y-4), (X+4, Y+3): hollow, filled
//       37       line (X-3, Y)-(X+4, Y) and stem (X, Y)-(X, Y-8)
//       38       lines (X-3, Y-2)-(X+4, Y-2), (X-3, Y+2)-(X+4, Y+2) and
//                (X, Y-2)-(X, Y+2)
//       39       hollow circle in (X-3, Y-3)..(X+4, Y+4) and the plus
//                (X-3, Y)-(X+4, Y), (X, Y-3)-(X, Y+4)
//       40-43    triangles pointing left: (X+3, Y-2), (X-2, Y), (X+3, Y+2)
//                hollow / filled; (X+4, Y-3), (X-3, Y), (X+4, Y+3) hollow /
//                filled
//       44-47    triangles pointing right: (X-3, Y-2), (X+2, Y), (X-3, Y+2)
//                hollow / filled; (X-4, Y-3), (X+3, Y), (X-4, Y+3) hollow /
//                filled
//       48       hollow square (X-3, Y-3)..(X+4, Y+4) with the plus of 39
//       49       hollow square (X-2, Y-2)..(X+3, Y+3) with the plus
//                (X-4, Y)-(X+5, Y), (X, Y-4)-(X, Y+5)
//       50       the plus of 49 and diagonals (X-3, Y-3)-(X+4, Y+4),
//                (X-3, Y+3)-(X+4, Y-4)
//       51       the plus of 49 and bars (X-1, Y-3)-(X+2, Y-3),
//                (X-1, Y+3)-(X+2, Y+3), (X-3, Y-1)-(X-3, Y+2),
//                (X+3, Y-1)-(X+3, Y+2)
//   - Character marks: codes 200 to 209 draw the digits "0" to "9"; every
//     other code from 52 to 255 draws the character of that code in the
//     8-bit code page of the library's texts, Windows-1252 (128 is the euro
//     sign, 145 to 148 the curly quotes, 150 and 151 the dashes; the five
//     codes that page leaves undefined draw the control character of that
//     code, as the decoding does). The character is drawn with the canvas
//     font in the pen colour with a clear brush, which stays clear, its text
//     extent centred on (X, Y): left edge at X - width div 2, top at
//     Y - height div 2.
//
// CreateMarkAsBitmap(Mark, MarkColor, BackColor, Margin): a new square
// bitmap, owned by the caller, of side 2 * Margin + 7 (Margin clamped to
// 0..255), filled with BackColor, the mark drawn in MarkColor at
// (Margin + 3, Margin + 3).
//
// SetCanvasFontSizeScaled(C, Size): sets the canvas font's size in points so
// that its pixel height is the one for the screen's resolution
// (platform::Fonts().ScreenPixelsPerInch(), 96 unless the platform says
// otherwise): the font measures at the screen's resolution for the setting
// and is then given its own resolution back with the screen's pixel height
// kept. On a screen canvas this is simply Font().SetSize(Size).
//
// FontIsTrueType(Name): true when the installed family Name has TrueType or
// OpenType outlines (the font service's format "TrueType" or "CFF"); false
// for Type 1, CID and bitmap fonts. A name that no installed font carries
// raises EZELError ("Font \"<name>\" is not installed").
//
// PrintBitmap(Bitmap, X, Y): copies the bitmap onto the printer's canvas
// (Printer().Canvas()) with its top-left corner at (X, Y), one bitmap pixel
// per printer pixel. Outside a printed document the printer's canvas has no
// page and nothing is drawn.
#pragma once

#include <cstdint>
#include <memory>

#include "zel/base/types.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/canvas.h"

namespace zel {

// The number of shape marks (codes 0 to kMarkShapeCount - 1).
inline constexpr int kMarkShapeCount = 52;

// Outlines the rectangle from (X1, Y1) to (X2, Y2) on Canvas with the
// current pen, all four corners included; the pen ends on (X1, Y1).
ZEL_API void DrawRectangle(TCanvas& Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);

// Draws a frame of Style covering Left..Right and Top..Bottom on Canvas:
// C1 is the highlight, C2 the light, C3 the shadow, C4 the dark shadow
// colour, C5 the colour of fsSimple (details in the header comment).
ZEL_API void DrawFrame(TCanvas& Canvas, TFrameStyle Style, int32_t Left, int32_t Top, int32_t Right,
                       int32_t Bottom, TColor C1, TColor C2, TColor C3, TColor C4, TColor C5);

// Draws Mark (a shape for 0 to 51, else a character) centred on (X, Y) on
// Canvas in the pen colour (details in the header comment).
ZEL_API void DrawMarkOnCanvas(TCanvas& Canvas, uint8_t Mark, int32_t X, int32_t Y);

// A new square bitmap of side 2 * Margin + 7 (Margin clamped to 0..255),
// filled with BackColor, with Mark drawn in MarkColor at its centre.
ZEL_API std::unique_ptr<TBitmap> CreateMarkAsBitmap(uint8_t Mark, TColor MarkColor,
                                                    TColor BackColor, int32_t Margin);

// Sets the font of Canvas to Size points at the screen's pixel height (see
// the header comment).
ZEL_API void SetCanvasFontSizeScaled(TCanvas& Canvas, int32_t Size);

// True when the installed family FontName has TrueType or OpenType outlines;
// raises EZELError when no installed font carries FontName.
ZEL_API bool FontIsTrueType(const String& FontName);

// Copies Bitmap onto the printer's canvas with its top-left corner at
// (X, Y), one bitmap pixel per printer pixel.
ZEL_API void PrintBitmap(const TBitmap& Bitmap, int32_t X, int32_t Y);

// The character a character mark draws (codes 52 to 255; 0 for shape codes).
ZEL_API Char MarkCharacter(uint8_t Mark) noexcept;

}  // namespace zel
