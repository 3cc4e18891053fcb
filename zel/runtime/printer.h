// TPrinter: pages drawn on a canvas at printer resolution and printed.
//
//   TPrinter& p = Printer();
//   p.SetFileName(u"report.pdf");    // Windows: leave empty to print on paper
//   p.BeginDoc();
//   p.Canvas().TextOut(300, 300, u"Page one");
//   p.NewPage();
//   ...
//   p.EndDoc();                      // report.pdf now holds the pages
//
// Pages. The canvas (a TPrinterCanvas, which the drawing helpers recognise)
// covers one page of paper at PixelsPerInch: A4 portrait (210 x 297 mm,
// 2480 x 3508 pixels at the default 300 pixels per inch) unless
// SetPaperSize or SetOrientation says otherwise. Between BeginDoc and EndDoc
// it draws on the current page, which starts white; outside a document it
// has no surface and draws nothing. Resolution and paper are fixed while a
// document is printing (setting them then is ignored).
//
// Output. Each page goes through the platform's print device
// (zel/platform/printing.h).
// Linux: one image per page in a PDF file made with cairo, the page size in
// points matching the paper. The file is FileName ("zel-print.pdf" in the
// current directory unless set). There are no printers to choose:
// PrinterName must stay empty.
// Windows: the pages print through the print spooler on PrinterName (the
// default printer when empty), which is asked for the paper and orientation
// set here. From BeginDoc to the end of the document the printer's own
// page rules: PixelsPerInch, PageWidth and PageHeight then report the
// printer's resolution and its printable area (the canvas's (0, 0) is the
// printable area's top left corner), and each page is sent as one image at
// that resolution. FileName is empty by default: the printer prints the
// pages. When it is set, the printer's output (in the printer's own format,
// PostScript or PDF for instance) goes into that file through the spooler's
// file port instead.
// A file is replaced whole through the runtime's safe-replacement stream
// when EndDoc succeeds, and left as it was by Abort or a failed print.
//
// Errors (EPrinter): "Printing in progress" for BeginDoc while printing,
// "Printer is not currently printing" for NewPage or EndDoc outside a
// document, "Cannot print to file "<name>": <reason>" when the document for
// a file cannot be started or written, and "Cannot print: <reason>" for a
// printer without a file (Windows); the document is then abandoned. Reasons
// include "no printer is installed", "the printer "<name>" is not
// installed" (Windows), "no printer named "<name>" ..." (Linux), and on
// Windows "<step> failed: <the system's reason>" for a spooler call that
// failed (StartDoc, EndPage, ...). The file stream's EFCreateError passes
// when the file cannot be created.
//
// Printer() is the process's printer, made on first use; SetPrinter installs
// another (for instance a test's) and returns the previous one. The switch is
// not synchronised: install a printer before other threads print. A printer
// and its canvas belong to one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "zel/runtime/canvas.h"
#include "zel/runtime/classes.h"
#include "zel/runtime/exception.h"

namespace zel {

class TBitmap;
class TSafeFileStream;

ZEL_DECLARE_EXCEPTION(EPrinter, Exception);

// Page orientation: upright (portrait) or turned (landscape).
enum TPrinterOrientation : uint8_t { poPortrait, poLandscape };

// The canvas of a printer's page.
class ZEL_API TPrinterCanvas : public TCanvas {
 public:
  TPrinterCanvas();
  ~TPrinterCanvas() override;
  String ClassName() const override;

 private:
  friend class TPrinter;
};

// True when Canvas is the canvas of a printer (any TPrinter's page).
ZEL_API bool IsPrinterCanvas(const TCanvas& Canvas) noexcept;

class ZEL_API TPrinter : public TObject {
 public:
  // The resolution of a new printer's pages.
  static constexpr int32_t kDefaultPixelsPerInch = 300;

  TPrinter();
  ~TPrinter() override;  // abandons a document still printing

  // The file the next document is written to. Linux: the PDF file
  // ("zel-print.pdf"). Windows: empty (the printer prints the document), or
  // the file that receives the printer's output.
  const String& FileName() const noexcept { return file_name_; }
  // Sets FileName; a document already printing keeps its file.
  void SetFileName(const String& Value) { file_name_ = Value; }
  // The printer the next document prints on; empty (the default): the
  // system's default printer. Linux prints PDF files only, so a name there
  // makes BeginDoc fail.
  const String& PrinterName() const noexcept { return printer_name_; }
  // Sets PrinterName; a document already printing keeps its printer.
  void SetPrinterName(const String& Value) { printer_name_ = Value; }
  // The document title stored in the file (default "zel document").
  const String& Title() const noexcept { return title_; }
  // Sets Title; a document already printing keeps its title.
  void SetTitle(const String& Value) { title_ = Value; }

  // Clamped to 72..1200. While a document prints on a printer that has its
  // own resolution (Windows), the printer's (clamped likewise).
  int32_t PixelsPerInch() const noexcept { return device_ppi_ > 0 ? device_ppi_ : ppi_; }
  // Sets PixelsPerInch (clamped) and the canvas's resolution; ignored while
  // printing.
  void SetPixelsPerInch(int32_t Value);
  // Paper width WidthTenthsMM and height HeightTenthsMM in tenths of
  // millimetres, portrait; each clamped to 100..10000 (1 cm to 1 m). Default
  // 2100 x 2970 (A4). Ignored while printing.
  void SetPaperSize(int32_t WidthTenthsMM, int32_t HeightTenthsMM);
  // Whether pages are upright (poPortrait, the default) or turned on their
  // side (poLandscape: the paper's width and height swapped).
  TPrinterOrientation Orientation() const noexcept { return orientation_; }
  // Sets Orientation; ignored while printing and for values beyond
  // poLandscape.
  void SetOrientation(TPrinterOrientation Value);
  // The page in pixels at PixelsPerInch, oriented; while a document prints
  // on a printer with its own page (Windows), its printable area.
  int32_t PageWidth() const noexcept;
  int32_t PageHeight() const noexcept;  // the page's height in pixels, oriented

  // Starts a document for FileName (or, on Windows, PrinterName): page 1
  // starts white and the canvas draws on it, the pen position at (0, 0).
  // Raises EPrinter when printing already or when the document cannot be
  // started (no printer, for instance), and the file stream's EFCreateError
  // when the file cannot be created.
  void BeginDoc();
  // Prints the current page and starts the next one, white, the pen position
  // at (0, 0). Raises EPrinter outside a document or when the page cannot be
  // written (the document is then abandoned).
  void NewPage();
  // Prints the current page, finishes the document and replaces the file
  // named at BeginDoc with it (if one was named); the canvas then has no
  // surface. Raises
  // EPrinter outside a document or when the document cannot be written, and
  // the file stream's EWriteError when the file cannot be replaced; after a
  // failure the document is abandoned and the file left as it was.
  void EndDoc();
  // Abandons the document: nothing is written, the file stays as it was
  // (Windows: the print job is cancelled).
  void Abort() noexcept;

  // True between BeginDoc and EndDoc (or the document's abandonment).
  bool Printing() const noexcept { return document_ != nullptr; }
  // True when the last document was abandoned (by Abort or a failure) rather
  // than finished; BeginDoc clears it.
  bool Aborted() const noexcept { return aborted_; }
  // 1 on the first page of a document.
  int32_t PageNumber() const noexcept { return page_number_; }

  // The canvas of the current page (no surface outside a document).
  TPrinterCanvas& Canvas() noexcept { return canvas_; }

 private:
  struct Document;
  void CheckPrinting() const;
  void EmitPage();
  [[noreturn]] void FailDocument(const std::string& reason);
  void Release() noexcept;

#ifdef _WIN32
  String file_name_;
#else
  String file_name_ = u"zel-print.pdf";
#endif
  String printer_name_;
  String title_ = u"zel document";
  // The page of a printer with its own resolution, while its document
  // prints (0: none).
  int32_t device_ppi_ = 0, device_w_ = 0, device_h_ = 0;
  int32_t ppi_ = kDefaultPixelsPerInch;
  int32_t paper_w_ = 2100, paper_h_ = 2970;
  TPrinterOrientation orientation_ = poPortrait;
  TPrinterCanvas canvas_;
  std::vector<uint32_t> page_;
  std::unique_ptr<Document> document_;
  int32_t page_number_ = 0;
  bool aborted_ = false;
};

// The process's printer (made on first use), or the one SetPrinter installed.
ZEL_API TPrinter& Printer();
// Installs Value as the process's printer (nullptr: the built-in one again);
// returns the previous one. The caller keeps ownership of Value.
ZEL_API TPrinter* SetPrinter(TPrinter* Value);

}  // namespace zel
