// TCrossHair: the settings of a crosshair cursor of a chart (position in
// chart coordinates, colour, line style and width, drawing mode, layer).
//
// Every setter stores its value and calls Changed, which calls OnChange
// (Sender = the crosshair) when a handler is assigned; setters fire even when
// the value stays the same. The one exception is SetPos, which moves both
// coordinates at once and fires once, and only when the position differs (a
// NaN coordinate always differs). SetCrossHLayer keeps the layer at 1 or 2:
// values up to 0 become 1, values from 3 on become 2. The line width is not
// checked.
//
// A new crosshair has every setting zero: position (0, 0), colour 0 (black),
// mode chOff, line type psSolid, width 0 and layer 0 (a layer outside 1..2
// until one is set).
//
// The setters carry two names: SetCrossHPosX etc. and the property form
// SetPosX etc.; both do the same.
//
// Assign from another TCrossHair copies every setting and the OnChange
// handler, and fires nothing. AssignTo hands over to Dest->Assign(this) when
// Dest is a TCrossHair; any other pairing raises the runtime's conversion
// error.
//
// Not thread-safe; a crosshair belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <utility>

#include "zel/base/types.h"
#include "zel/runtime/classes.h"
#include "zel/runtime/graphics_types.h"
#include "zel/runtime/types.h"

namespace zel {

class ZEL_API TCrossHair : public TPersistent {
 public:
  TCrossHair() = default;

  double PosX() const noexcept { return FPosX; }    // the horizontal position in chart coordinates
  double PosY() const noexcept { return FPosY; }    // the vertical position in chart coordinates
  TColor Color() const noexcept { return FColor; }  // the line colour
  TCrossHMode Mode() const noexcept { return FMode; }        // the drawing mode
  TPenStyle LineType() const noexcept { return FLineType; }  // the line style
  int32_t LineWid() const noexcept { return FLineWid; }      // the line width
  int32_t Layer() const noexcept { return FLayer; }          // the layer (1 or 2 once set)
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }  // the handler Changed calls

  void SetCrossHPosX(double Value);         // stores the horizontal position and calls Changed
  void SetCrossHPosY(double Value);         // stores the vertical position and calls Changed
  void SetCrossHColor(TColor Value);        // stores the line colour and calls Changed
  void SetCrossHMode(TCrossHMode Value);    // stores the drawing mode and calls Changed
  void SetCrossHLineType(TPenStyle Value);  // stores the line style and calls Changed
  void SetCrossHLineWid(int32_t Value);     // stores the line width and calls Changed
  void SetCrossHLayer(int32_t Value);       // stores the layer and calls Changed
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }  // installs OnChange

  void SetPosX(double Value) { SetCrossHPosX(Value); }             // SetCrossHPosX
  void SetPosY(double Value) { SetCrossHPosY(Value); }             // SetCrossHPosY
  void SetColor(TColor Value) { SetCrossHColor(Value); }           // SetCrossHColor
  void SetMode(TCrossHMode Value) { SetCrossHMode(Value); }        // SetCrossHMode
  void SetLineType(TPenStyle Value) { SetCrossHLineType(Value); }  // SetCrossHLineType
  void SetLineWid(int32_t Value) { SetCrossHLineWid(Value); }      // SetCrossHLineWid
  void SetLayer(int32_t Value) { SetCrossHLayer(Value); }          // SetCrossHLayer

  // Moves to (xpos, ypos): nothing happens when both equal the current
  // coordinates exactly; otherwise both are stored and Changed fires once.
  void SetPos(double xpos, double ypos);

  // Calls OnChange(this) if a handler is assigned.
  virtual void Changed();

  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;
  String ClassName() const override;

 private:
  double FPosX = 0;
  double FPosY = 0;
  TColor FColor = 0;
  TCrossHMode FMode = chOff;
  TPenStyle FLineType = psSolid;
  int32_t FLineWid = 0;
  int32_t FLayer = 0;
  TNotifyEvent FOnChange;
};

}  // namespace zel
