#include "zel/base/errors.h"

namespace zel {

EZELError::~EZELError() = default;
EZELColArrayError::~EZELColArrayError() = default;
EZELStringlError::~EZELStringlError() = default;
EZELDStructError::~EZELDStructError() = default;
EZELFileSysError::~EZELFileSysError() = default;
EZELCpuIdError::~EZELCpuIdError() = default;

}  // namespace zel
