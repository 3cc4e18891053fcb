// The runtime: UTF-16 strings, string lists, streams and exceptions.
#include <zel/runtime.h>

#include <iostream>

int main() {
  // Text is UTF-16 (zel::String); convert at the edges of the program.
  zel::String greeting = zel::Utf8ToString("grüße, zel");
  std::cout << zel::StringToUtf8(zel::UpperCase(greeting)) << "\n";  // GRüßE, ZEL (ASCII only)

  // A string list: indices count from 0, Sort orders case-insensitively.
  zel::TStringList list;
  list.Add(u"pear");
  list.Add(u"Apple");
  list.Add(u"fig");
  list.Sort();
  for (const zel::String& s : list) std::cout << zel::StringToUtf8(s) << " ";
  std::cout << "\n";

  // A stream in memory: the text goes in as bytes and comes back.
  zel::TStringStream stream(zel::String(u"line one\nline two\n"));
  std::cout << stream.Size() << " bytes\n";

  // Errors are exceptions derived from zel::Exception (and std::exception).
  try {
    list.Strings(7);
  } catch (const zel::Exception& e) {
    std::cout << "caught: " << e.what() << "\n";
  }
  return 0;
}
