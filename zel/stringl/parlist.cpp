#include "zel/stringl/parlist.h"

#include <algorithm>
#include <array>

#include "zel/base/csvdelim.h"
#include "zel/colors/colornames.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/variant.h"
#include "zel/stringl/numformat.h"
#include "zel/stringl/searching.h"

namespace zel {

namespace {

// The list frame shared by every CreateParList overload; Item(i) gives the
// text of item i.
template <class ItemText>
String ParList(size_t N, bool TrailingComma, int32_t MaxItems, bool Brackets, ItemText Item) {
  size_t c = N;
  if (MaxItems > 0 && static_cast<size_t>(MaxItems) < N) c = static_cast<size_t>(MaxItems);
  String s = Brackets ? u"[" : u"";
  if (c == 0) s += u',';
  for (size_t i = 0; i < c; ++i) {
    s += Item(i);
    s += u',';
  }
  if (c < N) s += u"...,";
  if (Brackets)
    s.back() = u']';
  else
    s.pop_back();
  if (TrailingComma) s += u',';
  return s;
}

}  // namespace

String CreateParList(const TIntArray& Items, bool TrailingComma, int32_t MaxItems, bool Brackets) {
  return ParList(Items.size(), TrailingComma, MaxItems, Brackets,
                 [&](size_t i) { return IntToStr(Items[i]); });
}

String CreateParList(const std::vector<TColor>& Items, bool TrailingComma, int32_t MaxItems,
                     bool Brackets, bool ColorNames) {
  return ParList(Items.size(), TrailingComma, MaxItems, Brackets, [&](size_t i) {
    return ColorNames ? ObtainColorName(Items[i]) : ColorToHexStr(Items[i]);
  });
}

String CreateParList(const std::vector<bool>& Items, bool TrailingComma, int32_t MaxItems,
                     bool Brackets) {
  return ParList(Items.size(), TrailingComma, MaxItems, Brackets,
                 [&](size_t i) { return BoolToStr(Items[i], 0); });
}

String CreateParList(const TDoubleArray& Items, bool TrailingComma, int32_t MaxItems,
                     int32_t SigDigits, bool Brackets) {
  return ParList(Items.size(), TrailingComma, MaxItems, Brackets,
                 [&](size_t i) { return AutoFormatData(Items[i], SigDigits); });
}

// ---- ConvertVariant ---------------------------------------------------------

namespace {

constexpr const char16_t* kCrLf = u"\r\n";
constexpr const char16_t* kMissing = u"(missing)";

String ElementText(const Variant& V) {
  const TVarType t = V.VarType();
  const TVarType code = t & varTypeMask;
  const bool array = (t & varArray) != 0;
  if (code == varVariant) return array ? u"array of variant" : u"variant";
  if (array) return u"(array of type " + IntToStr(code) + u")";
  switch (code) {
    case varNull:
      return u"NULL";
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return IntToStr(V.AsInt64());
    case varUInt64: {
      const uint64_t u = V.AsUInt64();
      if (u <= static_cast<uint64_t>(INT64_MAX)) return IntToStr(static_cast<int64_t>(u));
      // Beyond int64: two decimal halves.
      return IntToStr(static_cast<int64_t>(u / 10)) + static_cast<Char>(u'0' + u % 10);
    }
    case varSingle:
    case varDouble:
      return strff(V.AsDouble(), 12, -2);
    case varBoolean:
      return V.AsBoolean() ? u"TRUE" : u"FALSE";
    case varString:
    case varUString:
      return V.AsString();
    default:
      return u"(unknown type: " + IntToStr(code) + u")";
  }
}

// V[Index] when V is an array holding that index, else nullptr.
const Variant* At(const Variant* V, int Index) {
  if (V == nullptr || !V->IsArray()) return nullptr;
  if (Index < VarArrayLowBound(*V, 1) || Index > VarArrayHighBound(*V, 1)) return nullptr;
  return &(*V)[Index];
}

String CellText(const Variant* V) { return V == nullptr ? String(kMissing) : ElementText(*V); }

struct Level {
  int lo = 0, hi = -1;  // bounds
  int last = -1;        // last shown index
  bool cut = false;
};

Level MakeLevel(const Variant& A, int MaxShown) {
  Level l;
  l.lo = VarArrayLowBound(A, 1);
  l.hi = VarArrayHighBound(A, 1);
  l.last = l.hi;
  if (l.hi >= l.lo && static_cast<int64_t>(l.hi) - l.lo >= MaxShown) {
    l.last = l.lo + (MaxShown - 1);
    l.cut = true;
  }
  return l;
}

String Header(const Level* Levels, int N) {
  String s = u"Array";
  for (int i = 0; i < N; ++i)
    s += u"[" + IntToStr(Levels[i].lo) + u"," + IntToStr(Levels[i].hi) + u"]";
  return s + u":" + kCrLf;
}

// The lines of a two-level table; K >= 0 selects element K of a third level.
void TableLines(String& s, const Variant& Value, const Level& l1, const Level& l2, int K,
                bool ThirdLevel) {
  for (int64_t j = l2.lo; j <= l2.last; ++j) {
    for (int64_t i = l1.lo; i <= l1.last; ++i) {
      if (i > l1.lo) s += u',';
      const Variant* cell = At(At(&Value, static_cast<int>(i)), static_cast<int>(j));
      if (ThirdLevel) cell = At(cell, K);
      s += CellText(cell);
    }
    if (l1.cut) s += u"...";
    s += kCrLf;
  }
}

}  // namespace

String ConvertVariant(const Variant& Value) {
  if (!Value.IsArray()) return ElementText(Value);
  Level lv[3];
  lv[0] = MakeLevel(Value, 12);
  if (lv[0].hi < 0 || lv[0].hi < lv[0].lo) return u"undefined array";
  int levels = 1;
  const Variant& first = Value[lv[0].lo];
  if (first.IsArray()) {
    lv[1] = MakeLevel(first, 10);
    levels = 2;
    if (lv[1].hi >= lv[1].lo && first[lv[1].lo].IsArray()) {
      lv[2] = MakeLevel(first[lv[1].lo], 3);
      levels = 3;
    }
  }
  String s = Header(lv, levels);
  if (levels == 1) {
    bool any = false;
    for (int64_t i = lv[0].lo; i <= lv[0].last; ++i) {
      const Variant& e = Value[static_cast<int>(i)];
      if (e.VarType() == varVariant) continue;
      if (any) s += u',';
      s += ElementText(e);
      any = true;
    }
    if (lv[0].cut) s += u"...";
  } else if (levels == 2) {
    TableLines(s, Value, lv[0], lv[1], 0, false);
    if (lv[1].cut) s += u" ......";
  } else {
    for (int64_t k = lv[2].lo; k <= lv[2].last; ++k) {
      s += u"layer " + IntToStr(k) + u":" + kCrLf;
      TableLines(s, Value, lv[0], lv[1], static_cast<int>(k), true);
      if (lv[1].cut) s += String(u" ......") + kCrLf;
    }
    if (lv[2].cut) s += u" ... more layers";
  }
  return s;
}

// ---- tri-state --------------------------------------------------------------

TTriState StrToTriState(const String& Text) {
  size_t a = 0, b = Text.size();
  while (a < b && Text[a] == u' ') ++a;
  while (b > a && Text[b - 1] == u' ') --b;
  const String t = LowerCase(Text.substr(a, b - a));
  if (t == u"true" || t == u"1" || t == u"+1" || t == u"yes") return tsTrue;
  if (t == u"false" || t == u"-1" || t == u"no") return tsFalse;
  return tsUndefined;
}

String TriStateToStr(TTriState State, int32_t Style) {
  static constexpr std::array<std::array<const char16_t*, 3>, 3> kTexts = {{
      {u"false", u"true", u""},
      {u"-1", u"1", u"0"},
      {u"no", u"yes", u"unknown"},
  }};
  const size_t row = (Style == 1 || Style == 2) ? static_cast<size_t>(Style) : 0;
  const size_t col = State <= tsUndefined ? static_cast<size_t>(State) : 2;
  return kTexts[row][col];
}

// ---- CSV delimiter ----------------------------------------------------------

TCSVDelimiters DetectCSVDelimiter(const String& Text) {
  // csvUnknown's own character (code 0) counts too, first of all kinds.
  std::array<size_t, 6> count{};
  for (Char c : Text) {
    for (size_t k = csvUnknown; k <= csvTab; ++k)
      if (c == CSVDELIMITERS[k]) ++count[k];
  }
  TCSVDelimiters best = csvUnknown;
  for (size_t k = csvBlank; k <= csvTab; ++k)
    if (count[k] > count[best]) best = static_cast<TCSVDelimiters>(k);
  return best;
}

// ---- escapes ----------------------------------------------------------------

namespace {

int HexDigit(Char c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// The code of a hexadecimal field of N (at most two) characters (see
// ProcessHexChars).
Char HexField(const Char* f, size_t n) {
  size_t i = 0;
  while (i < n && f[i] == u' ') ++i;
  if (i < n && f[i] == u'$') ++i;
  int v = 0;
  for (; i < n; ++i) {
    const int d = HexDigit(f[i]);
    if (d < 0) break;
    v = v * 16 + d;
  }
  return static_cast<Char>(v);
}

}  // namespace

String ProcessHexChars(const String& Text) {
  String out;
  out.reserve(Text.size());
  const size_t n = Text.size();
  for (size_t i = 0; i < n; ++i) {
    const Char c = Text[i];
    if (c == u'\\' && i + 1 < n) {
      if (Text[i + 1] == u'#') {
        // The field is the two characters after "#", or those left.
        const size_t field = std::min<size_t>(2, n - (i + 2));
        out += HexField(Text.data() + i + 2, field);
        i += 1 + field;
        continue;
      }
      if (Text[i + 1] == u'\\') {
        out += u'\\';
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

// ---- SortStringList ---------------------------------------------------------

namespace {

struct KeySort {
  String key;
  int32_t occurrence;
  int32_t offset;
  bool ignore_case;
  bool numeric;
  int32_t status = 0;

  // Position of the key in Line, 0 when it is missing.
  int32_t KeyPos(const String& Line) const {
    if (occurrence > 0) return NumberedPos(key, Line, 1, occurrence, ignore_case);
    return NumberedPosBw(key, Line, static_cast<int32_t>(Line.size()), -occurrence, ignore_case);
  }

  // The sort text of Line, whose key stands at Pos; false when the start lies
  // outside the line.
  bool SortText(const String& Line, int32_t Pos, String& Out) const {
    const int64_t start = int64_t{Pos} + static_cast<int64_t>(key.size()) + offset - 1;
    if (start < 2 || start > static_cast<int64_t>(Line.size()) + 1) return false;
    Out.assign(Line, static_cast<size_t>(start - 1));
    if (numeric && !Out.empty() && Out[0] >= u'0' && Out[0] <= u'9') {
      size_t d = 0;
      while (d < Out.size() && Out[d] >= u'0' && Out[d] <= u'9') ++d;
      size_t z = 0;
      while (z + 1 < d && Out[z] == u'0') ++z;  // leading zeros do not count
      const size_t digits = d - z;
      String key15(digits < 15 ? 15 - digits : 0, u'0');
      key15.append(Out, z, digits);
      Out.replace(0, d, key15);
    }
    return true;
  }
};

}  // namespace

int32_t SortStringList(TStringList& List, const String& Key, int32_t Occurrence, int32_t Offset,
                       bool IgnoreCase, bool Numeric) {
  if (Occurrence == 0) return -3;
  if (Occurrence == INT32_MIN) Occurrence = INT32_MIN + 1;  // |Occurrence| must exist
  KeySort ks{IgnoreCase ? LowerCase(Key) : Key, Occurrence, Offset, IgnoreCase, Numeric};
  String a, b;
  List.CustomSort([&](TStringList& L, int I1, int I2) -> int {
    if (ks.status != 0) return 0;
    const String& s1 = L[I1];
    const String& s2 = L[I2];
    const int32_t p1 = ks.KeyPos(s1);
    const int32_t p2 = ks.KeyPos(s2);
    if (p1 == 0 || p2 == 0) {
      ks.status = -1;
      return 0;
    }
    if (!ks.SortText(s1, p1, a) || !ks.SortText(s2, p2, b)) {
      ks.status = -2;
      return 0;
    }
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  });
  return ks.status;
}

}  // namespace zel
