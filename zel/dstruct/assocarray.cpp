#include "zel/dstruct/assocarray.h"

#include <algorithm>
#include <new>
#include <string>

#include "zel/dstruct/internal/assoc_index.h"
#include "zel/dstruct/internal/component_error.h"
#include "zel/runtime/sysutils.h"

namespace zel {

namespace {

constexpr double kNumberLimit = 1.7e308;

// The number scanner of ResolveAsNumber: a state machine over the text in
// upper case ("Z" past its end) that builds a normalised copy of the number.
// States: 1 start, 2 after sign, 3 integer digits, 4 after separator,
// 5 fraction digits, 6 after E, 7 after exponent sign, 8 exponent digits.
enum : int { kEnd = 0, kFail = 9 };
enum CharClass : int { kSep, kBlank, kSign, kDigit, kExp, kOther };

constexpr int kNext[9][6] = {
    {},                                     // unused
    {4, 1, 2, 3, kFail, kFail},             // 1
    {4, kFail, kFail, 3, kFail, kFail},     // 2
    {4, kEnd, kEnd, 3, 6, kEnd},            // 3
    {kFail, kEnd, kEnd, 5, 6, kEnd},        // 4
    {kFail, kEnd, kEnd, 5, 6, kEnd},        // 5
    {kFail, kFail, 7, 8, kFail, kEnd},      // 6
    {kFail, kFail, kFail, 8, kFail, kEnd},  // 7
    {kEnd, kEnd, kEnd, 8, kEnd, kEnd},      // 8
};

CharClass ClassOf(Char c) {
  if (c == u'.' || c == u',') return kSep;
  if (c == u' ') return kBlank;
  if (c == u'+' || c == u'-') return kSign;
  if (c >= u'0' && c <= u'9') return kDigit;
  if (c == u'E') return kExp;
  return kOther;
}

double ScanNumber(const String& text) {
  // The copy is kept in parts so that it converts without surprises: sign,
  // integer digits, fraction digits, exponent sign and digits.
  bool negative = false, exp_negative = false, cut = false;
  std::u16string int_digits, frac_digits, exp_digits;
  int64_t exp_value = 0;
  int state = 1;
  size_t pos = 0;
  while (state != kEnd && state != kFail) {
    const Char c = pos < text.size() ? UpperCaseChar(text[pos]) : u'Z';
    ++pos;
    const int next = kNext[state][ClassOf(c)];
    if (next != kEnd && next != kFail && !cut) {
      if (c == u'-' && next == 2) negative = true;
      if (c == u'-' && next == 7) exp_negative = true;
      if (ClassOf(c) == kDigit) {
        if (next == 3) int_digits += c;
        if (next == 5) frac_digits += c;
        if (next == 8) {
          exp_value = exp_value * 10 + (c - u'0');
          if (exp_value > 4200) {
            cut = true;  // huge exponents stay finite
          } else {
            exp_digits += c;
          }
        }
      }
    }
    state = next;
  }
  if (state == kFail) return 0;
  String copy = negative ? u"-" : u"";
  copy += int_digits.empty() ? u"0" : int_digits;
  copy += u'.';
  copy += frac_digits.empty() ? u"0" : frac_digits;
  if (!exp_digits.empty()) {
    copy += exp_negative ? u"E-" : u"E";
    copy += exp_digits;
  }
  long double value = 0;
  int code = 0;
  Val(copy, value, code);
  if (code != 0) return negative ? -kNumberLimit : kNumberLimit;  // beyond the extended range
  if (value > kNumberLimit) return kNumberLimit;
  if (value < -kNumberLimit) return -kNumberLimit;
  return static_cast<double>(value);
}

// The integer scanner of ResolveAsInt.
int32_t ScanInteger(const String& text) {
  size_t pos = 0;
  while (pos + 1 < text.size() && text[pos] == u' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
    negative = text[pos] == u'-';
    ++pos;
  }
  uint32_t value = 0;
  for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos)
    value = value * 10u + static_cast<uint32_t>(text[pos] - u'0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

bool IsStringCode(TVarType t) { return t == varString || t == varUString; }

}  // namespace

TAssocArray::TAssocArray(TComponent* AOwner) : TComponent(AOwner) {}

TAssocArray::~TAssocArray() = default;

String TAssocArray::ClassName() const { return u"TAssocArray"; }

void TAssocArray::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TAssocArray*>(Source)) {
    if (src == this) return;
    std::vector<String> keys;
    std::vector<Variant> values;
    try {
      keys = src->FKeyArray;
      values = src->FDataArray;
    } catch (const std::bad_alloc&) {
      internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
    }
    FKeyArray.swap(keys);
    FDataArray.swap(values);
    FNEntries = src->FNEntries;
    FCapacity = FNEntries;
    FGranularity = src->FGranularity;
    FIgnoreCase = src->FIgnoreCase;
    FDataID = src->FDataID;
    index_.reset();
    return;
  }
  TPersistent::Assign(Source);
}

void TAssocArray::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TAssocArray*>(Dest)) {
    dst->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TAssocArray::SetIgnoreCase(bool Value) noexcept {
  if (Value == FIgnoreCase) return;
  FIgnoreCase = Value;
  index_.reset();  // the next lookup indexes the keys the new way
}

internal::AssocKeyIndex& TAssocArray::Index() const {
  if (!index_) {
    auto fresh = std::make_unique<internal::AssocKeyIndex>(FIgnoreCase);
    fresh->Rebuild(FKeyArray);
    index_ = std::move(fresh);
  }
  return *index_;
}

int32_t TAssocArray::Find(const String& Key) const { return Index().Find(FKeyArray, Key); }

String TAssocArray::GetKeys(int32_t ix) const {
  if (ix < 1 || ix > FNEntries) return String();
  return FKeyArray[static_cast<size_t>(ix - 1)];
}

void TAssocArray::SetKeys(int32_t ix, const String& v) {
  if (ix < 1 || ix > FNEntries) return;
  const auto p = static_cast<uint32_t>(ix - 1);
  String key = v;  // copied first, so a failed copy changes nothing
  if (index_) index_->Erase(FKeyArray, p);
  FKeyArray[p].swap(key);
  if (index_) index_->Insert(FKeyArray, p);  // the slot just freed: no growth
}

Variant TAssocArray::GetValues(int32_t ix) const {
  if (ix < 1 || ix > FNEntries) return Variant(String());
  return FDataArray[static_cast<size_t>(ix - 1)];
}

void TAssocArray::SetValues(int32_t ix, const Variant& v) {
  if (ix < 1 || ix > FNEntries) return;
  FDataArray[static_cast<size_t>(ix - 1)] = v;
}

void TAssocArray::Add(const String& Key, const Variant& Value) {
  const String key = FIgnoreCase ? LowerCase(Key) : Key;
  if (const int32_t p = Find(key); p >= 0) {
    FDataArray[static_cast<size_t>(p)] = Value;
    return;
  }
  try {
    if (FNEntries == INT32_MAX) throw std::bad_alloc();
    internal::AssocKeyIndex& index = Index();
    FKeyArray.push_back(key);
    try {
      FDataArray.push_back(Value);
      try {
        index.Insert(FKeyArray, static_cast<uint32_t>(FNEntries));
      } catch (...) {
        FDataArray.pop_back();
        throw;
      }
    } catch (...) {
      FKeyArray.pop_back();
      throw;
    }
  } catch (const std::bad_alloc&) {
    internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
  }
  ++FNEntries;
  if (FCapacity < FNEntries) {
    const int64_t grown = int64_t{FNEntries} + std::max(FGranularity, 0);
    FCapacity = static_cast<int32_t>(std::min<int64_t>(grown, INT32_MAX));
  }
}

bool TAssocArray::Remove(const String& Key) {
  const int32_t p = Find(Key);
  if (p < 0) return false;
  const auto pos = static_cast<uint32_t>(p);
  const auto last = static_cast<uint32_t>(FNEntries - 1);
  internal::AssocKeyIndex& index = Index();
  index.Erase(FKeyArray, pos);
  if (pos != last) {
    index.Renumber(FKeyArray, last, pos);
    FKeyArray[pos] = std::move(FKeyArray[last]);
    FDataArray[pos] = std::move(FDataArray[last]);
  }
  FKeyArray.pop_back();
  FDataArray.pop_back();
  --FNEntries;
  return true;
}

Variant TAssocArray::Resolve(const String& Key) const {
  const int32_t p = Find(Key);
  return p < 0 ? Null() : FDataArray[static_cast<size_t>(p)];
}

String TAssocArray::ResolveAsString(const String& Key) const {
  const int32_t p = Find(Key);
  if (p < 0) return String();
  const Variant& v = FDataArray[static_cast<size_t>(p)];
  return v.IsNull() ? String() : v.AsString();
}

double TAssocArray::ResolveAsNumber(const String& Key) const {
  const int32_t p = Find(Key);
  if (p < 0) return 0;
  const Variant& v = FDataArray[static_cast<size_t>(p)];
  const TVarType t = v.VarType();
  if ((t >= varSmallint && t <= varCurrency) || (t >= varShortInt && t <= varInt64))
    return v.AsDouble();
  if (IsStringCode(t)) return ScanNumber(v.AsString());
  return 0;
}

int32_t TAssocArray::ResolveAsInt(const String& Key) const {
  const int32_t p = Find(Key);
  if (p < 0) return 0;
  const Variant& v = FDataArray[static_cast<size_t>(p)];
  const TVarType t = v.VarType();
  if (t == varSmallint || t == varInteger || (t >= varShortInt && t <= varInt64) ||
      t == varSingle || t == varDouble)
    return v.AsInteger();  // floating values round half to even
  if (IsStringCode(t)) return ScanInteger(v.AsString());
  return 0;
}

void TAssocArray::Clear() {
  FKeyArray.clear();
  FKeyArray.shrink_to_fit();
  FDataArray.clear();
  FDataArray.shrink_to_fit();
  FNEntries = 0;
  FCapacity = std::max(FGranularity, 0);
  index_.reset();
}

}  // namespace zel
