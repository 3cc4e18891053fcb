// Applies a TLogicOp to whole words or bytes.
#pragma once

#include <cstddef>

#include "zel/dstruct/logicop.h"

namespace zel::internal {

// a[i] := a[i] <Op> b[i] for i < n.
template <typename T>
void ApplyLogicOp(T* a, const T* b, size_t n, TLogicOp Op) noexcept {
  switch (Op) {
    case loAND:
      for (size_t i = 0; i < n; ++i) a[i] = static_cast<T>(a[i] & b[i]);
      break;
    case loOR:
      for (size_t i = 0; i < n; ++i) a[i] = static_cast<T>(a[i] | b[i]);
      break;
    case loXOR:
      for (size_t i = 0; i < n; ++i) a[i] = static_cast<T>(a[i] ^ b[i]);
      break;
    case loANDNot:
      for (size_t i = 0; i < n; ++i) a[i] = static_cast<T>(a[i] & ~b[i]);
      break;
    case loORNot:
      for (size_t i = 0; i < n; ++i) a[i] = static_cast<T>(a[i] | ~b[i]);
      break;
    case loXORNot:
      for (size_t i = 0; i < n; ++i) a[i] = static_cast<T>(a[i] ^ ~b[i]);
      break;
  }
}

}  // namespace zel::internal
