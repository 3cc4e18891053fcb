// HTML helpers: URL encoding, entities and the text of a page body.
#include <zel/htmlsupport.h>
#include <zel/runtime.h>

#include <iostream>

int main() {
  zel::String query = zel::URLEncode(u"size=10 & colour=grün");
  std::cout << zel::StringToUtf8(query) << "\n";
  std::cout << zel::StringToUtf8(zel::URLDecode(query)) << "\n";
  std::cout << zel::StringToUtf8(zel::MakeStringHTMLCompatible(u"a < b & c")) << "\n";
  zel::String page = u"<html><body><p>Hello&nbsp;<b>zel</b></p></body></html>";
  std::cout << zel::StringToUtf8(zel::ConvertHTMLBodyToText(zel::ExtractHTMLBody(page), false))
            << "\n";
  return 0;
}
