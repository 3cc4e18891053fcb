// Links against an installed zel and prints its version and a stream round trip.
#include <zel/zel.h>

#include <iostream>

int main() {
  zel::TStringStream stream(zel::String(u"hello from zel"));
  std::cout << "zel " << ZEL_VERSION_STRING << ": " << zel::StringToUtf8(stream.DataString())
            << "\n";
  return 0;
}
