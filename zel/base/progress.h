// Progress-reporting variables shared with components built on the library.
//
// ProcStat is set to 0 when the module Zel_zelbase starts; apart from that
// the library itself neither reads nor writes any of them. Process-wide and
// unsynchronised: callers that use them from several threads must lock.
#pragma once

#include "zel/export.h"

namespace zel {

// A progress callback for mathematical procedures; nullptr when none.
using TMathFeedBackProc = void (*)(double StateCnt);

ZEL_API extern double ProcStat;      // 8 bytes
ZEL_API extern double LastProcStat;  // 8 bytes
ZEL_API extern bool AbortMathProc;   // Abort flag for mathematical procedures; initially false.
ZEL_API extern TMathFeedBackProc MathFeedBackProc;  // Current progress callback; initially nullptr.

static_assert(sizeof(double) == 8);

}  // namespace zel
