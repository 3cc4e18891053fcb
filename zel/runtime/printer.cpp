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
  std::unique_ptr<TSafeFileStream> file;
  std::unique_ptr<platform::PrintDocument> output;
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
  return TenthsMMToPixels(orientation_ == poPortrait ? paper_w_ : paper_h_, ppi_);
}

int32_t TPrinter::PageHeight() const noexcept {
  return TenthsMMToPixels(orientation_ == poPortrait ? paper_h_ : paper_w_, ppi_);
}

void TPrinter::CheckPrinting() const {
  if (!Printing()) throw EPrinter(u"Printer is not currently printing");
}

void TPrinter::FailDocument(const std::string& reason) {
  const String name = file_name_;
  Abort();
  throw EPrinter(u"Cannot print to file \"" + name + u"\": " + Utf8ToString(reason));
}

void TPrinter::BeginDoc() {
  if (Printing()) throw EPrinter(u"Printing in progress");
  auto doc = std::make_unique<Document>();
  doc->file = std::make_unique<TSafeFileStream>(file_name_);
  TSafeFileStream* file = doc->file.get();
  std::string error;
  doc->output = platform::Printing().BeginDocument(
      StringToUtf8(title_),
      [file](const uint8_t* data, size_t size) {
        return file->Write(data, static_cast<int64_t>(size)) == static_cast<int64_t>(size);
      },
      error);
  if (!doc->output)
    throw EPrinter(u"Cannot print to file \"" + file_name_ + u"\": " + Utf8ToString(error));
  page_.assign(static_cast<size_t>(PageWidth()) * static_cast<size_t>(PageHeight()), kPaper);
  document_ = std::move(doc);
  aborted_ = false;
  page_number_ = 1;
  canvas_.Attach(page_.data(), PageWidth(), PageHeight(), PageWidth());
  canvas_.MoveTo(0, 0);
}

void TPrinter::EmitPage() {
  platform::PageImage image;
  image.pixels = page_.data();
  image.width = PageWidth();
  image.height = PageHeight();
  image.stride = PageWidth();
  image.pixels_per_inch = ppi_;
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
    document_->file->Commit();
  } catch (...) {
    Abort();
    throw;
  }
  document_.reset();
  canvas_.Attach(nullptr, 0, 0, 0);
  page_.clear();
  page_.shrink_to_fit();
}

void TPrinter::Abort() noexcept {
  if (!Printing()) return;
  document_.reset();  // the output first, then the file without its commit
  canvas_.Attach(nullptr, 0, 0, 0);
  page_.clear();
  page_.shrink_to_fit();
  aborted_ = true;
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
