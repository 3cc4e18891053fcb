// zel marks OUT.png | zel marks --pdf OUT.pdf: one sheet with the 52 shape
// marks, a row of character marks and the frame styles, each labelled with
// its code, written as a PNG image or printed to a PDF file:
//
//   $ zel marks marks.png
//   $ zel marks --pdf marks.pdf
//
// "-" writes to standard output. Exit status 0 when the file was written, 1
// when it could not be (reported as "zel marks: FILE: reason"), 2 for a usage
// error.
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <system_error>

#include "command.h"
#include "zel/base/drawing.h"
#include "zel/base/nametables.h"
#include "zel/platform/scratch.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/printer.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/sysutils.h"

namespace {

using zel::String;
using zel_tool::Args;
using zel_tool::Fail;

constexpr int kColumns = 13;
constexpr int kCell = 44;       // cell side at 96 pixels per inch
constexpr int kFrameCell = 96;  // width of a frame's cell
// Character marks shown: letters, the digit codes and the Windows-1252 range.
constexpr uint8_t kCharMarks[] = {65, 97, 128, 133, 147, 148, 150, 151, 153, 169, 200, 205, 209};

// Grid cells in device pixels for a sheet at `ppi`.
struct Layout {
  int scale;  // device pixels per sheet pixel (1 on screen, ~3 on paper)
  int Px(int v) const { return v * scale; }
};

void Label(zel::TCanvas& c, int cx, int top, const String& text) {
  c.Brush().SetStyle(zel::bsClear);
  c.Font().SetColor(zel::clGray);
  c.TextOut(cx - c.TextWidth(text) / 2, top, text);
}

// Draws the sheet with its top-left corner at (x0, y0); returns its size.
void DrawSheet(zel::TCanvas& c, const Layout& l, int x0, int y0) {
  c.Font().SetName(u"DejaVu Sans");
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

constexpr int kSheetWidth = kColumns * kCell + 16;
constexpr int kSheetHeight = 18 + 4 * kCell + 8 + 18 + kCell + 8 + 18 + 32 + 24 + 8;

std::unique_ptr<zel::TBitmap> Sheet() {
  auto sheet = std::make_unique<zel::TBitmap>(kSheetWidth, kSheetHeight);
  DrawSheet(sheet->Canvas(), Layout{1}, 8, 8);
  return sheet;
}

void WritePng(const String& file) { Sheet()->SaveToFile(file); }

#ifdef _WIN32
// Windows makes PDF files with its own PDF printer; where it is missing,
// printing fails with its name and leaves no file.
constexpr char16_t kPdfPrinter[] = u"Microsoft Print to PDF";
#endif

void WritePdf(const String& file) {
  zel::TPrinter printer;
#ifdef _WIN32
  printer.SetPrinterName(kPdfPrinter);
#endif
  printer.SetFileName(file);
  printer.SetTitle(u"zel marks");
  printer.BeginDoc();
  const int scale = printer.PixelsPerInch() / 96 > 0 ? printer.PixelsPerInch() / 96 : 1;
  // Two centimetres of margin.
  const int margin = printer.PixelsPerInch() * 20 / 254;
  DrawSheet(printer.Canvas(), Layout{scale}, margin, margin);
  printer.EndDoc();
}

int RunMarks(Args& args) {
  const auto pdf = args.Option("pdf");
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  std::string name;
  if (pdf) {
    if (!rest.empty()) Fail("--pdf takes the output file; no other argument");
    name = *pdf;
  } else {
    if (rest.size() != 1) Fail("expected one output file");
    name = rest[0];
  }
  if (name.empty()) Fail("the output file name is empty");
  try {
    if (name == "-") {
      // Standard output may be a pipe: the PNG is written to it directly, the
      // PDF is printed to a temporary file first and then copied.
      zel::THandleStream out(1);
      if (pdf) {
        // A private folder, so nobody can plant a file under the name.
        std::string made;
        const int err = zel::platform::Scratch().MakePrivateFolder(
            std::filesystem::temp_directory_path().string(), "zel-marks-", made);
        if (err != 0) throw zel::EInOutError(u"Cannot create a temporary folder", err);
        const std::filesystem::path folder = made;
        try {
          const String tmp = zel::PathToFileName((folder / "sheet.pdf").string());
          WritePdf(tmp);
          zel::TFileStream in(tmp, zel::fmOpenRead);
          out.CopyFrom(in, 0);
        } catch (...) {
          std::error_code ignored;
          std::filesystem::remove_all(folder, ignored);
          throw;
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
      } else {
        Sheet()->SaveToStream(out);
      }
    } else if (pdf) {
      WritePdf(zel::PathToFileName(name));
    } else {
      WritePng(zel::PathToFileName(name));
    }
  } catch (const zel::Exception& e) {
    std::cerr << "zel marks: " << name << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}

void DemoMarks(std::ostream& out) {
  // Encoded and decoded in memory: the tour writes no file (a fixed name in
  // the shared temporary folder could be a link planted by someone else).
  zel::TBitmap back;
  try {
    zel::TMemoryStream png;
    Sheet()->SaveToStream(png);
    png.SetPosition(0);
    back.LoadFromStream(png);
  } catch (const zel::Exception& e) {
    out << "could not encode the sheet: " << e.what() << "\n";
    return;
  }
  out << "the sheet of marks and frames as PNG (`zel marks OUT.png` writes it): " << back.Width()
      << " x " << back.Height() << " pixels\n"
      << "mark 24 as a 9 x 9 bitmap (# = mark colour):\n";
  const auto mark = zel::CreateMarkAsBitmap(24, zel::clRed, zel::clWhite, 1);
  for (int y = 0; y < mark->Height(); ++y) {
    out << "  ";
    for (int x = 0; x < mark->Width(); ++x)
      out << (mark->Canvas().Pixels(x, y) == zel::clRed ? '#' : '.');
    out << "\n";
  }
  out << "FontIsTrueType(\"DejaVu Sans\") = ";
  try {
    out << (zel::FontIsTrueType(u"DejaVu Sans") ? "true" : "false") << "\n";
  } catch (const zel::Exception& e) {
    out << e.what() << "\n";
  }
}

}  // namespace

ZEL_TOOL_COMMAND(marks, "a sheet of all marks and frame styles as PNG or PDF",
                 "zel marks OUT.png\n"
                 "zel marks --pdf OUT.pdf\n"
                 "  Draws the 52 shape marks, character marks and the frame styles, each\n"
                 "  labelled with its code, into a PNG image, or prints the same sheet at\n"
                 "  300 pixels per inch on an A4 page of a PDF file (\"-\" = standard output).\n"
                 "  Windows prints the PDF file with the \"Microsoft Print to PDF\" printer,\n"
                 "  at its resolution, and fails where that printer is not installed.",
                 RunMarks);
ZEL_TOOL_DEMO(85, "Drawing: marks, frames and the sheet of them as PNG", DemoMarks);
