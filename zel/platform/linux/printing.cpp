#include "zel/platform/printing.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <utility>

namespace zel::platform {
namespace {

constexpr double kPointsPerInch = 72.0;

class CairoPdfDocument final : public PrintDocument {
 public:
  explicit CairoPdfDocument(DocumentWriter writer) : writer_(std::move(writer)) {}
  ~CairoPdfDocument() override {
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
  }

  bool Start(const std::string& title) {
    // The first page's size is set when the page arrives.
    surface_ = cairo_pdf_surface_create_for_stream(&CairoPdfDocument::Write, this, 595, 842);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return Fail(surface_);
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title.c_str());
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "zel");
    return true;
  }

  bool AddPage(const PageImage& page) override {
    if (surface_ == nullptr || page.width <= 0 || page.height <= 0 || page.pixels == nullptr ||
        page.pixels_per_inch <= 0) {
      error_ = "invalid page";
      return false;
    }
    const double scale = kPointsPerInch / page.pixels_per_inch;
    cairo_pdf_surface_set_size(surface_, page.width * scale, page.height * scale);
    // The page's pixels, shared with cairo for the time of this call.
    cairo_surface_t* image = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(page.pixels)), CAIRO_FORMAT_RGB24,
        page.width, page.height, page.stride * 4);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(image);
      return Fail(image);
    }
    cairo_t* cr = cairo_create(surface_);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, image, 0, 0);
    // Nearest-neighbour so a viewer shows hard pixel edges.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_show_page(cr);
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    // cairo copies the image data into the document when the page is shown.
    cairo_surface_finish(image);
    cairo_surface_destroy(image);
    if (status != CAIRO_STATUS_SUCCESS) {
      error_ = write_failed_ ? "write error" : cairo_status_to_string(status);
      return false;
    }
    return true;
  }

  bool Finish() override {
    if (surface_ == nullptr) return false;
    cairo_surface_finish(surface_);
    const bool ok = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS && !write_failed_;
    if (!ok)
      error_ =
          write_failed_ ? "write error" : cairo_status_to_string(cairo_surface_status(surface_));
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    return ok;
  }

  std::string Error() const override { return error_; }

 private:
  static cairo_status_t Write(void* closure, const unsigned char* data, unsigned int length) {
    auto* self = static_cast<CairoPdfDocument*>(closure);
    if (self->write_failed_) return CAIRO_STATUS_WRITE_ERROR;
    bool ok = false;
    try {
      ok = self->writer_(data, length);
    } catch (...) {
      ok = false;
    }
    if (!ok) self->write_failed_ = true;
    return ok ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
  }

  bool Fail(cairo_surface_t* s) {
    error_ = cairo_status_to_string(cairo_surface_status(s));
    return false;
  }

  DocumentWriter writer_;
  cairo_surface_t* surface_ = nullptr;
  bool write_failed_ = false;
  std::string error_;
};

}  // namespace

std::unique_ptr<PrintDocument> NativePrintServices::BeginDocument(const PrintRequest& request,
                                                                  std::string& error) {
  // Documents become PDF files; there are no printers to choose from.
  if (!request.printer.empty()) {
    error = "no printer named \"" + request.printer + "\" (this system prints to PDF files only)";
    return nullptr;
  }
  auto doc = std::make_unique<CairoPdfDocument>(request.writer);
  if (!doc->Start(request.title)) {
    error = doc->Error();
    return nullptr;
  }
  return doc;
}

PrintServices& NativePrinting() {
  static NativePrintServices linux_printing;
  return linux_printing;
}

}  // namespace zel::platform
