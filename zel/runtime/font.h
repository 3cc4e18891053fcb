// TFont: the runtime's font description, as a canvas draws text with it and
// as persistent settings objects store it.
//
// A TFont is a plain persistent object (no owner, no operating-system
// handle): family name, size, colour, style flags, pitch and the resolution
// the size is measured at. Finding the face that draws a family is the
// canvas's business; a name that no installed font carries is stored as it
// is.
//
// Size and height. The font stores its height in pixels; its size in points
// is derived from the height and the resolution (PixelsPerInch, 72 points to
// the inch), each conversion rounding halves away from zero:
//   Height = -round(Size * PixelsPerInch / 72)
//   Size   = -round(Height * 72 / PixelsPerInch)
// A negative height is the character height (the em), the usual form and the
// one SetSize produces; a positive height is the height of the character
// cell including internal leading, and then Size reads negative. At 96
// pixels per inch a 10-point font is 13 pixels high, at 300 pixels per inch
// 42. Sizes and heights beyond the 32-bit range are clamped to it.
//
// Resolution. A new font measures at 96 pixels per inch, the resolution the
// library assumes for the screen. A canvas gives its font the device's
// resolution; SetPixelsPerInch keeps the size in points and recomputes the
// height, so a font moved to a 300 dpi printer canvas prints at the same
// size. Resolutions below 1 are ignored.
//
// Defaults: name "Sans" (the desktop's sans-serif family), 10 points,
// colour 0 (black), no style flags, pitch fpDefault.
//
// Notification. Every setter that changes a value calls OnChange (Sender =
// the font) once; setting a value equal to the current one fires nothing.
// Assign fires OnChange once when it changed anything.
//
// Not thread-safe; a font belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <utility>

#include "zel/runtime/classes.h"
#include "zel/runtime/graphics_types.h"
#include "zel/runtime/types.h"

namespace zel {

// The resolution a new font measures its size at.
inline constexpr int32_t kDefaultPixelsPerInch = 96;

class ZEL_API TFont : public TPersistent {
 public:
  TFont();
  ~TFont() override;

  // The family name ("Sans" on a new font).
  const String& Name() const noexcept { return name_; }
  void SetName(const String& Value);  // sets Name, stored as given

  // Size in points (see the header comment for the rounding).
  int32_t Size() const noexcept;
  // Sets Height to -round(Value * PixelsPerInch / 72).
  void SetSize(int32_t Value);

  // Height in pixels at PixelsPerInch.
  int32_t Height() const noexcept { return height_; }
  void SetHeight(int32_t Value);  // sets Height, negative or positive as above

  TColor Color() const noexcept { return color_; }  // the colour of the glyphs
  void SetColor(TColor Value);                      // sets Color

  TFontStyles Style() const noexcept { return style_; }  // bold, italic, underline, strike-out
  void SetStyle(TFontStyles Value);                      // sets Style

  TFontPitch Pitch() const noexcept { return pitch_; }  // the character widths asked for
  void SetPitch(TFontPitch Value);  // sets Pitch; a value beyond fpFixed is ignored

  // The resolution Size is measured at (96 on a new font).
  int32_t PixelsPerInch() const noexcept { return pixels_per_inch_; }
  // Keeps Size, recomputes Height; fires OnChange when the height changes.
  void SetPixelsPerInch(int32_t Value);

  // Called (Sender = the font) by every change; see the header comment.
  const TNotifyEvent& OnChange() const noexcept { return on_change_; }
  void SetOnChange(TNotifyEvent Handler) { on_change_ = std::move(Handler); }  // sets OnChange

  // From another TFont: copies name, colour, style and pitch, and the height
  // when both measure at the same resolution, otherwise the size in points
  // (so the copy has the source's size at this font's resolution). The
  // resolution and the OnChange handler stay this font's own. Fires OnChange
  // once if anything changed. Any other source: the runtime's conversion
  // error.
  void Assign(const TPersistent* Source) override;

  String ClassName() const override;

 protected:
  // Calls OnChange(this) if a handler is assigned.
  virtual void Changed();

 private:
  String name_;
  int32_t height_;
  TColor color_ = 0;
  TFontStyles style_;
  TFontPitch pitch_ = fpDefault;
  int32_t pixels_per_inch_ = kDefaultPixelsPerInch;
  TNotifyEvent on_change_;
};

// Value * Numerator / Denominator computed in 64 bits, rounded half away from
// zero and clamped to the 32-bit range. A zero Denominator gives -1, as the
// host's own MulDiv does.
ZEL_API int32_t MulDiv(int32_t Value, int32_t Numerator, int32_t Denominator);

}  // namespace zel
