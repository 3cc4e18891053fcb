#include "zel/stringl/charclass.h"

#include <algorithm>

namespace zel {

bool IsAllHex(const String& S) { return std::all_of(S.begin(), S.end(), IsHexChar); }

bool IsAllDec(const String& S) { return std::all_of(S.begin(), S.end(), IsDigit); }

bool TestAllChar(const String& S, Char C) {
  return !S.empty() && std::all_of(S.begin(), S.end(), [C](Char x) { return x == C; });
}

int32_t CountControlChars(const String& S) {
  return static_cast<int32_t>(std::count_if(S.begin(), S.end(), [](Char x) { return x < 32; }));
}

}  // namespace zel
