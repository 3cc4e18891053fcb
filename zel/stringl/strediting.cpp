#include "zel/stringl/strediting.h"

#include <algorithm>

#include "zel/runtime/sysutils.h"
#include "zel/stringl/charclass.h"

namespace zel {

namespace {
String Trim(const String& S, Char C, bool Front, bool Back) {
  size_t a = 0, b = S.size();
  if (Front)
    while (a < b && S[a] == C) ++a;
  if (Back)
    while (b > a && S[b - 1] == C) --b;
  return S.substr(a, b - a);
}
}  // namespace

String StripLTBlanks(const String& S) { return Trim(S, u' ', true, true); }
String StripLeadingBlanks(const String& S) { return Trim(S, u' ', true, false); }
String StripTrailingBlanks(const String& S) { return Trim(S, u' ', false, true); }
String StripLeadingChars(Char C, const String& S) { return Trim(S, C, true, false); }
String StripTrailingChars(Char C, const String& S) { return Trim(S, C, false, true); }

String ReplaceCharInString(const String& S, Char OldChar, Char NewChar) {
  String r = S;
  std::replace(r.begin(), r.end(), OldChar, NewChar);
  return r;
}

String RemoveCharInString(const String& S, Char C) {
  String r = S;
  r.erase(std::remove(r.begin(), r.end(), C), r.end());
  return r;
}

String RemoveMultiChars(const String& S, Char C) {
  String r;
  r.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i)
    if (S[i] != C || i == 0 || S[i - 1] != C) r.push_back(S[i]);
  return r;
}

String RemoveControlChars(const String& S) {
  String r = S;
  r.erase(std::remove_if(r.begin(), r.end(), [](Char x) { return x < 32; }), r.end());
  return r;
}

String ReplaceControlChars(const String& S, Char C) {
  String r = S;
  std::replace_if(
      r.begin(), r.end(), [](Char x) { return x < 32; }, C);
  return r;
}

String EnsureTrailingBkSlash(const String& S) { return EnsureTrailingChar(u'\\', S); }

String EnsureTrailingChar(Char C, const String& S) {
  if (S.empty() || S.back() == C) return S;
  return S + C;
}

String EnsureLeadingChar(Char C, const String& S) {
  if (S.empty() || S.front() == C) return S;
  return C + S;
}

String LeftString(const String& S, uint8_t Width) {
  if (S.size() >= Width) return S.substr(0, Width);
  return S + String(Width - S.size(), u' ');
}

String RightString(const String& S, uint8_t Width) {
  if (S.size() >= Width) return S.substr(0, Width);
  return String(Width - S.size(), u' ') + S;
}

String CenterString(const String& S, uint8_t Width) {
  if (S.size() >= Width) return S.substr(0, Width);
  const size_t d = Width - S.size();
  return String(d / 2, u' ') + S + String(d - d / 2, u' ');
}

String MultiChar(Char C, int32_t Count) {
  return String(static_cast<size_t>(std::clamp<int32_t>(Count, 1, 255)), C);
}

String ReverseString(const String& S) { return String(S.rbegin(), S.rend()); }

String AbbrevString(const String& S, int32_t MaxLen) {
  if (MaxLen < 0 || S.size() > static_cast<size_t>(MaxLen)) {
    const size_t keep = MaxLen > 2 ? static_cast<size_t>(MaxLen) - 2 : 0;
    return S.substr(0, keep) + u"..";
  }
  return S;
}

String CapitalizeString(const String& S) {
  String r = S;
  bool word_start = true;
  for (Char& c : r) {
    if (IsLetter(c) || c > 127) {
      if (word_start && c >= u'a' && c <= u'z') c = static_cast<Char>(c - 32);
      word_start = false;
    } else if (IsDigit(c)) {
      word_start = false;
    } else {
      word_start = true;
    }
  }
  return r;
}

String ChangeCase(const String& S) {
  String r = S;
  for (Char& c : r) {
    const Char up = AnsiUpperCaseChar(c);
    c = up == c ? AnsiLowerCaseChar(c) : up;
  }
  return r;
}

String ExpandDiphthongs(const String& S) {
  String r;
  r.reserve(S.size() + S.size() / 4);
  for (size_t i = 0; i < S.size(); ++i) {
    const Char c = S[i];
    auto capital = [&](Char base) {
      r.push_back(base);
      const bool lower_next = i + 1 < S.size() && S[i + 1] >= u'a' && S[i + 1] <= u'z';
      r.push_back(lower_next ? u'e' : u'E');
    };
    switch (c) {
      case 228:
        r += u"ae";
        break;
      case 246:
        r += u"oe";
        break;
      case 252:
        r += u"ue";
        break;
      case 223:
        r += u"ss";
        break;
      case 181:
        r.push_back(u'u');
        break;
      case 196:
        capital(u'A');
        break;
      case 214:
        capital(u'O');
        break;
      case 220:
        capital(u'U');
        break;
      default:
        r.push_back(c);
    }
  }
  return r;
}

String ReduceStringToAZ09(const String& S) {
  String r = S;
  for (Char& c : r)
    if (!IsDigitLetter(c)) c = u'_';
  return r;
}

String ReduceStringToFN83CompliantChars(const String& S) {
  static constexpr char16_t kKept[] = u"!#$%&'()-.@^_`{}~";
  String r = S;
  for (Char& c : r) {
    if (IsDigitLetter(c)) continue;
    bool kept = false;
    for (const char16_t* k = kKept; *k != 0; ++k) kept = kept || *k == c;
    if (!kept) c = u'_';
  }
  return r;
}

String ConvertToTabs(const String& S, bool ColonTab, bool PlusMinusTab) {
  // Each replacement produces text that no rule matches again, so one
  // left-to-right pass per rule gives the same result as repeating the
  // search until nothing is found.
  String a;
  a.reserve(S.size());
  for (size_t i = 0; i < S.size();) {
    if (S[i] == u' ' && i + 1 < S.size() && S[i + 1] == u' ') {
      while (i < S.size() && S[i] == u' ') ++i;
      a.push_back(u'\t');
    } else {
      a.push_back(S[i++]);
    }
  }
  if (ColonTab) {
    String b;
    b.reserve(a.size());
    for (size_t i = 0; i < a.size();) {
      if (a[i] == u':' && i + 1 < a.size() && a[i + 1] == u' ') {
        i += 1;
        while (i < a.size() && a[i] == u' ') ++i;
        b += u":\t";
      } else {
        b.push_back(a[i++]);
      }
    }
    a.swap(b);
  }
  if (PlusMinusTab) {
    String b;
    b.reserve(a.size());
    for (size_t i = 0; i < a.size();) {
      if (a.compare(i, 4, u" +/-") == 0) {
        i += 4;
        while (i < a.size() && a[i] == u' ') ++i;
        b += u"\t+/-";
      } else {
        b.push_back(a[i++]);
      }
    }
    a.swap(b);
  }
  return a;
}

}  // namespace zel
