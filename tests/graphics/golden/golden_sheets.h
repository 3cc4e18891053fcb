// The sheets the golden images of the drawing tests hold: every shape mark on
// a bitmap and on a printer's page, and every frame style. The tests draw
// them again and compare pixel by pixel; make_golden writes them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "tools/zel/marks_sheet.h"
#include "zel/base/drawing.h"
#include "zel/platform/backend.h"
#include "zel/platform/fonts.h"
#include "zel/platform/printing.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/printer.h"
#include "zel/runtime/utf8.h"

namespace zel_golden {

// Marks: 13 columns of 20 x 20 cells, the mark centred on (10, 10) of its
// cell, drawn in navy on white.
inline constexpr int kCell = 20;
inline constexpr int kColumns = 13;
inline constexpr int kRows = (zel::kMarkShapeCount + kColumns - 1) / kColumns;
inline constexpr zel::TColor kInk = zel::clNavy;

inline void DrawMarkCells(zel::TCanvas& c) {
  for (int m = 0; m < zel::kMarkShapeCount; ++m) {
    c.Pen().SetColor(kInk);
    zel::DrawMarkOnCanvas(c, static_cast<uint8_t>(m), (m % kColumns) * kCell + kCell / 2,
                          (m / kColumns) * kCell + kCell / 2);
  }
}

inline std::unique_ptr<zel::TBitmap> ScreenMarks() {
  auto b = std::make_unique<zel::TBitmap>(kColumns * kCell, kRows * kCell);
  DrawMarkCells(b->Canvas());
  return b;
}

// A printing device that takes the pages and prints nothing: the printer's
// canvas then works on every system without a printer (Windows prints
// through the spooler), at the printer's own resolution and paper.
class DrawingOnlyPrinting : public zel::platform::PrintServices {
 public:
  std::unique_ptr<zel::platform::PrintDocument> BeginDocument(
      const zel::platform::PrintRequest& /*request*/, std::string& /*error*/) override {
    return std::make_unique<Document>();
  }

 private:
  struct Document : zel::platform::PrintDocument {
    bool AddPage(const zel::platform::PageImage& /*page*/) override { return !finished; }
    bool Finish() override { return !std::exchange(finished, true); }
    std::string Error() const override { return {}; }
    bool finished = false;
  };
};

// The same cells drawn on a printer's page (a document for Scratch, then
// abandoned) and copied back into a bitmap.
inline std::unique_ptr<zel::TBitmap> PrinterMarks(const zel::String& Scratch) {
  DrawingOnlyPrinting paper;
  zel::platform::ScopedBackend<zel::platform::PrintServices> guard(
      &paper, &zel::platform::SetPrintingBackend);
  zel::TPrinter printer;
  printer.SetFileName(Scratch);
  printer.BeginDoc();
  DrawMarkCells(printer.Canvas());
  auto b = std::make_unique<zel::TBitmap>(kColumns * kCell, kRows * kCell);
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x) b->Canvas().SetPixels(x, y, printer.Canvas().Pixels(x, y));
  printer.Abort();
  return b;
}

// Frames: one 30 x 20 cell per style value 0 to 7 and 128 + 3 (taken modulo
// 128), the frame from (5, 4) to (24, 15) of its cell, colours C1..C5 red,
// green, blue, olive, purple.
inline constexpr int kFrameCellW = 30;
inline constexpr int kFrameCellH = 20;
inline constexpr uint8_t kFrameStyles[] = {0, 1, 2, 3, 4, 5, 6, 7, 131};
inline constexpr int kFrameCount = sizeof kFrameStyles;

inline std::unique_ptr<zel::TBitmap> Frames() {
  auto b = std::make_unique<zel::TBitmap>(kFrameCount * kFrameCellW, kFrameCellH);
  for (int i = 0; i < kFrameCount; ++i) {
    const int x = i * kFrameCellW;
    zel::DrawFrame(b->Canvas(), static_cast<zel::TFrameStyle>(kFrameStyles[i]), x + 5, 4, x + 24,
                   15, zel::clRed, zel::clGreen, zel::clBlue, zel::clOlive, zel::clPurple);
  }
  return b;
}

// The sheet `zel marks OUT.png` writes, without its text: while it is drawn
// no font is found (for a family no other drawing has in the glyph cache),
// so the marks drawn as shapes and the frames remain. Text is drawn with a
// clear brush and touches only its glyphs' pixels, so the tool's sheet
// differs from this one in its text alone, on every system.
inline std::unique_ptr<zel::TBitmap> MarksToolSheet() {
  struct NoFonts : zel::platform::FontServices {
    bool FindFace(const zel::platform::FontRequest&, zel::platform::FontFace&) override {
      return false;
    }
    bool IsInstalled(const std::string&) override { return false; }
    std::string FontFormat(const std::string&) override { return {}; }
    int32_t ScreenPixelsPerInch() override { return 96; }
  } none;
  zel::platform::ScopedBackend<zel::platform::FontServices> guard(&none,
                                                                  &zel::platform::SetFontsBackend);
  return zel_tool::marks::Sheet(u"zel marks sheet without text");
}

// Text: lines in the DejaVu families at a few sizes, bold and italic,
// underlined and struck out, on a solid brush, a character beyond U+FFFF,
// and a row of character marks. Glyphs come from the system's renderer
// (FreeType on Linux, GDI on Windows), which shade them differently, so each
// system has its own image: TextGoldenFile().
inline constexpr int kTextWidth = 340;
inline constexpr int kTextHeight = 270;
inline constexpr const char* kTextFamilies[] = {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"};
inline constexpr uint8_t kTextMarks[] = {52, 65, 103, 128, 150, 153, 199, 205, 255};

// The text sheet's image file of the running system.
inline const char* TextGoldenFile() {
#ifdef _WIN32
  return "text_windows.png";
#else
  return "text_linux.png";
#endif
}

inline std::unique_ptr<zel::TBitmap> TextSheet() {
  struct Line {
    const char* family;
    int32_t size;  // points
    zel::TFontStyles style;
    const char* text;  // UTF-8
  };
  using zel::fsBold, zel::fsItalic, zel::fsUnderline, zel::fsStrikeOut;
  const Line lines[] = {
      {"DejaVu Sans", 7, {}, "Sans 7: The quick brown fox jumps over the lazy dog"},
      {"DejaVu Sans", 10, {}, "Sans 10: Pack my box with five dozen jugs"},
      {"DejaVu Sans", 14, {}, "Sans 14: \u00C4gypten \u20AC5 \u00DF\u00E9"},
      {"DejaVu Sans", 20, {}, "Sans 20: Wg Qy"},
      {"DejaVu Sans", 11, {fsBold}, "Bold 11: Hamburgefonts"},
      {"DejaVu Sans", 11, {fsItalic}, "Italic 11: Hamburgefonts"},
      {"DejaVu Sans", 11, {fsBold, fsItalic}, "Bold italic 11: Hamburgefonts"},
      {"DejaVu Serif", 11, {fsUnderline}, "Serif 11 underlined"},
      {"DejaVu Sans Mono", 10, {fsStrikeOut}, "Mono 10 struck out {0}"},
      {"DejaVu Sans", 12, {}, "Beyond U+FFFF: \U0001F600"},
  };
  auto b = std::make_unique<zel::TBitmap>(kTextWidth, kTextHeight);
  zel::TCanvas& c = b->Canvas();
  c.Brush().SetStyle(zel::bsClear);
  c.Font().SetColor(zel::clBlack);
  int32_t y = 2;
  for (const Line& line : lines) {
    c.Font().SetName(zel::Utf8ToString(line.family));
    c.Font().SetSize(line.size);
    c.Font().SetStyle(line.style);
    c.TextOut(4, y, zel::Utf8ToString(line.text));
    y += c.TextHeight(u"Wg") + 2;
  }
  // On a solid brush: the text's box is filled first.
  c.Font().SetName(u"DejaVu Sans");
  c.Font().SetSize(12);
  c.Font().SetStyle({});
  c.Font().SetColor(zel::clNavy);
  c.Brush().SetStyle(zel::bsSolid);
  c.Brush().SetColor(zel::clYellow);
  c.TextOut(4, y, u"On yellow");
  y += c.TextHeight(u"Wg") + 14;
  // Character marks, centred on their points in the pen colour.
  c.Pen().SetColor(zel::clMaroon);
  for (size_t i = 0; i < sizeof kTextMarks; ++i)
    zel::DrawMarkOnCanvas(c, kTextMarks[i], 16 + 30 * static_cast<int32_t>(i), y);
  return b;
}

}  // namespace zel_golden
