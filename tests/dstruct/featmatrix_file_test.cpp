#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"
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
       "#featdef 1 1\n1 a\n1 b\n1 c\n1 d\n1 e\n1 f\n#featvals 1 2000000000\n1 1999999999 x\n", -3,
       0, 0},
      {"value outside the counts", "#featvals 1 1\n1 2 x\n", -3, 0, 0},
      {"more features than defined", "#featdef 1 1\n1 a\n1 b\n1 c\n1 d\n1 e\n1 f\n#featvals 3 1\n",
       -3, 0, 0},
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

}  // namespace
}  // namespace zel
