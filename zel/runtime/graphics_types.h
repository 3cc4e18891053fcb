// Enumerations and small value types of the graphics runtime: integer points
// and rectangles, horizontal text alignment, pen and brush styles, font styles
// (with their set type), font pitch and the named colours.
//
// Like the library's other enumerations they are unscoped with a one-byte
// underlying type, and each value's ordinal is its place in the list, from 0;
// files store them by name through the tables of zel/base/nametables.h.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "zel/runtime/types.h"

namespace zel {

// An integer point of the graphics runtime.
struct TPoint {
  int32_t X = 0;  // column, growing to the right
  int32_t Y = 0;  // row, growing downwards
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// An integer rectangle: Left/Top is its first corner, Right/Bottom the corner
// just outside it (a canvas fills columns Left..Right-1, rows Top..Bottom-1).
struct TRect {
  int32_t Left = 0;    // first column
  int32_t Top = 0;     // first row
  int32_t Right = 0;   // the column just right of the rectangle
  int32_t Bottom = 0;  // the row just below the rectangle
  // Right - Left (negative when the corners are swapped).
  constexpr int32_t Width() const noexcept { return Right - Left; }
  // Bottom - Top (negative when the corners are swapped).
  constexpr int32_t Height() const noexcept { return Bottom - Top; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

// The point (X, Y).
constexpr TPoint Point(int32_t X, int32_t Y) noexcept { return {X, Y}; }
// The rectangle with corners (Left, Top) and (Right, Bottom), taken as they
// are (not reordered).
constexpr TRect Rect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) noexcept {
  return {Left, Top, Right, Bottom};
}

// Horizontal alignment of text within its box.
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

// How a pen draws lines: solid (the default), dashed, dotted, dash-dot,
// dash-dot-dot, not at all, or solid with its width kept inside the outline
// of the shape drawn.
enum TPenStyle : uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame
};

// How a brush fills: solid in its colour, not at all (clear), or with a
// hatch of one-pixel lines in its colour, every 8 pixels, over what is there:
// horizontal, vertical, forward diagonal (\), backward diagonal (/), cross
// and diagonal cross.
enum TBrushStyle : uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

// One style flag of a font.
enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// Character widths of a font: as the font defines them, proportional or
// fixed (every character as wide as every other).
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };

// A set of font style flags, one bit per TFontStyle ordinal.
//   TFontStyles s{fsBold, fsItalic};
//   s.Contains(fsBold);              // true
//   s.Exclude(fsBold).Include(fsUnderline);
class TFontStyles {
 public:
  constexpr TFontStyles() noexcept = default;
  // The set of the flags in Styles (repeats count once).
  constexpr TFontStyles(std::initializer_list<TFontStyle> Styles) noexcept {
    for (TFontStyle s : Styles) Include(s);
  }

  // The set whose bits are the low four bits of Mask (bit n = ordinal n).
  static constexpr TFontStyles FromMask(uint8_t Mask) noexcept {
    TFontStyles s;
    s.bits_ = static_cast<uint8_t>(Mask & kAll);
    return s;
  }
  // The set's bits (bit n = ordinal n), as FromMask takes them.
  constexpr uint8_t Mask() const noexcept { return bits_; }

  // True when S is in the set (never for a value beyond fsStrikeOut).
  constexpr bool Contains(TFontStyle S) const noexcept { return (bits_ & Bit(S)) != 0; }
  // True when the set holds no flag.
  constexpr bool Empty() const noexcept { return bits_ == 0; }
  // Adds S to the set (a value beyond fsStrikeOut adds nothing); returns the
  // set, so calls chain.
  constexpr TFontStyles& Include(TFontStyle S) noexcept {
    bits_ = static_cast<uint8_t>(bits_ | Bit(S));
    return *this;
  }
  // Removes S from the set; returns the set, so calls chain.
  constexpr TFontStyles& Exclude(TFontStyle S) noexcept {
    bits_ = static_cast<uint8_t>(bits_ & ~Bit(S));
    return *this;
  }

  // Union, difference and intersection, as the runtime's set operators.
  friend constexpr TFontStyles operator+(TFontStyles A, TFontStyles B) noexcept {
    return FromMask(static_cast<uint8_t>(A.bits_ | B.bits_));
  }
  friend constexpr TFontStyles operator-(TFontStyles A, TFontStyles B) noexcept {
    return FromMask(static_cast<uint8_t>(A.bits_ & ~B.bits_));
  }
  friend constexpr TFontStyles operator*(TFontStyles A, TFontStyles B) noexcept {
    return FromMask(static_cast<uint8_t>(A.bits_ & B.bits_));
  }
  friend constexpr bool operator==(TFontStyles A, TFontStyles B) noexcept {
    return A.bits_ == B.bits_;
  }

 private:
  static constexpr uint8_t kAll = 0x0F;
  static constexpr uint8_t Bit(TFontStyle S) noexcept {
    return S <= fsStrikeOut ? static_cast<uint8_t>(1u << S) : 0;
  }
  uint8_t bits_ = 0;
};

// Named colours (TColor: bits 0-7 red, 8-15 green, 16-23 blue).
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;   // dark red
inline constexpr TColor clGreen = 0x008000;    // dark green
inline constexpr TColor clOlive = 0x008080;    // dark yellow
inline constexpr TColor clNavy = 0x800000;     // dark blue
inline constexpr TColor clPurple = 0x800080;   // dark magenta
inline constexpr TColor clTeal = 0x808000;     // dark cyan
inline constexpr TColor clGray = 0x808080;     // mid grey
inline constexpr TColor clSilver = 0xC0C0C0;   // light grey
inline constexpr TColor clRed = 0x0000FF;      // red
inline constexpr TColor clLime = 0x00FF00;     // green
inline constexpr TColor clYellow = 0x00FFFF;   // yellow
inline constexpr TColor clBlue = 0xFF0000;     // blue
inline constexpr TColor clFuchsia = 0xFF00FF;  // magenta
inline constexpr TColor clAqua = 0xFFFF00;     // cyan
inline constexpr TColor clWhite = 0xFFFFFF;    // white

}  // namespace zel
