// TAssocArray: key matching and entry order against a literal linear-scan
// model under random edits, the typed readers, Assign, and the XML form.
#include "zel/dstruct/assocarray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "zel/base/errors.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

// The dictionary as a plain linear scan, for comparison.
struct Model {
  std::vector<String> keys;
  std::vector<int> values;
  bool ignore_case = true;
  int Find(const String& k) const {
    for (size_t i = 0; i < keys.size(); ++i)
      if (ignore_case ? LowerCase(keys[i]) == LowerCase(k) : keys[i] == k)
        return static_cast<int>(i);
    return -1;
  }
};

TEST(AssocArrayTest, MatchesALinearScanUnderRandomEdits) {
  std::mt19937 gen(3);
  const String names[] = {u"a",  u"A",          u"b",          u"B",      u"ab",
                          u"Ab", u"aB",         u"x1",         u"X1",     u"zz",
                          u"",   u"longer key", u"LONGER KEY", u"\u00c4", u"\u00e4"};
  TAssocArray a(nullptr);
  Model m;
  for (int step = 0; step < 20000; ++step) {
    const String& k = names[gen() % std::size(names)];
    switch (gen() % 8) {
      case 0:
      case 1:
      case 2: {
        const int v = static_cast<int>(gen() % 1000);
        a.Add(k, v);
        const String key = m.ignore_case ? LowerCase(k) : k;
        if (const int p = m.Find(key); p >= 0) {
          m.values[static_cast<size_t>(p)] = v;
        } else {
          m.keys.push_back(key);
          m.values.push_back(v);
        }
        break;
      }
      case 3: {
        const int p = m.Find(k);
        ASSERT_EQ(a.Remove(k), p >= 0);
        if (p >= 0) {
          m.keys[static_cast<size_t>(p)] = m.keys.back();
          m.values[static_cast<size_t>(p)] = m.values.back();
          m.keys.pop_back();
          m.values.pop_back();
        }
        break;
      }
      case 4:
        if (!m.keys.empty() && gen() % 4 == 0) {  // rename: duplicates may appear
          const auto ix = static_cast<int32_t>(gen() % m.keys.size()) + 1;
          a.SetKeys(ix, k);
          m.keys[static_cast<size_t>(ix - 1)] = k;
        }
        break;
      case 5:
        if (gen() % 50 == 0) {
          m.ignore_case = !m.ignore_case;
          a.SetIgnoreCase(m.ignore_case);
        }
        break;
      default: {
        const int p = m.Find(k);
        const Variant v = a.Resolve(k);
        ASSERT_EQ(v.IsNull(), p < 0) << step;
        if (p >= 0) {
          ASSERT_EQ(v.AsInteger(), m.values[static_cast<size_t>(p)]) << step;
        }
      }
    }
    ASSERT_EQ(a.NumEntries(), static_cast<int32_t>(m.keys.size()));
  }
  for (size_t i = 0; i < m.keys.size(); ++i) {
    EXPECT_EQ(a.Keys(static_cast<int32_t>(i + 1)), m.keys[i]);
    EXPECT_EQ(a.Values(static_cast<int32_t>(i + 1)).AsInteger(), m.values[i]);
  }
}

TEST(AssocArrayTest, EntriesCapacityAndPositions) {
  TAssocArray a(nullptr);
  EXPECT_EQ(a.Granularity(), 1024);
  EXPECT_TRUE(a.IgnoreCase());
  EXPECT_EQ(a.Capacity(), 1024);
  a.Add(u"Alpha", 1);
  EXPECT_EQ(a.Resolve(u"ALPHA").AsInteger(), 1);
  EXPECT_EQ(a.Keys(1), u"alpha");
  a.Add(u"ALPHA", 2);
  EXPECT_EQ(a.NumEntries(), 1);
  EXPECT_EQ(a.Values(1).AsInteger(), 2);
  for (int i = 0; i < 1024; ++i) a.Add(u"k" + IntToStr(i), i);
  EXPECT_EQ(a.NumEntries(), 1025);
  EXPECT_EQ(a.Capacity(), 2049);
  for (const int32_t ix : {0, 1026, -1}) {
    SCOPED_TRACE(ix);
    EXPECT_EQ(a.Keys(ix), u"");
    EXPECT_EQ(a.Values(ix).VarType(), varUString);
    EXPECT_EQ(a.Values(ix).AsString(), u"");
    a.SetKeys(ix, u"x");
    a.SetValues(ix, 5);
  }
  a.SetKeys(2, u"Renamed");  // stored as given
  EXPECT_EQ(a.Keys(2), u"Renamed");
  EXPECT_EQ(a.Resolve(u"renamed").AsInteger(), 0);
  EXPECT_TRUE(a.Resolve(u"k0").IsNull());

  TAssocArray b(nullptr);
  b.SetIgnoreCase(false);
  for (const char16_t* k : {u"A", u"B", u"C", u"a"}) b.Add(k, k);
  EXPECT_EQ(b.NumEntries(), 4);
  EXPECT_TRUE(b.Remove(u"A"));
  EXPECT_FALSE(b.Remove(u"A"));
  EXPECT_EQ(b.Keys(1), u"a");  // the last entry moved into the slot
  EXPECT_EQ(b.Keys(2), u"B");
  EXPECT_EQ(b.Keys(3), u"C");
  b.SetIgnoreCase(true);  // keys keep their case and are found either way
  EXPECT_EQ(b.ResolveAsString(u"c"), u"C");

  // Granularity below 1: every Add still has room.
  TAssocArray g(nullptr);
  for (const int32_t gran : {0, -5}) {
    g.SetGranularity(gran);
    g.Clear();
    EXPECT_EQ(g.Capacity(), 0);
    for (int i = 0; i < 10; ++i) g.Add(IntToStr(i), i);
    EXPECT_EQ(g.NumEntries(), 10);
    EXPECT_EQ(g.Capacity(), 10);
    EXPECT_EQ(g.Resolve(u"9").AsInteger(), 9);
  }
}

TEST(AssocArrayTest, TypedReaders) {
  TAssocArray a(nullptr);
  const struct {
    Variant value;
    double number;
    int32_t integer;
    const char16_t* text;
  } cases[] = {
      {Variant(u"12"), 12, 12, u"12"},
      {Variant(u"1,5"), 1.5, 1, u"1,5"},
      {Variant(u"3.5"), 3.5, 3, u"3.5"},
      {Variant(u"5."), 5, 5, u"5."},
      {Variant(u"-2e3"), -2000, -2, u"-2e3"},
      {Variant(u"1.5e3"), 1500, 1, u"1.5e3"},
      {Variant(u"  7 kg"), 7, 7, u"  7 kg"},
      {Variant(u"abc"), 0, 0, u"abc"},
      {Variant(u"1.2.3"), 0, 1, u"1.2.3"},
      {Variant(u"1e5000"), 1.7e308, 1, u"1e5000"},
      {Variant(u"-1e5000"), -1.7e308, -1, u"-1e5000"},
      {Variant(u"1e-5000"), 0, 1, u"1e-5000"},
      {Variant(u".5"), 0.5, 0, u".5"},
      {Variant(u"1E+"), 1, 1, u"1E+"},
      {Variant(u"-42 apples"), -42, -42, u"-42 apples"},
      {Variant(u"4294967297"), 4294967297.0, 1, u"4294967297"},  // integers wrap
      {Variant(2.5), 2.5, 2, u"2.5"},
      {Variant(3.5), 3.5, 4, u"3.5"},
      {Variant(true), 0, 0, u"True"},
      {Variant(int16_t{-7}), -7, -7, u"-7"},
      {Variant(uint64_t{5}), 0, 0, u"5"},
      {Null(), 0, 0, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    a.Add(u"k", c.value);
    EXPECT_EQ(a.ResolveAsNumber(u"k"), c.number);
    EXPECT_EQ(a.ResolveAsInt(u"k"), c.integer);
    EXPECT_EQ(a.ResolveAsString(u"k"), c.text);
  }
  EXPECT_EQ(a.ResolveAsNumber(u"missing"), 0);
  EXPECT_EQ(a.ResolveAsInt(u"missing"), 0);
  EXPECT_EQ(a.ResolveAsString(u"missing"), u"");
  a.Add(u"big", int64_t{1} << 40);
  EXPECT_THROW(a.ResolveAsInt(u"big"), EVariantError);
}

TEST(AssocArrayTest, AssignCopiesEverything) {
  TAssocArray a(nullptr), b(nullptr);
  a.SetGranularity(10);
  a.SetIgnoreCase(false);
  a.SetDataID(u"set");
  a.Add(u"X", 1);
  a.Add(u"y", u"text");
  b.Assign(&a);
  EXPECT_EQ(b.NumEntries(), 2);
  EXPECT_EQ(b.Capacity(), 2);
  EXPECT_EQ(b.Granularity(), 10);
  EXPECT_FALSE(b.IgnoreCase());
  EXPECT_EQ(b.DataID(), u"set");
  EXPECT_EQ(b.ResolveAsString(u"y"), u"text");
  EXPECT_TRUE(b.Resolve(u"x").IsNull());
  b.Add(u"z", 3);
  EXPECT_EQ(b.Capacity(), 13);
  TAssocArray c(nullptr);
  a.AssignTo(&c);
  EXPECT_EQ(c.NumEntries(), 2);
  TPersistent other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
}

String XmlOf(const TAssocArray& a, bool header, const String& id) {
  TMemoryStream s;
  a.WriteToXMLStream(s, header, id);
  return String(s.Memory(), s.Memory() + s.Size());
}

bool ReadXml(TAssocArray& a, const String& text, const String& id) {
  TMemoryStream s;
  const std::string bytes(text.begin(), text.end());
  s.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  return a.ReadFromXMLStream(s, id);
}

TEST(AssocArrayTest, XmlRoundTripKeepsKeysValuesAndTypes) {
  TAssocArray a(nullptr);
  a.SetIgnoreCase(false);
  Variant arr = VarArrayCreate(-1, 1, varVariant);
  arr[-1] = 7;
  arr[0] = u"x<y>&\"z\"";
  Variant inner = VarArrayCreate(0, 1, varDouble);
  inner[0] = 0.1;
  inner[1] = -1e300;
  arr[1] = inner;
  const std::vector<std::pair<String, Variant>> entries = {
      {u"int", 42},
      {u"neg64", int64_t{-1} << 62},
      {u"u64", ~uint64_t{0}},
      {u"byte", uint8_t{200}},
      {u"single", 0.1f},
      {u"double", 0.1},
      {u"nan", std::nan("")},
      {u"bool", true},
      {u"null", Null()},
      {u"empty", Variant()},
      {u"date", VarFromDateTime(45000.25)},
      {u"text", String(u"line1\r\nline2\ttab \u00e9\u4e2d\U0001F600 &amp;")},
      {String(u"K\u00e9y \"quoted\""), u""},
      {u"lone", String(1, char16_t{0xD800})},
      {u"array", arr},
      {u"K", 1},
      {u"k", 2},
  };
  for (const auto& [k, v] : entries) a.Add(k, v);
  a.SetKeys(16, u"k");  // a duplicate key survives by position
  const String xml = XmlOf(a, true, u"Set \"1\"");
  for (Char c : xml) ASSERT_LT(c, 0x80);  // pure ASCII
  EXPECT_EQ(xml.substr(0, 23), u"<?xml version=\"1.0\"?>\r\n");
  TAssocArray b(nullptr);
  b.Add(u"old", 1);
  ASSERT_TRUE(ReadXml(b, xml, u"set \"1\""));
  EXPECT_EQ(b.DataID(), u"Set \"1\"");
  ASSERT_EQ(b.NumEntries(), a.NumEntries());
  for (int32_t i = 1; i <= a.NumEntries(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(b.Keys(i), a.Keys(i));
    const Variant va = a.Values(i), vb = b.Values(i);
    EXPECT_EQ(vb.VarType(), va.VarType());
    if (va.VarType() == varDouble && std::isnan(va.AsDouble())) {
      EXPECT_TRUE(std::isnan(vb.AsDouble()));
    } else {
      EXPECT_TRUE(vb == va);
    }
  }
  EXPECT_EQ(XmlOf(b, true, u"Set \"1\""), xml);
}

// Same type, bounds and value, reals by their bits.
bool SameBits(const Variant& a, const Variant& b) {
  if (a.VarType() != b.VarType()) return false;
  if (a.IsArray()) {
    const int lo = VarArrayLowBound(a, 1), hi = VarArrayHighBound(a, 1);
    if (VarArrayLowBound(b, 1) != lo || VarArrayHighBound(b, 1) != hi) return false;
    for (int64_t i = lo; i <= hi; ++i)
      if (!SameBits(a[static_cast<int>(i)], b[static_cast<int>(i)])) return false;
    return true;
  }
  const TVarType t = a.VarType();
  if (t == varSingle || t == varDouble || t == varDate) {
    const double x = a.AsDouble(), y = b.AsDouble();
    return std::memcmp(&x, &y, sizeof x) == 0;
  }
  return a == b;
}

double DoubleOfBits(uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

float SingleOfBits(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// Nested varVariant arrays, Levels deep, with 1 at the bottom.
Variant Nested(int Levels) {
  Variant v = 1;
  for (int i = 0; i < Levels; ++i) {
    Variant outer = VarArrayCreate(0, 0, varVariant);
    outer[0] = std::move(v);
    v = std::move(outer);
  }
  return v;
}

// Every value the Variant API stores reads back with the same type, bounds
// and bits: elements of another type than their array's, bounds at the ends
// of the Integer range, NaNs with their sign and payload.
TEST(AssocArrayTest, XmlRoundTripOfWhatTheApiStores) {
  Variant mixed = VarArrayCreate(0, 3, varInteger);
  mixed[0] = u"text";
  mixed[1] = 2.5;
  mixed[2] = Null();
  mixed[3] = Nested(2);
  Variant top = VarArrayCreate(INT32_MAX - 1, INT32_MAX, varInteger);
  top[INT32_MAX] = 7;
  Variant bottom = VarArrayCreate(INT32_MIN, INT32_MIN + 1, varDouble);
  bottom[INT32_MIN] = DoubleOfBits(0xFFF0000000000001u);
  const std::vector<std::pair<String, Variant>> entries = {
      {u"mixed", mixed},
      {u"top", top},
      {u"empty at top", VarArrayCreate(INT32_MAX, INT32_MAX - 1, varSingle)},
      {u"bottom", bottom},
      {u"signalling", DoubleOfBits(0x7FF0000000000001u)},
      {u"payload", DoubleOfBits(0xFFF8000000012345u)},
      {u"quiet", DoubleOfBits(0x7FF8000000000000u)},
      {u"negative quiet", DoubleOfBits(0xFFF8000000000000u)},
      {u"single payload", SingleOfBits(0x7FC01234u)},
      {u"single negative", SingleOfBits(0xFFC00000u)},
      {u"date payload", VarFromDateTime(DoubleOfBits(0x7FF4000000000000u))},
      {u"infinity", -HUGE_VAL},
      {u"32 deep", Nested(32)},
  };
  TAssocArray a(nullptr);
  for (const auto& [k, v] : entries) a.Add(k, v);
  const String xml = XmlOf(a, false, u"d");
  TAssocArray b(nullptr);
  ASSERT_TRUE(ReadXml(b, xml, u"d"));
  ASSERT_EQ(b.NumEntries(), a.NumEntries());
  for (int32_t i = 1; i <= a.NumEntries(); ++i) {
    SCOPED_TRACE(StringToUtf8(a.Keys(i)));
    EXPECT_EQ(b.Keys(i), a.Keys(i));
    EXPECT_TRUE(SameBits(b.Values(i), a.Values(i)));
  }
  EXPECT_EQ(XmlOf(b, false, u"d"), xml);
}

// What the XML form cannot hold (arrays nested deeper than it reads) is
// refused before a single byte is written.
TEST(AssocArrayTest, XmlWriterRefusesWhatItCannotReadBack) {
  TAssocArray a(nullptr);
  a.SetName(u"Dict");
  a.Add(u"fine", 1);
  a.Add(u"deep", Nested(33));
  TMemoryStream s;
  try {
    a.WriteToXMLStream(s, true, u"d");
    ADD_FAILURE() << "no exception";
  } catch (const EZELDStructError& e) {
    EXPECT_EQ(e.Message(),
              u"Component \"Dict\": entry 2 (\"deep\") holds arrays nested more than 32 deep");
  }
  EXPECT_EQ(s.Size(), 0);
}

// Bounds the Integer range cannot hold are damage, not a request for memory.
TEST(AssocArrayTest, XmlReaderRefusesBoundsOutsideTheIntegerRange) {
  for (const char16_t* bounds : {u"lo=\"-2147483648\" hi=\"-2147483649\"",
                                 u"lo=\"2147483647\" hi=\"2147483648\"",
                                 u"lo=\"-2147483649\" hi=\"-2147483649\""}) {
    SCOPED_TRACE(StringToUtf8(bounds));
    const String xml = String(u"<assocarray sig=\"Zelorbita\" id=\"d\" entries=\"1\">\r\n"
                              u"  <entry key=\"a\" type=\"8195\" ") +
                       bounds + u" />\r\n</assocarray>\r\n";
    TAssocArray b(nullptr);
    EXPECT_FALSE(ReadXml(b, xml, u"d"));
    EXPECT_EQ(b.NumEntries(), 0);
  }
}

TEST(AssocArrayTest, XmlBlocksByIdAndDamage) {
  TAssocArray a(nullptr);
  a.Add(u"one", 1);
  a.Add(u"two", u"2");
  const String first = XmlOf(a, false, u"first");
  a.Add(u"three", 3.0);
  const String both = u"<root>\r\n" + first + XmlOf(a, false, u"Second") + u"</root>\r\n";
  TAssocArray b(nullptr);
  ASSERT_TRUE(ReadXml(b, both, u"SECOND"));
  EXPECT_EQ(b.NumEntries(), 3);
  ASSERT_TRUE(ReadXml(b, both, u""));
  EXPECT_EQ(b.NumEntries(), 2);
  EXPECT_EQ(b.DataID(), u"first");
  EXPECT_FALSE(ReadXml(b, both, u"third"));

  const String good = XmlOf(a, false, u"d");
  const struct {
    String from, to;
  } damage[] = {
      {u"</assocarray>", u""},                   // truncated
      {u"entries=\"3\"", u"entries=\"4\""},      // count differs
      {u"type=\"3\"", u"type=\"999\""},          // unknown type
      {u">1</entry>", u">x1</entry>"},           // bad integer
      {u"type=\"5\">3", u"type=\"17\">300"},     // out of the byte range
      {u">2</entry>", u">&bogus;</entry>"},      // bad reference
      {u"sig=\"Zelorbita\"", u"sig=\"other\""},  // not our block
  };
  for (const auto& d : damage) {
    SCOPED_TRACE(StringToUtf8(d.to));
    String bad = good;
    const size_t at = bad.find(d.from);
    ASSERT_NE(at, String::npos);
    bad.replace(at, d.from.size(), d.to);
    TAssocArray c(nullptr);
    c.Add(u"keep", 1);
    EXPECT_FALSE(ReadXml(c, bad, u"d"));
    EXPECT_EQ(c.NumEntries(), 1);
    EXPECT_EQ(c.Keys(1), u"keep");
  }
}

TEST(AssocArrayTest, AddXMLAttributes) {
  TAssocArray a(nullptr);
  EXPECT_EQ(a.AddXMLAttributes(u"id=\"7\" Name=\"a b\" plain=x  amp=\"&lt;&amp;&gt;&bad;\""), 4);
  EXPECT_EQ(a.ResolveAsString(u"id"), u"7");
  EXPECT_EQ(a.Resolve(u"id").VarType(), varUString);
  EXPECT_EQ(a.ResolveAsString(u"name"), u"a b");
  EXPECT_EQ(a.ResolveAsString(u"plain"), u"x");
  EXPECT_EQ(a.ResolveAsString(u"amp"), u"<&>&bad;");
  EXPECT_EQ(a.AddXMLAttributes(u"id=\"8\" b==1 c=2"), 1);  // stops at the fault
  EXPECT_EQ(a.ResolveAsInt(u"id"), 8);
  EXPECT_TRUE(a.Resolve(u"c").IsNull());
  EXPECT_EQ(a.AddXMLAttributes(u""), 0);
  EXPECT_EQ(a.AddXMLAttributes(u"flag"), 1);
  EXPECT_EQ(a.ResolveAsString(u"flag"), u"");
}

}  // namespace
}  // namespace zel
