#include "zel/base/types.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "zel/base/errors.h"

namespace zel {
namespace {

// Ordinals are the places in the lists.
static_assert(skRing == 3 && bfTile == 2 && bbFaces == 2 && csSystem == 1 && dsBoth == 3);
static_assert(ftUserText == 4 && sctYR == 3 && vaBottom == 2 && ylYYYY == 2 && doYYMMDD == 2);
static_assert(dtAllTicks == 3 && ssBox == 1 && fsEngraved == 5 && dmUserDef == 5);
static_assert(tfAMPM == 2 && dirRightward == 3 && orHoriz == 1 && apRows == 1 && eopStdDev == 4);
static_assert(atZAxis == 2 && dimT == 3 && tsUndefined == 2 && chBox == 5 && tlamBoth == 3);
static_assert(tlShadow == 4 && dfNumeric == 3 && csvTab == 5 && zpmColZoomRight == 2);
static_assert(lgSpanish == 4 && sctUndefined == 8 && Bool == 5 && strg == 6);
static_assert(msFinished == 3 && maZoomPanColors == 18 && maDragLabel == 11 && zsDrawWin == 1);
static_assert(sizeof(TTriState) == 1 && sizeof(TMouseActMode) == 1);

// Records: fields in the stated order.
static_assert(offsetof(TPointDouble, Y) == 8);
static_assert(offsetof(TRectDouble, Top) == 8 && offsetof(TRectDouble, Bottom) == 24);
static_assert(offsetof(TColoredPoint, Flag) == 16 && offsetof(TColoredPoint, Color) == 20);
static_assert(sizeof(TCellPosition4D) == 16 && offsetof(TCellPosition4D, T) == 12);
static_assert(std::tuple_size_v<TQuad> == 4);
static_assert(std::tuple_size_v<TBuf4096> == 4096 && std::tuple_size_v<TBuf16K> == 16384);

TEST(Records, RectCornersOverlayTheEdges) {
  TRectDouble r{1, 2, 3, 4};
  EXPECT_EQ(r.TopLeft().X, 1);
  EXPECT_EQ(r.TopLeft().Y, 2);
  EXPECT_EQ(r.BottomRight().X, 3);
  EXPECT_EQ(r.BottomRight().Y, 4);
  r.SetTopLeft({-1, -2});
  r.SetBottomRight({7, 8});
  EXPECT_EQ(r.Left, -1);
  EXPECT_EQ(r.Top, -2);
  EXPECT_EQ(r.Right, 7);
  EXPECT_EQ(r.Bottom, 8);
}

TEST(Callbacks, InOutParametersAreReferences) {
  TOnCheckAbortEvent check = [](TObject*, bool& abort) { abort = true; };
  bool abort = false;
  check(nullptr, abort);
  EXPECT_TRUE(abort);
  TExportTextEvent exp = [](TObject*, int32_t mode, int32_t index, String& text) {
    text += u"/" + String(1, static_cast<Char>(u'0' + mode)) +
            String(1, static_cast<Char>(u'0' + index));
  };
  String t = u"x";
  exp(nullptr, 1, 2, t);
  EXPECT_EQ(t, u"x/12");
  TOnRubberBandActionEvent rb = [](TObject*, TPoint& p) { p.X += 5; };
  TPoint p{1, 1};
  rb(nullptr, p);
  EXPECT_EQ(p.X, 6);
}

TEST(Errors, FamilyIsCaughtByItsRoot) {
  const auto throws = [](int k) {
    switch (k) {
      case 0:
        throw EZELColArrayError(u"c");
      case 1:
        throw EZELStringlError(u"s");
      case 2:
        throw EZELDStructError(u"d");
      case 3:
        throw EZELFileSysError(u"f");
      case 4:
        throw EZELCpuIdError(u"p");
      default:
        throw EZELError(u"z");
    }
  };
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(k);
    try {
      throws(k);
      FAIL();
    } catch (const EZELError& e) {
      EXPECT_EQ(e.Message().size(), 1u);
    }
  }
  static_assert(std::is_base_of_v<Exception, EZELError>);
  try {
    throw EZELDStructError(u"Component \"Grid\": not enough memory on heap");
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Component \"Grid\": not enough memory on heap");
    EXPECT_STREQ(e.what(), "Component \"Grid\": not enough memory on heap");
  }
}

}  // namespace
}  // namespace zel
