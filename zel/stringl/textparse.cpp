#include "zel/stringl/textparse.h"

#include <vector>

#include "zel/stringl/strediting.h"

namespace zel {

bool ParseQuotedName(Char C, Char Quote, String& Name, TQuotedStrState& State) {
  switch (State) {
    case vsStart:
      if (C == Quote) {
        State = vs1stQuote;
      } else if (C != u' ') {
        Name.push_back(C);
        State = vsNormal;
      }
      break;
    case vs1stQuote:
    case vsQuote:
      if (C == Quote) {
        State = vsEnd;
      } else {
        Name.push_back(C);
        State = vsQuote;
      }
      break;
    case vsNormal:
      if (C <= u' ')
        State = vsEnd;
      else
        Name.push_back(C);
      break;
    case vsEnd:
      break;
  }
  return State == vsEnd;
}

String ExtractParam(const String& Text, int32_t Index, Char Delimiter, Char Quote,
                    const String& Default) {
  if (Index < 1) return Default;
  // Find the bounds of parameter Index, honouring quotes.
  size_t start = 0;
  int32_t n = 1;
  bool quoted = false;
  size_t i = 0;
  for (; i < Text.size(); ++i) {
    const Char c = Text[i];
    if (c == Quote) {
      quoted = !quoted;  // a doubled quote toggles twice
    } else if (c == Delimiter && !quoted) {
      if (n == Index) break;
      ++n;
      start = i + 1;
    }
  }
  if (n != Index) return Default;
  String p = StripLTBlanks(Text.substr(start, i - start));
  if (p.size() >= 2 && p.front() == Quote && p.back() == Quote) {
    String inner;
    for (size_t k = 1; k + 1 < p.size(); ++k) {
      inner.push_back(p[k]);
      if (p[k] == Quote && k + 2 < p.size() && p[k + 1] == Quote) ++k;
    }
    return inner;
  }
  return p;
}

bool TextLineCoords(const String& Text, const int32_t Pos, int32_t& Line, int32_t& Column) {
  Line = Column = 0;
  if (Pos < 1 || static_cast<size_t>(Pos) > Text.size() + 1) return false;
  const size_t target = static_cast<size_t>(Pos) - 1;
  int32_t line = 1;
  size_t line_start = 0;
  for (size_t i = 0; i < target; ++i) {
    const Char c = Text[i];
    if (c == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n') {
      if (i + 1 == target) break;  // the LF of a CR LF belongs to this line
      ++i;
    } else if (c != u'\r' && c != u'\n') {
      continue;
    }
    ++line;
    line_start = i + 1;
  }
  Line = line;
  Column = static_cast<int32_t>(target - line_start + 1);
  return true;
}

}  // namespace zel
