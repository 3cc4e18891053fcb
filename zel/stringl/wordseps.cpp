#include "zel/stringl/wordseps.h"

namespace zel {

TByteSet WordSeps = [] {
  TByteSet s;
  for (int c : {0,  10, 13, 32, 34, 35, 37, 39, 40, 41, 42, 43,  44,
                45, 46, 47, 58, 59, 60, 61, 62, 91, 92, 93, 123, 125})
    s.set(static_cast<size_t>(c));
  return s;
}();

}  // namespace zel
