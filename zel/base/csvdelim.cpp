#include "zel/base/csvdelim.h"

namespace zel {

TCSVDelimiters ResolveCSVDelimiter(Char C) {
  for (int k = csvBlank; k <= csvTab; ++k)
    if (CSVDELIMITERS[static_cast<size_t>(k)] == C) return static_cast<TCSVDelimiters>(k);
  return csvUnknown;
}

}  // namespace zel
