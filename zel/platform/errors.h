// Error numbers that the library's interfaces report and that not every C
// library defines. Linux has them all and the constants carry its values;
// MinGW-w64's <errno.h> has no ESTALE or EDQUOT, so there they get numbers
// of their own, clear of every number that library uses (its numbers end at
// 140).
#pragma once

#include <cerrno>

namespace zel::platform {

#ifdef ESTALE
// A name that now stands for another file than the one it was opened or
// listed as ("stale file handle").
inline constexpr int kErrStale = ESTALE;
#else
// A name that now stands for another file than the one it was opened or
// listed as (no ESTALE in this C library).
inline constexpr int kErrStale = 1116;
#endif

#ifdef EDQUOT
// The user's disk quota is exhausted.
inline constexpr int kErrQuota = EDQUOT;
#else
// The user's disk quota is exhausted (no EDQUOT in this C library).
inline constexpr int kErrQuota = 1122;
#endif

}  // namespace zel::platform
