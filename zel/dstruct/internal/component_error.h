// The error that the data-structure components raise about themselves.
#pragma once

#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel::internal {

// Raises EZELDStructError with the text: Component "<Name>": <Detail>.
[[noreturn]] void RaiseComponentError(const TComponent& Component, const String& Detail);

// The detail for a failed allocation.
inline constexpr char16_t kNotEnoughMemory[] = u"not enough memory on heap";

}  // namespace zel::internal
