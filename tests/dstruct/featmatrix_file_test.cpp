#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"
#include "zel/base/errors.h"
#include "zel/dstruct/featmatrix.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

using zel_test::TempDir;

// Every property but GUIElem and every value are equal.
void ExpectSame(const TFeatureMatrix& a, const TFeatureMatrix& b) {
  ASSERT_EQ(a.NFeatures(), b.NFeatures());
  ASSERT_EQ(a.NObjects(), b.NObjects());
  for (int f = 1; f <= a.NFeatures(); ++f) {
    const TFeatMatProps& p = a.FeatProps(f);
    const TFeatMatProps& q = b.FeatProps(f);
    EXPECT_EQ(p.FeatNum(), q.FeatNum());
    EXPECT_EQ(p.FeatName(), q.FeatName());
    EXPECT_EQ(p.FeatKind(), q.FeatKind());
    EXPECT_EQ(p.Comment(), q.Comment());
    EXPECT_EQ(p.PresetValues(), q.PresetValues());
    EXPECT_EQ(p.Sorted(), q.Sorted());
    if (p.FeatKind() == fkUndefined) continue;
    for (int o = 1; o <= a.NObjects(); ++o) EXPECT_EQ(a.FeatVal(f, o), b.FeatVal(f, o));
  }
}

const char kExample[] =
    "#featdef 1 1\r\n"
    "1 fplFeatNum 3\r\n"
    "1 fplFeatName Weight\r\n"
    "1 fplFeatKind fkDouble\r\n"
    "1 fplComment kg\r\n"
    "1 fplPresets \r\n"
    "1 fplSorted FALSE\r\n"
    "#featvals 1 2\r\n"
    "1 1 1.5\r\n"
    "#featend\r\n";

TEST(FeatureMatrixFile, SavesByteForByte) {
  TempDir dir;
  TFeatureMatrix m(nullptr);
  m.Resize(1, 2);
  m.FeatProps(1).SetFeatNum(3);
  m.FeatProps(1).SetFeatName(u"Weight");
  m.FeatProps(1).SetFeatKind(fkDouble);
  m.FeatProps(1).SetComment(u"kg");
  m.SetFeatValDouble(1, 1, 1.5);
  const String name = dir.File("m.txt");
  m.Save(name);
  EXPECT_EQ(TempDir::Read(name), kExample);

  TFeatureMatrix empty(nullptr);
  empty.Save(name);
  EXPECT_EQ(TempDir::Read(name), "#featdef 0 1\r\n#featvals 0 0\r\n#featend\r\n");
  TFeatureMatrix back(nullptr);
  back.Resize(2, 2);
  EXPECT_EQ(back.Load(name), 0);
  EXPECT_EQ(back.NFeatures(), 0);
  EXPECT_EQ(back.NObjects(), 0);
}

TEST(FeatureMatrixFile, RoundTripAndEmbedding) {
  TempDir dir;
  TFeatureMatrix m(nullptr);
  m.Resize(4, 5);
  m.SetFeatType(1, 1, fkInteger);
  m.SetFeatType(2, 2, fkDouble);
  m.SetFeatType(3, 3, fkString);
  m.SetFeatType(4, 4, fkTriState);
  m.FeatProps(3).SetComment(u"  leading blanks stay");
  m.FeatProps(3).SetPresetValues(u"a;b;c");
  m.FeatProps(4).SetSorted(true);
  m.FeatProps(2).SetFeatName(u"\u00e9t\u00e9 \u20ac");
  for (int o = 1; o <= 5; ++o) {
    m.SetFeatValint(1, o, o * 1000000007LL);
    m.SetFeatValDouble(2, o, o / 7.0);
    if (o != 3) m.SetFeatValStr(3, o, u"text #" + String(1, static_cast<Char>(u'0' + o)));
    m.SetFeatValTriState(4, o, o % 2 ? tsTrue : tsUndefined);
  }
  // Embedded between other lines of a larger file.
  const String name = dir.File("embed.txt");
  {
    TextFile f(name);
    f.Rewrite();
    f.WriteLn(u"header line");
    m.SaveToOpenFile(f);
    f.WriteLn(u"trailer");
    f.Close();
  }
  TFeatureMatrix back(nullptr);
  int changes = 0;
  back.SetOnChange([&](TObject*) { ++changes; });
  TextFile f(name);
  f.Reset();
  EXPECT_EQ(f.ReadLn(), u"header line");
  EXPECT_EQ(back.LoadFromOpenFile(f), 0);
  EXPECT_EQ(f.ReadLn(), u"trailer");  // "#featend" was consumed
  f.Close();
  EXPECT_EQ(changes, 1);
  ExpectSame(m, back);
}

TEST(FeatureMatrixFile, ReadingRules) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string text;
    int32_t result;
    int nf, no;
  } cases[] = {
      {"other cases",
       "#FEATDEF 1 1\n1 FPLFEATNAME x\n1 fplfeatkind FKDOUBLE\n1 c\n1 d\n1 e\n1 f\n#FeatVals 1 "
       "1\n1 1 2\n",
       0, 1, 1},
      {"no header", "just text\n#other 1\n", -2, 0, 0},
      {"version 2 skipped", "#featdef 1 2\n1 fplFeatName x\n", 0, 0, 0},
      {"value blanks",
       "#featdef 1 1\n1 fplFeatKind fkString\n1 a\n1 b\n1 c\n1 d\n1 e\n#featvals 1 1\n1 1   v w  "
       "\n",
       0, 1, 1},
      {"truncated definitions", "#featdef 2 1\n1 fplFeatName x\n", -3, 0, 0},
      {"definition runs into a header", "#featdef 1 1\n1 fplFeatName x\n#featvals 1 1\n", -3, 0, 0},
      {"negative count", "#featdef -5 1\n", -3, 0, 0},
      {"huge count", "#featdef 2000000000 1\n1 fplFeatName x\n", -3, 0, 0},
      {"huge objects, no values", "#featvals 0 2000000000\n", 0, 0, 2000000000},
      {"huge object index",
       "#featdef 1 1\n1 a\n1 b\n1 c\n1 d\n1 e\n1 f\n#featvals 1 2000000000\n1 1999999999 x\n", 0, 1,
       2000000000},
      {"value outside the counts", "#featvals 1 1\n1 2 x\n", -3, 0, 0},
      {"more features than defined", "#featdef 1 1\n1 a\n1 b\n1 c\n1 d\n1 e\n1 f\n#featvals 3 1\n",
       0, 3, 1},
      {"extra feature with a value",
       "#featdef 1 1\n1 a\n1 b\n1 c\n1 d\n1 e\n1 f\n#featvals 2 1\n2 1 x\n", 0, 2, 1},
      {"count not a number", "#featvals x 1\n", -3, 0, 0},
      {"index not a number", "#featvals 1 1\n1x 1 v\n", -3, 0, 0},
      {"bad feature number", "#featdef 1 1\n1 fplFeatNum abc\n1 b\n1 c\n1 d\n1 e\n1 f\n", -3, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const String name = dir.Write("c.txt", c.text);
    TFeatureMatrix m(nullptr);
    m.Resize(3, 1);
    m.FeatProps(1).SetFeatName(u"before");
    EXPECT_EQ(m.Load(name), c.result);
    if (c.result == 0) {
      EXPECT_EQ(m.NFeatures(), c.nf);
      EXPECT_EQ(m.NObjects(), c.no);
    } else {  // a failed load leaves the matrix as it was
      EXPECT_EQ(m.NFeatures(), 3);
      EXPECT_EQ(m.FeatProps(1).FeatName(), u"before");
    }
  }
  TFeatureMatrix m(nullptr);
  m.Load(dir.Write("c.txt", cases[0].text));
  EXPECT_EQ(m.FeatProps(1).FeatName(), u"x");
  EXPECT_EQ(m.FeatProps(1).FeatKind(), fkDouble);
  EXPECT_EQ(m.FeatVal(1, 1), u"2");
  m.Load(dir.Write("c.txt", cases[3].text));
  EXPECT_EQ(m.FeatVal(1, 1), u"v w");
  m.Load(dir.Write("c.txt", cases[12].text));
  EXPECT_EQ(m.FeatProps(2).FeatName(), u"undefined");
  EXPECT_EQ(m.FeatProps(2).FeatKind(), fkUndefined);
  m.Load(dir.Write("c.txt",
                   "#featdef 1 1\n1 fplFeatName \n1 fplComment   kg  \n1 fplFeatKind fkNone\n"
                   "1 fplGUIElem 1234\n1 fplSorted true\n1 fplPresets p\n"));
  EXPECT_EQ(m.FeatProps(1).FeatName(), u"undefined");
  EXPECT_EQ(m.FeatProps(1).Comment(), u"  kg");
  EXPECT_EQ(m.FeatProps(1).FeatKind(), fkUndefined);
  EXPECT_TRUE(m.FeatProps(1).Sorted());
}

// A value line: blanks, the feature index, blanks, the object index, and the
// rest of the line (trimmed of blanks) as the value; the indices end at the
// first character that is not a digit.
TEST(FeatureMatrixFile, ValueLines) {
  TempDir dir;
  struct Case {
    const char* line;
    int32_t result;
    const char16_t* value;  // of feature 1, object 2
  } cases[] = {
      {"1 2abc", 0, u"abc"},
      {"1 2 abc", 0, u"abc"},
      {"  1   2   a b  ", 0, u"a b"},
      {"+1 +2x", 0, u"x"},
      {"1 2-5", 0, u"-5"},
      {"1 2\tv", 0, u"\tv"},
      {"1 2", 0, u""},
      {"1 2   ", 0, u""},
      {"1\t2 v", -3, nullptr},
      {"1 -x", -3, nullptr},
      {"1 +", -3, nullptr},
      {"1x 2 v", -3, nullptr},
      {"1 99999999999 v", -3, nullptr},
      {"12 2 v", -3, nullptr},  // feature 12 does not exist
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const String name = dir.Write(
        "v.txt", "#featdef 1 1\n1 fplFeatKind fkString\n1 a\n1 b\n1 c\n1 d\n1 e\n#featvals 1 3\n" +
                     std::string(c.line) + "\n#featend\n");
    TFeatureMatrix m(nullptr);
    EXPECT_EQ(m.Load(name), c.result);
    if (c.value != nullptr) {
      EXPECT_EQ(m.FeatVal(1, 2), c.value);
    }
  }
}

// Counts a file announces cost nothing until lines back them: the memory a
// load takes follows the bytes of the file, and the matrix still has the
// announced counts, with default properties and empty values where the file
// says nothing.
TEST(FeatureMatrixFile, AnnouncedCountsCostNothing) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string text;
    int32_t nf, no;
    int32_t fix, obj;  // a value of the file
    const char16_t* value;
  } cases[] = {
      {"ten million features", "#featvals 10000000 1\n10000000 1 x\n", 10000000, 1, 10000000, 1,
       u"x"},
      {"a wide square", "#featvals 10000 10000\n10000 10000 x\n", 10000, 10000, 10000, 10000, u"x"},
      {"two billion objects",
       "#featdef 2 1\n1 fplFeatKind fkString\n2 fplFeatKind fkInteger\n1 c\n1 d\n1 e\n1 f\n"
       "1 g\n1 h\n1 i\n1 j\n1 k\n1 l\n#featvals 2 2000000000\n1 1 a\n2 1999999999 7\n"
       "1 2000000000 z\n2 1 -3\n",
       2, 2000000000, 2, 1999999999, u"7"},
      {"far apart, out of order",
       "#featvals 3 2000000000\n3 2000000000 b\n3 1000000000 a\n3 5 c\n3 1000000000 d\n", 3,
       2000000000, 3, 1000000000, u"d"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFeatureMatrix m(nullptr);
    ASSERT_EQ(m.Load(dir.Write("big.txt", c.text)), 0);
    EXPECT_EQ(m.NFeatures(), c.nf);
    EXPECT_EQ(m.NObjects(), c.no);
    EXPECT_LE(m.MemoryUsed(), 2048 + 64 * c.text.size());
    // Features the file says nothing of have the defaults.
    const TFeatureMatrix& cm = m;
    EXPECT_EQ(cm.FeatProps(c.nf - 1 > 0 ? c.nf - 1 : 1).FeatName(), u"undefined");
    EXPECT_EQ(cm.FeatProps(c.fix).FeatNum(), 0);
    m.SetFeatType(c.fix, c.fix, fkString);
    EXPECT_EQ(m.FeatVal(c.fix, c.obj), c.value);
    EXPECT_EQ(m.FeatVal(c.fix, c.obj - 1), u"");
    EXPECT_EQ(m.NextObject(c.fix, c.obj - 1), c.obj);
    EXPECT_EQ(m.FindFeatName(u"undefined"), 1);
    EXPECT_LE(m.MemoryUsed(), 2048 + 64 * c.text.size());
  }
  // The values of the out-of-order file, in object order.
  TFeatureMatrix m(nullptr);
  ASSERT_EQ(m.Load(dir.Write("big.txt", cases[3].text)), 0);
  m.SetFeatType(3, 3, fkString);
  std::u16string seen;
  for (int32_t o = m.NextObject(3, 0); o != 0; o = m.NextObject(3, o)) seen += m.FeatVal(3, o);
  EXPECT_EQ(seen, u"cdb");
  EXPECT_EQ(m.NextFeature(0), 3);
  EXPECT_EQ(m.NextFeature(3), 0);
  // Saving writes what the format says: the declared counts and the values.
  const String back = dir.File("back.txt");
  m.Save(back);
  const std::string saved = TempDir::Read(back);
  const std::string tail =
      "3 fplSorted FALSE\r\n#featvals 3 2000000000\r\n3 5 c\r\n3 1000000000 d\r\n"
      "3 2000000000 b\r\n#featend\r\n";
  ASSERT_GE(saved.size(), tail.size());
  EXPECT_EQ(saved.substr(saved.size() - tail.size()), tail);
  const std::string head = "#featdef 3 1\r\n1 fplFeatNum 0\r\n1 fplFeatName undefined\r\n";
  EXPECT_EQ(saved.substr(0, head.size()), head);
}

// A file cut off before "#featend" loads as far as it goes; EndMarkerRead
// tells whether the value section ended at the marker.
TEST(FeatureMatrixFile, EndMarker) {
  TempDir dir;
  struct Case {
    const char* name;
    const char* text;
    bool marker;
  } cases[] = {
      {"complete", "#featvals 1 2\n1 1 x\n#featend\n", true},
      {"marker in capitals", "#featvals 1 2\n1 1 x\n#FEATEND\n", true},
      {"cut off", "#featvals 1 2\n1 1 x\n", false},
      {"cut off in the last line", "#featvals 1 2\n1 1 x", false},
      {"ended by an empty line", "#featvals 1 2\n1 1 x\n\n#featend\n", false},
      {"no value section", "#featdef 0 1\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFeatureMatrix m(nullptr);
    ASSERT_EQ(m.Load(dir.Write("e.txt", c.text)), 0);
    EXPECT_EQ(m.EndMarkerRead(), c.marker);
  }
}

TEST(FeatureMatrixFile, MissingFileAndFailedSave) {
  TempDir dir;
  TFeatureMatrix m(nullptr);
  m.Resize(1, 1);
  int changes = 0;
  m.SetOnChange([&](TObject*) { ++changes; });
  EXPECT_EQ(m.Load(dir.File("absent.txt")), -1);
  EXPECT_EQ(m.NFeatures(), 1);
  EXPECT_EQ(changes, 0);
  EXPECT_THROW(m.Save(dir.File("no/such/dir/m.txt")), EInOutError);
}

// A text holding a line break would split its line and the file would not
// load back: saving refuses it before anything is written.
TEST(FeatureMatrixFile, LineBreaksRefusedBeforeWriting) {
  TempDir dir;
  struct Case {
    const char* name;
    void (*spoil)(TFeatureMatrix&);
    const char16_t* detail;
  } cases[] = {
      {"name LF", [](TFeatureMatrix& m) { m.FeatProps(2).SetFeatName(u"a\nb"); },
       u"feature 2 name holds a line break"},
      {"comment CR", [](TFeatureMatrix& m) { m.FeatProps(1).SetComment(u"kg\r"); },
       u"feature 1 comment holds a line break"},
      {"presets CR LF", [](TFeatureMatrix& m) { m.FeatProps(2).SetPresetValues(u"a\r\nb"); },
       u"feature 2 preset values hold a line break"},
      {"short value", [](TFeatureMatrix& m) { m.SetFeatValStr(2, 3, u"\n"); },
       u"feature 2 value of object 3 holds a line break"},
      {"long value", [](TFeatureMatrix& m) { m.SetFeatValStr(1, 2, u"a long text\rwith CR"); },
       u"feature 1 value of object 2 holds a line break"},
      {"wide value", [](TFeatureMatrix& m) { m.SetFeatValStr(1, 1, u"\u20ac\n"); },
       u"feature 1 value of object 1 holds a line break"},
  };
  const String name = dir.File("m.txt");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFeatureMatrix m(nullptr);
    m.SetName(u"fm");
    m.Resize(2, 3);
    m.SetFeatType(0, 0, fkString);
    m.SetFeatValStr(1, 3, u"12345678");  // a short text next to the spoilt ones
    m.Save(name);
    const std::string good = TempDir::Read(name);
    c.spoil(m);
    const String message = String(u"Component \"fm\": ") + c.detail;
    try {
      m.Save(name);
      ADD_FAILURE() << "Save accepted a line break";
    } catch (const EZELDStructError& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(TempDir::Read(name), good);  // the older file stays
    TextFile f(name);
    f.Rewrite();
    EXPECT_THROW(m.SaveToOpenFile(f), EZELDStructError);
    f.Close();
    EXPECT_EQ(TempDir::Read(name), "");  // nothing written
  }
}

}  // namespace
}  // namespace zel
