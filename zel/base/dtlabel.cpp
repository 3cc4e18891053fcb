#include "zel/base/dtlabel.h"

namespace zel {

TDTLabel::~TDTLabel() { FOnChange = nullptr; }

String TDTLabel::ClassName() const { return u"TDTLabel"; }

void TDTLabel::Changed() {
  if (FOnChange) FOnChange(this);
}

void TDTLabel::SetTimeFormat(TTimeFormat Value) {
  FTimeFormat = Value;
  Changed();
}

void TDTLabel::SetDateSeparator(Char Value) {
  if (Value == FDateSeparator) return;
  FDateSeparator = Value;
  Changed();
}

void TDTLabel::SetTimeSeparator(Char Value) {
  if (Value == FTimeSeparator) return;
  FTimeSeparator = Value;
  Changed();
}

void TDTLabel::SetYearLength(TYearLength Value) {
  if (Value == FYearLength) return;
  FYearLength = Value;
  Changed();
}

void TDTLabel::SetMonthName(bool Value) {
  if (Value == FMonthName) return;
  FMonthName = Value;
  Changed();
}

void TDTLabel::SetDAteOrder(TDateOrder Value) {
  FDateOrder = Value;
  Changed();
}

void TDTLabel::SetDateForTime(TDateForTime Value) {
  if (Value == FDateForTime) return;
  FDateForTime = Value;
  Changed();
}

void TDTLabel::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TDTLabel*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  FTimeFormat = src->FTimeFormat;
  FDateSeparator = src->FDateSeparator;
  FTimeSeparator = src->FTimeSeparator;
  FYearLength = src->FYearLength;
  FMonthName = src->FMonthName;
  FDateOrder = src->FDateOrder;
  FDateForTime = src->FDateForTime;
  FOnChange = src->FOnChange;
}

void TDTLabel::AssignTo(TPersistent* Dest) const {
  if (auto* dest = dynamic_cast<TDTLabel*>(Dest)) {
    dest->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

}  // namespace zel
