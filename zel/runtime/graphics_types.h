// Enumerations and small value types of the graphics runtime: horizontal text
// alignment, pen styles, font styles (with their set type) and font pitch.
//
// Like the library's other enumerations they are unscoped with a one-byte
// underlying type, and each value's ordinal is its place in the list, from 0;
// files store them by name through the tables of zel/base/nametables.h.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace zel {

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
  constexpr TFontStyles(std::initializer_list<TFontStyle> Styles) noexcept {
    for (TFontStyle s : Styles) Include(s);
  }

  // The set whose bits are the low four bits of Mask (bit n = ordinal n).
  static constexpr TFontStyles FromMask(uint8_t Mask) noexcept {
    TFontStyles s;
    s.bits_ = static_cast<uint8_t>(Mask & kAll);
    return s;
  }
  constexpr uint8_t Mask() const noexcept { return bits_; }

  constexpr bool Contains(TFontStyle S) const noexcept { return (bits_ & Bit(S)) != 0; }
  constexpr bool Empty() const noexcept { return bits_ == 0; }
  constexpr TFontStyles& Include(TFontStyle S) noexcept {
    bits_ = static_cast<uint8_t>(bits_ | Bit(S));
    return *this;
  }
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

}  // namespace zel
