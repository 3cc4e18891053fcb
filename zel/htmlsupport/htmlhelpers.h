// HTML and URL helpers: word counting outside tags, URL paths, percent
// encoding, HTML entities, default page parts and body text.
//
// Texts are zel Strings (UTF-16). Every function here is a single pass over
// its input (URLDecode: two), so the cost is linear in the length of the text;
// results are built by appending, never by rebuilding the text per
// replacement. None of them raises: malformed escapes, unknown entities and
// missing tags are handled as described per function.
//
// Percent encoding works on characters, not bytes: URLEncode writes "%XX" for
// 19 ASCII characters and copies every other character, letters above code
// 127 included, unchanged (no conversion to UTF-8); URLDecode turns "%XX" into
// the character with code XX (0..255).
//
// Entities. The named entities understood are the Latin-1 set of
// HTMLLat1Entities (zel/base/htmlentities.h, characters 160..255: "&nbsp;" ..
// "&yuml;") and the markup entities "&amp;", "&lt;", "&gt;", "&quot;" and
// "&apos;"; names are case-sensitive ("&Eacute;" is not "&eacute;"). Numeric
// references "&#233;" and "&#xE9;" (also "&#XE9;") stand for the code point
// they name, 1..0x10FFFF except the surrogate range; code points above U+FFFF
// become a surrogate pair. An entity always ends with ";"; a text that does
// not form a known entity is left as it stands.
#pragma once

#include <cstdint>

#include "zel/runtime/types.h"

namespace zel {

// Counts the words of HTML text outside its tags. "<" sets InTag and ">"
// clears it; while InTag is set characters are skipped ("<" included), and
// ">" itself is then read as an ordinary character (a separator with the
// default WordSeps). A word is a maximal run of characters that are not in
// WordSeps (a character above code 255 never is); it ends at a separator or at
// the end of Text. A word counts when it has at least two characters and, with
// SkipNumbers, does not start with a digit "0".."9". InTag keeps its state at
// the end, so a document can be counted piece by piece with one flag:
// "ab<c" gives 1 and sets InTag; "d>ef gh" then gives 2.
ZEL_API int32_t CountWordsHTML(const String& Text, bool SkipNumbers, bool& InTag);

// The URL up to and including its last "/". When the URL holds "http://" (in
// any letter case) its first occurrence and everything before it are removed
// first. A text without "/" is returned as it stands after that step.
// "http://host/dir/page.html" gives "host/dir/".
ZEL_API String ExtractHTTPPath(const String& URL);

// Replaces in S each of the 19 characters ! * ( ) ; : @ & = + $ , / ? % # [ ]
// and the blank by "%" and two upper-case hex digits of its code; copies all
// other characters. "a b&c" gives "a%20b%26c".
ZEL_API String URLEncode(const String& S);

// Decodes "%XX" in S (two hex digits, either case) to the character with
// code XX, scanning left to right, and does so twice in a row, so a text
// encoded twice is fully decoded ("%2541" gives "A"). A "%" without two hex digits after it
// is copied as it stands; "+" is not translated.
ZEL_API String URLDecode(const String& S);

// The HTML text that stands for C:
//   "&" "<" ">" '"'      -> "&amp;" "&lt;" "&gt;" "&quot;"
//   "'"                  -> "&#39;"
//   160..255             -> the named Latin-1 entity ("é" -> "&eacute;")
//   127..159, >= 256     -> the decimal reference ("€" -> "&#8364;")
// Any other character (ASCII text, controls, a lone half of a surrogate pair,
// which no reference can name) is returned as the one-character text itself.
ZEL_API String AnsiToHTMLEntity(Char C);

// S with every character that AnsiToHTMLEntity writes as an entity replaced by
// that entity; a surrogate pair becomes one decimal reference of its code
// point ("😀" -> "&#128512;"). The result is ASCII apart from control
// characters and unpaired surrogates, which are kept, so it reads the same in
// any page encoding, and ResolveHTMLEntities gives S back exactly.
ZEL_API String MakeStringHTMLCompatible(const String& S);

// S with every entity (see above) replaced by the character it stands for;
// anything else, unknown names and references out of range included, is
// copied unchanged. Not repeated: "&amp;lt;" gives "&lt;".
ZEL_API String ResolveHTMLEntities(const String& S);

// The character that one entity stands for. Accepts the entity with or without
// its leading "&" and closing ";" ("&eacute;", "eacute", "#233", "&#xE9;").
// Returns 0 when the text is no known entity or names a code point above
// U+FFFF (which does not fit one Char).
ZEL_API Char HTMLEntityToAnsi(const String& Entity);

// The start of a default HTML5 page, from the doctype up to and including the
// closing "</head>" and, with OpenBody, the opening "<body>":
//
//   <!DOCTYPE html>
//   <html>
//   <head>
//   <meta charset="utf-8">
//   <title>Title</title>
//   <link rel="stylesheet" href="StyleSheet">
//   <style>
//   Style
//   </style>
//   </head>
//   <body>
//
// Title is written through MakeStringHTMLCompatible; an empty title becomes
// "Untitled" (a page needs a non-empty title to be valid). Charset is the
// encoding name, "utf-8" when empty (the only one current HTML accepts as
// valid). StyleSheet is the address of a style sheet to link; Style is CSS
// text for an inline style element, in which "</" is written as "<\/" so the
// text cannot close the element early. Each of the two lines is left out when
// its text is empty. Lines end with a line feed.
ZEL_API String DefaultHTMLHead(const String& Title, const String& Charset, const String& StyleSheet,
                               const String& Style, bool OpenBody);

// The end of a default page: "</body>\n</html>\n" with CloseBody, otherwise
// "</html>\n" (for a head made without OpenBody that the caller completed).
ZEL_API String DefaultHTMLFoot(bool CloseBody);

// The contents of the body element of the HTML document S, tolerating
// missing tags. Tag names match in any letter case. The body starts behind the ">" of
// the first "<body" tag; without one, behind "</head>"; without that, behind
// the "<html" tag; without any of them, at the start of the text. It ends
// before the first "</body" after its start; without one, before "</html";
// without that, at the end of the text. A start tag that is never closed by
// ">" ends the body there (the result is empty).
ZEL_API String ExtractHTMLBody(const String& S);

// The plain text of the HTML body S (a whole document is accepted too: its
// head is dropped with it).
//  - Tags, comments ("<!-- ... -->") and declarations ("<!...>", "<?...>")
//    are removed; quoted attribute values may hold ">". A "<" that starts no
//    tag (not followed by a letter, "/", "!" or "?") is ordinary text.
//  - The contents of script, style, head, title and template elements are
//    dropped up to their end tag (to the end of the text when it is missing;
//    a head also ends at a "<body" tag).
//  - Runs of white space (blank, tab, CR, LF, form feed) become one blank;
//    inside pre elements white space is kept and every line end is written
//    as the chosen line end.
//  - "<br>" ends a line; li, div, tr, dt, dd and the other block elements
//    start a new line; p, h1..h6, pre, blockquote, table, ul, ol, dl, hr
//    and form are set off by an empty line (a paragraph break); table cells
//    after the first in a row are separated by a tab.
//  - Entities are resolved (ResolveHTMLEntities); "&nbsp;" stays U+00A0.
// Line ends are CR LF with CRLF, otherwise LF. The result has no blanks or
// line ends at its start or end and never more than one empty line in a row
// outside pre elements.
ZEL_API String ConvertHTMLBodyToText(const String& S, bool CRLF);

}  // namespace zel
