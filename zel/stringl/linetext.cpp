#include "zel/stringl/linetext.h"

#include <limits>
#include <string_view>

#include "zel/base/errors.h"
#include "zel/runtime/sysutils.h"
#include "zel/stringl/internal/find_unit.h"

namespace zel {

namespace {

bool EndsLine(int32_t mode, Char c, Char prev) {
  switch (mode) {
    case rlsLF:
      return c == 10;
    case rlsCR:
      return c == 13;
    case rlsCRorLF:
      return c == 10 || c == 13;
    case rlsLFCR:
      return c == 13 && prev == 10;
    case rlsCRLF:
      return c == 10 && prev == 13;
    default:
      return false;
  }
}

}  // namespace

String ReadLnString(const String& Text, int32_t& Position, bool& EndOfText, int32_t Mode) {
  if (Text.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw EZELStringlError(u"ReadLnString: text too long (2147483647 characters or more)");
  EndOfText = false;
  if (Position < 1) Position = 1;
  const Char* const s = Text.data();
  const size_t n = Text.size();
  size_t pos = static_cast<size_t>(Position) - 1;  // 0-based
  String line;
  Char prev = 0;  // no character read yet
  for (;;) {
    if (pos >= n) {
      EndOfText = true;
      break;
    }
    // Printable characters up to the next control character, in one piece.
    const size_t k = internal::FindControl(s + pos, s + n);
    if (k > 0) {
      if (line.empty())
        line.assign(s + pos, k);
      else
        line.append(s + pos, k);
      pos += k;
      prev = s[pos - 1];
      if (pos >= n) {
        EndOfText = true;
        break;
      }
    }
    const Char c = s[pos++];
    if (EndsLine(Mode, c, prev)) break;
    prev = c;
  }
  Position = static_cast<int32_t>(pos + 1);
  return line;
}

bool EqualAnsiStrings(const String& S1, const String& S2) {
  const std::u16string_view a(S1.c_str());  // up to the first character 0
  const std::u16string_view b(S2.c_str());
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (AnsiLowerCaseChar(AnsiUpperCaseChar(a[i])) != AnsiLowerCaseChar(AnsiUpperCaseChar(b[i])))
      return false;
  }
  return true;
}

}  // namespace zel
