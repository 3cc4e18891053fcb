#include "zel/runtime/bitmap.h"

#include <algorithm>
#include <string>

#include "zel/platform/images.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/utf8.h"

namespace zel {

EInvalidGraphic::~EInvalidGraphic() = default;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

[[noreturn]] void Invalid(const std::string& reason) {
  throw EInvalidGraphic(Utf8ToString("Invalid PNG image: " + reason));
}

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int32_t Width, int32_t Height) { SetSize(Width, Height); }

TBitmap::~TBitmap() = default;

String TBitmap::ClassName() const { return u"TBitmap"; }

void TBitmap::Adopt(std::vector<uint32_t> Pixels, int32_t AWidth, int32_t AHeight) noexcept {
  pixels_ = std::move(Pixels);
  width_ = AWidth;
  height_ = AHeight;
  canvas_.Attach(pixels_.empty() ? nullptr : pixels_.data(), width_, height_, width_);
}

void TBitmap::SetSize(int32_t AWidth, int32_t AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == width_ && AHeight == height_) return;
  if (int64_t{AWidth} * AHeight > kMaxPixels) throw EOutOfMemory("Out of memory");
  if (AWidth == 0 || AHeight == 0) {
    Adopt({}, AWidth, AHeight);
    return;
  }
  std::vector<uint32_t> pixels(static_cast<size_t>(AWidth) * static_cast<size_t>(AHeight), kWhite);
  const int32_t w = std::min(AWidth, width_), h = std::min(AHeight, height_);
  for (int32_t y = 0; y < h; ++y)
    std::copy_n(pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_), w,
                pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(AWidth));
  Adopt(std::move(pixels), AWidth, AHeight);
}

uint32_t* TBitmap::ScanLine(int32_t Row) noexcept {
  if (Row < 0 || Row >= height_ || width_ == 0) return nullptr;
  return pixels_.data() + static_cast<size_t>(Row) * static_cast<size_t>(width_);
}

const uint32_t* TBitmap::ScanLine(int32_t Row) const noexcept {
  if (Row < 0 || Row >= height_ || width_ == 0) return nullptr;
  return pixels_.data() + static_cast<size_t>(Row) * static_cast<size_t>(width_);
}

void TBitmap::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TBitmap*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  Adopt(src->pixels_, src->width_, src->height_);
}

void TBitmap::SaveToStream(TStream& Stream) const {
  if (Empty()) Invalid("the bitmap is empty");
  const std::string error = platform::Png().EncodeTo(
      pixels_.data(), static_cast<uint32_t>(width_), static_cast<uint32_t>(height_),
      [&Stream](const uint8_t* Data, size_t Size) {
        Stream.WriteBuffer(Data, static_cast<int64_t>(Size));
      });
  if (!error.empty()) Invalid(error);
}

void TBitmap::SaveToFile(const String& FileName) const {
  SafeReplaceFile(FileName, [this](TStream& s) { SaveToStream(s); });
}

void TBitmap::SetLoadPixelLimit(int64_t Value) noexcept {
  load_pixel_limit_ = std::clamp<int64_t>(Value, 0, kMaxPixels);
}

void TBitmap::LoadFromStream(TStream& Stream) {
  platform::PngPixels image;
  const std::string error = GuardAllocation([&] {
    return platform::Png().Decode(
        [&Stream](uint8_t* Data, size_t Size) {
          const int64_t n = Stream.Read(Data, static_cast<int64_t>(Size));
          return n > 0 ? static_cast<size_t>(n) : size_t{0};
        },
        load_pixel_limit_, image);
  });
  if (!error.empty()) Invalid(error);
  // The stream is read to its end, as the whole of it was the image's.
  uint8_t rest[4096];
  while (Stream.Read(rest, sizeof rest) > 0) {
  }
  Adopt(std::move(image.pixels), static_cast<int32_t>(image.width),
        static_cast<int32_t>(image.height));
}

void TBitmap::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

}  // namespace zel
