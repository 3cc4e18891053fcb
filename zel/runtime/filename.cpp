#include "zel/runtime/filename.h"

#include <cerrno>
#include <cstdint>

#include "zel/platform/internal/put_utf8.h"

namespace zel {

namespace {

constexpr char32_t kEscapeBase = 0xDC00;

using platform::internal::PutUtf8;

// Length of the well-formed UTF-8 sequence at p[0..n), 0 when there is none
// (the strict rules: no overlong forms, no surrogates, nothing above
// U+10FFFF; on Windows surrogates are taken, as its names hold lone ones); Code receives its value.
size_t Utf8Sequence(const unsigned char* p, size_t n, char32_t& code) {
  const unsigned char b = p[0];
  if (b < 0x80) {
    code = b;
    return 1;
  }
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
    code = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    code = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
#ifndef _WIN32
    if (b == 0xED) hi = 0x9F;  // Windows names keep lone surrogates (WTF-8)
#endif
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    code = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (n < len) return 0;
  for (size_t i = 1; i < len; ++i) {
    const unsigned char c = p[i];
    if (c < (i == 1 ? lo : 0x80) || c > (i == 1 ? hi : 0xBF)) return 0;
    code = (code << 6) | (c & 0x3F);
  }
  return len;
}

}  // namespace

bool FileNameToPath(const String& Name, std::string& Path) {
  Path.clear();
  Path.reserve(Name.size());
  for (size_t i = 0; i < Name.size(); ++i) {
    const char32_t c = Name[i];
    if (c == 0) {
      Path.clear();
      errno = EINVAL;
      return false;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < Name.size() && Name[i + 1] >= 0xDC00 &&
        Name[i + 1] <= 0xDFFF) {
      PutUtf8(Path, 0x10000 + ((c - 0xD800) << 10) + (Name[i + 1] - 0xDC00));
      ++i;
#ifndef _WIN32
    } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      Path.push_back(static_cast<char>(c - kEscapeBase));  // a byte that was not UTF-8
#endif
    } else {
      PutUtf8(Path, c);
    }
  }
  return true;
}

String PathToFileName(std::string_view Path) {
  String name;
  name.reserve(Path.size());
  const auto* p = reinterpret_cast<const unsigned char*>(Path.data());
  size_t i = 0;
  while (i < Path.size()) {
    char32_t c;
    const size_t len = Utf8Sequence(p + i, Path.size() - i, c);
    if (len == 0) {
      name.push_back(static_cast<Char>(kEscapeBase + p[i]));
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      name.push_back(static_cast<Char>(0xD800 + ((c - 0x10000) >> 10)));
      name.push_back(static_cast<Char>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      name.push_back(static_cast<Char>(c));
    }
    i += len;
  }
  return name;
}

}  // namespace zel
