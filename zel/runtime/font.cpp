#include "zel/runtime/font.h"

#include <algorithm>
#include <cstdint>

namespace zel {

namespace {

constexpr int32_t kPointsPerInch = 72;
constexpr int32_t kDefaultSize = 10;

// -V without the one overflow of negation.
int32_t Negate(int32_t V) { return V == INT32_MIN ? INT32_MAX : -V; }

int32_t HeightForSize(int32_t Size, int32_t PixelsPerInch) {
  return Negate(MulDiv(Size, PixelsPerInch, kPointsPerInch));
}

}  // namespace

int32_t MulDiv(int32_t Value, int32_t Numerator, int32_t Denominator) {
  if (Denominator == 0) return -1;
  int64_t num = int64_t{Value} * Numerator;
  int64_t den = Denominator;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  // Round half away from zero: |num| <= 2^62, so adding den / 2 cannot overflow.
  const int64_t q = num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
  return static_cast<int32_t>(std::clamp<int64_t>(q, INT32_MIN, INT32_MAX));
}

TFont::TFont() : name_(u"Sans"), height_(HeightForSize(kDefaultSize, kDefaultPixelsPerInch)) {}

TFont::~TFont() = default;

String TFont::ClassName() const { return u"TFont"; }

void TFont::Changed() {
  if (on_change_) on_change_(this);
}

void TFont::SetName(const String& Value) {
  if (Value == name_) return;
  name_ = Value;
  Changed();
}

int32_t TFont::Size() const noexcept {
  return Negate(MulDiv(height_, kPointsPerInch, pixels_per_inch_));
}

void TFont::SetSize(int32_t Value) { SetHeight(HeightForSize(Value, pixels_per_inch_)); }

void TFont::SetHeight(int32_t Value) {
  if (Value == height_) return;
  height_ = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == style_) return;
  style_ = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value > fpFixed || Value == pitch_) return;  // not a pitch: ignored, as pen styles are
  pitch_ = Value;
  Changed();
}

void TFont::SetPixelsPerInch(int32_t Value) {
  if (Value < 1 || Value == pixels_per_inch_) return;
  const int32_t size = Size();
  pixels_per_inch_ = Value;
  SetSize(size);
}

void TFont::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TFont*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  const int32_t height = src->pixels_per_inch_ == pixels_per_inch_
                             ? src->height_
                             : HeightForSize(src->Size(), pixels_per_inch_);
  const bool changed = name_ != src->name_ || height_ != height || color_ != src->color_ ||
                       style_ != src->style_ || pitch_ != src->pitch_;
  name_ = src->name_;
  height_ = height;
  color_ = src->color_;
  style_ = src->style_;
  pitch_ = src->pitch_;
  if (changed) Changed();
}

}  // namespace zel
