#include "zel/base/crosshair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "zel/base/dtlabel.h"
#include "zel/runtime/exception.h"

namespace zel {
namespace {

TEST(CrossHair, StartsAtZeroAndEverySetterNotifies) {
  TCrossHair c;
  EXPECT_EQ(c.ClassName(), u"TCrossHair");
  EXPECT_EQ(c.PosX(), 0.0);
  EXPECT_EQ(c.PosY(), 0.0);
  EXPECT_EQ(c.Color(), 0u);
  EXPECT_EQ(c.Mode(), chOff);
  EXPECT_EQ(c.LineType(), psSolid);
  EXPECT_EQ(c.LineWid(), 0);
  EXPECT_EQ(c.Layer(), 0);
  int fired = 0;
  c.SetOnChange([&](TObject* sender) {
    EXPECT_EQ(sender, &c);
    ++fired;
  });
  const std::function<void()> setters[] = {
      [&] { c.SetCrossHPosX(0); },         [&] { c.SetPosY(2.5); },
      [&] { c.SetCrossHColor(0xFF); },     [&] { c.SetMode(chBox); },
      [&] { c.SetCrossHLineType(psDot); }, [&] { c.SetLineWid(-7); },
      [&] { c.SetCrossHMode(chBox); },
  };
  for (const auto& set : setters) set();
  EXPECT_EQ(fired, 7);
  EXPECT_EQ(c.PosY(), 2.5);
  EXPECT_EQ(c.LineType(), psDot);
  EXPECT_EQ(c.LineWid(), -7);
}

TEST(CrossHair, LayerIsOneOrTwo) {
  struct Case {
    int32_t in, want;
  } cases[] = {{0, 1}, {-5, 1}, {INT32_MIN, 1}, {1, 1}, {2, 2}, {3, 2}, {5, 2}, {INT32_MAX, 2}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.in);
    TCrossHair c;
    int fired = 0;
    c.SetOnChange([&](TObject*) { ++fired; });
    c.SetLayer(k.in);
    c.SetCrossHLayer(k.in);  // the same value again still notifies
    EXPECT_EQ(c.Layer(), k.want);
    EXPECT_EQ(fired, 2);
  }
}

TEST(CrossHair, SetPosNotifiesOnceAndOnlyOnAMove) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double x, y;
    int fired;
  } cases[] = {{1, 2, 0}, {1, 3, 1}, {0, 2, 1}, {5, 6, 1}, {nan, 2, 1}, {1, nan, 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.x << ", " << k.y);
    TCrossHair c;
    c.SetPos(1, 2);
    int fired = 0;
    c.SetOnChange([&](TObject*) { ++fired; });
    c.SetPos(k.x, k.y);
    EXPECT_EQ(fired, k.fired);
    EXPECT_EQ(std::isnan(c.PosX()), std::isnan(k.x));
    if (!std::isnan(k.x)) {
      EXPECT_EQ(c.PosX(), k.x);
    }
  }
  TCrossHair c;
  c.SetPos(nan, 0);
  int fired = 0;
  c.SetOnChange([&](TObject*) { ++fired; });
  c.SetPos(nan, 0);  // NaN never equals the stored NaN
  EXPECT_EQ(fired, 1);
}

TEST(CrossHair, AssignCopiesHandlerAndFiresNothing) {
  TCrossHair a, b;
  int a_fired = 0, b_fired = 0;
  a.SetPos(3, 4);
  a.SetColor(0x123456);
  a.SetMode(chCrossBox);
  a.SetLineType(psDashDot);
  a.SetLineWid(3);
  a.SetLayer(2);
  a.SetOnChange([&](TObject*) { ++a_fired; });
  b.SetOnChange([&](TObject*) { ++b_fired; });
  b.Assign(&a);
  EXPECT_EQ(a_fired + b_fired, 0);
  EXPECT_EQ(b.PosX(), 3.0);
  EXPECT_EQ(b.PosY(), 4.0);
  EXPECT_EQ(b.Color(), 0x123456u);
  EXPECT_EQ(b.Mode(), chCrossBox);
  EXPECT_EQ(b.LineType(), psDashDot);
  EXPECT_EQ(b.LineWid(), 3);
  EXPECT_EQ(b.Layer(), 2);
  b.SetLayer(1);
  EXPECT_EQ(a_fired, 1);
  TCrossHair c;
  a.AssignTo(&c);
  EXPECT_EQ(c.Mode(), chCrossBox);
  TDTLabel d;
  EXPECT_THROW(c.Assign(&d), EConvertError);
  EXPECT_THROW(c.AssignTo(&d), EConvertError);
}

TEST(DTLabel, DefaultsAndWhichSettersNotify) {
  TDTLabel l;
  EXPECT_EQ(l.ClassName(), u"TDTLabel");
  EXPECT_EQ(l.TimeFormat(), tfHHMMSS);
  EXPECT_EQ(l.DateSeparator(), u'.');
  EXPECT_EQ(l.TimeSeparator(), u':');
  EXPECT_EQ(l.YearLength(), ylYYYY);
  EXPECT_FALSE(l.MonthName());
  EXPECT_EQ(l.DateOrder(), doYYMMDD);
  EXPECT_EQ(l.DateForTime(), dtOnePerChart);
  struct Case {
    const char* what;
    std::function<void(TDTLabel&)> set;
    int fired;
  } cases[] = {
      {"time format, same", [](TDTLabel& x) { x.SetTimeFormat(tfHHMMSS); }, 1},
      {"time format, new", [](TDTLabel& x) { x.SetTimeFormat(tfAMPM); }, 1},
      {"date separator, same", [](TDTLabel& x) { x.SetDateSeparator(u'.'); }, 0},
      {"date separator, new", [](TDTLabel& x) { x.SetDateSeparator(u'/'); }, 1},
      {"time separator, same", [](TDTLabel& x) { x.SetTimeSeparator(u':'); }, 0},
      {"time separator, new", [](TDTLabel& x) { x.SetTimeSeparator(u'h'); }, 1},
      {"year length, same", [](TDTLabel& x) { x.SetYearLength(ylYYYY); }, 0},
      {"year length, new", [](TDTLabel& x) { x.SetYearLength(ylYY); }, 1},
      {"month name, same", [](TDTLabel& x) { x.SetMonthName(false); }, 0},
      {"month name, new", [](TDTLabel& x) { x.SetMonthName(true); }, 1},
      {"date order, same", [](TDTLabel& x) { x.SetDAteOrder(doYYMMDD); }, 1},
      {"date order, new", [](TDTLabel& x) { x.SetDateOrder(doDDMMYY); }, 1},
      {"date for time, same", [](TDTLabel& x) { x.SetDateForTime(dtOnePerChart); }, 0},
      {"date for time, new", [](TDTLabel& x) { x.SetDateForTime(dtAllTicks); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDTLabel x;
    int fired = 0;
    x.SetOnChange([&](TObject* sender) {
      EXPECT_EQ(sender, &x);
      ++fired;
    });
    c.set(x);
    EXPECT_EQ(fired, c.fired);
  }
}

TEST(DTLabel, AssignCopiesHandlerAndFiresNothing) {
  TDTLabel a, b;
  int a_fired = 0, b_fired = 0;
  a.SetTimeFormat(tfHHhMM);
  a.SetDateSeparator(u'-');
  a.SetTimeSeparator(u'h');
  a.SetYearLength(ylNone);
  a.SetMonthName(true);
  a.SetDateOrder(doMMDDYY);
  a.SetDateForTime(dtOnePerDay);
  a.SetOnChange([&](TObject*) { ++a_fired; });
  b.SetOnChange([&](TObject*) { ++b_fired; });
  b.Assign(&a);
  EXPECT_EQ(a_fired + b_fired, 0);
  EXPECT_EQ(b.TimeFormat(), tfHHhMM);
  EXPECT_EQ(b.DateSeparator(), u'-');
  EXPECT_EQ(b.TimeSeparator(), u'h');
  EXPECT_EQ(b.YearLength(), ylNone);
  EXPECT_TRUE(b.MonthName());
  EXPECT_EQ(b.DateOrder(), doMMDDYY);
  EXPECT_EQ(b.DateForTime(), dtOnePerDay);
  b.SetMonthName(false);
  EXPECT_EQ(a_fired, 1);
  TDTLabel c;
  a.AssignTo(&c);
  EXPECT_EQ(c.DateSeparator(), u'-');
  TCrossHair other;
  try {
    c.Assign(&other);
    FAIL() << "no conversion error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a TCrossHair to a TDTLabel");
  }
}

}  // namespace
}  // namespace zel
