#include "zel/base/textlabel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/temp_dir.h"
#include "zel/base/crosshair.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/textfile.h"

namespace zel {
namespace {

const char kNewLabelBlock[] =
    "\r\n"
    " <!-- TCustomTextLabel / Zelorbita -->\r\n"
    " <custtextlbl sig=\"Zelorbita\" vers=\"1.0\" id=\"lbl\">\r\n"
    "   <posxy x= 1.000E+0002 y= 1.000E+0001 />\r\n"
    "   <caption></caption>\r\n"
    "   <colors brd=$000000 bg=$C0C0C0 shdw=$808080 />\r\n"
    "   <shadowofs dx=0 dy=0 />\r\n"
    "   <layer val=1 />\r\n"
    "   <transparent val=0 />\r\n"
    "   <visible val=1 />\r\n"
    "   <alignment horiz=taCenter vert=vaBottom />\r\n"
    "   <attachmode val=tlamNone />\r\n"
    "   <font name=\"Sans\" size=10 color=$000000 style=\"\" />\r\n"
    "   <style val=tlsimple />\r\n"
    " </custtextlbl>\r\n";

std::string Written(const TCustomTextLabel& l, bool header, const String& id, int indent) {
  zel_test::TempDir dir;
  TextFile f(dir.File("w.xml"));
  f.Rewrite();
  l.WriteToOpenXMLFile(f, header, id, indent);
  f.Close();
  return zel_test::TempDir::Read(dir.File("w.xml"));
}

// Reads the block with Id from a file holding Bytes; counts OnChange calls.
bool ReadFrom(TCustomTextLabel& l, const std::string& bytes, const String& id, int* fired) {
  zel_test::TempDir dir;
  TextFile f(dir.Write("r.xml", bytes));
  f.Reset();
  *fired = 0;
  l.SetOnChange([fired](TObject*) { ++*fired; });
  return l.ReadFromOpenXMLFile(f, id);
}

std::string Block(const std::string& id, const std::string& body) {
  return "<custtextlbl sig=\"Zelorbita\" vers=\"1.0\" id=\"" + id + "\">\n" + body +
         "\n</custtextlbl>\n";
}

std::string G(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

// Every setting that reading touches, as one comparable text.
std::string State(const TCustomTextLabel& l) {
  return G(l.PosX()) + "|" + G(l.PosY()) + "|" + std::to_string(l.Layer()) + "|" +
         std::to_string(l.XShadow()) + "," + std::to_string(l.YShadow()) + "|" +
         std::to_string(l.ColorShadow()) + "," + std::to_string(l.ColorBkg()) + "," +
         std::to_string(l.ColorBrd()) + "|" + std::to_string(l.Alignment()) +
         std::to_string(l.VertAlign()) + std::to_string(l.AttachDat()) +
         std::to_string(l.TransPar()) + std::to_string(l.Visible()) + std::to_string(l.Mode()) +
         "|" + std::string(l.Caption().begin(), l.Caption().end()) + "|" +
         std::to_string(l.Font().Size());
}

TEST(TextLabel, NewLabelWritesTheDocumentedBlock) {
  TCustomTextLabel l;
  EXPECT_EQ(l.ClassName(), u"TCustomTextLabel");
  EXPECT_EQ(Written(l, false, u"lbl", 0), kNewLabelBlock);
  EXPECT_EQ(Written(l, false, u"lbl", -7), kNewLabelBlock);
  const std::string with_header = Written(l, true, u"lbl", 1);
  EXPECT_EQ(with_header, std::string(" <?xml version=\"1.0\"?>\r\n") + kNewLabelBlock);
  EXPECT_EQ(Written(l, false, u"lbl", 300).find(std::string(255, ' ') + "<!--"), 2u);
}

TEST(TextLabel, WritesValueEncodings) {
  TCustomTextLabel l;
  l.SetTxtLblPosX(-123456.789);
  l.SetTxtLblPosY(0.000123449);
  l.SetTxtLblColorBkg(0x12ABCDEF);
  l.SetTxtLblColorBrd(0x80000005);
  l.SetTxtLblShadowDx(-3);
  l.SetTxtLblTranspar(true);
  l.SetTxtLblVisible(false);
  l.SetTxtLblAlignment(taRightJustify);
  l.SetTxtLblVertAlignment(vaTop);
  l.SetTxtLblScreenPos(tlamBoth);
  l.SetTxtLblMode(tlShadow);
  l.SetTxtLblCaption(u"two\nlines");
  TFont font;
  font.SetName(u"DejaVu Serif");
  font.SetSize(14);
  font.SetColor(0xFF0000FF);
  font.SetStyle({fsItalic, fsBold});
  l.SetTxtLblFont(font);
  const std::string w = Written(l, false, u"Id 7", 2);
  for (const char* line : {
           "  <custtextlbl sig=\"Zelorbita\" vers=\"1.0\" id=\"Id 7\">\r\n",
           "    <posxy x=-1.235E+0005 y= 1.234E-0004 />\r\n",
           "    <caption>two\nlines</caption>\r\n",
           "    <colors brd=$000005 bg=$ABCDEF shdw=$808080 />\r\n",
           "    <shadowofs dx=-3 dy=0 />\r\n",
           "    <transparent val=1 />\r\n",
           "    <visible val=0 />\r\n",
           "    <alignment horiz=taRightJustify vert=vaTop />\r\n",
           "    <attachmode val=tlamBoth />\r\n",
           "    <font name=\"DejaVu Serif\" size=14 color=$0000FF style=\"fsBold fsItalic\" />\r\n",
           "    <style val=tlShadow />\r\n",
       }) {
    SCOPED_TRACE(line);
    EXPECT_NE(w.find(line), std::string::npos) << w;
  }
}

TEST(TextLabel, SettersStoreFilterAndNotify) {
  TCustomTextLabel l;
  int fired = 0;
  l.SetOnChange([&](TObject* sender) {
    EXPECT_EQ(sender, &l);
    ++fired;
  });
  l.SetTxtLblLayer(17);
  l.SetTxtLblLayer(0);
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(l.Layer(), 1);
  l.SetTxtLblLayer(16);
  l.SetTxtLblLayer(16);
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(l.Layer(), 16);
  l.SetTxtLblCaption(String(u"a\tb\nc\rd") + Char(0) + u"e\x1f");
  EXPECT_EQ(l.Caption(), u"a b\nc d e ");
  EXPECT_EQ(fired, 3);
  l.SetTxtLblPosX(l.PosX());  // an unchanged value still notifies
  EXPECT_EQ(fired, 4);
  l.Font().SetSize(30);  // the label does not listen to its font
  EXPECT_EQ(fired, 4);
}

TEST(TextLabel, RoundTripKeepsWhatTheBlockCarries) {
  TCustomTextLabel a;
  a.SetTxtLblPosX(3.14159);
  a.SetTxtLblPosY(-2.5e-7);
  a.SetTxtLblLayer(9);
  a.SetTxtLblShadowDx(4);
  a.SetTxtLblShadowDy(-5);
  a.SetTxtLblColorShadow(0x010203);
  a.SetTxtLblColorBkg(0xFFABCDEF);
  a.SetTxtLblColorBrd(0x00FEDCBA);
  a.SetTxtLblTranspar(true);
  a.SetTxtLblVisible(false);
  a.SetTxtLblAlignment(taLeftJustify);
  a.SetTxtLblVertAlignment(vaCenter);
  a.SetTxtLblCaption(u"Gr\u00fc\u00dfe <b> & \"q\"\nline 2");
  a.SetTxtLblScreenPos(tlamXOnly);
  a.SetTxtLblMode(tlBox);
  a.Font().SetSize(20);

  TCustomTextLabel b;
  int fired = 0;
  ASSERT_TRUE(ReadFrom(b, Written(a, true, u"RT", 3), u"rt", &fired));
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(b.PosX(), 3.142);
  EXPECT_EQ(b.PosY(), -2.5e-7);
  EXPECT_EQ(b.Layer(), 9);
  EXPECT_EQ(b.XShadow(), 4);
  EXPECT_EQ(b.YShadow(), -5);
  EXPECT_EQ(b.ColorShadow(), 0x010203u);
  EXPECT_EQ(b.ColorBkg(), 0xABCDEFu);
  EXPECT_EQ(b.ColorBrd(), 0xFEDCBAu);
  EXPECT_TRUE(b.TransPar());
  EXPECT_FALSE(b.Visible());
  EXPECT_EQ(b.Alignment(), taLeftJustify);
  EXPECT_EQ(b.VertAlign(), vaCenter);
  EXPECT_EQ(b.Caption(), a.Caption());
  // Attach mode, font and mode are written but not read back.
  EXPECT_EQ(b.AttachDat(), tlamNone);
  EXPECT_EQ(b.Mode(), tlsimple);
  EXPECT_EQ(b.Font().Size(), 10);
}

TEST(TextLabel, FindsBlocksByIdInLargerFiles) {
  TCustomTextLabel one, two;
  one.SetTxtLblCaption(u"first");
  two.SetTxtLblCaption(u"second");
  const std::string file = "<?xml version=\"1.0\"?>\n<chart>\n<axis>x</axis>\n" +
                           Written(one, false, u"label1", 2) + "<other/>\n" +
                           Written(two, false, u"Label2", 2) + "</chart>\n";
  struct Case {
    String id;
    bool found;
    const char16_t* caption;
  } cases[] = {
      {u"LABEL1", true, u"first"}, {u"label2", true, u"second"}, {u"", true, u"first"},
      {u"label", false, u""},      {u" label1", false, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.id.begin(), c.id.end()));
    TCustomTextLabel l;
    int fired = 0;
    EXPECT_EQ(ReadFrom(l, file, c.id, &fired), c.found);
    EXPECT_EQ(fired, c.found ? 1 : 0);
    EXPECT_EQ(l.Caption(), c.caption);
  }

  // Successive reads from one open file take the blocks in file order.
  zel_test::TempDir dir;
  TextFile f(dir.Write("two.xml", file));
  f.Reset();
  TCustomTextLabel l;
  ASSERT_TRUE(l.ReadFromOpenXMLFile(f, u""));
  EXPECT_EQ(l.Caption(), u"first");
  ASSERT_TRUE(l.ReadFromOpenXMLFile(f, u""));
  EXPECT_EQ(l.Caption(), u"second");
  EXPECT_FALSE(l.ReadFromOpenXMLFile(f, u""));
  EXPECT_EQ(l.Caption(), u"second");
}

TEST(TextLabel, IncompleteBlocksLeaveTheLabelUnchanged) {
  const std::string good = "<caption>new</caption><layer val=5 />";
  const std::string cases[] = {
      "",
      "no label here\n<custtextlbl id=\"a\">\n</custtextlbl>\n",  // no signature
      "<custtextlbl sig=\"Zelorbita\" id=\"a\">\n" + good,        // the file ends in the block
      "<custtextlbl sig=\"Zelorbita\" id=\"a\">\n" + good + "</custtextl",
      "<custtextlbl sig=\"Zelorbita\" id=\"a\">\n" + good + "\n" + Block("b", ""),
      "<custtextlbl sig=\"Zelorbita\" id=\"a\">\n<caption>never closed",
      "<custtextlbl sig=\"Zelorbita\" id=\"a>\n" + good + "</custtextlbl>",  // id without end
  };
  for (const std::string& file : cases) {
    SCOPED_TRACE(file);
    TCustomTextLabel l;
    l.SetTxtLblCaption(u"old");
    const std::string before = State(l);
    int fired = 0;
    EXPECT_FALSE(ReadFrom(l, file, u"a", &fired));
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(State(l), before);
  }
}

TEST(TextLabel, ReadsValuesLeniently) {
  struct Case {
    const char* body;
    const char* want;  // State() after reading into a new label
  } cases[] = {
      {"", "100|10|1|0,0|8421504,12632256,0|220011||10"},
      {"<posxy x=1,5 y=abc />", "1.5|0|1|0,0|8421504,12632256,0|220011||10"},
      {"<POSXY X=\"-2e3\" Y=9e999 />", "-2000|1.7e+308|1|0,0|8421504,12632256,0|220011||10"},
      {"<layer val=99 />", "100|10|16|0,0|8421504,12632256,0|220011||10"},
      {"<layer val=-4 />", "100|10|1|0,0|8421504,12632256,0|220011||10"},
      {"<layer val=\" 12abc\" />", "100|10|12|0,0|8421504,12632256,0|220011||10"},
      {"<shadowofs dx=99999999999 dy=-99999999999 />",
       "100|10|1|2147483647,-2147483648|8421504,12632256,0|220011||10"},
      {"<colors brd=ff bg=$1g shdw=$123456789 />", "100|10|1|0,0|591751049,1,255|220011||10"},
      {"<transparent val=2 /><visible val=0 />", "100|10|1|0,0|8421504,12632256,0|220001||10"},
      {"<transparent val=1 /><visible val=x />", "100|10|1|0,0|8421504,12632256,0|220101||10"},
      {"<alignment horiz=taleftjustify vert=vaTop />",
       "100|10|1|0,0|8421504,12632256,0|200011||10"},
      {"<attachmode val=tlamBoth /><style val=tlBox /><font name=\"x\" size=40 />",
       "100|10|1|0,0|8421504,12632256,0|220011||10"},
      {"<caption>a\r\nb\t<i>c</i></caption><unknown>x</unknown><!-- c -->",
       "100|10|1|0,0|8421504,12632256,0|220011|a\r\nb\t<i>c</i>|10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    TCustomTextLabel l;
    int fired = 0;
    EXPECT_TRUE(ReadFrom(l, Block("v", c.body), u"v", &fired));
    EXPECT_EQ(State(l), c.want);
  }
}

TEST(TextLabel, AssignCopiesEverythingWithoutNotifying) {
  TCustomTextLabel a, b;
  int a_fired = 0, b_fired = 0;
  a.SetTxtLblCaption(u"copied");
  a.SetTxtLblLayer(3);
  a.SetTxtLblScreenPos(tlamYOnly);
  a.SetTxtLblMode(tlUnderline);
  a.Font().SetStyle({fsUnderline});
  a.SetOnChange([&](TObject*) { ++a_fired; });
  b.SetOnChange([&](TObject*) { ++b_fired; });
  b.Assign(&a);
  EXPECT_EQ(a_fired + b_fired, 0);
  EXPECT_EQ(State(b), State(a));
  EXPECT_EQ(b.Font().Style(), TFontStyles({fsUnderline}));
  b.SetTxtLblVisible(false);  // b now calls a's handler
  EXPECT_EQ(a_fired, 1);
  EXPECT_EQ(b_fired, 0);

  TCustomTextLabel c;
  a.AssignTo(&c);
  EXPECT_EQ(c.Caption(), u"copied");
  TCrossHair other;
  try {
    c.Assign(&other);
    FAIL() << "no conversion error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a TCrossHair to a TCustomTextLabel");
  }
  EXPECT_THROW(a.AssignTo(&other), EConvertError);
}

}  // namespace
}  // namespace zel
