// Escaping of texts and attribute values for the XML forms of the
// containers, and decoding of the references.
#pragma once

#include "zel/runtime/types.h"

namespace zel::internal {

// The text with "&", "<", ">" and '"' as &amp; &lt; &gt; &quot; and every
// other character below U+0020 or above U+007E as a decimal reference &#N;
// (a surrogate pair as the one code point it encodes, a lone surrogate as
// its own value), so the result is pure ASCII and survives any byte stream.
String XmlEscapeAscii(const String& s);

// Whether a reference to a value of the surrogate range (&#xD800;) decodes
// to that unit: yes for formats that keep any UTF-16 text (written by
// XmlEscapeAscii), no for formats stored as UTF-8, which cannot hold one.
enum class SurrogateRefs { kAccept, kRefuse };

// Decodes &amp; &lt; &gt; &quot; &apos; and decimal or hexadecimal
// references (up to U+10FFFF; values of the surrogate range as Surrogates
// says, so by default every text written by XmlEscapeAscii comes back).
// False for a "<", a lone "&" or an unknown or malformed reference.
bool XmlUnescape(const String& s, String& out, SurrogateRefs Surrogates = SurrogateRefs::kAccept);

// As XmlUnescape, but a malformed reference and a "<" stay as written.
String XmlUnescapeLenient(const String& s);

}  // namespace zel::internal
