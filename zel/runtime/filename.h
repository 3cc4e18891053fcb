// File names and the paths the system takes.
//
// A Linux path is a string of bytes without NUL; a zel file name is a String.
// Every place where the runtime turns a name into a path, or a path read from
// the system into a name, goes through this pair, so that
//   - a name holding U+0000 is refused (the system would silently cut the
//     path at it, and "dir/victim\0.xml" would write "dir/victim");
//   - every existing file can be named, whatever its bytes: bytes that do not
//     form UTF-8 become the reserved codes U+DC80..U+DCFF (one per byte, the
//     byte's value plus 0xDC00) and turn back into the same bytes, so
//     PathToFileName and FileNameToPath restore any path exactly.
// The rest is UTF-8. A surrogate that is not part of a pair and not one of
// the reserved codes is written as its three-byte form, so such a name still
// names one file consistently.
//
// Windows: names are UTF-16 and the platform's paths are their UTF-8 form
// with lone surrogates kept as three-byte forms (WTF-8), so every name maps
// to its path exactly and back, lone surrogates (U+DC80..U+DCFF too)
// included; bytes that are not such text (never in a Windows path) become
// U+DC00 + byte as above.
#pragma once

#include <string>
#include <string_view>

#include "zel/runtime/types.h"

namespace zel {

// The path of a file name. False, with errno = EINVAL and Path empty, when the
// name holds U+0000; callers report that as the open or create error they
// raise for a name the system refuses.
ZEL_API bool FileNameToPath(const String& Name, std::string& Path);

// The file name of a path: UTF-8 decoded, each byte of an invalid sequence
// (0x80..0xFF) as U+DC00 + byte.
ZEL_API String PathToFileName(std::string_view Path);

}  // namespace zel
