#include "zel/dstruct/featmatrix.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "zel/base/errors.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"
#include "zel/stringl/parlist.h"

namespace zel {

namespace {

constexpr std::array<const char16_t*, 5> kKindNames = {u"fkUndefined", u"fkInteger", u"fkDouble",
                                                       u"fkString", u"fkTriState"};

bool IsDigit(Char c) { return c >= u'0' && c <= u'9'; }

// Integer text: see the header.
bool IsIntegerText(std::u16string_view s) {
  if (s.empty()) return false;
  if (s.size() == 1) return IsDigit(s[0]);
  if (!(IsDigit(s[0]) || s[0] == u'+' || s[0] == u'-')) return false;
  for (size_t i = 1; i < s.size(); ++i)
    if (!IsDigit(s[i])) return false;
  return true;
}

// Floating-point text: the number machine read from the start of the text,
// the end of the text acting as a character that fits no rule.
bool IsFloatText(std::u16string_view s) {
  enum { kEnd = 9, kError = 10 };
  int state = 1;
  uint32_t exponent = 0;
  for (size_t i = 0;; ++i) {
    const Char c = i < s.size() ? UpperCaseChar(s[i]) : u'Z';
    const bool sep = c == u'.', blank = c == u' ', sign = c == u'+' || c == u'-';
    const bool digit = IsDigit(c), e = c == u'E';
    int next = kError;
    switch (state) {
      case 1:
        next = sep ? 4 : blank ? 1 : sign ? 2 : digit ? 3 : kError;
        break;
      case 2:
        next = sep ? 4 : digit ? 3 : kError;
        break;
      case 3:
        next = sep ? 4 : digit ? 3 : e ? 6 : kEnd;
        break;
      case 4:
      case 5:
        next = sep ? kError : digit ? 5 : e ? 6 : kEnd;
        break;
      case 6:
        next = (sep || blank || e) ? kError : sign ? 7 : digit ? 8 : kEnd;
        break;
      case 7:
        next = (sep || blank || sign || e) ? kError : digit ? 8 : kEnd;
        break;
      case 8:
        next = digit ? 8 : kEnd;
        break;
    }
    if (next == 8) {
      exponent = std::min<uint32_t>(exponent * 10 + static_cast<uint32_t>(c - u'0'), 100000);
      if (exponent > 4200) return false;
    }
    if (next == kEnd) return true;
    if (next == kError) return false;
    state = next;
    if (i >= s.size()) return false;  // the end fits no working state
  }
}

bool IsTriStateText(std::u16string_view s) {
  if (s.empty()) return true;
  const String l = LowerCase(String(s));
  return l == u"true" || l == u"false";
}

String Quoted(const String& s) { return u"\"" + s + u"\""; }

// A 64-bit integer text (IsIntegerText) as its value; EConvertError beyond
// the range.
int64_t IntegerValue(const String& s) {
  size_t i = 0;
  bool neg = false;
  if (s[0] == u'+' || s[0] == u'-') {
    neg = s[0] == u'-';
    i = 1;
  }
  uint64_t v = 0;
  const uint64_t limit = neg ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  for (; i < s.size(); ++i) {
    const auto d = static_cast<uint64_t>(s[i] - u'0');
    if (v > (limit - d) / 10) throw EConvertError(Quoted(s) + u" is not a valid integer value");
    v = v * 10 + d;
  }
  return neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
}

// StrToFloat of s as a double: the nearest double to the text (not a double
// rounding through extended), EConvertError for a text StrToFloat rejects
// or a value beyond the range of a double.
double DoubleValue(const String& s) {
  const long double x = StrToFloat(s);
  if (std::isfinite(x) && std::fabs(x) > static_cast<long double>(DBL_MAX))
    throw EConvertError(Quoted(s) + u" is not a valid floating point value");
  char buf[64];
  size_t n = 0;
  for (Char c : s) {
    if (c == u' ') continue;
    if (n == sizeof buf || c > 0x7F) return static_cast<double>(x);
    char a = static_cast<char>(c);
    if (c == FormatSettings.DecimalSeparator) a = '.';
    if (n == 0 && a == '+') continue;
    buf[n++] = a;
  }
  double d = 0;
  const auto r = std::from_chars(buf, buf + n, d, std::chars_format::general);
  if (r.ec == std::errc() && r.ptr == buf + n) return d;
  return static_cast<double>(x);
}

}  // namespace

String FeatKindName(TFeatKind Kind) {
  return Kind <= fkTriState ? kKindNames[Kind] : kKindNames[fkUndefined];
}

// ---- TFeatMatProps ------------------------------------------------------------

TFeatMatProps::TFeatMatProps(TComponent* /*AOwner*/) : TComponent(nullptr) { Clear(); }
TFeatMatProps::~TFeatMatProps() = default;

String TFeatMatProps::ClassName() const { return u"TFeatMatProps"; }

void TFeatMatProps::Clear() noexcept {
  FFeatNum = 0;
  FFeatName = u"undefined";
  FFeatKind = fkUndefined;
  FComment.clear();
  FPresetValues.clear();
  FSorted = false;
  FGUIElem = nullptr;
}

void TFeatMatProps::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TFeatMatProps*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  FFeatNum = src->FFeatNum;
  FFeatName = src->FFeatName;
  FFeatKind = src->FFeatKind;
  FComment = src->FComment;
  FPresetValues = src->FPresetValues;
  FSorted = src->FSorted;
  FGUIElem = src->FGUIElem;
}

void TFeatMatProps::AssignTo(TPersistent* Dest) const {
  if (auto* d = dynamic_cast<TFeatMatProps*>(Dest)) {
    d->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

// ---- TFeatureMatrix: life and counts ----------------------------------------

TFeatureMatrix::TFeatureMatrix(TComponent* AOwner) : TComponent(AOwner) {}

TFeatureMatrix::~TFeatureMatrix() { FDestroying = true; }

String TFeatureMatrix::ClassName() const { return u"TFeatureMatrix"; }

void TFeatureMatrix::Error(const String& Detail) const {
  throw EZELDStructError(u"Component \"" + Name() + u"\": " + Detail);
}

void TFeatureMatrix::Changed() {
  if (FOnChange && !FDestroying) FOnChange(this);
}

void TFeatureMatrix::Clear() {
  FFeats.clear();
  FNFeats = 0;
  FNObjs = 0;
  Changed();
}

const TFeatureMatrix::Feature* TFeatureMatrix::Find(int32_t fix) const noexcept {
  const auto it = FFeats.find(fix);
  return it == FFeats.end() ? nullptr : &it->second;
}

TFeatureMatrix::Feature* TFeatureMatrix::Find(int32_t fix) noexcept {
  const auto it = FFeats.find(fix);
  return it == FFeats.end() ? nullptr : &it->second;
}

TFeatureMatrix::Feature& TFeatureMatrix::Touch(int32_t fix) {
  const auto [it, added] = FFeats.try_emplace(fix);
  if (added) {
    try {
      it->second.Props = std::make_unique<TFeatMatProps>(nullptr);
    } catch (...) {
      FFeats.erase(it);
      throw;
    }
  }
  return it->second;
}

const TFeatMatProps& TFeatureMatrix::Defaults() const {
  if (!FDefaults) FDefaults = std::make_unique<TFeatMatProps>(nullptr);
  return *FDefaults;
}

TFeatKind TFeatureMatrix::KindOf(int32_t fix) const noexcept {
  const Feature* f = Find(fix);
  return f == nullptr ? fkUndefined : f->Props->FeatKind();
}

// Features beyond the new count lose their storage; added ones have none
// until they are used.
void TFeatureMatrix::ResizeFeatures(int32_t Value) {
  FFeats.erase(FFeats.upper_bound(Value), FFeats.end());
  FNFeats = Value;
}

void TFeatureMatrix::ResizeObjects(int32_t Value) {
  for (auto& [fix, f] : FFeats) f.Values.Truncate(static_cast<size_t>(Value));
  FNObjs = Value;
}

int32_t TFeatureMatrix::NextFeature(int32_t fix) const noexcept {
  const auto it = FFeats.upper_bound(fix);
  return it == FFeats.end() ? 0 : it->first;
}

int32_t TFeatureMatrix::NextObject(int32_t fix, int32_t obj) const noexcept {
  const Feature* f = fix >= 1 && fix <= FNFeats ? Find(fix) : nullptr;
  if (f == nullptr || obj >= FNObjs) return 0;
  const size_t next = f->Values.Next(static_cast<size_t>(std::max(obj, 0)));
  return next < static_cast<size_t>(FNObjs) ? static_cast<int32_t>(next + 1) : 0;
}

void TFeatureMatrix::SetNFeatures(int32_t Value) {
  if (Value < 0) return;
  ResizeFeatures(Value);
  Changed();
}

void TFeatureMatrix::SetNObjects(int32_t Value) {
  if (Value < 0) return;
  ResizeObjects(Value);
  Changed();
}

bool TFeatureMatrix::Resize(int32_t NFeats, int32_t NObjs) {
  if (NFeats < 0 || NObjs < 0) return false;
  try {
    SetNObjects(NObjs);
    SetNFeatures(NFeats);
    Changed();
    return true;
  } catch (...) {
    return false;
  }
}

void TFeatureMatrix::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TFeatureMatrix*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  SetNFeatures(src->FNFeats);
  SetNObjects(src->FNObjs);
  // Features without storage in the source become default ones here (their
  // properties objects stay, as every feature's does).
  for (auto& [fix, f] : FFeats) {
    if (src->Find(fix) != nullptr) continue;
    f.Props->Clear();
    f.Values.Reset();
  }
  for (const auto& [fix, from] : src->FFeats) {
    Feature& to = Touch(fix);
    to.Props->Assign(from.Props.get());
    to.Values = from.Values;
  }
  FOnChange = src->FOnChange;
}

void TFeatureMatrix::AssignTo(TPersistent* Dest) const {
  if (auto* d = dynamic_cast<TFeatureMatrix*>(Dest)) {
    d->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TFeatureMatrix::Swap(TFeatureMatrix& Other) noexcept {
  std::swap(FNFeats, Other.FNFeats);
  std::swap(FNObjs, Other.FNObjs);
  FFeats.swap(Other.FFeats);
  std::swap(FEndMarkerRead, Other.FEndMarkerRead);
}

size_t TFeatureMatrix::MemoryUsed() const noexcept {
  // A map node: the feature, its key and three links plus a colour word.
  constexpr size_t kNode = sizeof(std::pair<const int32_t, Feature>) + 4 * sizeof(void*);
  const auto text = [](const String& s) {
    return s.capacity() > 7 ? (s.capacity() + 1) * sizeof(Char) : 0;
  };
  size_t m = 0;
  for (const auto& [fix, f] : FFeats) {
    const TFeatMatProps& p = *f.Props;
    m += kNode + sizeof(TFeatMatProps) + text(p.FeatName()) + text(p.Comment()) +
         text(p.PresetValues()) + text(p.Name()) + f.Values.MemoryUsed();
  }
  return m;
}

// ---- properties -----------------------------------------------------------------

TFeatMatProps& TFeatureMatrix::GetFeatProps(int32_t fix) {
  if (fix >= 1 && fix <= FNFeats) return *Touch(fix).Props;
  if (!FScratch) FScratch = std::make_unique<TFeatMatProps>(nullptr);
  FScratch->Clear();
  return *FScratch;
}

const TFeatMatProps& TFeatureMatrix::GetFeatProps(int32_t fix) const {
  if (fix >= 1 && fix <= FNFeats) {
    const Feature* f = Find(fix);
    return f != nullptr ? *f->Props : Defaults();
  }
  return const_cast<TFeatureMatrix*>(this)->GetFeatProps(fix);
}

void TFeatureMatrix::SetFeatProps(int32_t fix, const TFeatMatProps& FeatMatProps) {
  if (fix < 1 || fix > FNFeats) return;
  Touch(fix).Props->Assign(&FeatMatProps);
  Changed();
}

// ---- values -----------------------------------------------------------------------

void TFeatureMatrix::Store(int32_t fix, int32_t obj, std::u16string_view Value) {
  Feature* f = Value.empty() ? Find(fix) : &Touch(fix);
  if (f != nullptr) f->Values.Set(static_cast<size_t>(obj - 1), Value);
}

void TFeatureMatrix::CheckText(int32_t fix, const String& Value, bool EmptyNumberOk) const {
  switch (KindOf(fix)) {
    case fkInteger:
      if ((Value.empty() && !EmptyNumberOk) || (!Value.empty() && !IsIntegerText(Value)))
        Error(u"feature value " + Quoted(Value) + u" is not a valid integer number");
      break;
    case fkDouble:
      if ((Value.empty() && !EmptyNumberOk) || (!Value.empty() && !IsFloatText(Value)))
        Error(u"feature value " + Quoted(Value) + u" is not a valid floating point number");
      break;
    case fkTriState:
      if (!IsTriStateText(Value))
        Error(u"feature value " + Quoted(Value) + u" is not a valid tri-state value");
      break;
    case fkString:
      break;
    default:
      Error(u"feature " + IntToStr(fix) + u" is undefined");
  }
}

String TFeatureMatrix::GetFeatValStr(int32_t fix, int32_t obj) const {
  if (!InRange(fix, obj)) return String();
  if (KindOf(fix) == fkUndefined) Error(u"feature " + IntToStr(fix) + u" is undefined");
  return Find(fix)->Values.Get(static_cast<size_t>(obj - 1));
}

void TFeatureMatrix::SetFeatValStr(int32_t fix, int32_t obj, const String& Value) {
  if (!InRange(fix, obj)) return;
  CheckText(fix, Value, true);
  Store(fix, obj, Value);
  Changed();
}

int64_t TFeatureMatrix::GetFeatValInt(int32_t fix, int32_t obj) const {
  if (!InRange(fix, obj)) return 0;
  const Feature* f = Find(fix);
  if (f == nullptr) Error(u"feature is not an integer");  // an empty value
  const auto& col = f->Values;
  const auto i = static_cast<size_t>(obj - 1);
  if (col.Tag(i) == internal::FeatColumn::kTagInt) return static_cast<int64_t>(col.Payload(i));
  const String s = col.Get(i);
  if (!IsIntegerText(s)) Error(u"feature is not an integer");
  return IntegerValue(s);
}

void TFeatureMatrix::SetFeatValint(int32_t fix, int32_t obj, int64_t Value) {
  if (!InRange(fix, obj)) return;
  const TFeatKind k = KindOf(fix);
  if (k == fkUndefined || k == fkTriState) Error(u"feature is not of numeric or string type");
  Store(fix, obj, IntToStr(Value));
  Changed();
}

double TFeatureMatrix::GetFeatValDouble(int32_t fix, int32_t obj) const {
  if (!InRange(fix, obj)) return 0;
  const Feature* f = Find(fix);
  if (f == nullptr) Error(u"feature is not a floating point number");  // an empty value
  const auto& col = f->Values;
  const auto i = static_cast<size_t>(obj - 1);
  const uint8_t tag = col.Tag(i);
  if (tag == internal::FeatColumn::kTagDouble && FormatSettings.DecimalSeparator == u'.') {
    const uint64_t p = col.Payload(i);
    double d;
    std::memcpy(&d, &p, sizeof d);
    return d;
  }
  if (tag == internal::FeatColumn::kTagInt) {
    const auto v = static_cast<int64_t>(col.Payload(i));
    if (v > -(int64_t{1} << 53) && v < (int64_t{1} << 53)) return static_cast<double>(v);
  }
  const String s = col.Get(i);
  if (!IsFloatText(s)) Error(u"feature is not a floating point number");
  return DoubleValue(s);
}

void TFeatureMatrix::SetFeatValDouble(int32_t fix, int32_t obj, double Value) {
  if (!InRange(fix, obj)) return;
  const TFeatKind k = KindOf(fix);
  if (k != fkDouble && k != fkString) Error(u"feature is not a floating point or string type");
  const String s = FloatToStr(Value);
  // A text feature takes any text, "NAN" and "INF" included; a floating-point
  // feature could not read them back.
  if (k == fkDouble && !std::isfinite(Value))
    Error(u"feature value " + Quoted(s) + u" is not a valid floating point number");
  Store(fix, obj, s);
  Changed();
}

TTriState TFeatureMatrix::GetFeatValTriState(int32_t fix, int32_t obj) const {
  if (!InRange(fix, obj)) return tsUndefined;
  const Feature* f = Find(fix);
  if (f == nullptr) return tsUndefined;  // an empty value
  const String s = LowerCase(f->Values.Get(static_cast<size_t>(obj - 1)));
  if (s.empty()) return tsUndefined;
  if (s == u"true") return tsTrue;
  if (s == u"false") return tsFalse;
  Error(u"feature is not a tri-state value");
}

void TFeatureMatrix::SetFeatValTriState(int32_t fix, int32_t obj, TTriState Value) {
  if (!InRange(fix, obj)) return;
  const TFeatKind k = KindOf(fix);
  if (k != fkTriState && k != fkString) Error(u"feature is not a tri-state or string type");
  Store(fix, obj, TriStateToStr(Value, 0));
  Changed();
}

bool TFeatureMatrix::Fill(int32_t fix, const String& FeatVal) {
  if (fix < 1 || fix > FNFeats) return false;
  CheckText(fix, FeatVal, false);
  for (int32_t o = 1; o <= FNObjs; ++o) Store(fix, o, FeatVal);
  Changed();
  return true;
}

bool TFeatureMatrix::Fill(int32_t fix, int64_t FeatVal) {
  if (fix < 1 || fix > FNFeats) return false;
  if (KindOf(fix) != fkInteger) Error(u"feature " + IntToStr(fix) + u" is not an integer number");
  const String s = IntToStr(FeatVal);
  for (int32_t o = 1; o <= FNObjs; ++o) Store(fix, o, s);
  Changed();
  return true;
}

bool TFeatureMatrix::Fill(int32_t fix, double FeatVal) {
  if (fix < 1 || fix > FNFeats) return false;
  if (KindOf(fix) != fkDouble)
    Error(u"feature " + IntToStr(fix) + u" is not floating point number");
  const String s = FloatToStr(FeatVal);
  if (!std::isfinite(FeatVal))
    Error(u"feature value " + Quoted(s) + u" is not a valid floating point number");
  for (int32_t o = 1; o <= FNObjs; ++o) Store(fix, o, s);
  Changed();
  return true;
}

bool TFeatureMatrix::Fill(int32_t fix, TTriState FeatVal) {
  if (fix < 1 || fix > FNFeats) return false;
  if (KindOf(fix) != fkTriState) Error(u"feature " + IntToStr(fix) + u" is not a tri-state value");
  const String s = TriStateToStr(FeatVal, 0);
  for (int32_t o = 1; o <= FNObjs; ++o) Store(fix, o, s);
  Changed();
  return true;
}

// ---- features ---------------------------------------------------------------------

namespace {

// The feature range of SetFeatType and RenumberFeatures; false when empty.
bool ClampedRange(int32_t From, int32_t To, int32_t N, int32_t& Lo, int32_t& Hi) {
  if (N < 1) return false;
  if (From == 0 && To == 0) {
    Lo = 1;
    Hi = N;
    return true;
  }
  From = std::clamp(From, 1, N);
  To = std::clamp(To, 1, N);
  Lo = std::min(From, To);
  Hi = std::max(From, To);
  return true;
}

int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

// FirstNum + (i - Lo) * Delta in 32-bit two's complement.
int32_t NumberOf(int32_t FirstNum, int32_t i, int32_t Lo, int32_t Delta) {
  const uint32_t step = static_cast<uint32_t>(i - Lo) * static_cast<uint32_t>(Delta);
  return Wrap32(static_cast<int64_t>(static_cast<uint32_t>(FirstNum) + step));
}

}  // namespace

void TFeatureMatrix::SetFeatType(int32_t IxFrom, int32_t IxTo, TFeatKind FeatKind) {
  int32_t lo, hi;
  if (!ClampedRange(IxFrom, IxTo, FNFeats, lo, hi)) return;
  if (FeatKind > fkTriState) FeatKind = fkUndefined;
  // Features without storage already have the default kind.
  if (FeatKind == fkUndefined) {
    for (auto it = FFeats.lower_bound(lo); it != FFeats.end() && it->first <= hi; ++it)
      it->second.Props->SetFeatKind(FeatKind);
    return;
  }
  for (int32_t i = lo; i <= hi; ++i) Touch(i).Props->SetFeatKind(FeatKind);
}

void TFeatureMatrix::RenumberFeatures(int32_t IxFrom, int32_t IxTo, int32_t FirstNum,
                                      int32_t Delta) {
  int32_t lo, hi;
  if (!ClampedRange(IxFrom, IxTo, FNFeats, lo, hi)) return;
  for (int32_t i = lo; i <= hi; ++i) {
    const int32_t num = NumberOf(FirstNum, i, lo, Delta);
    if (num != 0 || Find(i) != nullptr) Touch(i).Props->SetFeatNum(num);
  }
}

namespace {

// Leading blanks, an optional sign and digits (reading stops at the first
// other character); 0 when there are none. Saturates at +-1e9.
int32_t ParamInt(const String& p) {
  size_t i = 0;
  while (i < p.size() && p[i] == u' ') ++i;
  bool neg = false;
  if (i < p.size() && (p[i] == u'+' || p[i] == u'-')) neg = p[i++] == u'-';
  constexpr int32_t kCap = 1000000000;
  int32_t v = 0;
  for (; i < p.size() && IsDigit(p[i]); ++i) {
    const int32_t d = p[i] - u'0';
    v = v > (kCap - d) / 10 ? kCap : v * 10 + d;
  }
  return neg ? -v : v;
}

String FormatDecimal(int64_t n, int32_t w) {
  String digits = IntToStr(n < 0 ? -n : n);
  if (w > 0) {
    w = std::min(w, 255);
    String s = IntToStr(n);
    const auto uw = static_cast<size_t>(w);
    if (s.size() > uw) return s.substr(s.size() - uw);
    return String(uw - s.size(), u' ') + s;
  }
  if (w < 0) {
    size_t width = static_cast<size_t>(-static_cast<int64_t>(w)) % 256;
    if (width == 0) width = 1;
    if (digits.size() > width)
      digits = digits.substr(digits.size() - width);
    else
      digits.insert(0, width - digits.size(), u'0');
    return n < 0 ? u"-" + digits : digits;
  }
  return IntToStr(n);
}

// Expands the placeholders of Template; false when it does not expand.
bool ExpandTemplate(String Text, int32_t Index, int32_t Number, TDateTime When, String& Out) {
  constexpr int kMaxExpansions = 4096;
  constexpr size_t kMaxLength = 1 << 16;
  for (int round = 0; round < kMaxExpansions; ++round) {
    const size_t open = Text.find(u"<%");
    if (open == String::npos) {
      Out = std::move(Text);
      return true;
    }
    const size_t close = Text.find(u"%>");
    if (close == String::npos || close < open || close < open + 3) return false;
    const Char letter = UpperCaseChar(Text[open + 2]);
    const String param = Text.substr(open + 3, close - open - 3);
    String rep;
    switch (letter) {
      case u'D':
        rep = FormatDecimal(Number, ParamInt(param));
        break;
      case u'I':
        rep = FormatDecimal(Index, ParamInt(param));
        break;
      case u'H': {
        const int32_t w = std::clamp(ParamInt(param), 1, 16);
        String hex = IntToHex(static_cast<uint32_t>(Number), 8);
        if (w < 8)
          hex = hex.substr(8 - static_cast<size_t>(w));
        else
          hex.insert(0, static_cast<size_t>(w) - 8, u'0');
        rep = hex;
        break;
      }
      case u'T':
        rep = FormatDateTime(param, When);
        break;
      default:
        return false;
    }
    Text.replace(open, close + 2 - open, rep);
    if (Text.size() > kMaxLength) return false;
  }
  return false;
}

}  // namespace

int32_t TFeatureMatrix::GenerateFeatNames(const String& Template, int32_t IxFrom, int32_t IxTo,
                                          int32_t FirstNum, int32_t Delta) {
  int32_t lo = 1, hi = FNFeats;
  if (!(IxFrom == 0 && IxTo == 0)) {
    if (IxFrom < 1 || IxFrom > FNFeats || IxTo < 1 || IxTo > FNFeats) return -1;
    lo = std::min(IxFrom, IxTo);
    hi = std::max(IxFrom, IxTo);
  }
  const TDateTime now = Now();
  for (int32_t i = lo; i <= hi; ++i) {
    String name;
    if (!ExpandTemplate(Template, i, NumberOf(FirstNum, i, lo, Delta), now, name)) return -2;
    if (name != Defaults().FeatName() || Find(i) != nullptr) Touch(i).Props->SetFeatName(name);
  }
  return 0;
}

namespace {

// The first of features 1..N whose properties pass Match; -1 if none.
// Features without storage have the properties Defaults.
template <typename Features, typename Pred>
int32_t FirstFeature(const Features& Feats, int32_t N, const TFeatMatProps& Defaults, Pred Match) {
  const bool defaults_match = Match(Defaults);
  int32_t expected = 1;  // the first feature not yet looked at
  for (const auto& [fix, f] : Feats) {
    if (fix > N) break;
    if (defaults_match && fix > expected) return expected;
    if (Match(*f.Props)) return fix;
    expected = fix + 1;
  }
  return defaults_match && expected <= N ? expected : -1;
}

}  // namespace

int32_t TFeatureMatrix::FindFeatName(const String& Name) const {
  const String key = LowerCase(Name);
  return FirstFeature(FFeats, FNFeats, Defaults(),
                      [&](const TFeatMatProps& p) { return LowerCase(p.FeatName()) == key; });
}

int32_t TFeatureMatrix::FindFeatNum(int32_t Num) const {
  return FirstFeature(FFeats, FNFeats, Defaults(),
                      [&](const TFeatMatProps& p) { return p.FeatNum() == Num; });
}

// ---- structure ----------------------------------------------------------------

void TFeatureMatrix::ClearCells(int32_t fix, int32_t obj) {
  const TFeatKind k = KindOf(fix);
  Store(fix, obj, (k == fkInteger || k == fkDouble) ? u"0" : u"");
}

// Features without storage hold empty values and the kind fkUndefined, whose
// default is the empty text: they are left as they are.
void TFeatureMatrix::ResetToDefault() {
  for (int32_t o = 1; o <= FNObjs; ++o) {
    for (auto& [fix, f] : FFeats) ClearCells(fix, o);
    Changed();
  }
}

void TFeatureMatrix::InsertObject(int32_t obj) {
  if (obj < 1 || obj > FNObjs || FNObjs == INT32_MAX) return;
  const auto n = static_cast<size_t>(FNObjs) + 1;
  for (auto& [fix, f] : FFeats) f.Values.InsertAt(static_cast<size_t>(obj - 1));
  FNObjs = static_cast<int32_t>(n);
  Changed();
  ClearObject(obj);
  Changed();
}

void TFeatureMatrix::RemoveObject(int32_t obj) {
  if (obj < 1 || obj > FNObjs) return;
  const auto n = static_cast<size_t>(FNObjs) - 1;
  for (auto& [fix, f] : FFeats) f.Values.EraseAt(static_cast<size_t>(obj - 1));
  FNObjs = static_cast<int32_t>(n);
  Changed();
  Changed();
}

// Properties objects stay with their index: from feat on, each feature takes
// the properties and values of its predecessor (features without storage
// pass on the defaults), and feature feat becomes a default one.
void TFeatureMatrix::InsertFeature(int32_t feat) {
  if (feat < 1 || feat > FNFeats + 1 || FNFeats == INT32_MAX) return;
  std::vector<int32_t> moved;  // features with storage from feat on, the last first
  for (auto it = FFeats.rbegin(); it != FFeats.rend() && it->first >= feat; ++it)
    moved.push_back(it->first);
  try {
    for (const int32_t k : moved) Touch(k + 1);  // all storage first: nothing fails halfway
  } catch (...) {
    FFeats.erase(FNFeats + 1);
    throw;
  }
  ++FNFeats;
  Changed();
  for (const int32_t k : moved) {
    Feature& from = *Find(k);
    Feature& to = *Find(k + 1);
    to.Props->Assign(from.Props.get());
    to.Values = std::move(from.Values);
    from.Props->Clear();
    from.Values.Reset();
  }
  Changed();
}

// From feat on, each feature takes the properties and values of its successor;
// the last feature goes with its properties object.
void TFeatureMatrix::RemoveFeature(int32_t feat) {
  if (feat < 1 || feat > FNFeats) return;
  std::vector<int32_t> moved;  // features with storage after feat, the first first
  for (auto it = FFeats.upper_bound(feat); it != FFeats.end(); ++it) moved.push_back(it->first);
  for (const int32_t k : moved) Touch(k - 1);  // all storage first: nothing fails halfway
  if (Feature* f = Find(feat)) {
    f->Props->Clear();
    f->Values.Reset();
  }
  for (const int32_t k : moved) {
    Feature& from = *Find(k);
    Feature& to = *Find(k - 1);
    to.Props->Assign(from.Props.get());
    to.Values = std::move(from.Values);
    from.Props->Clear();
    from.Values.Reset();
  }
  FFeats.erase(FNFeats);
  --FNFeats;
  Changed();
  Changed();
}

void TFeatureMatrix::ClearObject(int32_t obj) {
  if (obj < 1 || obj > FNObjs) return;
  for (auto& [fix, f] : FFeats) ClearCells(fix, obj);
  Changed();
}

void TFeatureMatrix::ClearFeature(int32_t feat) {
  if (feat < 1 || feat > FNFeats) return;
  for (int32_t o = 1; o <= FNObjs; ++o) ClearCells(feat, o);
  Changed();
}

void TFeatureMatrix::CopyObject(int32_t Source, int32_t Target) {
  if (Source < 1 || Source > FNObjs || Target < 1 || Target > FNObjs) return;
  for (auto& [fix, f] : FFeats)
    f.Values.CopyCell(static_cast<size_t>(Source - 1), static_cast<size_t>(Target - 1));
  Changed();
}

}  // namespace zel
