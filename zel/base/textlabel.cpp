#include "zel/base/textlabel.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "zel/base/internal/fpnum_scan.h"
#include "zel/base/internal/xml_attrib.h"
#include "zel/base/internal/xmltag_scan.h"
#include "zel/base/nametables.h"
#include "zel/runtime/realstr.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"

namespace zel {

namespace {

// Six upper-case hexadecimal digits of the low 24 bits.
String Hex24(TColor C) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  String out(6, u'0');
  for (int i = 5; i >= 0; --i, C >>= 4) out[static_cast<size_t>(i)] = kDigits[C & 0xF];
  return out;
}

String Coordinate(double V) { return StrReal(V, 12, -2); }

String FontStyleNames(TFontStyles S) {
  String out;
  for (size_t i = 0; i < xmlFontStyle.size(); ++i) {
    if (!S.Contains(static_cast<TFontStyle>(i))) continue;
    if (!out.empty()) out += u' ';
    out += xmlFontStyle[i];
  }
  return out;
}

// Leading blanks, an optional sign, decimal digits up to the first non-digit;
// saturates at the 32-bit limits. No digits give 0.
int32_t ScanInteger(const String& S) {
  size_t i = S.find_first_not_of(u' ');
  if (i == String::npos) return 0;
  bool negative = false;
  if (S[i] == u'-' || S[i] == u'+') negative = S[i++] == u'-';
  int64_t v = 0;
  for (; i < S.size() && S[i] >= u'0' && S[i] <= u'9'; ++i)
    v = std::min<int64_t>(v * 10 + (S[i] - u'0'), int64_t{INT32_MAX} + 1);
  if (negative) v = -v;
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Hexadecimal digits after an optional "$", up to the first other character;
// the low 32 bits of a longer run are kept.
TColor ScanHex(const String& S) {
  size_t i = !S.empty() && S[0] == u'$' ? 1 : 0;
  uint32_t v = 0;
  for (; i < S.size(); ++i) {
    const Char c = S[i];
    uint32_t d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (c >= u'a' && c <= u'f')
      d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
      d = c - u'A' + 10;
    else
      break;
    v = (v << 4) | d;
  }
  return v;
}

// The library's decimal scanner (that of ScanStreamFPNum, "." or "," as
// decimal separator, exponent allowed) on an attribute value. Characters
// beyond code 255 cannot belong to a number and end it as "?" does.
double ScanReal(const String& S) {
  struct Source {
    const String& text;
    size_t pos = 0;
    int Next() {
      if (pos >= text.size()) return -1;
      const Char c = text[pos++];
      return c < 0x100 ? static_cast<int>(c) : '?';
    }
  } src{S};
  return internal::ScanFPNumber(src, true, 3);
}

// The next element of F (the tag scanner's text-file form): the index of its
// name in Tags, its attribute text and its contents.
int32_t ReadNextTag(TextFile& F, const std::vector<String>& Tags, String& Attribs,
                    String& Contents) {
  internal::TextFileSource src{F};
  return internal::ReadNextXmlTag(src, Tags, Attribs, Contents, true);
}

String Attrib(const String& Attribs, const String& Name) {
  return internal::XmlAttribValue(Attribs, Name);
}

// The id of a block header: the text between the double quotes that follow
// " id=" (blanks allowed before the opening quote), blanks trimmed. False when
// the header has no such text.
bool HeaderId(const String& Line, const String& Lower, size_t From, String& Id) {
  for (size_t at = Lower.find(u" id=", From); at != String::npos;
       at = Lower.find(u" id=", at + 1)) {
    size_t open = at + 4;
    while (open < Line.size() && Line[open] == u' ') ++open;
    if (open >= Line.size() || Line[open] != u'"') continue;
    const size_t close = Line.find(u'"', open + 1);
    if (close == String::npos) return false;
    Id = internal::XmlStripBlanks(Line, open + 1, close);
    return true;
  }
  return false;
}

}  // namespace

TCustomTextLabel::TCustomTextLabel() : FFont(std::make_unique<TFont>()) {}

TCustomTextLabel::~TCustomTextLabel() = default;

String TCustomTextLabel::ClassName() const { return u"TCustomTextLabel"; }

void TCustomTextLabel::Changed() {
  if (FOnChange) FOnChange(this);
}

void TCustomTextLabel::SetTxtLblPosX(double Value) {
  FPosX = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblPosY(double Value) {
  FPosY = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblLayer(int32_t Value) {
  if (Value < kMinLayer || Value > kMaxLayer) return;
  FLayer = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblShadowDx(int32_t Value) {
  FXShadow = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblShadowDy(int32_t Value) {
  FYShadow = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblColorShadow(TColor Value) {
  FColorShadow = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblAlignment(TAlignment Value) {
  FAlignment = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblVertAlignment(TVerticalAlignment Value) {
  FVertAlign = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblScreenPos(TTxtLblAttachMode Value) {
  FAttachDat = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblColorBkg(TColor Value) {
  FColorBkg = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblColorBrd(TColor Value) {
  FColorBrd = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblTranspar(bool Value) {
  FTransPar = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblFont(const TFont& Value) {
  FFont->Assign(&Value);
  Changed();
}

void TCustomTextLabel::SetTxtLblCaption(const String& Value) {
  String text = Value;
  for (Char& c : text)
    if (c < 32 && c != 10) c = u' ';
  FCaption = std::move(text);
  Changed();
}

void TCustomTextLabel::SetTxtLblMode(TTxtLblMode Value) {
  FMode = Value;
  Changed();
}

void TCustomTextLabel::SetTxtLblVisible(bool Value) {
  FVisible = Value;
  Changed();
}

void TCustomTextLabel::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TCustomTextLabel*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  FPosX = src->FPosX;
  FPosY = src->FPosY;
  FLayer = src->FLayer;
  FXShadow = src->FXShadow;
  FYShadow = src->FYShadow;
  FColorShadow = src->FColorShadow;
  FAlignment = src->FAlignment;
  FVertAlign = src->FVertAlign;
  FAttachDat = src->FAttachDat;
  FColorBkg = src->FColorBkg;
  FColorBrd = src->FColorBrd;
  FTransPar = src->FTransPar;
  FFont->Assign(src->FFont.get());
  FCaption = src->FCaption;
  FMode = src->FMode;
  FOnChange = src->FOnChange;
  FVisible = src->FVisible;
}

void TCustomTextLabel::AssignTo(TPersistent* Dest) const {
  if (auto* dest = dynamic_cast<TCustomTextLabel*>(Dest)) {
    dest->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TCustomTextLabel::WriteToOpenXMLFile(TextFile& F, bool CreateHeader, const String& DataID,
                                          int32_t Indent) const {
  const String ind(static_cast<size_t>(std::clamp(Indent, 1, 255)), u' ');
  if (CreateHeader) F.WriteLn(ind + u"<?xml version=\"1.0\"?>");
  F.WriteLn();
  F.WriteLn(ind + u"<!-- TCustomTextLabel / Zelorbita -->");
  F.WriteLn(ind + u"<custtextlbl sig=\"Zelorbita\" vers=\"1.0\" id=\"" + DataID + u"\">");
  F.WriteLn(ind + u"  <posxy x=" + Coordinate(FPosX) + u" y=" + Coordinate(FPosY) + u" />");
  F.WriteLn(ind + u"  <caption>" + FCaption + u"</caption>");
  F.WriteLn(ind + u"  <colors brd=$" + Hex24(FColorBrd) + u" bg=$" + Hex24(FColorBkg) + u" shdw=$" +
            Hex24(FColorShadow) + u" />");
  F.WriteLn(ind + u"  <shadowofs dx=" + IntToStr(FXShadow) + u" dy=" + IntToStr(FYShadow) + u" />");
  F.WriteLn(ind + u"  <layer val=" + IntToStr(FLayer) + u" />");
  F.WriteLn(ind + u"  <transparent val=" + (FTransPar ? u"1" : u"0") + u" />");
  F.WriteLn(ind + u"  <visible val=" + (FVisible ? u"1" : u"0") + u" />");
  F.WriteLn(ind + u"  <alignment horiz=" + String(ValueToName(xmlAlignment, FAlignment)) +
            u" vert=" + String(ValueToName(xmlVerticalAlignment, FVertAlign)) + u" />");
  F.WriteLn(ind + u"  <attachmode val=" + String(ValueToName(xmlTxtLblAttachMode, FAttachDat)) +
            u" />");
  F.WriteLn(ind + u"  <font name=\"" + FFont->Name() + u"\" size=" + IntToStr(FFont->Size()) +
            u" color=$" + Hex24(FFont->Color()) + u" style=\"" + FontStyleNames(FFont->Style()) +
            u"\" />");
  F.WriteLn(ind + u"  <style val=" + String(ValueToName(xmlTxtLblMode, FMode)) + u" />");
  F.WriteLn(ind + u"</custtextlbl>");
}

bool TCustomTextLabel::ReadFromOpenXMLFile(TextFile& F, const String& DataID) {
  const String wanted = LowerCase(DataID);
  // 1. The block header.
  for (;;) {
    if (F.Eof()) return false;
    const String line = F.ReadLn();
    const String lower = LowerCase(line);
    const size_t at = lower.find(u"<custtextlbl");
    if (at == String::npos || lower.find(u"zelorbita") == String::npos) continue;
    if (wanted.empty()) break;
    String id;
    if (HeaderId(line, lower, at, id) && LowerCase(id) == wanted) break;
  }

  // 2. The elements, collected aside so that an incomplete block changes
  //    nothing.
  enum Tag {
    kPosXY,
    kColors,
    kShadowOfs,
    kLayer,
    kTransparent,
    kVisible,
    kAlignment,
    kAttachMode,
    kFont,
    kStyle,
    kCaption,
    kEnd,
    kNextHeader,
    kNoName,
    kOther
  };
  static const std::vector<String> kTags = {
      u"posxy",   u"colors",       u"shadowofs",   u"layer", u"transparent",
      u"visible", u"alignment",    u"attachmode",  u"font",  u"style",
      u"caption", u"/custtextlbl", u"custtextlbl", u"",      u"*"};
  double pos_x = FPosX, pos_y = FPosY;
  TColor brd = FColorBrd, bkg = FColorBkg, shadow = FColorShadow;
  int32_t dx = FXShadow, dy = FYShadow, layer = FLayer;
  bool transparent = FTransPar, visible = FVisible;
  TAlignment align = FAlignment;
  TVerticalAlignment vert = FVertAlign;
  String caption = FCaption;
  String attribs, contents;
  for (;;) {
    switch (ReadNextTag(F, kTags, attribs, contents)) {
      case kPosXY:
        pos_x = ScanReal(Attrib(attribs, u"x"));
        pos_y = ScanReal(Attrib(attribs, u"y"));
        break;
      case kColors:
        brd = ScanHex(Attrib(attribs, u"brd"));
        bkg = ScanHex(Attrib(attribs, u"bg"));
        shadow = ScanHex(Attrib(attribs, u"shdw"));
        break;
      case kShadowOfs:
        dx = ScanInteger(Attrib(attribs, u"dx"));
        dy = ScanInteger(Attrib(attribs, u"dy"));
        break;
      case kLayer:
        layer = std::clamp(ScanInteger(Attrib(attribs, u"val")), kMinLayer, kMaxLayer);
        break;
      case kTransparent:
        transparent = ScanInteger(Attrib(attribs, u"val")) == 1;
        break;
      case kVisible:
        visible = ScanInteger(Attrib(attribs, u"val")) == 1;
        break;
      case kAlignment:
        if (auto a = NameToValue<TAlignment>(xmlAlignment, Attrib(attribs, u"horiz"))) align = *a;
        if (auto v =
                NameToValue<TVerticalAlignment>(xmlVerticalAlignment, Attrib(attribs, u"vert")))
          vert = *v;
        break;
      case kCaption:
        caption = contents;
        break;
      case kEnd:
        FPosX = pos_x;
        FPosY = pos_y;
        FColorBrd = brd;
        FColorBkg = bkg;
        FColorShadow = shadow;
        FXShadow = dx;
        FYShadow = dy;
        FLayer = layer;
        FTransPar = transparent;
        FVisible = visible;
        FAlignment = align;
        FVertAlign = vert;
        FCaption = std::move(caption);
        Changed();
        return true;
      case kNextHeader:  // the block was never closed
        return false;
      case kNoName:  // the end of the file, or a tag without a name
        if (F.Eof()) return false;
        break;
      default:  // attachmode, font, style and unknown elements
        break;
    }
  }
}

}  // namespace zel
