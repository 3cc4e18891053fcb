// The printer's output device: a document of pages, each page an image of
// the printer canvas.
//
// Linux: the printer prints to a PDF file through cairo's PDF surface: every
// page is one image at the printer's resolution placed on a page of the
// paper's size, so the file shows exactly the pixels the canvas holds. The
// bytes of the file are handed to the request's writer (the printer writes
// them through a safe-replacement stream, so a failed print leaves an
// earlier file of that name as it was). There are no named printers: a
// request naming one is refused.
// Windows: the document prints through the print spooler on the request's
// printer (the default printer when none is named): CreateDCW("WINSPOOL")
// with the printer's settings for the request's paper and orientation
// (DocumentPropertiesW), StartDocW, then per page StartPage, StretchDIBits
// of the page image onto the printable area, EndPage, and EndDoc at the end
// (AbortDoc when the document is abandoned). With an output path the
// spooler's file port writes the printer's output into that file instead of
// printing it. The document reports the printer's page (DeviceFormat), so
// pages are drawn at the printer's resolution. Errors carry the system's
// reason (FormatMessageW).
//
// The backend in force is Printing(); tests install another one with
// SetPrintingBackend or ScopedBackend (see backend.h), for instance one that
// records the pages instead of writing them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "zel/export.h"
#include "zel/platform/backend.h"

namespace zel::platform {

// Receives the bytes of the document; returns false when they could not be
// written (the document then fails).
using DocumentWriter = std::function<bool(const uint8_t* data, size_t size)>;

// One page image: rows of 32-bit pixels 0x??RRGGBB (the high byte is
// ignored), `stride` pixels apart.
struct PageImage {
  const uint32_t* pixels = nullptr;  // the first row; height rows of stride pixels
  int32_t width = 0;                 // pixels per row shown (at least 1)
  int32_t height = 0;                // rows (at least 1)
  int32_t stride = 0;                // pixels from one row to the next (at least width)
  int32_t pixels_per_inch = 300;     // resolution; sets the paper size (positive)
};

// What a document is printed with.
struct PrintRequest {
  std::string title;  // the document's title (UTF-8)
  // The printer (UTF-8); empty: the default printer. Linux: must be empty.
  std::string printer;
  // Windows: the native path of a file that receives the printer's output
  // through the spooler's file port; empty: the printer prints it. Linux:
  // not used.
  std::string output_path;
  // Linux: receives the bytes of the PDF document. Windows: not used.
  DocumentWriter writer;
  // The paper in tenths of millimetres, portrait; 0: the printer's own.
  // Windows asks the printer for it; Linux takes the size of each page image.
  int32_t paper_width = 0;
  int32_t paper_height = 0;  // see paper_width
  bool landscape = false;    // pages turned on their side (Windows)
};

// The page a printing device draws on: its printable area in device pixels
// and the device's resolution across and down.
struct PageFormat {
  int32_t width = 0;              // printable pixels per row
  int32_t height = 0;             // printable rows
  int32_t pixels_per_inch_x = 0;  // resolution across
  int32_t pixels_per_inch_y = 0;  // resolution down
};

// A document being printed. AddPage and Finish return false on failure, with
// a reason in Error(); a document destroyed without Finish is abandoned.
class ZEL_API PrintDocument {
 public:
  virtual ~PrintDocument();
  // Appends page as a new page of the paper size its pixels and resolution
  // make; the pixels are copied before it returns. False, with "invalid page"
  // in Error(), for an empty page, missing pixels or a resolution that is not
  // positive (also after Finish); false with the drawing library's reason or
  // "write error" when the page cannot be drawn or written.
  virtual bool AddPage(const PageImage& page) = 0;
  // Completes the document and hands the rest of its bytes to the writer.
  // False, with "write error" or the drawing library's reason in Error(),
  // when the document could not be completed; false (Error() unchanged) when
  // called a second time.
  virtual bool Finish() = 0;
  // The reason of the last failure; empty while nothing failed.
  virtual std::string Error() const = 0;
  // Fills `format` with the device's page and returns true when the device
  // prints at its own resolution (Windows printers); false, `format`
  // untouched, when pages keep the printer's settings (PDF documents, the
  // default). Each page then is stretched over the printable area.
  virtual bool DeviceFormat(PageFormat& format) const {
    (void)format;
    return false;
  }
};

// The printing concern: starting a document.
class ZEL_API PrintServices {
 public:
  virtual ~PrintServices();
  // Starts a document as `request` says; nullptr with a reason in `error`
  // when it cannot be started (no printer, the spooler's refusal).
  virtual std::unique_ptr<PrintDocument> BeginDocument(const PrintRequest& request,
                                                       std::string& error) = 0;
};

// The implementation described above (cairo on Linux, the spooler on
// Windows).
class ZEL_API NativePrintServices : public PrintServices {
 public:
  std::unique_ptr<PrintDocument> BeginDocument(const PrintRequest& request,
                                               std::string& error) override;
};

// The process's native implementation (built on first use).
ZEL_API PrintServices& NativePrinting();
// The implementation in force, which the modules call.
ZEL_API PrintServices& Printing();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API PrintServices* SetPrintingBackend(PrintServices* backend);

}  // namespace zel::platform
