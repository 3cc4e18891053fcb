// Files: path parts and text-file utilities on a file of our own.
#include <zel/filesys.h>
#include <zel/runtime.h>

#include <cstdio>
#include <iostream>

int main() {
  zel::String path = u"/srv/data/report.2024.csv";
  std::cout << zel::StringToUtf8(zel::ExtractFileName(path)) << " | "
            << zel::StringToUtf8(zel::ExtractFileExt(path)) << " | "
            << zel::StringToUtf8(zel::InsertBeforeFileExt(u"-old", path)) << "\n";

  // Text files: AppendToTextFile creates the file on the first line.
  zel::String file = u"filesys_example.txt";
  std::remove(zel::StringToUtf8(file).c_str());
  zel::AppendToTextFile(file, u"first line");
  zel::AppendToTextFile(file, u"second line");
  std::cout << zel::CountLinesInTextFile(file, nullptr) << " lines\n";  // 2
  int32_t read = 0;
  zel::TStrArray last = zel::ReadLastNLinesOfTextFile(file, 1, read);
  std::cout << "last: " << zel::StringToUtf8(last.empty() ? zel::String() : last.back()) << "\n";
  std::remove(zel::StringToUtf8(file).c_str());
  return 0;
}
