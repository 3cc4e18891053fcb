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

// A point with floating-point coordinates.
struct TPointDouble {
  double X = 0;  // horizontal coordinate
  double Y = 0;  // vertical coordinate
};

// Left/Top form the corner TopLeft, Right/Bottom the corner BottomRight.
struct TRectDouble {
  double Left = 0;    // left edge
  double Top = 0;     // top edge
  double Right = 0;   // right edge
  double Bottom = 0;  // bottom edge

  TPointDouble TopLeft() const noexcept { return {Left, Top}; }  // the corner (Left, Top)
  // Moves the corner TopLeft to P: Left = P.X, Top = P.Y.
  void SetTopLeft(const TPointDouble& P) noexcept {
    Left = P.X;
    Top = P.Y;
  }
  TPointDouble BottomRight() const noexcept { return {Right, Bottom}; }  // (Right, Bottom)
  // Moves the corner BottomRight to P: Right = P.X, Bottom = P.Y.
  void SetBottomRight(const TPointDouble& P) noexcept {
    Right = P.X;
    Bottom = P.Y;
  }
};

// A point with floating-point coordinates, a colour and a word of flags.
struct TColoredPoint {
  double X = 0;       // horizontal coordinate
  double Y = 0;       // vertical coordinate
  uint16_t Flag = 0;  // flags, free for the caller's use
  TColor Color = 0;   // colour of the point
};

// The position of a cell in a four-dimensional array, one index per
// dimension (see TDims).
struct TCellPosition4D {
  int32_t X = 0;  // index along dimension X
  int32_t Y = 0;  // index along dimension Y
  int32_t L = 0;  // index along dimension L
  int32_t T = 0;  // index along dimension T
};

// Four integer points.
using TQuad = std::array<TPoint, 4>;

// ---- dynamic arrays -------------------------------------------------------------

using TDoubleArray = std::vector<double>;            // doubles
using TDouble2DArray = std::vector<TDoubleArray>;    // rows of doubles
using TDouble3DArray = std::vector<TDouble2DArray>;  // doubles in three dimensions
using TDouble4DArray = std::vector<TDouble3DArray>;  // doubles in four dimensions
using TSingleArray = std::vector<float>;             // single-precision floats
using TIntArray = std::vector<int32_t>;              // 32-bit integers
using TInt2DArray = std::vector<TIntArray>;          // rows of integers
using TInt3DArray = std::vector<TInt2DArray>;        // integers in three dimensions
using TInt4DArray = std::vector<TInt3DArray>;        // integers in four dimensions
using TBoolArray = std::vector<bool>;                // Booleans
using TBool2DArray = std::vector<TBoolArray>;        // rows of Booleans
using TStrArray = std::vector<String>;               // strings
using TStr2DArray = std::vector<TStrArray>;          // rows of strings
using TOpenStringArray = std::vector<String>;        // strings passed as a list
using TVariantArray = std::vector<Variant>;          // variants
using TPDblArray = std::vector<TPointDouble>;        // floating-point points
using TPIntArray = std::vector<TPoint>;              // integer points
// TBytes (std::vector<uint8_t>) comes with the runtime types.

// ---- fixed buffers --------------------------------------------------------------

using TBuf4096 = std::array<uint8_t, 4096>;  // 4096 bytes
using TBuf16K = std::array<uint8_t, 16384>;  // 16384 bytes
// A memory block viewed as bytes. The view carries its length, so reads
// through it can be checked.
using TDataBuffer = std::span<uint8_t>;
// Short text of at most TNameStrMaxLength characters; the functions that
// store one cut longer texts.
using TNameStr = String;
inline constexpr int TNameStrMaxLength = 50;  // longest TNameStr, in characters

// ---- enumerations ---------------------------------------------------------------

// Kind of a shape: rectangle, ellipse, circle or ring.
enum TShapeKind : uint8_t { skRectangle, skEllipse, skCircle, skRing };
// How a background image fills its area: placed once, stretched, or tiled.
enum TBkgFill : uint8_t { bfSimple, bfStretch, bfTile };
// Bounding box of a 3-D view: none, a frame, or the faces.
enum TBoundingBox : uint8_t { bbNone, bbFrame, bbFaces };
// Colour scheme: black, white and grey, or the system colours.
enum TColorScheme : uint8_t { csBWG, csSystem };
// Decimal separator: the system's, dot, comma, or both.
enum TDecPSep : uint8_t { dsSystem, dsDot, dsComma, dsBoth };
// Kind of the figures along a scale: none, numbers, times, dates with
// times, or texts the user supplies.
enum TFigType : uint8_t { ftNoFigs, ftNum, ftTime, ftDateTime, ftUserText };
// Which scale: X at the bottom or top, Y at the left or right.
enum TScaleType : uint8_t { sctXB, sctXT, sctYL, sctYR };
// Vertical alignment: top, centre or bottom.
enum TVerticalAlignment : uint8_t { vaTop, vaCenter, vaBottom };
// How a year is written: not at all, two digits or four digits.
enum TYearLength : uint8_t { ylNone, ylYY, ylYYYY };
// Order of the parts of a date: month-day-year, day-month-year or
// year-month-day.
enum TDateOrder : uint8_t { doMMDDYY, doDDMMYY, doYYMMDD };
// Where a date accompanies time labels: never, once per chart, once per
// day, or at every tick.
enum TDateForTime : uint8_t { dtNone, dtOnePerChart, dtOnePerDay, dtAllTicks };
// Shadow style: a flying shadow or a box.
enum TShadowStyle : uint8_t { ssFlying, ssBox };
// Frame style drawn by DrawFrame: none, a simple outline, or a lowered,
// raised, embossed or engraved 3-D frame.
enum TFrameStyle : uint8_t { fsNone, fsSimple, fsLowered, fsRaised, fsEmbossed, fsEngraved };
// Distance or similarity measure: Jaccard coefficient, Manhattan,
// Euclidean, squared Euclidean, Dice coefficient, or user defined.
enum TDistMode : uint8_t { dmJaccard, dmManhattan, dmEuclid, dmEuclidSqr, dmDice, dmUserDef };
// Time format: hours, minutes and seconds; hours "h" minutes; or 12-hour
// with AM/PM.
enum TTimeFormat : uint8_t { tfHHMMSS, tfHHhMM, tfAMPM };
// A direction: up, down, left or right.
enum TDirection : uint8_t { dirUpward, dirDownward, dirLeftward, dirRightward };
// Orientation: vertical or horizontal.
enum TOrientation : uint8_t { orVert, orHoriz };
// Whether an operation applies to columns or to rows.
enum TApplyColRow : uint8_t { apColumns, apRows };
// Operation that reduces values to one: minimum, maximum, sum, mean or
// standard deviation.
enum TEdgeOp : uint8_t { eopMin, eopMax, eopSum, eopMean, eopStdDev };
// An axis of a chart: X, Y or Z.
enum TAxis : uint8_t { atXAxis, atYAxis, atZAxis };
// A dimension of a four-dimensional array: X, Y, L or T (see
// TCellPosition4D).
enum TDims : uint8_t { dimX, dimY, dimL, dimT };
// A Boolean that may also be undefined.
enum TTriState : uint8_t { tsFalse, tsTrue, tsUndefined };
// Crosshair mode: off, horizontal line, vertical line, both lines, cross
// with box, or box.
enum TCrossHMode : uint8_t { chOff, chHoriz, chVert, chBoth, chCrossBox, chBox };
// Which coordinates of a text label are attached to data: none, X only,
// Y only, or both.
enum TTxtLblAttachMode : uint8_t { tlamNone, tlamXOnly, tlamYOnly, tlamBoth };
// Text label style: off, simple, boxed, underlined, or shadowed.
enum TTxtLblMode : uint8_t { tlOff, tlsimple, tlBox, tlUnderline, tlShadow };
// How an angle is written: degrees, degrees and minutes, degrees, minutes
// and seconds, or a plain number.
enum TDegreeFormat : uint8_t { dfDeg, dfDegMin, dfDegMinSec, dfNumeric };
// Delimiter of a CSV line: unknown, blank, semicolon, comma, colon or tab
// (characters in CSVDELIMITERS, csvdelim.h).
enum TCSVDelimiters : uint8_t { csvUnknown, csvBlank, csvSemicolon, csvComma, csvColon, csvTab };
// Zoom and pan mode: panning (zpmPan) or one of the two zoom modes
// zpmColZoomLeft and zpmColZoomRight.
enum TZoomPanMode : uint8_t { zpmPan, zpmColZoomLeft, zpmColZoomRight };
// Language of the texts of langtables.h; lgUnknown selects placeholders.
enum TLanguage : uint8_t { lgUnknown, lgEnglish, lgGerman, lgFrench, lgSpanish };
// How data are rescaled: mean-centring, standardising, to a constant sum or
// sum of squares, by the largest absolute value, to the range,
// q-normalising or squashing; sctUndefined for none.
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
// Kind of a variable: the numeric kinds rnum, dnum, snum, inum and lnum,
// Boolean (stored by the name "bool"), or string.
enum TVarKind : uint8_t { rnum, dnum, snum, inum, lnum, Bool, strg };
// Progress of drawing a rectangle with the mouse: idle, first corner
// placed, rectangle being drawn, finished.
enum TMouseBoxState : uint8_t { msNormal, msFirstCorner, msRectDraw, msFinished };
// What the mouse does in an interactive view: nothing, panning, a rubber
// band, zooming, dragging the crosshair or a label, rotating, selecting a
// rectangle, drawing a trace, or zooming and panning colours (each in the
// variants the values name).
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
// Zoom state: normal, or drawing the zoom window.
enum TZoomState : uint8_t { zsNormal, zsDrawWin };

// TAlignment and TFontStyle, which the name tables index too, belong to the
// graphics runtime (zel/runtime/graphics_types.h).

// ---- callbacks and events ---------------------------------------------------------

// Reports an exchange of two items during a sort: ExchgWhat says what is
// exchanged, index1 and index2 are the items, first and last the range.
using TSortExchgEvent = std::function<void(TObject* Sender, uint8_t ExchgWhat, int32_t index1,
                                           int32_t index2, int32_t first, int32_t last)>;
// Asks for the text to export for item index in the given mode; the
// handler may set OutText.
using TExportTextEvent =
    std::function<void(TObject* Sender, int32_t mode, int32_t index, String& OutText)>;
// A progress procedure; StateCnt is the progress so far.
using FeedBackProcType = std::function<void(double StateCnt)>;
// Reports a zoom or pan of Sender.
using TZoomPanEvent = std::function<void(TObject* Sender)>;
// Reports the rectangle LoX..HiX, LoY..HiY selected in Layer.
using TSelectRectEvent = std::function<void(TObject* Sender, int32_t Layer, double LoX, double LoY,
                                            double HiX, double HiY)>;
// Reports progress of a long operation, PercentDone from 0 to 100.
using TOnPercentDoneEvent = std::function<void(TObject* Sender, int32_t PercentDone)>;
// Asks whether to stop: the handler sets Abort to true to stop.
using TOnCheckAbortEvent = std::function<void(TObject* Sender, bool& Abort)>;
// Reports a rubber-band action at APoint; the handler may change APoint.
using TOnRubberBandActionEvent = std::function<void(TObject* Sender, TPoint& APoint)>;
// A progress callback: Sender (may be nullptr), the count StateCnt so far,
// and PercentDone (0 when the total is not known).
using TFeedbackProc = std::function<void(TObject* Sender, double StateCnt, double PercentDone)>;

}  // namespace zel
