#include "zel/runtime/printer.h"

#include <algorithm>
#include <string>

#include "zel/platform/printing.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/utf8.h"

namespace zel {

EPrinter::~EPrinter() = default;

namespace {

constexpr uint32_t kPaper = 0xFFFFFFFFu;

TPrinter* installed_printer = nullptr;

int32_t TenthsMMToPixels(int32_t tenths, int32_t ppi) {
  return static_cast<int32_t>((int64_t{tenths} * ppi + 127) / 254);
}

}  // namespace

struct TPrinter::Document {
  std::unique_ptr<TSafeFileStream> file;  // null when a printer prints the pages
  std::unique_ptr<platform::PrintDocument> output;
  String failure;  // what a failure's message starts with
};

TPrinterCanvas::TPrinterCanvas() = default;
TPrinterCanvas::~TPrinterCanvas() = default;
String TPrinterCanvas::ClassName() const { return u"TPrinterCanvas"; }

bool IsPrinterCanvas(const TCanvas& Canvas) noexcept {
  return dynamic_cast<const TPrinterCanvas*>(&Canvas) != nullptr;
}

TPrinter::TPrinter() { canvas_.SetPixelsPerInch(ppi_); }

TPrinter::~TPrinter() { Abort(); }

void TPrinter::SetPixelsPerInch(int32_t Value) {
  if (Printing()) return;
  ppi_ = std::clamp(Value, 72, 1200);
  canvas_.SetPixelsPerInch(ppi_);
}

void TPrinter::SetPaperSize(int32_t WidthTenthsMM, int32_t HeightTenthsMM) {
  if (Printing()) return;
  paper_w_ = std::clamp(WidthTenthsMM, 100, 10000);
  paper_h_ = std::clamp(HeightTenthsMM, 100, 10000);
}

void TPrinter::SetOrientation(TPrinterOrientation Value) {
  if (Printing() || Value > poLandscape) return;
  orientation_ = Value;
}

int32_t TPrinter::PageWidth() const noexcept {
  if (device_w_ > 0) return device_w_;
  return TenthsMMToPixels(orientation_ == poPortrait ? paper_w_ : paper_h_, ppi_);
}

int32_t TPrinter::PageHeight() const noexcept {
  if (device_h_ > 0) return device_h_;
  return TenthsMMToPixels(orientation_ == poPortrait ? paper_h_ : paper_w_, ppi_);
}

void TPrinter::CheckPrinting() const {
  if (!Printing()) throw EPrinter(u"Printer is not currently printing");
}

void TPrinter::FailDocument(const std::string& reason) {
  const String failure = document_->failure;
  Abort();
  throw EPrinter(failure + Utf8ToString(reason));
}

void TPrinter::BeginDoc() {
  if (Printing()) throw EPrinter(u"Printing in progress");
  auto doc = std::make_unique<Document>();
  platform::PrintRequest request;
  request.title = StringToUtf8(title_);
  request.printer = StringToUtf8(printer_name_);
  request.paper_width = paper_w_;
  request.paper_height = paper_h_;
  request.landscape = orientation_ == poLandscape;
#ifdef _WIN32
  // Without a file the printer prints the pages.
  const bool to_file = !file_name_.empty();
#else
  const bool to_file = true;  // documents are PDF files
#endif
  doc->failure = to_file ? u"Cannot print to file \"" + file_name_ + u"\": " : u"Cannot print: ";
  if (to_file) {
    doc->file = std::make_unique<TSafeFileStream>(file_name_);
#ifdef _WIN32
    // The spooler writes the replacement's temporary by its name (it cannot
    // share it with the stream); EndDoc puts it in place.
    request.output_path = doc->file->HandOver();
    if (request.output_path.empty())
      throw EPrinter(doc->failure +
                     u"the printer cannot write into this file in place (it has several names, "
                     u"or its folder takes no new files)");
#else
    TSafeFileStream* file = doc->file.get();
    request.writer = [file](const uint8_t* data, size_t size) {
      return file->Write(data, static_cast<int64_t>(size)) == static_cast<int64_t>(size);
    };
#endif
  }
  std::string error;
  doc->output = platform::Printing().BeginDocument(request, error);
  if (!doc->output) throw EPrinter(doc->failure + Utf8ToString(error));
  platform::PageFormat device;
  if (doc->output->DeviceFormat(device)) {
    // Drawn at the printer's resolution (the finer of its two, within the
    // canvas's range) over its printable area.
    if (device.width <= 0 || device.height <= 0 || device.pixels_per_inch_x <= 0 ||
        device.pixels_per_inch_y <= 0)
      throw EPrinter(doc->failure + u"the printer reports no printable page");
    const int32_t ppi =
        std::clamp(std::min(device.pixels_per_inch_x, device.pixels_per_inch_y), 72, 1200);
    const auto scale = [ppi](int32_t pixels, int32_t device_ppi) {
      return std::max<int32_t>(
          1, static_cast<int32_t>((int64_t{pixels} * ppi + device_ppi / 2) / device_ppi));
    };
    device_w_ = scale(device.width, device.pixels_per_inch_x);
    device_h_ = scale(device.height, device.pixels_per_inch_y);
    device_ppi_ = ppi;
  }
  try {
    page_.assign(static_cast<size_t>(PageWidth()) * static_cast<size_t>(PageHeight()), kPaper);
  } catch (...) {
    device_ppi_ = device_w_ = device_h_ = 0;
    throw;
  }
  document_ = std::move(doc);
  aborted_ = false;
  page_number_ = 1;
  canvas_.SetPixelsPerInch(PixelsPerInch());
  canvas_.Attach(page_.data(), PageWidth(), PageHeight(), PageWidth());
  canvas_.MoveTo(0, 0);
}

void TPrinter::EmitPage() {
  platform::PageImage image;
  image.pixels = page_.data();
  image.width = PageWidth();
  image.height = PageHeight();
  image.stride = PageWidth();
  image.pixels_per_inch = PixelsPerInch();
  if (!document_->output->AddPage(image)) FailDocument(document_->output->Error());
}

void TPrinter::NewPage() {
  CheckPrinting();
  EmitPage();
  std::fill(page_.begin(), page_.end(), kPaper);
  ++page_number_;
  canvas_.MoveTo(0, 0);
}

void TPrinter::EndDoc() {
  CheckPrinting();
  EmitPage();
  if (!document_->output->Finish()) FailDocument(document_->output->Error());
  try {
    if (document_->file) document_->file->Commit();
  } catch (...) {
    Abort();
    throw;
  }
  Release();
}

void TPrinter::Abort() noexcept {
  if (!Printing()) return;
  Release();
  aborted_ = true;
}

void TPrinter::Release() noexcept {
  document_.reset();  // the output first, then the file without its commit
  canvas_.Attach(nullptr, 0, 0, 0);
  page_.clear();
  page_.shrink_to_fit();
  device_ppi_ = device_w_ = device_h_ = 0;
  canvas_.SetPixelsPerInch(ppi_);
}

TPrinter& Printer() {
  if (installed_printer != nullptr) return *installed_printer;
  static TPrinter* builtin = new TPrinter;
  return *builtin;
}

TPrinter* SetPrinter(TPrinter* Value) {
  TPrinter* previous = &Printer();
  installed_printer = Value;
  return previous;
}

}  // namespace zel
