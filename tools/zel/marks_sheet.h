// The sheet `zel marks` draws: the 52 shape marks, a row of character marks
// and the frame styles, each labelled with its code. Shared with the
// graphics tests, which draw it without text and compare it with a golden
// image, so the sheet's pixels outside the text are the same on every
// system.
#pragma once

#include <cstdint>
#include <memory>

#include "zel/base/drawing.h"
#include "zel/base/nametables.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/canvas.h"
#include "zel/runtime/sysutils.h"

namespace zel_tool::marks {

using zel::String;

inline constexpr int kColumns = 13;
inline constexpr int kCell = 44;       // cell side at 96 pixels per inch
inline constexpr int kFrameCell = 96;  // width of a frame's cell
// Character marks shown: letters, the digit codes and the Windows-1252 range.
inline constexpr uint8_t kCharMarks[] = {65,  97,  128, 133, 147, 148, 150,
                                         151, 153, 169, 200, 205, 209};

// Grid cells in device pixels for a sheet at `ppi`.
struct Layout {
  int scale;  // device pixels per sheet pixel (1 on screen, ~3 on paper)
  int Px(int v) const { return v * scale; }
};

inline void Label(zel::TCanvas& c, int cx, int top, const String& text) {
  c.Brush().SetStyle(zel::bsClear);
  c.Font().SetColor(zel::clGray);
  c.TextOut(cx - c.TextWidth(text) / 2, top, text);
}

// Draws the sheet with its top-left corner at (x0, y0), its text in the
// font family `family`.
inline void DrawSheet(zel::TCanvas& c, const Layout& l, int x0, int y0, const String& family) {
  c.Font().SetName(family);
  c.Font().SetSize(7);
  c.Font().SetColor(zel::clBlack);
  c.Brush().SetStyle(zel::bsClear);
  c.Font().SetStyle({zel::fsBold});
  c.TextOut(x0, y0, u"Marks 0 to 51");
  c.Font().SetStyle({});
  int y = y0 + l.Px(18);
  for (int m = 0; m < zel::kMarkShapeCount; ++m) {
    const int cx = x0 + l.Px((m % kColumns) * kCell + kCell / 2);
    const int cy = y + l.Px((m / kColumns) * kCell + 14);
    c.Pen().SetColor(zel::clNavy);
    zel::DrawMarkOnCanvas(c, static_cast<uint8_t>(m), cx, cy);
    Label(c, cx, cy + l.Px(12), zel::IntToStr(m));
  }
  y += l.Px(4 * kCell + 8);
  c.Font().SetColor(zel::clBlack);
  c.Font().SetStyle({zel::fsBold});
  c.TextOut(x0, y, u"Character marks");
  c.Font().SetStyle({});
  y += l.Px(18);
  int k = 0;
  for (uint8_t m : kCharMarks) {
    const int cx = x0 + l.Px(k * kCell + kCell / 2);
    const int cy = y + l.Px(14);
    c.Pen().SetColor(zel::clMaroon);
    c.Font().SetSize(9);
    zel::DrawMarkOnCanvas(c, m, cx, cy);
    c.Font().SetSize(7);
    Label(c, cx, cy + l.Px(12), zel::IntToStr(m));
    ++k;
  }
  y += l.Px(kCell + 8);
  c.Font().SetColor(zel::clBlack);
  c.Font().SetStyle({zel::fsBold});
  c.TextOut(x0, y, u"Frame styles");
  c.Font().SetStyle({});
  y += l.Px(18);
  for (int s = zel::fsNone; s <= zel::fsEngraved; ++s) {
    const int left = x0 + l.Px(s * kFrameCell + 8);
    const int right = left + l.Px(kFrameCell - 24);
    const int top = y, bottom = y + l.Px(32);
    zel::DrawFrame(c, static_cast<zel::TFrameStyle>(s), left, top, right, bottom, zel::clWhite,
                   zel::clSilver, zel::clGray, zel::clBlack, zel::clNavy);
    Label(c, (left + right) / 2, bottom + l.Px(4),
          zel::IntToStr(s) + u" " + String(zel::xmlFrameStyle[static_cast<size_t>(s)]));
  }
}

inline constexpr int kSheetWidth = kColumns * kCell + 16;
inline constexpr int kSheetHeight = 18 + 4 * kCell + 8 + 18 + kCell + 8 + 18 + 32 + 24 + 8;

// The sheet at 96 pixels per inch, its text in the font family `family`.
inline std::unique_ptr<zel::TBitmap> Sheet(const String& family) {
  auto sheet = std::make_unique<zel::TBitmap>(kSheetWidth, kSheetHeight);
  DrawSheet(sheet->Canvas(), Layout{1}, 8, 8, family);
  return sheet;
}

}  // namespace zel_tool::marks
