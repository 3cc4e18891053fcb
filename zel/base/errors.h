// The library's error family. Every error zel raises is an EZELError or one
// of its children, one per module, so callers can catch all of them at once.
#pragma once

#include "zel/runtime/exception.h"

namespace zel {

ZEL_DECLARE_EXCEPTION(EZELError, Exception);          // foundation, graphics
ZEL_DECLARE_EXCEPTION(EZELColArrayError, EZELError);  // colours
ZEL_DECLARE_EXCEPTION(EZELStringlError, EZELError);   // strings
ZEL_DECLARE_EXCEPTION(EZELDStructError, EZELError);   // data structures
ZEL_DECLARE_EXCEPTION(EZELFileSysError, EZELError);   // file system
ZEL_DECLARE_EXCEPTION(EZELCpuIdError, EZELError);     // CPU identification

}  // namespace zel
