// The printer's output device: a document of pages, each page an image of
// the printer canvas, written as PDF.
//
// On Linux the printer prints to a PDF file through cairo's PDF surface: every
// page is one image at the printer's resolution placed on a page of the
// paper's size, so the file shows exactly the pixels the canvas holds. The
// bytes of the file are handed to a writer that the printer supplies (it
// writes them through a safe-replacement stream, so a failed print leaves an
// earlier file of that name as it was).
// On Windows no document starts yet: BeginDocument reports "printing to PDF
// is not available on this system yet".
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

#include "zel/platform/backend.h"
#include "zel/export.h"

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
};

// The printing concern: starting a document.
class ZEL_API PrintServices {
 public:
  virtual ~PrintServices();
  // Starts a document titled `title` (UTF-8) whose bytes go to `writer`;
  // nullptr with a reason in `error` when it cannot be started.
  virtual std::unique_ptr<PrintDocument> BeginDocument(const std::string& title,
                                                       DocumentWriter writer,
                                                       std::string& error) = 0;
};

// The implementation described above (cairo on Linux).
class ZEL_API NativePrintServices : public PrintServices {
 public:
  std::unique_ptr<PrintDocument> BeginDocument(const std::string& title, DocumentWriter writer,
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
