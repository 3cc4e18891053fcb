#include "zel/htmlsupport/htmlhelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zel/base/htmlentities.h"
#include "zel/runtime/utf8.h"
#include "zel/stringl/wordseps.h"

namespace {

using zel::String;

std::string U8(const String& s) { return zel::StringToUtf8(s); }

TEST(CountWordsHTML, CountsWordsOutsideTags) {
  struct Case {
    String text;
    bool skip_numbers;
    bool in_tag;
    int32_t words;
    bool in_tag_after;
  };
  const std::vector<Case> cases = {
      {u"<p>Hello big world</p>", false, false, 3, false},
      {u"<b>42 apples</b>", false, false, 2, false},
      {u"<b>42 apples</b>", true, false, 1, false},
      {u"x y", false, false, 0, false},
      {u"", false, true, 0, true},
      {u"ab<c", false, false, 1, true},
      {u"d>ef gh", false, true, 2, false},
      {u"hel<b>lo", false, false, 2, false},  // ">" ends the word before it
      {u"a<<b>>cd", false, false, 1, false},  // second ">" is a separator
      {u"\u00e4\u00f6 \u4e2d\u6587", false, false, 2, false},
      {u"9lives x9", true, false, 1, false},
      {u"it's", false, false, 1, false},  // apostrophe separates: "it" "s"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.text));
    bool flag = c.in_tag;
    EXPECT_EQ(zel::CountWordsHTML(c.text, c.skip_numbers, flag), c.words);
    EXPECT_EQ(flag, c.in_tag_after);
  }
}

TEST(CountWordsHTML, FollowsWordSeps) {
  const zel::TByteSet saved = zel::WordSeps;
  zel::WordSeps.reset('>');
  bool flag = false;
  EXPECT_EQ(zel::CountWordsHTML(u"hel<b>lo", false, flag), 1);  // "hel>lo"
  zel::WordSeps = saved;
}

TEST(ExtractHTTPPath, CutsBehindTheLastSlash) {
  const std::vector<std::pair<String, String>> cases = {
      {u"dir/sub/page.html", u"dir/sub/"},
      {u"http://dir/sub/page.html", u"dir/sub/"},
      {u"HtTp://dir/sub/page.html", u"dir/sub/"},
      {u"x http://a/b", u"a/"},
      {u"http://host", u"host"},
      {u"page.html", u"page.html"},
      {u"", u""},
      {u"http://a/http://b/c", u"a/http://b/"},
      {u"https://a/b", u"https://a/"},
  };
  for (const auto& [in, out] : cases) {
    SCOPED_TRACE(U8(in));
    EXPECT_EQ(zel::ExtractHTTPPath(in), out);
  }
}

TEST(URLEncode, EncodesExactlyTheReservedSet) {
  EXPECT_EQ(zel::URLEncode(u"a b&c"), u"a%20b%26c");
  EXPECT_EQ(zel::URLEncode(u"100%"), u"100%25");
  EXPECT_EQ(zel::URLEncode(u""), u"");
  EXPECT_EQ(zel::URLEncode(u"\u00e4'~-_.\u20ac"), u"\u00e4'~-_.\u20ac");
  const String reserved = u"!*();:@&=+$,/?%#[] ";
  String encoded;
  for (const char16_t c : reserved) {
    const char* hex = "0123456789ABCDEF";
    encoded += u'%';
    encoded += static_cast<char16_t>(hex[c >> 4]);
    encoded += static_cast<char16_t>(hex[c & 15]);
  }
  EXPECT_EQ(zel::URLEncode(reserved), encoded);
  // Every other code below 128 is copied.
  for (char16_t c = 0; c < 128; ++c) {
    if (reserved.find(c) != String::npos) continue;
    EXPECT_EQ(zel::URLEncode(String(1, c)), String(1, c)) << int{c};
  }
}

TEST(URLDecode, DecodesTwiceAndKeepsMalformedEscapes) {
  const std::vector<std::pair<String, String>> cases = {
      {u"%4", u"%4"}, {u"%zz%41", u"%zzA"},         {u"%2541", u"A"},           {u"a+b", u"a+b"},
      {u"%", u"%"},   {u"%e4%C4", u"\u00e4\u00c4"}, {u"%%41", u"%A"},           {u"%252", u"%2"},
      {u"", u""},     {u"%25252541", u"%2541"},     {u"%00", String(1, u'\0')},
  };
  for (const auto& [in, out] : cases) {
    SCOPED_TRACE(U8(in));
    EXPECT_EQ(zel::URLDecode(in), out);
  }
  const String text = u"name=J\u00fcrgen & co; 50% [x]";
  EXPECT_EQ(zel::URLDecode(zel::URLEncode(text)), text);
}

TEST(Entities, CharacterToEntityAndBack) {
  struct Case {
    char16_t c;
    String entity;
  };
  const std::vector<Case> cases = {
      {u'&', u"&amp;"},  {u'<', u"&lt;"},
      {u'>', u"&gt;"},   {u'"', u"&quot;"},
      {u'\'', u"&#39;"}, {u'a', u"a"},
      {0xA0, u"&nbsp;"}, {0xE9, u"&eacute;"},
      {0xFF, u"&yuml;"}, {0x7F, u"&#127;"},
      {0x96, u"&#150;"}, {0x20AC, u"&#8364;"},
      {u'\n', u"\n"},    {0xD800, String(1, 0xD800)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.entity));
    EXPECT_EQ(zel::AnsiToHTMLEntity(c.c), c.entity);
    if (c.entity.size() > 1) {
      EXPECT_EQ(zel::HTMLEntityToAnsi(c.entity), c.c);
    }
  }
  // Every entry of the Latin-1 table maps to its character and back.
  for (int code = zel::kHTMLLat1First; code <= 255; ++code) {
    const String e(zel::HTMLLat1Entity(static_cast<char16_t>(code)));
    EXPECT_EQ(zel::HTMLEntityToAnsi(e), code) << U8(e);
    EXPECT_EQ(zel::ResolveHTMLEntities(e), String(1, static_cast<char16_t>(code)));
  }
}

TEST(Entities, HTMLEntityToAnsiForms) {
  const std::vector<std::pair<String, char16_t>> cases = {
      {u"eacute", 0xE9},   {u"&eacute", 0xE9}, {u"eacute;", 0xE9}, {u"#233", 0xE9},
      {u"&#xE9;", 0xE9},   {u"&#XE9;", 0xE9},  {u"&#xe9;", 0xE9},  {u"&apos;", u'\''},
      {u"&Eacute;", 0xC9}, {u"&EACUTE;", 0},   {u"&bogus;", 0},    {u"", 0},
      {u"&#0;", 0},        {u"&#xD800;", 0},   {u"&#x1F600;", 0},  {u"&#;", 0},
      {u"&#x;", 0},        {u"&&amp;", 0},     {u"&amp;x", 0},
  };
  for (const auto& [in, out] : cases) {
    SCOPED_TRACE(U8(in));
    EXPECT_EQ(zel::HTMLEntityToAnsi(in), out);
  }
}

TEST(Entities, ResolveReplacesKnownEntitiesOnly) {
  const std::vector<std::pair<String, String>> cases = {
      {u"caf&eacute; &amp; cr&egrave;me", u"caf\u00e9 & cr\u00e8me"},
      {u"&lt;b&gt;", u"<b>"},
      {u"&amp;lt;", u"&lt;"},  // one pass only
      {u"&#233;&#xE9;&#Xe9;", u"\u00e9\u00e9\u00e9"},
      {u"&#128512;", u"\U0001F600"},
      {u"&#x10FFFF;", u"\U0010FFFF"},
      {u"&#x110000; &#99999999999999999999; &#0; &#xDFFF;",
       u"&#x110000; &#99999999999999999999; &#0; &#xDFFF;"},
      {u"&eacute &unknown; & &; &#; AT&T", u"&eacute &unknown; & &; &#; AT&T"},
      {u"&&amp;&", u"&&&"},
      {u"&#0000065;", u"A"},
      {u"tail&", u"tail&"},
      {u"&amp", u"&amp"},
  };
  for (const auto& [in, out] : cases) {
    SCOPED_TRACE(U8(in));
    EXPECT_EQ(zel::ResolveHTMLEntities(in), out);
  }
}

TEST(Entities, MakeCompatibleRoundTrips) {
  const std::vector<std::pair<String, String>> cases = {
      {u"", u""},
      {u"a<b & \"c\" 'd'", u"a&lt;b &amp; &quot;c&quot; &#39;d&#39;"},
      {u"caf\u00e9 \u20ac", u"caf&eacute; &#8364;"},
      {u"\U0001F600", u"&#128512;"},
      {String(1, 0xD83D) + u"x", String(1, 0xD83D) + u"x"},  // unpaired half kept
      {u"tab\there\r\n", u"tab\there\r\n"},
  };
  for (const auto& [in, out] : cases) {
    SCOPED_TRACE(U8(in));
    const String made = zel::MakeStringHTMLCompatible(in);
    EXPECT_EQ(made, out);
    EXPECT_EQ(zel::ResolveHTMLEntities(made), in);
  }
  String all;
  for (char32_t c = 1; c < 0x10000; ++c) all.push_back(static_cast<char16_t>(c));
  EXPECT_EQ(zel::ResolveHTMLEntities(zel::MakeStringHTMLCompatible(all)), all);
}

TEST(PageParts, HeadAndFootFormAValidPage) {
  EXPECT_EQ(zel::DefaultHTMLHead(u"Caf\u00e9 <1>", u"", u"", u"", true),
            u"<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
            u"<title>Caf&eacute; &lt;1&gt;</title>\n</head>\n<body>\n");
  EXPECT_EQ(zel::DefaultHTMLHead(u"", u"iso-8859-1", u"a.css?x=1&y=\"2\"",
                                 u"p { color: red }\n/* </style> */", false),
            u"<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"iso-8859-1\">\n"
            u"<title>Untitled</title>\n"
            u"<link rel=\"stylesheet\" href=\"a.css?x=1&amp;y=&quot;2&quot;\">\n"
            u"<style>\np { color: red }\n/* <\\/style> */\n</style>\n</head>\n");
  EXPECT_EQ(zel::DefaultHTMLFoot(true), u"</body>\n</html>\n");
  EXPECT_EQ(zel::DefaultHTMLFoot(false), u"</html>\n");
}

TEST(ExtractHTMLBody, ToleratesMissingTags) {
  const std::vector<std::pair<String, String>> cases = {
      {u"<html><head><title>t</title></head><BODY class=\"a>b\">text</Body></html>", u"text"},
      {u"<html><head></head>text</html>", u"text"},
      {u"<html lang=en>text", u"text"},
      {u"<body>only start", u"only start"},
      {u"only end</body>", u"only end"},  // no start tag: from the start
      {u"plain text", u"plain text"},
      {u"<bodyguard>x</bodyguard>", u"<bodyguard>x</bodyguard>"},
      {u"<body", u""},
      {u"<body>", u""},
      {u"", u""},
      {u"<body>a</body2></body>", u"a</body2>"},
  };
  for (const auto& [in, out] : cases) {
    SCOPED_TRACE(U8(in));
    EXPECT_EQ(zel::ExtractHTMLBody(in), out);
  }
}

TEST(ConvertHTMLBodyToText, KeepsTextAndBreaks) {
  const std::vector<std::pair<String, String>> cases = {
      {u"<p>Hello   <b>big</b>\n world</p><p>Second</p>", u"Hello big world\n\nSecond"},
      {u"a<br>b<br><br>c<br><br><br>d", u"a\nb\n\nc\n\nd"},
      {u"<script>if (a<b) x='</p>';</script>x<style>p{}</STYLE>y", u"xy"},
      {u"<script>never closed <p>text", u""},
      {u"a<!-- <p>hidden</p> -->b<!DOCTYPE x>c<?pi?>d", u"abcd"},
      {u"x &lt; y &amp;&amp; caf&eacute;&nbsp;!", u"x < y && caf\u00e9\u00a0!"},
      {u"1 < 2 <3", u"1 < 2 <3"},
      {u"<ul><li>one</li><li>two</li></ul>after", u"one\ntwo\n\nafter"},
      {u"<table><tr><td>a</td> <td>b</td></tr><tr><th>c</th><td>d</td></tr></table>",
       u"a\tb\nc\td"},
      {u"<pre>\n  x  y\n\tz</pre>after", u"x  y\n\tz\n\nafter"},
      {u"<h1>Title</h1>\n<div>one</div><div>two</div>", u"Title\n\none\ntwo"},
      {u"<a href=\"x>y\">link</a> text", u"link text"},
      {u"<html><head><title>T</title></head><body><p>B</p></body></html>", u"B"},
      {u"<head><title>T</title><meta x><body>B", u"B"},  // head end tag left out
      {u"   ", u""},
      {u"", u""},
      {u"<", u"<"},
      {u"a<b", u"a"},  // an unclosed tag runs to the end
  };
  for (const auto& [in, out] : cases) {
    SCOPED_TRACE(U8(in));
    EXPECT_EQ(zel::ConvertHTMLBodyToText(in, false), out);
  }
  EXPECT_EQ(zel::ConvertHTMLBodyToText(u"<p>a</p>b<pre>c\nd</pre>", true),
            u"a\r\n\r\nb\r\n\r\nc\r\nd");
}

}  // namespace
