// TDTLabel: how a chart writes date and time values as label text (time
// format, date and time separators, year length, month names, date order and
// how often the date is shown).
//
// Setters store their value and call Changed, which calls OnChange (Sender =
// the label) when a handler is assigned. SetTimeFormat and SetDAteOrder fire
// on every call; the other setters fire only when the value differs from the
// current one.
//
// Defaults: tfHHMMSS, date separator ".", time separator ":", ylYYYY, no month
// names, doYYMMDD, dtOnePerChart.
//
// Assign from another TDTLabel copies every setting and the OnChange handler,
// and fires nothing. AssignTo hands over to Dest->Assign(this) when Dest is a
// TDTLabel; any other pairing raises the runtime's conversion error. The
// destructor detaches OnChange first, so nothing is called while the label is
// torn down.
//
// Not thread-safe; a label belongs to one thread at a time.
#pragma once

#include <utility>

#include "zel/base/types.h"
#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

class ZEL_API TDTLabel : public TPersistent {
 public:
  TDTLabel() = default;  // the defaults above
  ~TDTLabel() override;  // detaches OnChange first

  TTimeFormat TimeFormat() const noexcept { return FTimeFormat; }  // the time format
  Char DateSeparator() const noexcept { return FDateSeparator; }   // the date separator
  Char TimeSeparator() const noexcept { return FTimeSeparator; }   // the time separator
  TYearLength YearLength() const noexcept { return FYearLength; }  // the year length
  bool MonthName() const noexcept { return FMonthName; }  // whether months are written as names
  TDateOrder DateOrder() const noexcept { return FDateOrder; }  // the date order
  // How often the date is shown.
  TDateForTime DateForTime() const noexcept { return FDateForTime; }
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }  // the handler Changed calls

  void SetTimeFormat(TTimeFormat Value);                        // stores the time format
  void SetDateSeparator(Char Value);                            // stores the date separator
  void SetTimeSeparator(Char Value);                            // stores the time separator
  void SetYearLength(TYearLength Value);                        // stores the year length
  void SetMonthName(bool Value);                                // stores the month-name flag
  void SetDAteOrder(TDateOrder Value);                          // stores the date order
  void SetDateOrder(TDateOrder Value) { SetDAteOrder(Value); }  // SetDAteOrder
  void SetDateForTime(TDateForTime Value);  // stores how often the date is shown
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }  // installs OnChange

  // Calls OnChange(this) if a handler is assigned.
  virtual void Changed();

  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;
  String ClassName() const override;

 private:
  TTimeFormat FTimeFormat = tfHHMMSS;
  Char FDateSeparator = u'.';
  Char FTimeSeparator = u':';
  TYearLength FYearLength = ylYYYY;
  bool FMonthName = false;
  TDateOrder FDateOrder = doYYMMDD;
  TDateForTime FDateForTime = dtOnePerChart;
  TNotifyEvent FOnChange;
};

}  // namespace zel
