#include "zel/runtime/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <type_traits>
#include <utility>

#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"

namespace zel {
namespace {

TEST(Variant, TypeCodesOfTheRuntime) {
  static_assert(varEmpty == 0 && varNull == 1 && varSmallint == 2 && varInteger == 3);
  static_assert(varSingle == 4 && varDouble == 5 && varCurrency == 6 && varDate == 7);
  static_assert(varOleStr == 8 && varDispatch == 9 && varError == 10 && varBoolean == 11);
  static_assert(varVariant == 12 && varUnknown == 13 && varShortInt == 16 && varByte == 17);
  static_assert(varWord == 18 && varLongWord == 19 && varInt64 == 20 && varUInt64 == 21);
  static_assert(varString == 256 && varUString == 258 && varArray == 0x2000);
}

TEST(Variant, ConstructionPicksTheTypeCode) {
  const struct {
    const char* name;
    Variant v;
    TVarType type;
  } cases[] = {
      {"empty", Variant(), varEmpty},
      {"null", Null(), varNull},
      {"bool", Variant(true), varBoolean},
      {"int8", Variant(static_cast<int8_t>(-1)), varShortInt},
      {"uint8", Variant(static_cast<uint8_t>(1)), varByte},
      {"int16", Variant(static_cast<int16_t>(1)), varSmallint},
      {"uint16", Variant(static_cast<uint16_t>(1)), varWord},
      {"int", Variant(1), varInteger},
      {"unsigned", Variant(1u), varLongWord},
      {"int64", Variant(static_cast<int64_t>(1)), varInt64},
      {"long long", Variant(1LL), varInt64},
      {"uint64", Variant(static_cast<uint64_t>(1)), varUInt64},
      {"float", Variant(1.5f), varSingle},
      {"double", Variant(1.5), varDouble},
      {"literal", Variant(u"abc"), varUString},
      {"String", Variant(String(u"abc")), varUString},
      {"char", Variant(u'x'), varUString},
      {"date", VarFromDateTime(36526.5), varDate},
      {"ole", VarAsType(Variant(u"x"), varOleStr), varOleStr},
      {"ansi", VarAsType(Variant(u"x"), varString), varString},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.v.VarType(), c.type);
    EXPECT_EQ(VarType(c.v), c.type);
  }
}

TEST(Variant, LiteralsNeverBecomeBooleans) {
  static_assert(!std::is_constructible_v<Variant, const char*>);
  static_assert(!std::is_constructible_v<Variant, int*>);
  static_assert(!std::is_constructible_v<Variant, std::nullptr_t>);
  static_assert(!std::is_constructible_v<Variant, char>);
  const Variant v = u"true";
  EXPECT_EQ(v.VarType(), varUString);
  EXPECT_EQ(v.AsString(), u"true");
  const char16_t* none = nullptr;
  EXPECT_EQ(Variant(none).AsString(), u"");
}

TEST(Variant, Conversions) {
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant().AsString(), u"");
  EXPECT_FALSE(Variant().AsBoolean());
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // halves to even
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(u" 42 ").AsInteger(), 42);
  EXPECT_EQ(Variant(u"9223372036854775807").AsInt64(), INT64_MAX);
  EXPECT_EQ(Variant(u"-9223372036854775808").AsInt64(), INT64_MIN);
  EXPECT_EQ(Variant(u"1.5").AsDouble(), 1.5);
  EXPECT_EQ(Variant(u"2.5e1").AsInteger(), 25);
  EXPECT_EQ(Variant(true).AsInteger(), 1);
  EXPECT_EQ(Variant(true).AsString(), u"True");
  EXPECT_EQ(Variant(false).AsString(), u"False");
  EXPECT_TRUE(Variant(u"TRUE").AsBoolean());
  EXPECT_FALSE(Variant(u"false").AsBoolean());
  EXPECT_TRUE(Variant(u"2").AsBoolean());
  EXPECT_EQ(Variant(-7).AsString(), u"-7");
  EXPECT_EQ(Variant(UINT64_MAX).AsString(), u"18446744073709551615");
  EXPECT_EQ(Variant(UINT64_MAX).AsUInt64(), UINT64_MAX);
  EXPECT_EQ(Variant(0.1).AsString(), u"0.1");
  EXPECT_EQ(Variant(1.5f).AsDouble(), 1.5);
  EXPECT_EQ(VarFromDateTime(EncodeDate(2026, 12, 8)).AsString(), u"2026-12-08");
  EXPECT_EQ(VarFromDateTime(EncodeDate(2026, 12, 8) + 0.5).AsString(), u"2026-12-08 12:00:00");
  EXPECT_EQ(Variant(7).AsDateTime(), 7.0);
}

TEST(Variant, FailedConversionsRaise) {
  try {
    Variant(u"abc").AsInteger();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), u"Could not convert variant of type (UnicodeString) into type (Int64)");
  }
  try {
    Null().AsDouble();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), u"Could not convert variant of type (Null) into type (Double)");
  }
  EXPECT_THROW(Null().AsString(), EVariantError);
  EXPECT_THROW(Variant(3e10).AsInteger(), EVariantError);
  EXPECT_THROW(Variant(1e300).AsInt64(), EVariantError);
  EXPECT_THROW(Variant(std::nan("")).AsInt64(), EVariantError);
  EXPECT_THROW(Variant(u"9223372036854775808").AsInt64(), EVariantError);
  EXPECT_THROW(Variant(UINT64_MAX).AsInt64(), EVariantError);
  EXPECT_THROW(Variant(-1).AsUInt64(), EVariantError);
  EXPECT_THROW(VarAsType(Variant(300), varByte), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1), varDispatch), EVariantError);
  EXPECT_THROW(VarArrayCreate(0, 1, varInteger).AsString(), EVariantError);
}

// Text naming a value beyond the target's range is a failed conversion, not
// infinity; values at the edge of the range still convert.
TEST(Variant, TextBeyondTheRangeOfTheTargetRaises) {
  try {
    Variant(u"1e999").AsDouble();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), u"Could not convert variant of type (UnicodeString) into type (Double)");
  }
  EXPECT_THROW(Variant(u"-1e309").AsDouble(), EVariantError);
  EXPECT_THROW(Variant(u"1e999").AsDateTime(), EVariantError);
  EXPECT_THROW(VarAsType(Variant(u"1e999"), varDouble), EVariantError);
  EXPECT_THROW(VarAsType(Variant(u"1e39"), varSingle), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1e300), varSingle), EVariantError);
  EXPECT_EQ(Variant(u"1.7976931348623157e308").AsDouble(), 1.7976931348623157e308);
  EXPECT_EQ(Variant(u"1e-999").AsDouble(), 0.0);
  EXPECT_EQ(VarAsType(Variant(u"3e38"), varSingle), Variant(3e38f));
  EXPECT_TRUE(std::isinf(Variant(HUGE_VAL).AsDouble()));
}

TEST(Variant, VarAsTypeRanges) {
  EXPECT_EQ(VarAsType(Variant(255), varByte).AsInteger(), 255);
  EXPECT_EQ(VarAsType(Variant(-128), varShortInt).AsInteger(), -128);
  EXPECT_THROW(VarAsType(Variant(-129), varShortInt), EVariantError);
  EXPECT_EQ(VarAsType(Variant(u"12"), varSmallint).VarType(), varSmallint);
  EXPECT_EQ(VarAsType(Variant(1), varBoolean), Variant(true));
  EXPECT_EQ(VarAsType(Variant(1.25), varSingle), Variant(1.25f));
  EXPECT_EQ(VarAsType(Variant(5), varEmpty).VarType(), varEmpty);
  EXPECT_EQ(VarAsType(Variant(5), varNull).VarType(), varNull);
}

TEST(Variant, ArraysHaveBoundsAndElements) {
  Variant a = VarArrayCreate(-2, 3, varInteger);
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(a.VarType(), varArray | varInteger);
  EXPECT_EQ(VarArrayLowBound(a, 1), -2);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  for (int i = -2; i <= 3; ++i) {
    EXPECT_EQ(a[i].VarType(), varInteger);
    EXPECT_EQ(a[i].AsInteger(), 0);
    a[i] = i * 10;
  }
  EXPECT_EQ(a[3].AsInteger(), 30);
  const Variant& ca = a;
  EXPECT_EQ(ca[-2].AsInteger(), -20);
  EXPECT_EQ(VarArrayCreate(0, 1, varUString)[0], Variant(u""));
  EXPECT_EQ(VarArrayCreate(0, 1, varOleStr)[1].AsString(), u"");
  EXPECT_EQ(VarArrayCreate(0, 1, varDouble)[1], Variant(0.0));
  EXPECT_EQ(VarArrayCreate(0, 1, varDate)[1].VarType(), varDate);
  EXPECT_EQ(VarArrayCreate(0, 1, varVariant)[1].VarType(), varEmpty);
  EXPECT_EQ(VarArrayCreate(0, 1, varBoolean)[1], Variant(false));
}

TEST(Variant, ArrayIndexOutsideBoundsRaises) {
  Variant a = VarArrayCreate(1, 3, varDouble);
  const int bad[] = {0, 4, -1, INT32_MIN, INT32_MAX};
  for (const int i : bad) {
    SCOPED_TRACE(i);
    try {
      a[i] = 1.0;
      FAIL();
    } catch (const EVariantError& e) {
      EXPECT_EQ(e.Message(), u"Variant or safe array index out of bounds");
    }
  }
  Variant scalar = 5;
  EXPECT_THROW(scalar[0], EVariantError);
  EXPECT_THROW(VarArrayLowBound(scalar, 1), EVariantError);
  EXPECT_THROW(VarArrayHighBound(a, 2), EVariantError);
  EXPECT_THROW(VarArrayLowBound(a, 0), EVariantError);
}

TEST(Variant, EmptyAndInvalidArrays) {
  Variant e = VarArrayCreate(0, -1, varInteger);
  EXPECT_TRUE(VarIsArray(e));
  EXPECT_EQ(VarArrayHighBound(e, 1), -1);
  EXPECT_THROW(e[0], EVariantError);
  EXPECT_THROW(VarArrayCreate(0, -2, varInteger), EVariantError);
  EXPECT_THROW(VarArrayCreate(0, 1, varNull), EVariantError);
  EXPECT_THROW(VarArrayCreate(0, 1, varEmpty), EVariantError);
  EXPECT_THROW(VarArrayCreate(0, 1, varArray | varInteger), EVariantError);
  Variant wide = VarArrayCreate(INT32_MAX - 1, INT32_MAX, varByte);
  EXPECT_EQ(VarArrayHighBound(wide, 1), INT32_MAX);
  wide[INT32_MAX] = static_cast<uint8_t>(7);
  EXPECT_EQ(wide[INT32_MAX].AsInteger(), 7);
}

TEST(Variant, NestedArraysAndValueSemantics) {
  Variant outer = VarArrayCreate(0, 1, varVariant);
  outer[0] = VarArrayCreate(1, 2, varInteger);
  outer[0][2] = 5;
  EXPECT_EQ(outer.VarType(), varArray | varVariant);
  EXPECT_EQ(outer[0].VarType(), varArray | varInteger);
  EXPECT_EQ(outer[0][2].AsInteger(), 5);
  Variant copy = outer;  // deep copy
  copy[0][2] = 9;
  EXPECT_EQ(outer[0][2].AsInteger(), 5);
  EXPECT_FALSE(copy == outer);
  copy[0][2] = 5;
  EXPECT_TRUE(copy == outer);
  // Assigning an element of itself to the array keeps the element alive.
  outer = outer[0];
  EXPECT_EQ(VarArrayLowBound(outer, 1), 1);
  EXPECT_EQ(outer[2].AsInteger(), 5);
  Variant moved = std::move(outer);
  EXPECT_EQ(moved[2].AsInteger(), 5);
  moved = std::move(moved[1]);
  EXPECT_EQ(moved.VarType(), varInteger);
}

TEST(Variant, TypeNames) {
  EXPECT_EQ(VarTypeAsText(varInteger), u"Integer");
  EXPECT_EQ(VarTypeAsText(varArray | varVariant), u"Array of Variant");
  EXPECT_EQ(VarTypeAsText(0x0FFF), u"$0FFF");
}

}  // namespace
}  // namespace zel
