// Scanning pieces shared by the HTML helpers and the body-to-text converter.
#pragma once

#include <cstddef>
#include <string_view>

#include "zel/runtime/types.h"

namespace zel::internal {

// Reads the entity that starts with the "&" at S[At]: a named entity of the
// helpers' set or a numeric reference, closed by ";". Returns its length
// ("&" and ";" included) and the code point it stands for, or 0 when no
// entity starts there. Looks at no more than the name or the digits.
size_t ReadHTMLEntity(std::u16string_view S, size_t At, char32_t& CodePoint);

// Appends a code point (1..0x10FFFF, no surrogate) as one or two units.
void AppendCodePoint(String& Out, char32_t CodePoint);

// Position of the "<" of the first tag at or after From whose name is Name
// (lower case, "/body" for an end tag) in any letter case and followed by
// white space, ">", "/" or the end of the text; npos when there is none.
size_t FindTag(std::u16string_view S, size_t From, std::u16string_view Name);

// The position behind the ">" that closes the tag starting at S[At] (a quoted
// attribute value may hold ">"); S.size() when the tag is never closed.
size_t SkipTag(std::u16string_view S, size_t At);

// True for blank, tab, line feed, form feed and carriage return.
constexpr bool IsHTMLSpace(Char C) noexcept {
  return C == u' ' || C == u'\t' || C == u'\n' || C == u'\f' || C == u'\r';
}

}  // namespace zel::internal
