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
#include "marks_sheet.h"
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

using zel_tool::marks::DrawSheet;
using zel_tool::marks::Layout;

// The sheet's font.
constexpr const char16_t* kFamily = u"DejaVu Sans";

std::unique_ptr<zel::TBitmap> Sheet() { return zel_tool::marks::Sheet(kFamily); }

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
  DrawSheet(printer.Canvas(), Layout{scale}, margin, margin, kFamily);
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
