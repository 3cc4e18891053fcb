// Variant: a tagged value of the runtime (empty, null, integers, floating
// point, Boolean, string, date) and one-dimensional arrays of such values.
//
// Type codes (VarType) are the runtime's: varEmpty 0, varNull 1, varSmallint 2,
// varInteger 3, varSingle 4, varDouble 5, varCurrency 6, varDate 7,
// varOleStr 8, varDispatch 9, varError 10, varBoolean 11, varVariant 12,
// varUnknown 13, varShortInt 16, varByte 17, varWord 18, varLongWord 19,
// varInt64 20, varUInt64 21, varString 256, varUString 258; varArray (0x2000)
// is or'ed into the element type of an array.
//
// Construction picks the code from the C++ type: bool gives varBoolean,
// int8_t varShortInt, uint8_t varByte, int16_t varSmallint, uint16_t varWord,
// int32_t varInteger, uint32_t varLongWord, 64-bit integers varInt64 /
// varUInt64, float varSingle, double varDouble, String, std::u16string_view,
// a `const char16_t*` literal or a single Char give varUString. A narrow
// `const char*` or any other pointer is rejected at compile time, so a literal
// never silently turns into a Boolean. Dates come from VarFromDateTime, null
// from Null(), other codes from VarAsType.
//
// Arrays (VarArrayCreate) have any integer bounds lo..hi (hi = lo - 1 is an
// empty array) and copy by value like every Variant. Elements are Variants;
// they start as the zero value of the element type (empty for varVariant),
// and an element written through operator[] takes the value as given, so an
// array of varVariant can hold arrays (nested levels). Indices outside the
// bounds, or operator[] on a value that is not an array, raise EVariantError.
//
// Conversions (AsInteger, AsDouble, AsString, ...) follow the runtime: empty
// reads as 0 / "" / false, null raises EVariantError, numbers convert between
// each other (floating to integer rounds halves to even and raises
// EVariantError when out of range), strings are parsed as numbers with "."
// as decimal point and raise EVariantError when they are not numbers or
// name a finite value beyond the target type's range ("1e999" as Double),
// Booleans read as 1 / 0 and as "True" / "False". Arrays convert to nothing
// but themselves.
//
// Cost: scalars are held inline; copying an array copies every element.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "zel/runtime/types.h"

namespace zel {

// A Variant type code (the var... constants below; varArray or'ed in for an
// array).
using TVarType = uint16_t;

inline constexpr TVarType varEmpty = 0x0000;     // no value
inline constexpr TVarType varNull = 0x0001;      // the null value
inline constexpr TVarType varSmallint = 0x0002;  // 16-bit signed integer
inline constexpr TVarType varInteger = 0x0003;   // 32-bit signed integer
inline constexpr TVarType varSingle = 0x0004;    // 32-bit floating point
inline constexpr TVarType varDouble = 0x0005;    // 64-bit floating point
inline constexpr TVarType varCurrency = 0x0006;  // currency (not supported: VarAsType raises)
inline constexpr TVarType varDate = 0x0007;      // date and time (TDateTime)
inline constexpr TVarType varOleStr = 0x0008;    // text, held as String
inline constexpr TVarType varDispatch = 0x0009;  // interface (not supported: VarAsType raises)
inline constexpr TVarType varError = 0x000A;     // error code (not supported: VarAsType raises)
inline constexpr TVarType varBoolean = 0x000B;   // Boolean
inline constexpr TVarType varVariant = 0x000C;   // a Variant as an array element type
inline constexpr TVarType varUnknown = 0x000D;   // interface (not supported: VarAsType raises)
inline constexpr TVarType varShortInt = 0x0010;  // 8-bit signed integer
inline constexpr TVarType varByte = 0x0011;      // 8-bit unsigned integer
inline constexpr TVarType varWord = 0x0012;      // 16-bit unsigned integer
inline constexpr TVarType varLongWord = 0x0013;  // 32-bit unsigned integer
inline constexpr TVarType varInt64 = 0x0014;     // 64-bit signed integer
inline constexpr TVarType varUInt64 = 0x0015;    // 64-bit unsigned integer
inline constexpr TVarType varString = 0x0100;    // text, held as String
inline constexpr TVarType varUString = 0x0102;   // String
inline constexpr TVarType varTypeMask = 0x0FFF;  // the element type bits of a code
inline constexpr TVarType varArray = 0x2000;     // flag: an array of the element type

namespace internal {
struct VarArrayData;
}

class ZEL_API Variant {
 public:
  Variant() noexcept;                      // empty
  Variant(bool V) noexcept;                // V as varBoolean
  Variant(signed char V) noexcept;         // V as varShortInt
  Variant(unsigned char V) noexcept;       // V as varByte
  Variant(short V) noexcept;               // V as varSmallint
  Variant(unsigned short V) noexcept;      // V as varWord
  Variant(int V) noexcept;                 // V as varInteger
  Variant(unsigned V) noexcept;            // V as varLongWord
  Variant(long V) noexcept;                // V as varInt64
  Variant(unsigned long V) noexcept;       // V as varUInt64
  Variant(long long V) noexcept;           // V as varInt64
  Variant(unsigned long long V) noexcept;  // V as varUInt64
  Variant(float V) noexcept;               // V as varSingle
  Variant(double V) noexcept;              // V as varDouble
  Variant(Char V);                         // the one-character string V (varUString)
  Variant(const String& V);                // the string V (varUString)
  Variant(String&& V) noexcept;            // the string V, moved in (varUString)
  Variant(std::u16string_view V);          // the string V (varUString)
  Variant(const char16_t* V);              // the string V; nullptr gives the empty string
  // V is not text and not a Boolean: use Utf8ToString or a u"" literal.
  Variant(const char* V) = delete;
  // V is ambiguous between a number and a character: say which one is meant.
  Variant(char V) = delete;
  Variant(wchar_t V) = delete;
  Variant(char8_t V) = delete;
  Variant(char32_t V) = delete;
  template <typename T>
  Variant(const T* V) = delete;
  Variant(std::nullptr_t) = delete;

  // A copy of Other (an array with copies of all its elements).
  Variant(const Variant& Other);
  // Takes over the value of Other, which is left empty.
  Variant(Variant&& Other) noexcept;
  // Replaces the value with a copy of Other.
  Variant& operator=(const Variant& Other);
  // Replaces the value with that of Other, which is left empty (Other may be
  // an element of this value's own array).
  Variant& operator=(Variant&& Other) noexcept;
  ~Variant();

  // The type code; arrays give varArray | element type.
  TVarType VarType() const noexcept { return type_; }
  bool IsEmpty() const noexcept { return type_ == varEmpty; }        // True for varEmpty.
  bool IsNull() const noexcept { return type_ == varNull; }          // True for varNull.
  bool IsArray() const noexcept { return (type_ & varArray) != 0; }  // True for an array.

  // Array elements; raise EVariantError outside the bounds or on a value that
  // is not an array.
  Variant& operator[](int Index);
  const Variant& operator[](int Index) const;

  // The value as a 32-bit integer (conversions as described above).
  int32_t AsInteger() const;
  // The value as a 64-bit integer; whole-number text is read exactly.
  int64_t AsInt64() const;
  // The value as an unsigned 64-bit integer; negative values raise.
  uint64_t AsUInt64() const;
  // The value as a double; a finite value beyond its range raises.
  double AsDouble() const;
  // The value as a Boolean: not 0 is true; text may also be "True" or "False"
  // (any case).
  bool AsBoolean() const;
  // The value as text: "" when empty, numbers as IntToStr / FloatToStr write
  // them, "True" / "False", dates as "yyyy-mm-dd" (with " hh:nn:ss" when the
  // time is not midnight).
  String AsString() const;
  // The value as a TDateTime (a number of days).
  TDateTime AsDateTime() const;

  // Same type code and same value (arrays: same bounds, equal elements).
  bool operator==(const Variant& Other) const;

 private:
  friend ZEL_API Variant Null();
  friend ZEL_API Variant VarFromDateTime(TDateTime Value);
  friend ZEL_API Variant VarAsType(const Variant& V, TVarType VarType);
  friend ZEL_API Variant VarArrayCreate(int Lo, int Hi, TVarType VarType);
  friend ZEL_API int VarArrayLowBound(const Variant& V, int Dim);
  friend ZEL_API int VarArrayHighBound(const Variant& V, int Dim);

  void SetInt(TVarType Type, int64_t V) noexcept;
  [[noreturn]] void CastError(const char* Target) const;
  long double AsNumber(const char* Target) const;
  // AsNumber in Real's range (a finite value beyond it raises CastError).
  template <class Real>
  Real AsFinite(const char* Target) const;

  TVarType type_ = varEmpty;
  union {
    int64_t i;   // signed integer kinds
    uint64_t u;  // unsigned integer kinds
    double d;    // floating-point kinds and dates
    bool b;      // varBoolean
  } num_{};
  String str_;
  std::unique_ptr<internal::VarArrayData> arr_;
};

// The null value (varNull).
ZEL_API Variant Null();
// A varDate holding the date and time Value.
ZEL_API Variant VarFromDateTime(TDateTime Value);
// Converts V to the scalar type code VarType (raises EVariantError when the value does
// not convert or the code is not one a Variant can hold).
ZEL_API Variant VarAsType(const Variant& V, TVarType VarType);
// A one-dimensional array Lo..Hi of the element type VarType. Raises EVariantError
// when Hi < Lo - 1 or the element type cannot be stored, EOutOfMemory when
// the elements do not fit into memory.
ZEL_API Variant VarArrayCreate(int Lo, int Hi, TVarType VarType);
// Whether V is an array.
ZEL_API bool VarIsArray(const Variant& V);
// Whether V is empty (varEmpty).
ZEL_API bool VarIsEmpty(const Variant& V);
// Whether V is null (varNull).
ZEL_API bool VarIsNull(const Variant& V);
// The type code of V (varArray or'ed into the element type for an array).
ZEL_API TVarType VarType(const Variant& V);
// Lower bound of dimension Dim (only 1 exists) of the array V; raises
// EVariantError for a V that is not an array or another dimension.
ZEL_API int VarArrayLowBound(const Variant& V, int Dim);
// Upper bound of dimension Dim (only 1 exists) of the array V; raises
// EVariantError for a V that is not an array or another dimension.
ZEL_API int VarArrayHighBound(const Variant& V, int Dim);
// Name of the type code VarType as used in conversion messages ("Integer", "Double",
// "UnicodeString", "Array of Integer"...).
ZEL_API String VarTypeAsText(TVarType VarType);

}  // namespace zel
