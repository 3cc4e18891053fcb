// The printer's output device: a document of pages, each page an image of
// the printer canvas, written as PDF.
//
// On Linux the printer prints to a PDF file through cairo's PDF surface: every
// page is one image at the printer's resolution placed on a page of the
// paper's size, so the file shows exactly the pixels the canvas holds. The
// bytes of the file are handed to a writer that the printer supplies (it
// writes them through a safe-replacement stream, so a failed print leaves an
// earlier file of that name as it was).
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
#include "zel/runtime/export.h"

namespace zel::platform {

// Receives the bytes of the document; returns false when they could not be
// written (the document then fails).
using DocumentWriter = std::function<bool(const uint8_t* data, size_t size)>;

// One page image: rows of 32-bit pixels 0x??RRGGBB (the high byte is
// ignored), `stride` pixels apart.
struct PageImage {
  const uint32_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  int32_t pixels_per_inch = 300;
};

// A document being printed. AddPage and Finish return false on failure, with
// a reason in Error(); a document destroyed without Finish is abandoned.
class ZEL_API PrintDocument {
 public:
  virtual ~PrintDocument();
  virtual bool AddPage(const PageImage& page) = 0;
  virtual bool Finish() = 0;
  virtual std::string Error() const = 0;
};

class ZEL_API PrintServices {
 public:
  virtual ~PrintServices();
  // Starts a document titled `title` (UTF-8) whose bytes go to `writer`;
  // nullptr with a reason in `error` when it cannot be started.
  virtual std::unique_ptr<PrintDocument> BeginDocument(const std::string& title,
                                                       DocumentWriter writer,
                                                       std::string& error) = 0;
};

// The cairo PDF implementation described above.
class ZEL_API LinuxPrintServices : public PrintServices {
 public:
  std::unique_ptr<PrintDocument> BeginDocument(const std::string& title, DocumentWriter writer,
                                               std::string& error) override;
};

ZEL_API PrintServices& LinuxPrinting();
ZEL_API PrintServices& Printing();
ZEL_API PrintServices* SetPrintingBackend(PrintServices* backend);

}  // namespace zel::platform
