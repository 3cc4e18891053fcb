#include "zel/runtime/bitmap.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "zel/runtime/safefile.h"
#include "zel/runtime/utf8.h"

namespace zel {

EInvalidGraphic::~EInvalidGraphic() = default;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

[[noreturn]] void Invalid(const char* reason) {
  throw EInvalidGraphic(Utf8ToString(std::string("Invalid PNG image: ") + reason));
}

struct ImageGuard {
  png_image* image;
  ~ImageGuard() { png_image_free(image); }
};

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
  if (Empty()) throw EInvalidGraphic(u"Invalid PNG image: the bitmap is empty");
  const bool opaque =
      std::all_of(pixels_.begin(), pixels_.end(), [](uint32_t p) { return (p >> 24) == 0xFF; });
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width_);
  image.height = static_cast<png_uint_32>(height_);
  image.format = opaque ? PNG_FORMAT_BGR : PNG_FORMAT_BGRA;
  ImageGuard guard{&image};
  std::vector<uint8_t> rgb;
  const void* rows = pixels_.data();
  if (opaque) {
    // Blue, green, red bytes of each pixel, as PNG_FORMAT_BGR reads them.
    rgb.resize(pixels_.size() * 3);
    uint8_t* out = rgb.data();
    for (uint32_t p : pixels_) {
      *out++ = static_cast<uint8_t>(p);
      *out++ = static_cast<uint8_t>(p >> 8);
      *out++ = static_cast<uint8_t>(p >> 16);
    }
    rows = rgb.data();
  }
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, rows, 0, nullptr))
    throw EInvalidGraphic(Utf8ToString(std::string("Invalid PNG image: ") + image.message));
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rows, 0, nullptr))
    throw EInvalidGraphic(Utf8ToString(std::string("Invalid PNG image: ") + image.message));
  Stream.WriteBuffer(out.data(), static_cast<int64_t>(size));
}

void TBitmap::SaveToFile(const String& FileName) const {
  SafeReplaceFile(FileName, [this](TStream& s) { SaveToStream(s); });
}

void TBitmap::LoadFromStream(TStream& Stream) {
  std::vector<uint8_t> data;
  uint8_t buf[65536];
  for (;;) {
    const int64_t n = Stream.Read(buf, sizeof buf);
    if (n <= 0) break;
    data.insert(data.end(), buf, buf + n);
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ImageGuard guard{&image};
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) Invalid(image.message);
  if (image.width == 0 || image.height == 0 ||
      int64_t{image.width} * int64_t{image.height} > kMaxPixels || image.width > INT32_MAX ||
      image.height > INT32_MAX)
    Invalid("the image is too large");
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) Invalid(image.message);
  Adopt(std::move(pixels), static_cast<int32_t>(image.width), static_cast<int32_t>(image.height));
}

void TBitmap::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

}  // namespace zel
