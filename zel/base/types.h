// The shared vocabulary of the library: records, dynamic array types, fixed
// buffers, enumerations and callback types.
//
// Enumerations are unscoped with a one-byte underlying type; each value's
// ordinal is its place in the list, from 0, and files store the values by
// name through the tables of nametables.h. Dynamic arrays are std::vector
// (index from 0; nested arrays size each row separately); fixed buffers are
// std::array. Events take the sender first; in/out parameters are
// references. An empty std::function stands for "no handler".
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "zel/runtime/classes.h"
#include "zel/runtime/graphics_types.h"
#include "zel/runtime/types.h"
#include "zel/runtime/variant.h"

namespace zel {

// ---- records ------------------------------------------------------------------

struct TPointDouble {
  double X = 0;
  double Y = 0;
};

// Left/Top form the corner TopLeft, Right/Bottom the corner BottomRight.
struct TRectDouble {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;

  TPointDouble TopLeft() const noexcept { return {Left, Top}; }
  void SetTopLeft(const TPointDouble& P) noexcept {
    Left = P.X;
    Top = P.Y;
  }
  TPointDouble BottomRight() const noexcept { return {Right, Bottom}; }
  void SetBottomRight(const TPointDouble& P) noexcept {
    Right = P.X;
    Bottom = P.Y;
  }
};

struct TColoredPoint {
  double X = 0;
  double Y = 0;
  uint16_t Flag = 0;
  TColor Color = 0;
};

struct TCellPosition4D {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t L = 0;
  int32_t T = 0;
};

// Four integer points.
using TQuad = std::array<TPoint, 4>;

// ---- dynamic arrays -------------------------------------------------------------

using TDoubleArray = std::vector<double>;
using TDouble2DArray = std::vector<TDoubleArray>;
using TDouble3DArray = std::vector<TDouble2DArray>;
using TDouble4DArray = std::vector<TDouble3DArray>;
using TSingleArray = std::vector<float>;
using TIntArray = std::vector<int32_t>;
using TInt2DArray = std::vector<TIntArray>;
using TInt3DArray = std::vector<TInt2DArray>;
using TInt4DArray = std::vector<TInt3DArray>;
using TBoolArray = std::vector<bool>;
using TBool2DArray = std::vector<TBoolArray>;
using TStrArray = std::vector<String>;
using TStr2DArray = std::vector<TStrArray>;
using TOpenStringArray = std::vector<String>;
using TVariantArray = std::vector<Variant>;
using TPDblArray = std::vector<TPointDouble>;
using TPIntArray = std::vector<TPoint>;
// TBytes (std::vector<uint8_t>) comes with the runtime types.

// ---- fixed buffers --------------------------------------------------------------

using TBuf4096 = std::array<uint8_t, 4096>;
using TBuf16K = std::array<uint8_t, 16384>;
// A memory block viewed as bytes. The view carries its length, so reads
// through it can be checked.
using TDataBuffer = std::span<uint8_t>;
// Short text of at most TNameStrMaxLength characters; the functions that
// store one cut longer texts.
using TNameStr = String;
inline constexpr int TNameStrMaxLength = 50;

// ---- enumerations ---------------------------------------------------------------

enum TShapeKind : uint8_t { skRectangle, skEllipse, skCircle, skRing };
enum TBkgFill : uint8_t { bfSimple, bfStretch, bfTile };
enum TBoundingBox : uint8_t { bbNone, bbFrame, bbFaces };
enum TColorScheme : uint8_t { csBWG, csSystem };
enum TDecPSep : uint8_t { dsSystem, dsDot, dsComma, dsBoth };
enum TFigType : uint8_t { ftNoFigs, ftNum, ftTime, ftDateTime, ftUserText };
enum TScaleType : uint8_t { sctXB, sctXT, sctYL, sctYR };
enum TVerticalAlignment : uint8_t { vaTop, vaCenter, vaBottom };
enum TYearLength : uint8_t { ylNone, ylYY, ylYYYY };
enum TDateOrder : uint8_t { doMMDDYY, doDDMMYY, doYYMMDD };
enum TDateForTime : uint8_t { dtNone, dtOnePerChart, dtOnePerDay, dtAllTicks };
enum TShadowStyle : uint8_t { ssFlying, ssBox };
enum TFrameStyle : uint8_t { fsNone, fsSimple, fsLowered, fsRaised, fsEmbossed, fsEngraved };
enum TDistMode : uint8_t { dmJaccard, dmManhattan, dmEuclid, dmEuclidSqr, dmDice, dmUserDef };
enum TTimeFormat : uint8_t { tfHHMMSS, tfHHhMM, tfAMPM };
enum TDirection : uint8_t { dirUpward, dirDownward, dirLeftward, dirRightward };
enum TOrientation : uint8_t { orVert, orHoriz };
enum TApplyColRow : uint8_t { apColumns, apRows };
enum TEdgeOp : uint8_t { eopMin, eopMax, eopSum, eopMean, eopStdDev };
enum TAxis : uint8_t { atXAxis, atYAxis, atZAxis };
enum TDims : uint8_t { dimX, dimY, dimL, dimT };
enum TTriState : uint8_t { tsFalse, tsTrue, tsUndefined };
enum TCrossHMode : uint8_t { chOff, chHoriz, chVert, chBoth, chCrossBox, chBox };
enum TTxtLblAttachMode : uint8_t { tlamNone, tlamXOnly, tlamYOnly, tlamBoth };
enum TTxtLblMode : uint8_t { tlOff, tlsimple, tlBox, tlUnderline, tlShadow };
enum TDegreeFormat : uint8_t { dfDeg, dfDegMin, dfDegMinSec, dfNumeric };
enum TCSVDelimiters : uint8_t { csvUnknown, csvBlank, csvSemicolon, csvComma, csvColon, csvTab };
enum TZoomPanMode : uint8_t { zpmPan, zpmColZoomLeft, zpmColZoomRight };
enum TLanguage : uint8_t { lgUnknown, lgEnglish, lgGerman, lgFrench, lgSpanish };
enum TRescaleMode : uint8_t {
  sctMeanCenter,
  sctStandardize,
  sctConstSum,
  sctConstSquaredSum,
  sctMaxAbs,
  sctRange,
  sctQNormalize,
  sctSquash,
  sctUndefined
};
enum TVarKind : uint8_t { rnum, dnum, snum, inum, lnum, Bool, strg };
enum TMouseBoxState : uint8_t { msNormal, msFirstCorner, msRectDraw, msFinished };
enum TMouseActMode : uint8_t {
  maNone,
  maPan,
  maPanHoriz,
  maPanVert,
  maPanGrid,
  maRubberBand,
  maZoom,
  maZoomWind,
  maZoomWindPos,
  maZoomDrag,
  maDragCrossH,
  maDragLabel,
  maRotate,
  maRotAndZoom,
  maRotXOnly,
  maRotZOnly,
  maSelectRect,
  maDrawMTrace,
  maZoomPanColors
};
enum TZoomState : uint8_t { zsNormal, zsDrawWin };

// TAlignment and TFontStyle, which the name tables index too, belong to the
// graphics runtime (zel/runtime/graphics_types.h).

// ---- callbacks and events ---------------------------------------------------------

using TSortExchgEvent = std::function<void(TObject* Sender, uint8_t ExchgWhat, int32_t index1,
                                           int32_t index2, int32_t first, int32_t last)>;
using TExportTextEvent =
    std::function<void(TObject* Sender, int32_t mode, int32_t index, String& OutText)>;
using FeedBackProcType = std::function<void(double StateCnt)>;
using TZoomPanEvent = std::function<void(TObject* Sender)>;
using TSelectRectEvent = std::function<void(TObject* Sender, int32_t Layer, double LoX, double LoY,
                                            double HiX, double HiY)>;
using TOnPercentDoneEvent = std::function<void(TObject* Sender, int32_t PercentDone)>;
using TOnCheckAbortEvent = std::function<void(TObject* Sender, bool& Abort)>;
using TOnRubberBandActionEvent = std::function<void(TObject* Sender, TPoint& APoint)>;
using TFeedbackProc = std::function<void(TObject* Sender, double StateCnt, double PercentDone)>;

}  // namespace zel
