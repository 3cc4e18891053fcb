// Going back in a stream, for the functions that read past what they return
// and then put the position back (ReadStreamUntil, ReadStreamUntilTagList).
//
// A pipe, a socket or a terminal cannot go back: its Position() is negative
// (a handle stream reports the system's refusal as -1), and a Seek on it
// moves nothing. Such functions either read no further than they return or
// raise EStreamError, so no byte is lost without a word.
#pragma once

#include <cstdint>

#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"

namespace zel::internal {

inline constexpr char16_t kCannotGoBack[] = u"Stream seek error: the stream cannot go back";

// True when the stream reports a position (so it can be asked to go back).
inline bool CanSeek(TStream& s) { return s.Position() >= 0; }

// Puts the position on Target; raises EStreamError when the stream does not
// get there.
inline void SeekBack(TStream& s, int64_t target) {
  if (s.Seek(target, soBeginning) != target) throw EStreamError(kCannotGoBack);
}

}  // namespace zel::internal
