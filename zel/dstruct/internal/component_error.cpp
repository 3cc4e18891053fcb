#include "zel/dstruct/internal/component_error.h"

#include "zel/base/errors.h"

namespace zel::internal {

void RaiseComponentError(const TComponent& Component, const String& Detail) {
  throw EZELDStructError(u"Component \"" + Component.Name() + u"\": " + Detail);
}

}  // namespace zel::internal
