#include "zel/base/crosshair.h"

namespace zel {

String TCrossHair::ClassName() const { return u"TCrossHair"; }

void TCrossHair::Changed() {
  if (FOnChange) FOnChange(this);
}

void TCrossHair::SetCrossHPosX(double Value) {
  FPosX = Value;
  Changed();
}

void TCrossHair::SetCrossHPosY(double Value) {
  FPosY = Value;
  Changed();
}

void TCrossHair::SetCrossHColor(TColor Value) {
  FColor = Value;
  Changed();
}

void TCrossHair::SetCrossHMode(TCrossHMode Value) {
  FMode = Value;
  Changed();
}

void TCrossHair::SetCrossHLineType(TPenStyle Value) {
  FLineType = Value;
  Changed();
}

void TCrossHair::SetCrossHLineWid(int32_t Value) {
  FLineWid = Value;
  Changed();
}

void TCrossHair::SetCrossHLayer(int32_t Value) {
  FLayer = Value <= 0 ? 1 : Value >= 3 ? 2 : Value;
  Changed();
}

void TCrossHair::SetPos(double xpos, double ypos) {
  if (xpos == FPosX && ypos == FPosY) return;
  FPosX = xpos;
  FPosY = ypos;
  Changed();
}

void TCrossHair::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TCrossHair*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  FPosX = src->FPosX;
  FPosY = src->FPosY;
  FColor = src->FColor;
  FMode = src->FMode;
  FLineType = src->FLineType;
  FLineWid = src->FLineWid;
  FLayer = src->FLayer;
  FOnChange = src->FOnChange;
}

void TCrossHair::AssignTo(TPersistent* Dest) const {
  if (auto* dest = dynamic_cast<TCrossHair*>(Dest)) {
    dest->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

}  // namespace zel
