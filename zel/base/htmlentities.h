// Named HTML entities of the Latin-1 characters 160..255.
//
// HTMLLat1Entities[k] is the entity of the character with code 160 + k, with
// the leading "&" and the closing ";" ("&nbsp;" .. "&yuml;"), at most 8
// characters each.
#pragma once

#include <array>
#include <string_view>

#include "zel/runtime/types.h"

namespace zel {

inline constexpr int kHTMLLat1First = 160;  // Code of the first character in the table.

// Entities of the characters kHTMLLat1First..255, in code order.
inline constexpr std::array<std::u16string_view, 96> HTMLLat1Entities = {
    u"&nbsp;",   u"&iexcl;",  u"&cent;",   u"&pound;",  u"&curren;", u"&yen;",    u"&brvbar;",
    u"&sect;",   u"&uml;",    u"&copy;",   u"&ordf;",   u"&laquo;",  u"&not;",    u"&shy;",
    u"&reg;",    u"&macr;",   u"&deg;",    u"&plusmn;", u"&sup2;",   u"&sup3;",   u"&acute;",
    u"&micro;",  u"&para;",   u"&middot;", u"&cedil;",  u"&sup1;",   u"&ordm;",   u"&raquo;",
    u"&frac14;", u"&frac12;", u"&frac34;", u"&iquest;", u"&Agrave;", u"&Aacute;", u"&Acirc;",
    u"&Atilde;", u"&Auml;",   u"&Aring;",  u"&AElig;",  u"&Ccedil;", u"&Egrave;", u"&Eacute;",
    u"&Ecirc;",  u"&Euml;",   u"&Igrave;", u"&Iacute;", u"&Icirc;",  u"&Iuml;",   u"&ETH;",
    u"&Ntilde;", u"&Ograve;", u"&Oacute;", u"&Ocirc;",  u"&Otilde;", u"&Ouml;",   u"&times;",
    u"&Oslash;", u"&Ugrave;", u"&Uacute;", u"&Ucirc;",  u"&Uuml;",   u"&Yacute;", u"&THORN;",
    u"&szlig;",  u"&agrave;", u"&aacute;", u"&acirc;",  u"&atilde;", u"&auml;",   u"&aring;",
    u"&aelig;",  u"&ccedil;", u"&egrave;", u"&eacute;", u"&ecirc;",  u"&euml;",   u"&igrave;",
    u"&iacute;", u"&icirc;",  u"&iuml;",   u"&eth;",    u"&ntilde;", u"&ograve;", u"&oacute;",
    u"&ocirc;",  u"&otilde;", u"&ouml;",   u"&divide;", u"&oslash;", u"&ugrave;", u"&uacute;",
    u"&ucirc;",  u"&uuml;",   u"&yacute;", u"&thorn;",  u"&yuml;"};

// The entity of the character C when C is 160..255; empty for any other
// character.
constexpr std::u16string_view HTMLLat1Entity(Char C) noexcept {
  return (C >= kHTMLLat1First && C <= 255) ? HTMLLat1Entities[C - kHTMLLat1First]
                                           : std::u16string_view();
}

}  // namespace zel
