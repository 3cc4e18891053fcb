#include "zel/runtime/variant.h"

#include <cmath>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {

namespace internal {
struct VarArrayData {
  int lo = 0;
  std::vector<Variant> items;
};
}  // namespace internal

namespace {

bool IsSignedIntType(TVarType t) {
  return t == varSmallint || t == varInteger || t == varShortInt || t == varInt64;
}
bool IsUnsignedIntType(TVarType t) {
  return t == varByte || t == varWord || t == varLongWord || t == varUInt64;
}
bool IsFloatType(TVarType t) { return t == varSingle || t == varDouble || t == varDate; }
bool IsStringType(TVarType t) { return t == varOleStr || t == varString || t == varUString; }

// The element types an array can be created with.
bool IsArrayElementType(TVarType t) {
  return IsSignedIntType(t) || IsUnsignedIntType(t) || IsFloatType(t) || IsStringType(t) ||
         t == varBoolean || t == varVariant;
}

// Range of an integer type code.
void IntRange(TVarType t, long double& lo, long double& hi) {
  switch (t) {
    case varShortInt:
      lo = -128;
      hi = 127;
      break;
    case varSmallint:
      lo = -32768;
      hi = 32767;
      break;
    case varInteger:
      lo = -2147483648.0L;
      hi = 2147483647.0L;
      break;
    case varByte:
      lo = 0;
      hi = 255;
      break;
    case varWord:
      lo = 0;
      hi = 65535;
      break;
    case varLongWord:
      lo = 0;
      hi = 4294967295.0L;
      break;
    case varUInt64:
      lo = 0;
      hi = 18446744073709551615.0L;
      break;
    default:
      lo = -9223372036854775808.0L;
      hi = 9223372036854775807.0L;
      break;
  }
}

[[noreturn]] void NotAnArray() { throw EVariantError(u"Variant is not an array"); }
[[noreturn]] void IndexError() {
  throw EVariantError(u"Variant or safe array index out of bounds");
}

}  // namespace

String VarTypeAsText(TVarType VarType) {
  String base;
  switch (VarType & varTypeMask) {
    case varEmpty:
      base = u"Empty";
      break;
    case varNull:
      base = u"Null";
      break;
    case varSmallint:
      base = u"Smallint";
      break;
    case varInteger:
      base = u"Integer";
      break;
    case varSingle:
      base = u"Single";
      break;
    case varDouble:
      base = u"Double";
      break;
    case varCurrency:
      base = u"Currency";
      break;
    case varDate:
      base = u"Date";
      break;
    case varOleStr:
      base = u"OleStr";
      break;
    case varDispatch:
      base = u"Dispatch";
      break;
    case varError:
      base = u"Error";
      break;
    case varBoolean:
      base = u"Boolean";
      break;
    case varVariant:
      base = u"Variant";
      break;
    case varUnknown:
      base = u"Unknown";
      break;
    case varShortInt:
      base = u"ShortInt";
      break;
    case varByte:
      base = u"Byte";
      break;
    case varWord:
      base = u"Word";
      break;
    case varLongWord:
      base = u"LongWord";
      break;
    case varInt64:
      base = u"Int64";
      break;
    case varUInt64:
      base = u"UInt64";
      break;
    case varString:
      base = u"String";
      break;
    case varUString:
      base = u"UnicodeString";
      break;
    default:
      base = u"$" + IntToHex(VarType & varTypeMask, 4);
      break;
  }
  return (VarType & varArray) ? u"Array of " + base : base;
}

// ---- construction -------------------------------------------------------------

Variant::Variant() noexcept = default;
Variant::Variant(bool V) noexcept : type_(varBoolean) { num_.b = V; }
Variant::Variant(signed char V) noexcept { SetInt(varShortInt, V); }
Variant::Variant(unsigned char V) noexcept { SetInt(varByte, V); }
Variant::Variant(short V) noexcept { SetInt(varSmallint, V); }
Variant::Variant(unsigned short V) noexcept { SetInt(varWord, V); }
Variant::Variant(int V) noexcept { SetInt(varInteger, V); }
Variant::Variant(unsigned V) noexcept { SetInt(varLongWord, V); }
Variant::Variant(long V) noexcept { SetInt(varInt64, V); }
Variant::Variant(unsigned long V) noexcept : type_(varUInt64) { num_.u = V; }
Variant::Variant(long long V) noexcept { SetInt(varInt64, V); }
Variant::Variant(unsigned long long V) noexcept : type_(varUInt64) { num_.u = V; }
Variant::Variant(float V) noexcept : type_(varSingle) { num_.d = V; }
Variant::Variant(double V) noexcept : type_(varDouble) { num_.d = V; }
Variant::Variant(Char V) : type_(varUString), str_(1, V) {}
Variant::Variant(const String& V) : type_(varUString), str_(V) {}
Variant::Variant(String&& V) noexcept : type_(varUString), str_(std::move(V)) {}
Variant::Variant(std::u16string_view V) : type_(varUString), str_(V) {}
Variant::Variant(const char16_t* V) : type_(varUString), str_(V ? V : u"") {}

Variant::Variant(const Variant& Other) : type_(Other.type_), num_(Other.num_), str_(Other.str_) {
  if (Other.arr_) arr_ = std::make_unique<internal::VarArrayData>(*Other.arr_);
}
Variant::Variant(Variant&& Other) noexcept
    : type_(Other.type_),
      num_(Other.num_),
      str_(std::move(Other.str_)),
      arr_(std::move(Other.arr_)) {
  Other.type_ = varEmpty;
  Other.num_.i = 0;
  Other.str_.clear();
}

Variant& Variant::operator=(const Variant& Other) {
  if (this != &Other) {
    Variant copy(Other);
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& Other) noexcept {
  if (this != &Other) {
    // Other may live inside this value's own array; take it out first.
    Variant keep_alive;
    keep_alive.arr_ = std::move(arr_);
    type_ = Other.type_;
    num_ = Other.num_;
    str_ = std::move(Other.str_);
    arr_ = std::move(Other.arr_);
    Other.type_ = varEmpty;
    Other.num_.i = 0;
    Other.str_.clear();
  }
  return *this;
}

Variant::~Variant() = default;

void Variant::SetInt(TVarType Type, int64_t V) noexcept {
  type_ = Type;
  num_.i = V;
}

Variant Null() {
  Variant v;
  v.type_ = varNull;
  return v;
}

Variant VarFromDateTime(TDateTime Value) {
  Variant v(Value);
  v.type_ = varDate;
  return v;
}

// ---- arrays -------------------------------------------------------------------

Variant VarArrayCreate(int Lo, int Hi, TVarType VarType) {
  if (!IsArrayElementType(VarType))
    throw EVariantError(u"Variant array of type " + VarTypeAsText(VarType) + u" is not supported");
  const int64_t count = static_cast<int64_t>(Hi) - Lo + 1;
  if (count < 0)
    throw EVariantError(u"Variant array bounds " + IntToStr(Lo) + u".." + IntToStr(Hi) +
                        u" are invalid");
  // Elements start as the zero value of their type: 0, 0.0, false, "".
  Variant element;
  if (IsStringType(VarType))
    element = VarAsType(Variant(String()), VarType);
  else if (VarType != varVariant)
    element = VarAsType(Variant(0), VarType);
  Variant v;
  GuardAllocation([&] {
    auto data = std::make_unique<internal::VarArrayData>();
    data->lo = Lo;
    data->items.assign(static_cast<size_t>(count), element);
    v.arr_ = std::move(data);
  });
  v.type_ = static_cast<TVarType>(varArray | VarType);
  return v;
}

bool VarIsArray(const Variant& V) { return V.IsArray(); }
bool VarIsEmpty(const Variant& V) { return V.IsEmpty(); }
bool VarIsNull(const Variant& V) { return V.IsNull(); }
TVarType VarType(const Variant& V) { return V.VarType(); }

int VarArrayLowBound(const Variant& V, int Dim) {
  if (!V.arr_) NotAnArray();
  if (Dim != 1)
    throw EVariantError(u"Variant array dimension " + IntToStr(Dim) + u" does not exist");
  return V.arr_->lo;
}

int VarArrayHighBound(const Variant& V, int Dim) {
  if (!V.arr_) NotAnArray();
  if (Dim != 1)
    throw EVariantError(u"Variant array dimension " + IntToStr(Dim) + u" does not exist");
  return static_cast<int>(V.arr_->lo + static_cast<int64_t>(V.arr_->items.size()) - 1);
}

Variant& Variant::operator[](int Index) {
  if (!arr_) NotAnArray();
  const int64_t k = static_cast<int64_t>(Index) - arr_->lo;
  if (k < 0 || k >= static_cast<int64_t>(arr_->items.size())) IndexError();
  return arr_->items[static_cast<size_t>(k)];
}

const Variant& Variant::operator[](int Index) const {
  if (!arr_) NotAnArray();
  const int64_t k = static_cast<int64_t>(Index) - arr_->lo;
  if (k < 0 || k >= static_cast<int64_t>(arr_->items.size())) IndexError();
  return arr_->items[static_cast<size_t>(k)];
}

// ---- conversions ----------------------------------------------------------------

void Variant::CastError(const char* Target) const {
  throw EVariantError(u"Could not convert variant of type (" + VarTypeAsText(type_) +
                      u") into type (" + Utf8ToString(Target) + u")");
}

long double Variant::AsNumber(const char* Target) const {
  if (type_ == varEmpty) return 0;
  if (IsSignedIntType(type_)) return static_cast<long double>(num_.i);
  if (IsUnsignedIntType(type_)) return static_cast<long double>(num_.u);
  if (IsFloatType(type_)) return num_.d;
  if (type_ == varBoolean) return num_.b ? 1 : 0;
  if (IsStringType(type_)) {
    long double v;
    if (TryStrToFloat(str_, v, TFormatSettings{})) return v;
  }
  CastError(Target);
}

int64_t Variant::AsInt64() const {
  if (IsSignedIntType(type_)) return num_.i;
  if (type_ == varUInt64 && num_.u > static_cast<uint64_t>(INT64_MAX)) CastError("Int64");
  if (IsUnsignedIntType(type_)) return static_cast<int64_t>(num_.u);
  if (IsStringType(type_)) {
    // Whole numbers are read exactly, beyond what a long double holds.
    String t = str_;
    while (!t.empty() && t.back() == u' ') t.pop_back();
    size_t i = 0;
    while (i < t.size() && t[i] == u' ') ++i;
    bool neg = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) neg = t[i++] == u'-';
    if (i < t.size()) {
      uint64_t mag = 0;
      bool ok = true;
      for (size_t k = i; k < t.size() && ok; ++k) {
        if (t[k] < u'0' || t[k] > u'9' || mag > (UINT64_MAX - 9) / 10)
          ok = false;
        else
          mag = mag * 10 + static_cast<uint64_t>(t[k] - u'0');
      }
      if (ok) {
        if (!neg && mag <= static_cast<uint64_t>(INT64_MAX)) return static_cast<int64_t>(mag);
        if (neg && mag <= static_cast<uint64_t>(INT64_MAX) + 1)
          return static_cast<int64_t>(0 - mag);
        CastError("Int64");
      }
    }
  }
  const long double v = AsNumber("Int64");
  if (!(v >= -9223372036854775808.0L && v < 9223372036854775808.0L)) CastError("Int64");
  return Round(v);
}

int32_t Variant::AsInteger() const {
  const int64_t v = AsInt64();
  if (v < INT32_MIN || v > INT32_MAX) CastError("Integer");
  return static_cast<int32_t>(v);
}

uint64_t Variant::AsUInt64() const {
  if (IsUnsignedIntType(type_)) return num_.u;
  if (IsSignedIntType(type_)) {
    if (num_.i < 0) CastError("UInt64");
    return static_cast<uint64_t>(num_.i);
  }
  const long double v = AsNumber("UInt64");
  if (!(v > -0.5L && v < 18446744073709551616.0L)) CastError("UInt64");
  const long double r = std::nearbyint(v);
  if (r >= 18446744073709551616.0L) CastError("UInt64");
  return static_cast<uint64_t>(r);
}

double Variant::AsDouble() const { return AsFinite<double>("Double"); }

TDateTime Variant::AsDateTime() const { return AsFinite<TDateTime>("Date"); }

template <class Real>
Real Variant::AsFinite(const char* Target) const {
  // Text can name values beyond the target's range ("1e999"); they are a
  // failed conversion, not infinity. Infinity held as a number stays.
  // The limit is the largest value plus half its spacing: from there on the
  // value rounds to infinity.
  constexpr Real kMax = std::numeric_limits<Real>::max();
  const long double limit =
      static_cast<long double>(kMax) +
      (static_cast<long double>(kMax) - static_cast<long double>(std::nextafter(kMax, Real(0)))) /
          2;
  const long double v = AsNumber(Target);
  if (std::isfinite(v) && std::fabs(v) >= limit) CastError(Target);
  return static_cast<Real>(v);
}

bool Variant::AsBoolean() const {
  if (type_ == varBoolean) return num_.b;
  if (IsStringType(type_)) {
    const String t = LowerCase(str_);
    if (t == u"true") return true;
    if (t == u"false") return false;
  }
  return AsNumber("Boolean") != 0;
}

String Variant::AsString() const {
  if (type_ == varEmpty) return String();
  if (IsStringType(type_)) return str_;
  if (IsSignedIntType(type_)) return IntToStr(num_.i);
  if (IsUnsignedIntType(type_)) {
    String s;
    uint64_t u = num_.u;
    do {
      s.insert(s.begin(), static_cast<Char>(u'0' + u % 10));
      u /= 10;
    } while (u != 0);
    return s;
  }
  if (type_ == varBoolean) return num_.b ? u"True" : u"False";
  if (type_ == varSingle) return FloatToStr(static_cast<float>(num_.d), TFormatSettings{});
  if (type_ == varDouble) return FloatToStr(num_.d, TFormatSettings{});
  if (type_ == varDate) {
    const double whole = std::trunc(num_.d);
    TFormatSettings iso;
    iso.DateSeparator = u'-';
    return FormatDateTime(num_.d == whole ? u"yyyy/mm/dd" : u"yyyy/mm/dd hh:nn:ss", num_.d, iso);
  }
  CastError("UnicodeString");
}

Variant VarAsType(const Variant& V, TVarType VarType) {
  if (V.VarType() == VarType) return V;
  if (V.IsArray()) V.CastError(StringToUtf8(VarTypeAsText(VarType)).c_str());
  Variant r;
  if (VarType == varEmpty) return r;
  if (VarType == varNull) return Null();
  if (V.IsNull()) V.CastError("Value");
  if (IsSignedIntType(VarType) || IsUnsignedIntType(VarType)) {
    long double lo, hi;
    IntRange(VarType, lo, hi);
    if (VarType == varUInt64) {
      r.type_ = varUInt64;
      r.num_.u = V.AsUInt64();
      return r;
    }
    const int64_t x = V.AsInt64();
    if (x < lo || x > hi) V.CastError(StringToUtf8(VarTypeAsText(VarType)).c_str());
    if (IsUnsignedIntType(VarType)) {
      r.type_ = VarType;
      r.num_.u = static_cast<uint64_t>(x);
    } else {
      r.SetInt(VarType, x);
    }
    return r;
  }
  if (VarType == varSingle) return Variant(V.AsFinite<float>("Single"));
  if (VarType == varDouble) return Variant(V.AsDouble());
  if (VarType == varDate) return VarFromDateTime(V.AsDateTime());
  if (VarType == varBoolean) return Variant(V.AsBoolean());
  if (IsStringType(VarType)) {
    r = Variant(V.AsString());
    r.type_ = VarType;
    return r;
  }
  throw EVariantError(u"Variant type " + VarTypeAsText(VarType) + u" is not supported");
}

bool Variant::operator==(const Variant& Other) const {
  if (type_ != Other.type_) return false;
  if (arr_ || Other.arr_) {
    if (!arr_ || !Other.arr_) return false;
    return arr_->lo == Other.arr_->lo && arr_->items == Other.arr_->items;
  }
  if (type_ == varEmpty || type_ == varNull) return true;
  if (IsSignedIntType(type_)) return num_.i == Other.num_.i;
  if (IsUnsignedIntType(type_)) return num_.u == Other.num_.u;
  if (IsFloatType(type_)) return num_.d == Other.num_.d;
  if (type_ == varBoolean) return num_.b == Other.num_.b;
  return str_ == Other.str_;
}

}  // namespace zel
