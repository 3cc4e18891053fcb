// No PDF printing on Windows yet (the Windows graphics work will add it): no
// document starts, and the reason says so.
#include "zel/platform/printing.h"

namespace zel::platform {

std::unique_ptr<PrintDocument> NativePrintServices::BeginDocument(const std::string&, DocumentWriter,
                                                                  std::string& error) {
  error = "printing to PDF is not available on this system yet";
  return {};
}

PrintServices& NativePrinting() {
  static NativePrintServices native;
  return native;
}

}  // namespace zel::platform
