// TCustomTextLabel: the settings of a positioned text label (position,
// caption, font, colours, shadow, alignment, drawing style, layer) and its
// XML block in an open text file. The label draws nothing itself; chart
// components draw it and publish its settings as properties.
//
// Settings. Every setter stores its value and then calls Changed, which calls
// OnChange(Sender = the label) when a handler is assigned; setters fire even
// when the value stays the same. Two setters filter what they store:
//  - SetTxtLblLayer accepts 1 to 16 only; other values are ignored and fire
//    nothing.
//  - SetTxtLblCaption replaces every character below code 32 except the line
//    feed (10) by a blank.
// SetTxtLblFont copies the given font's attributes into the label's own font
// (TFont::Assign); the label owns its font for its whole life, so Font()
// stays valid as long as the label. The label does not listen to its font:
// changing Font() directly fires no OnChange of the label.
//
// Defaults: position (100, 10), layer 1, no shadow offset, shadow colour
// 0x808080, alignment taCenter / vaBottom, attach mode tlamNone, background
// 0xC0C0C0, border 0 (black), not transparent, a default TFont, empty caption,
// mode tlsimple, visible.
//
// Assign from another TCustomTextLabel copies every setting, the font by
// attributes and the OnChange handler included, and fires nothing. AssignTo
// hands over to Dest->Assign(this) when Dest is a TCustomTextLabel; any other
// pairing raises the runtime's conversion error.
//
// The XML block. WriteToOpenXMLFile writes, every line indented by Indent
// blanks (Indent clamped to 1..255; the empty line has no blanks):
//
//    <?xml version="1.0"?>                          (only with CreateHeader)
//                                                   (an empty line)
//    <!-- TCustomTextLabel / Zelorbita -->
//    <custtextlbl sig="Zelorbita" vers="1.0" id="DATAID">
//      <posxy x= 1.000E+0002 y= 1.000E+0001 />
//      <caption>CAPTION</caption>
//      <colors brd=$000000 bg=$C0C0C0 shdw=$808080 />
//      <shadowofs dx=0 dy=0 />
//      <layer val=1 />
//      <transparent val=0 />
//      <visible val=1 />
//      <alignment horiz=taCenter vert=vaBottom />
//      <attachmode val=tlamNone />
//      <font name="Sans" size=10 color=$000000 style="fsBold fsItalic" />
//      <style val=tlsimple />
//    </custtextlbl>
//
// Coordinates are written in a 12-character exponent form with four
// significant digits (StrReal width 12, decimals -2); colours as the six hex
// digits of their low 24 bits (flag bytes such as system colour codes are
// dropped); Booleans as 1 or 0; enumerations by the names of
// zel/base/nametables.h. The id, caption and font name are written as they
// are, without escaping, so they should hold no '"' and the caption no
// "</caption>"; a caption with line feeds spans several lines.
//
// Reading. ReadFromOpenXMLFile goes through the file line by line to a block
// header: a line that holds "<custtextlbl" and the signature "zelorbita"
// (ASCII case ignored) and, unless DataID is empty, whose id (the text
// between the quotes after " id=", blanks trimmed) equals DataID ignoring
// ASCII case. With an empty DataID the first header is taken. From there the
// elements are read by the rules of the XML tag scanner's text-file form
// (ReadNextTagInTextFile of zel/streams/xmltag.h) up to "</custtextlbl>":
//  - posxy x, y: decimal numbers ("." or "," as decimal point, optional
//    exponent), clamped to +-1.7e308; unreadable text reads as 0;
//  - colors brd, bg, shdw: hexadecimal after an optional "$", up to the first
//    non-hexadecimal character;
//  - shadowofs dx, dy; layer val; transparent val; visible val: decimal
//    integers (leading blanks, optional sign, digits up to the first
//    non-digit; beyond the 32-bit range they saturate); transparent and
//    visible are true for 1 only; the layer is clamped into 1..16, the range
//    SetTxtLblLayer accepts;
//  - alignment horiz, vert: names of xmlAlignment / xmlVerticalAlignment,
//    matched exactly; an unknown name keeps the current value;
//  - caption: the element's text as it stands (no filtering);
//  - attachmode, font and style are recognised but not applied; the attach
//    mode, font and mode stay as they were. Other elements are skipped.
// Only a complete block counts: the settings are collected aside and stored
// when "</custtextlbl>" is read, then Changed fires once and the result is
// true. When no matching header is found, or the file ends inside the block,
// or another block header starts before the block is closed, the result is
// false and the label and its OnChange are untouched. The file is left after
// what was read (after the block, or at its end), so several labels are read
// from one file by successive calls in file order.
//
// Errors. Write and read failures of the text file raise its EInOutError;
// malformed values never raise.
//
// Not thread-safe; a label belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "zel/base/types.h"
#include "zel/runtime/classes.h"
#include "zel/runtime/font.h"
#include "zel/runtime/graphics_types.h"
#include "zel/runtime/types.h"

namespace zel {

class TextFile;

class ZEL_API TCustomTextLabel : public TPersistent {
 public:
  // The layers SetTxtLblLayer accepts.
  static constexpr int32_t kMinLayer = 1;
  static constexpr int32_t kMaxLayer = 16;  // the highest layer SetTxtLblLayer accepts

  TCustomTextLabel();            // a label with the defaults above
  ~TCustomTextLabel() override;  // frees the label's font

  double PosX() const noexcept { return FPosX; }                // the horizontal position
  double PosY() const noexcept { return FPosY; }                // the vertical position
  int32_t Layer() const noexcept { return FLayer; }             // the layer (1..16)
  int32_t XShadow() const noexcept { return FXShadow; }         // the horizontal shadow offset
  int32_t YShadow() const noexcept { return FYShadow; }         // the vertical shadow offset
  TColor ColorShadow() const noexcept { return FColorShadow; }  // the shadow colour
  TAlignment Alignment() const noexcept { return FAlignment; }  // the horizontal alignment
  TVerticalAlignment VertAlign() const noexcept { return FVertAlign; }  // the vertical alignment
  TTxtLblAttachMode AttachDat() const noexcept { return FAttachDat; }   // the attach mode
  TColor ColorBkg() const noexcept { return FColorBkg; }                // the background colour
  TColor ColorBrd() const noexcept { return FColorBrd; }                // the border colour
  bool TransPar() const noexcept { return FTransPar; }                  // the transparency flag
  TFont& Font() noexcept { return *FFont; }                             // the caption's font
  const TFont& Font() const noexcept { return *FFont; }                 // the caption's font
  const String& Caption() const noexcept { return FCaption; }           // the caption text
  TTxtLblMode Mode() const noexcept { return FMode; }                   // the label mode
  bool Visible() const noexcept { return FVisible; }                    // the visibility flag
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }   // the handler Changed calls

  void SetTxtLblPosX(double Value);                       // stores the horizontal position
  void SetTxtLblPosY(double Value);                       // stores the vertical position
  void SetTxtLblLayer(int32_t Value);                     // stores a layer of 1..16
  void SetTxtLblShadowDx(int32_t Value);                  // stores the horizontal shadow offset
  void SetTxtLblShadowDy(int32_t Value);                  // stores the vertical shadow offset
  void SetTxtLblColorShadow(TColor Value);                // stores the shadow colour
  void SetTxtLblAlignment(TAlignment Value);              // stores the horizontal alignment
  void SetTxtLblVertAlignment(TVerticalAlignment Value);  // stores the vertical alignment
  void SetTxtLblScreenPos(TTxtLblAttachMode Value);       // stores the attach mode
  void SetTxtLblColorBkg(TColor Value);                   // stores the background colour
  void SetTxtLblColorBrd(TColor Value);                   // stores the border colour
  void SetTxtLblTranspar(bool Value);                     // stores the transparency flag
  void SetTxtLblFont(const TFont& Value);                 // copies the font
  void SetTxtLblCaption(const String& Value);             // stores the caption (see above)
  void SetTxtLblMode(TTxtLblMode Value);                  // stores the label mode
  void SetTxtLblVisible(bool Value);                      // stores the visibility flag
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }  // installs OnChange

  // Calls OnChange(this) if a handler is assigned.
  virtual void Changed();

  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;
  String ClassName() const override;

  // Writes the label's XML block (see the header comment) to F, open for
  // output: the XML declaration first when CreateHeader is true, DataID as
  // the block's id, every line indented by Indent blanks (clamped to 1..255).
  void WriteToOpenXMLFile(TextFile& F, bool CreateHeader, const String& DataID,
                          int32_t Indent) const;
  // Reads the block with DataID (the first block for an empty id) from F,
  // open for input; true when a complete block was read.
  bool ReadFromOpenXMLFile(TextFile& F, const String& DataID);

 private:
  double FPosX = 100.0;
  double FPosY = 10.0;
  int32_t FLayer = 1;
  int32_t FXShadow = 0;
  int32_t FYShadow = 0;
  TColor FColorShadow = 0x808080;
  TAlignment FAlignment = taCenter;
  TVerticalAlignment FVertAlign = vaBottom;
  TTxtLblAttachMode FAttachDat = tlamNone;
  TColor FColorBkg = 0xC0C0C0;
  TColor FColorBrd = 0;
  bool FTransPar = false;
  std::unique_ptr<TFont> FFont;
  String FCaption;
  TTxtLblMode FMode = tlsimple;
  TNotifyEvent FOnChange;
  bool FVisible = true;
};

}  // namespace zel
