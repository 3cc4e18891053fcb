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

  double PosX() const noexcept { return FPosX; }
  double PosY() const noexcept { return FPosY; }
  TColor Color() const noexcept { return FColor; }
  TCrossHMode Mode() const noexcept { return FMode; }
  TPenStyle LineType() const noexcept { return FLineType; }
  int32_t LineWid() const noexcept { return FLineWid; }
  int32_t Layer() const noexcept { return FLayer; }
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }

  void SetCrossHPosX(double Value);
  void SetCrossHPosY(double Value);
  void SetCrossHColor(TColor Value);
  void SetCrossHMode(TCrossHMode Value);
  void SetCrossHLineType(TPenStyle Value);
  void SetCrossHLineWid(int32_t Value);
  void SetCrossHLayer(int32_t Value);
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

  void SetPosX(double Value) { SetCrossHPosX(Value); }
  void SetPosY(double Value) { SetCrossHPosY(Value); }
  void SetColor(TColor Value) { SetCrossHColor(Value); }
  void SetMode(TCrossHMode Value) { SetCrossHMode(Value); }
  void SetLineType(TPenStyle Value) { SetCrossHLineType(Value); }
  void SetLineWid(int32_t Value) { SetCrossHLineWid(Value); }
  void SetLayer(int32_t Value) { SetCrossHLayer(Value); }

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
