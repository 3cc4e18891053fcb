// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/printing.h"

#include <cerrno>

namespace zel::platform {

std::unique_ptr<PrintDocument> NativePrintServices::BeginDocument(const std::string&, DocumentWriter, std::string&) { return {}; }

PrintServices& NativePrinting() {
  static NativePrintServices native;
  return native;
}

}  // namespace zel::platform
