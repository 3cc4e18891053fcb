#include "zel/dstruct/featmatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "zel/base/errors.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

// Expects Body to raise EZELDStructError with exactly Message.
void ExpectError(const std::function<void()>& Body, const String& Message) {
  try {
    Body();
    ADD_FAILURE() << "no error for " << StringToUtf8(Message);
  } catch (const EZELDStructError& e) {
    EXPECT_EQ(e.Message(), Message);
  }
}

struct Fixture : ::testing::Test {
  TFeatureMatrix m{nullptr};
  int changes = 0;
  void SetUp() override {
    m.SetName(u"fm");
    m.Resize(5, 3);
    m.SetFeatType(1, 1, fkInteger);
    m.SetFeatType(2, 2, fkDouble);
    m.SetFeatType(3, 3, fkString);
    m.SetFeatType(4, 4, fkTriState);
    m.SetOnChange([this](TObject* Sender) {
      EXPECT_EQ(Sender, &m);
      ++changes;
    });
  }
};

using FeatureMatrix = Fixture;

TEST(FeatureMatrixBasics, NewAndUndefined) {
  TFeatureMatrix m(nullptr);
  m.SetName(u"x");
  EXPECT_EQ(m.NFeatures(), 0);
  EXPECT_EQ(m.NObjects(), 0);
  m.SetNFeatures(2);
  EXPECT_EQ(m.FeatProps(2).FeatName(), u"undefined");
  EXPECT_EQ(m.FeatProps(2).FeatKind(), fkUndefined);
  EXPECT_EQ(m.FeatVal(1, 1), u"");  // no objects yet: out of range
  m.SetNObjects(1);
  ExpectError([&] { (void)m.FeatVal(1, 1); }, u"Component \"x\": feature 1 is undefined");
  m.SetNObjects(-4);  // ignored
  EXPECT_EQ(m.NObjects(), 1);
  EXPECT_FALSE(m.Resize(-1, 2));
}

TEST_F(FeatureMatrix, SetFeatValStrChecksByKind) {
  struct Case {
    int fix;
    const char16_t* text;
    const char16_t* error;  // nullptr: accepted
  } cases[] = {
      {1, u"", nullptr},
      {1, u"7", nullptr},
      {1, u"-12", nullptr},
      {1, u"+3", nullptr},
      {1, u"-", u"feature value \"-\" is not a valid integer number"},
      {1, u"1 ", u"feature value \"1 \" is not a valid integer number"},
      {1, u"1.5", u"feature value \"1.5\" is not a valid integer number"},
      {2, u"", nullptr},
      {2, u"1.5", nullptr},
      {2, u"  -2.5e3", nullptr},
      {2, u"1.5abc", nullptr},
      {2, u".5", nullptr},
      {2, u"1E4200", nullptr},
      {2, u"1E4201", u"feature value \"1E4201\" is not a valid floating point number"},
      {2, u"1.5.3", u"feature value \"1.5.3\" is not a valid floating point number"},
      {2, u"abc", u"feature value \"abc\" is not a valid floating point number"},
      {2, u"1E+x", nullptr},
      {2, u"1e 5", u"feature value \"1e 5\" is not a valid floating point number"},
      {2, u"\t1", u"feature value \"\t1\" is not a valid floating point number"},
      {3, u"anything at all", nullptr},
      {4, u"TRUE", nullptr},
      {4, u"", nullptr},
      {4, u"yes", u"feature value \"yes\" is not a valid tri-state value"},
      {5, u"x", u"feature 5 is undefined"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    if (c.fix != 5) m.SetFeatValStr(c.fix, 2, u"");
    const int before = changes;
    if (c.error == nullptr) {
      m.SetFeatValStr(c.fix, 2, c.text);
      EXPECT_EQ(m.FeatVal(c.fix, 2), c.text);
      EXPECT_EQ(changes, before + 1);
    } else {
      ExpectError([&] { m.SetFeatValStr(c.fix, 2, c.text); },
                  String(u"Component \"fm\": ") + c.error);
      EXPECT_EQ(changes, before);
    }
  }
}

TEST_F(FeatureMatrix, TypedAccessors) {
  m.SetFeatValStr(4, 1, u"TRUE");
  EXPECT_EQ(m.FeatVal(4, 1), u"TRUE");
  EXPECT_EQ(m.FeatValAsTriState(4, 1), tsTrue);
  m.SetFeatValint(2, 1, 42);
  EXPECT_EQ(m.FeatValAsDouble(2, 1), 42.0);
  ExpectError([&] { m.SetFeatValDouble(1, 1, 1.5); },
              u"Component \"fm\": feature is not a floating point or string type");
  ExpectError([&] { m.SetFeatValint(4, 1, 1); },
              u"Component \"fm\": feature is not of numeric or string type");
  ExpectError([&] { m.SetFeatValTriState(1, 1, tsTrue); },
              u"Component \"fm\": feature is not a tri-state or string type");
  m.SetFeatValStr(3, 1, u"-42");
  EXPECT_EQ(m.FeatValAsInt(3, 1), -42);
  ExpectError([&] { (void)m.FeatValAsInt(1, 2); }, u"Component \"fm\": feature is not an integer");
  ExpectError([&] { (void)m.FeatValAsDouble(3, 2); },
              u"Component \"fm\": feature is not a floating point number");
  m.SetFeatValStr(3, 2, u"maybe");
  ExpectError([&] { (void)m.FeatValAsTriState(3, 2); },
              u"Component \"fm\": feature is not a tri-state value");
  // Integers use the whole 64-bit range; beyond it the conversion error.
  m.SetFeatValint(1, 3, INT64_MIN);
  EXPECT_EQ(m.FeatValAsInt(1, 3), INT64_MIN);
  m.SetFeatValStr(1, 3, u"9223372036854775808");
  EXPECT_THROW((void)m.FeatValAsInt(1, 3), EConvertError);
  // Doubles: what FloatToStr writes reads back. A floating-point feature
  // refuses the values that are not finite; a text feature stores their text.
  m.SetFeatValDouble(2, 3, 1.0 / 3.0);
  EXPECT_EQ(m.FeatVal(2, 3), u"0.333333333333333");
  EXPECT_EQ(m.FeatValAsDouble(2, 3), 0.333333333333333);
  struct NonFinite {
    double value;
    const char16_t* text;
  } non_finite[] = {{NAN, u"NAN"}, {INFINITY, u"INF"}, {-INFINITY, u"-INF"}};
  for (const auto& c : non_finite) {
    SCOPED_TRACE(StringToUtf8(c.text));
    ExpectError([&] { m.SetFeatValDouble(2, 3, c.value); },
                String(u"Component \"fm\": feature value \"") + c.text +
                    u"\" is not a valid floating point number");
    EXPECT_EQ(m.FeatVal(2, 3), u"0.333333333333333");
    const int before = changes;
    m.SetFeatValDouble(3, 3, c.value);
    EXPECT_EQ(m.FeatVal(3, 3), c.text);
    EXPECT_EQ(changes, before + 1);
  }
  m.SetFeatValStr(2, 3, u"1.5abc");
  EXPECT_THROW((void)m.FeatValAsDouble(2, 3), EConvertError);
  m.SetFeatValStr(2, 3, u"1e400");
  EXPECT_THROW((void)m.FeatValAsDouble(2, 3), EConvertError);
  m.SetFeatValStr(2, 3, u"0.1");
  EXPECT_EQ(m.FeatValAsDouble(2, 3), 0.1);
  // Out of range: neutral values, no raise, no event.
  const int before = changes;
  EXPECT_EQ(m.FeatValAsInt(9, 1), 0);
  EXPECT_EQ(m.FeatValAsDouble(1, 0), 0.0);
  EXPECT_EQ(m.FeatValAsTriState(0, 1), tsUndefined);
  m.SetFeatValStr(1, 4, u"x");
  EXPECT_EQ(changes, before);
}

TEST_F(FeatureMatrix, FillAndDefaults) {
  ExpectError([&] { m.Fill(1, String()); },
              u"Component \"fm\": feature value \"\" is not a valid integer number");
  ExpectError([&] { m.Fill(2, int64_t{3}); },
              u"Component \"fm\": feature 2 is not an integer number");
  ExpectError([&] { m.Fill(1, 2.5); }, u"Component \"fm\": feature 1 is not floating point number");
  ExpectError([&] { m.Fill(1, tsTrue); }, u"Component \"fm\": feature 1 is not a tri-state value");
  EXPECT_FALSE(m.Fill(9, String(u"1")));
  EXPECT_TRUE(m.Fill(1, 7));
  EXPECT_TRUE(m.Fill(2, 2.5));
  EXPECT_TRUE(m.Fill(4, tsFalse));
  EXPECT_TRUE(m.Fill(3, String(u"s")));
  for (int o = 1; o <= 3; ++o) {
    EXPECT_EQ(m.FeatVal(1, o), u"7");
    EXPECT_EQ(m.FeatVal(2, o), u"2.5");
    EXPECT_EQ(m.FeatVal(4, o), u"false");
  }
  changes = 0;
  m.ResetToDefault();
  EXPECT_EQ(changes, 3);  // once per object
  EXPECT_EQ(m.FeatValAsInt(1, 2), 0);
  EXPECT_EQ(m.FeatVal(2, 2), u"0");
  EXPECT_EQ(m.FeatVal(3, 2), u"");
}

TEST_F(FeatureMatrix, Structure) {
  for (int o = 1; o <= 3; ++o) m.SetFeatValint(3, o, o * 10);
  m.InsertObject(2);
  EXPECT_EQ(m.NObjects(), 4);
  EXPECT_EQ(m.FeatVal(3, 1), u"10");
  EXPECT_EQ(m.FeatVal(3, 2), u"");
  EXPECT_EQ(m.FeatVal(1, 2), u"0");  // cleared to the kind default
  EXPECT_EQ(m.FeatVal(3, 3), u"20");
  m.InsertObject(5);  // beyond the last: nothing
  EXPECT_EQ(m.NObjects(), 4);
  m.RemoveObject(1);
  EXPECT_EQ(m.FeatVal(3, 2), u"20");
  m.CopyObject(3, 1);
  EXPECT_EQ(m.FeatVal(3, 1), u"30");
  m.ClearFeature(3);
  EXPECT_EQ(m.FeatVal(3, 3), u"");

  m.FeatProps(3).SetFeatName(u"three");
  m.SetFeatValStr(3, 1, u"a long text that is kept aside");
  m.InsertFeature(3);
  EXPECT_EQ(m.NFeatures(), 6);
  EXPECT_EQ(m.FeatProps(3).FeatName(), u"undefined");
  EXPECT_EQ(m.FeatProps(4).FeatName(), u"three");
  EXPECT_EQ(m.FeatVal(4, 1), u"a long text that is kept aside");
  m.InsertFeature(7);  // appends
  EXPECT_EQ(m.NFeatures(), 7);
  m.RemoveFeature(3);
  EXPECT_EQ(m.FeatProps(3).FeatName(), u"three");
  EXPECT_EQ(m.FeatVal(3, 1), u"a long text that is kept aside");
  m.SetNObjects(1);
  m.SetNObjects(3);
  EXPECT_EQ(m.FeatVal(3, 1), u"a long text that is kept aside");
  EXPECT_EQ(m.FeatVal(3, 3), u"");
}

// Features without storage and values far apart behave as any others under
// the structural edits, and the storage follows the values.
TEST(FeatureMatrixSparse, StructureWithGapsAndFarValues) {
  TFeatureMatrix m(nullptr);
  m.Resize(1000000, 2000000000);
  const TFeatureMatrix& cm = m;
  m.SetFeatType(3, 3, fkString);
  m.SetFeatType(7, 7, fkString);
  m.FeatProps(7).SetFeatName(u"seven");
  TFeatMatProps& props7 = m.FeatProps(7);
  m.SetFeatValStr(3, 1, u"first");
  m.SetFeatValStr(3, 1500000000, u"far");
  m.SetFeatValStr(3, 2000000000, u"last");
  m.SetFeatValStr(7, 9, u"nine");
  EXPECT_LE(m.MemoryUsed(), 4096u);
  EXPECT_EQ(m.FindFeatName(u"SEVEN"), 7);
  EXPECT_EQ(m.FindFeatName(u"undefined"), 1);
  EXPECT_EQ(m.FindFeatNum(0), 1);
  EXPECT_EQ(m.FindFeatNum(5), -1);

  // Objects move around the far values.
  m.InsertObject(2);
  EXPECT_EQ(m.NObjects(), 2000000001);
  EXPECT_EQ(m.FeatVal(3, 1500000001), u"far");
  EXPECT_EQ(m.FeatVal(3, 2000000001), u"last");
  EXPECT_EQ(m.FeatVal(7, 10), u"nine");
  m.RemoveObject(1);
  EXPECT_EQ(m.FeatVal(3, 1), u"");
  EXPECT_EQ(m.FeatVal(3, 1500000000), u"far");
  m.CopyObject(1500000000, 4);
  EXPECT_EQ(m.FeatVal(3, 4), u"far");
  EXPECT_EQ(m.NextObject(3, 0), 4);
  EXPECT_EQ(m.NextObject(3, 4), 1500000000);

  // Features move with their properties and values; the properties objects
  // stay with their index.
  m.InsertFeature(5);
  EXPECT_EQ(m.NFeatures(), 1000001);
  EXPECT_EQ(cm.FeatProps(8).FeatName(), u"seven");
  EXPECT_EQ(m.FeatVal(8, 9), u"nine");
  EXPECT_EQ(props7.FeatName(), u"undefined");
  EXPECT_EQ(m.NextFeature(3), 7);
  m.RemoveFeature(1);
  EXPECT_EQ(m.NFeatures(), 1000000);
  EXPECT_EQ(m.FeatVal(2, 1500000000), u"far");
  EXPECT_EQ(cm.FeatProps(7).FeatName(), u"seven");
  EXPECT_EQ(m.FindFeatName(u"seven"), 7);
  EXPECT_EQ(cm.FeatProps(3).FeatKind(), fkUndefined);

  // Filling a far column densely turns it back into one cell per object.
  m.SetNObjects(1000);
  for (int o = 1; o <= 1000; ++o) m.SetFeatValint(2, o, o);
  EXPECT_EQ(m.FeatValAsInt(2, 1000), 1000);
  EXPECT_EQ(m.FeatVal(2, 4), u"4");
  EXPECT_LE(m.MemoryUsed(), 1000u * 9 * 2 + 4096);

  // Copies keep every value and property.
  TFeatureMatrix c(nullptr);
  c.Resize(9, 3);
  c.FeatProps(9).SetFeatName(u"gone");
  c.Assign(&m);
  EXPECT_EQ(c.NFeatures(), 1000000);
  EXPECT_EQ(c.FeatVal(7, 9), u"nine");
  EXPECT_EQ(c.FindFeatName(u"gone"), -1);
}

TEST_F(FeatureMatrix, FeatureNamesAndNumbers) {
  EXPECT_EQ(m.GenerateFeatNames(u"F<%D-2%>", 1, 3, 1, 1), 0);
  EXPECT_EQ(m.FeatProps(2).FeatName(), u"F02");
  EXPECT_EQ(m.GenerateFeatNames(u"x", 1, 6, 1, 1), -1);
  EXPECT_EQ(m.FeatProps(1).FeatName(), u"F01");
  EXPECT_EQ(m.GenerateFeatNames(u"x<%Q%>", 2, 3, 1, 1), -2);
  EXPECT_EQ(m.FeatProps(2).FeatName(), u"F02");
  struct Case {
    const char16_t* tpl;
    const char16_t* name;  // for feature 5 of range 2..5, n = 7 + 3 * 0 .. with delta 0
  } cases[] = {
      {u"<%D3%>", u"  7"},
      {u"<%d-3%>", u"007"},
      {u"<%H4%>", u"0007"},
      {u"<%I1%>", u"5"},
      {u"<%D%>", u"7"},
      {u"<%H%>", u"7"},
      {u"a<%D 2%>b<%I-3%>", u"a 7b005"},
      {u"<%H20%>", u"0000000000000007"},
      {u"<%T'lit'%>", u"lit"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.tpl));
    EXPECT_EQ(m.GenerateFeatNames(c.tpl, 5, 5, 7, 0), 0);
    EXPECT_EQ(m.FeatProps(5).FeatName(), c.name);
  }
  // Widths beyond the field limit saturate while they are read, whatever
  // their number of digits.
  const String capped = String(254, u' ') + u"7";
  for (const char16_t* tpl :
       {u"<%D256%>", u"<%D3000000000%>", u"<%D9999999999%>", u"<%D 21474836470000000000%>"}) {
    SCOPED_TRACE(StringToUtf8(tpl));
    EXPECT_EQ(m.GenerateFeatNames(tpl, 5, 5, 7, 0), 0);
    EXPECT_EQ(m.FeatProps(5).FeatName(), capped);
  }
  for (const char16_t* tpl : {u"<%D-3000000000%>", u"<%D-9999999999%>"}) {
    SCOPED_TRACE(StringToUtf8(tpl));
    EXPECT_EQ(m.GenerateFeatNames(tpl, 5, 5, 7, 0), 0);
    EXPECT_EQ(m.FeatProps(5).FeatName(), u"7");
  }
  EXPECT_EQ(m.GenerateFeatNames(u"<%H4%>", 5, 5, -1, 0), 0);
  EXPECT_EQ(m.FeatProps(5).FeatName(), u"FFFF");
  for (const char16_t* bad : {u"%><%D%>", u"<%D", u"<%%>", u"<%T<%%>"}) {
    SCOPED_TRACE(StringToUtf8(bad));
    EXPECT_EQ(m.GenerateFeatNames(bad, 5, 5, 7, 0), -2);
  }
  m.FeatProps(4).SetFeatName(u"Weight");
  EXPECT_EQ(m.FindFeatName(u"WEIGHT"), 4);
  EXPECT_EQ(m.FindFeatName(u"none"), -1);
  m.RenumberFeatures(3, 1, 10, 5);
  EXPECT_EQ(m.FeatProps(3).FeatNum(), 20);
  m.FeatProps(5).SetFeatNum(15);
  EXPECT_EQ(m.FindFeatNum(15), 2);
  EXPECT_EQ(m.FindFeatNum(99), -1);
  m.SetFeatType(9, 4, fkString);  // clamped to 4..5
  EXPECT_EQ(m.FeatProps(5).FeatKind(), fkString);
  EXPECT_EQ(m.FeatProps(3).FeatKind(), fkString);
}

TEST_F(FeatureMatrix, PropertiesOwnership) {
  // Out of range: a matrix-owned object with the defaults, whatever was done
  // to it before.
  TFeatMatProps& scratch = m.FeatProps(0);
  scratch.SetFeatName(u"scribbled");
  EXPECT_EQ(m.FeatProps(99).FeatName(), u"undefined");
  EXPECT_EQ(m.NFeatures(), 5);

  TFeatMatProps p(nullptr);
  p.SetFeatName(u"given");
  p.SetFeatKind(fkString);
  p.SetSorted(true);
  int gui = 0;
  p.SetGUIElem(&gui);
  TFeatMatProps* own = &m.FeatProps(2);
  m.SetFeatProps(2, p);
  EXPECT_EQ(&m.FeatProps(2), own);  // copied into the feature's own object
  EXPECT_EQ(own->FeatName(), u"given");
  EXPECT_EQ(own->GUIElem(), &gui);
  m.SetFeatProps(9, p);  // ignored
  p.Clear();
  EXPECT_EQ(p.FeatName(), u"undefined");
  EXPECT_EQ(own->FeatName(), u"given");
}

TEST_F(FeatureMatrix, AssignAndDestruction) {
  m.SetFeatValStr(3, 2, u"kept");
  m.FeatProps(3).SetComment(u"c");
  TFeatureMatrix copy(nullptr);
  copy.Assign(&m);
  EXPECT_EQ(copy.NFeatures(), 5);
  EXPECT_EQ(copy.FeatVal(3, 2), u"kept");
  EXPECT_EQ(copy.FeatProps(3).Comment(), u"c");
  m.SetFeatValStr(3, 2, u"changed");
  EXPECT_EQ(copy.FeatVal(3, 2), u"kept");
  TFeatMatProps p(nullptr);
  EXPECT_THROW(copy.Assign(&p), EConvertError);

  // Destroying a matrix does not notify.
  int fired = 0;
  {
    TFeatureMatrix d(nullptr);
    d.SetOnChange([&](TObject*) { ++fired; });
    d.SetNFeatures(1);
    fired = 0;
  }
  EXPECT_EQ(fired, 0);
}

TEST_F(FeatureMatrix, CompactStorageReadsBack) {
  const char16_t* texts[] = {u"",
                             u"12345678",
                             u"123456789",
                             u"-9223372036854775808",
                             u"0123456789",
                             u"1.5E-6",
                             u"0.30000000000000004",
                             u"1e-05",
                             u"12345.6789",
                             u"-0.000125",
                             u"1E20",
                             u"\u20ac uro",
                             u"1.50000000",
                             u"-0",
                             u"123456789012345678901"};
  m.SetNObjects(16);
  const size_t before = m.MemoryUsed();  // the properties objects
  int o = 1;
  for (const char16_t* t : texts) {
    SCOPED_TRACE(StringToUtf8(t));
    m.SetFeatValStr(3, o, t);
    EXPECT_EQ(m.FeatVal(3, o), t);
    ++o;
  }
  m.SetFeatValStr(3, 16, u"x");
  EXPECT_LE(m.MemoryUsed() - before, 16 * 9 + 2 * 64 + 5 * 200);
}

}  // namespace
}  // namespace zel
