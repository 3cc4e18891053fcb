// Streams: numbers and lines on a stream, read back in order.
#include <zel/runtime.h>
#include <zel/streams.h>

#include <iostream>

int main() {
  zel::TMemoryStream stream;
  zel::WriteLongintToStream(stream, 42);
  zel::WriteDoubleToStream(stream, 2.5);
  zel::WriteLnStream(stream, u"a line of text");

  stream.SetPosition(0);
  bool error = false;
  int32_t n = zel::ReadLongintFromStream(stream, error);
  double x = zel::ReadDoubleFromStream(stream, error);
  bool end = false;
  zel::String line = zel::ReadLnStream(stream, end, zel::eolCRorLF);
  std::cout << n << " " << x << " \"" << zel::StringToUtf8(line) << "\""
            << (error ? " (read error)" : "") << "\n";
  return error ? 1 : 0;
}
