// Strings: exact-width number formatting, searching and editing.
#include <zel/runtime.h>
#include <zel/stringl.h>

#include <iostream>

static void Print(const zel::String& s) { std::cout << "[" << zel::StringToUtf8(s) << "]\n"; }

int main() {
  Print(zel::strff(3.14159, 8, 3));             // [   3.142]: width 8, 3 decimals
  Print(zel::IntToStrGrouped(1234567, u'\''));  // [1'234'567]
  Print(zel::SigDigStr(0.000123456, 10, 3));    // three significant digits
  // Positions count from 1; 0 means "not found".
  std::cout << zel::PosLast(u"o", u"hello world") << "\n";  // 8
  Print(zel::ReplaceStringInString(u"a-b-c", u"-", u" + ", false));
  return 0;
}
