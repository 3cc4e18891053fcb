// FileMode: the process-wide open mode of untyped (binary, record-oriented)
// file reads.
//
// The low two bits choose the access: 0 read only, 1 write only, 2 read and
// write (the default). The share bits of the TFileStream mode words
// (fmShareDenyWrite, ...) may be or'ed in; Linux has no mandatory share
// locks, so they restrict nobody. Text files ignore FileMode: Reset always
// opens for reading, Rewrite and Append for writing.
//
// Like every module-wide variable of the library it is shared by all threads
// of the process and not synchronised; set it before starting file work.
#pragma once

#include <cstdint>

#include "zel/export.h"

namespace zel {

// The open mode described above; 2 (read and write) at start.
extern ZEL_API uint8_t FileMode;

}  // namespace zel
