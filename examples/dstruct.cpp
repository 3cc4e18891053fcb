// Data structures: the sortable string grid, CRC-32, SHA-1 and Base64.
#include <zel/dstruct.h>
#include <zel/runtime.h>

#include <iostream>
#include <memory>

int main() {
  // A grid of 2 data columns and 3 rows; cells count from 1, column 0 holds titles.
  auto grid = std::make_unique<zel::TStringArray>(nullptr);
  grid->Resize(2, 3);
  const char16_t* names[] = {u"gamma", u"alpha", u"beta"};
  const char16_t* values[] = {u"3", u"1", u"2"};
  for (int r = 1; r <= 3; ++r) {
    grid->SetString(1, r, names[r - 1]);
    grid->SetString(2, r, values[r - 1]);
  }
  grid->Sort(1, 2, true);  // by column 1, then column 2, ascending
  for (int r = 1; r <= grid->NrOfRows(); ++r)
    std::cout << zel::StringToUtf8(grid->GetString(1, r)) << "="
              << zel::StringToUtf8(grid->GetString(2, r)) << " ";
  std::cout << "\n";

  // Checksums and digests of bytes.
  zel::TBytes data = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  std::cout << "CRC-32 " << std::hex
            << static_cast<uint32_t>(zel::CRC32ofBuffer(data, static_cast<int32_t>(data.size())))
            << std::dec << "\n";  // cbf43926
  // A String is hashed as its UTF-16LE bytes, an AnsiString as its bytes.
  std::cout << "SHA-1 " << zel::StringToUtf8(zel::SHA1DigestToHex(zel::SHA1FromString(u"abc")))
            << "\n";
  std::cout << "SHA-1 "
            << zel::StringToUtf8(zel::SHA1DigestToHex(zel::SHA1FromString(zel::AnsiString("abc"))))
            << "\n";  // A9993E36...

  // Base64 from one stream to another.
  zel::TStringStream in(std::string("zel"));
  zel::TStringStream out{std::string()};
  zel::EncodeBase64(in, out, false);
  std::cout << "Base64 " << zel::StringToUtf8(out.DataString()) << "\n";  // emVs
  return 0;
}
