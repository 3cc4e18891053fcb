#include "zel/runtime/bitmap.h"

#ifndef _WIN32  // PNG through libpng; Windows builds have no PNG codec yet
#include <png.h>
#endif

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
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

#ifndef _WIN32
struct ImageGuard {
  png_image* image;
  ~ImageGuard() { png_image_free(image); }
};
#endif

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

#ifndef _WIN32
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

#else
void TBitmap::SaveToStream(TStream&) const {
  if (Empty()) throw EInvalidGraphic(u"Invalid PNG image: the bitmap is empty");
  Invalid("PNG images are not available on this system yet");
}
#endif

void TBitmap::SaveToFile(const String& FileName) const {
  SafeReplaceFile(FileName, [this](TStream& s) { SaveToStream(s); });
}

void TBitmap::SetLoadPixelLimit(int64_t Value) noexcept {
  load_pixel_limit_ = std::clamp<int64_t>(Value, 0, kMaxPixels);
}

#ifndef _WIN32
namespace {

// libpng allocates through the C++ allocator, as the rest of the library
// does, so a program that replaces the global operator new sees (and can
// bound) the decoder's memory too.
png_voidp PngAlloc(png_structp, png_alloc_size_t Size) {
  return ::operator new(Size, std::nothrow);
}
void PngFree(png_structp, png_voidp Ptr) { ::operator delete(Ptr); }

// Ancillary chunks the loader has no use for; skipping them keeps libpng from
// collecting (and decompressing) text, profiles and palettes of suggestions.
constexpr png_byte kIgnoredChunks[] = "bKGD\0eXIf\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                      "sBIT\0sCAL\0sPLT\0tEXt\0tIME\0zTXt";

// What libpng's callbacks reach: the stream, read through a buffer, and how
// a failure came about.
struct PngSource {
  TStream* stream = nullptr;
  std::vector<uint8_t> buffer;
  size_t pos = 0, end = 0;
  std::exception_ptr stream_error;  // the stream raised this
  char message[160] = {};           // libpng's reason for giving up
};

void PngRaise(png_structp png, png_const_charp message) {
  auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(src->message, sizeof src->message, "%s", message);
  png_longjmp(png, 1);
}

void PngIgnoreWarning(png_structp, png_const_charp) {}

// Hands libpng Count bytes from the stream; data that ends early, or a
// stream that raises, ends the decoding.
void PngReadData(png_structp png, png_bytep Out, size_t Count) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  bool ended = false;
  try {
    while (Count > 0) {
      if (src->pos == src->end) {
        const int64_t n = src->stream->Read(src->buffer.data(),
                                            static_cast<int64_t>(src->buffer.size()));
        if (n <= 0) {
          ended = true;
          break;
        }
        src->pos = 0;
        src->end = static_cast<size_t>(n);
      }
      const size_t n = std::min(Count, src->end - src->pos);
      std::memcpy(Out, src->buffer.data() + src->pos, n);
      src->pos += n;
      Out += n;
      Count -= n;
    }
  } catch (...) {
    src->stream_error = std::current_exception();
  }
  // Only trivially destructible objects are alive here: png_error leaves
  // this frame with a long jump.
  if (src->stream_error) png_error(png, "the stream could not be read");
  if (ended) png_error(png, "the data ends before the image does");
}

// The pixels of an image as its rows arrive. Storage grows with the rows,
// fourfold at a time (few reallocations and copies for a whole image) and
// never beyond the whole image, so data that ends early costs at most four
// times what it held. An interlaced image arrives as seven reduced images, stored
// one after the other and put in place once all have arrived.
class PngRows {
 public:
  PngRows(uint32_t Width, uint32_t Height, bool Interlaced)
      : width_(Width), height_(Height), interlaced_(Interlaced) {}

  int Passes() const noexcept { return interlaced_ ? PNG_INTERLACE_ADAM7_PASSES : 1; }
  uint32_t PassColumns(int Pass) const noexcept {
    return interlaced_ ? PNG_PASS_COLS(width_, Pass) : width_;
  }
  uint32_t PassRows(int Pass) const noexcept {
    return interlaced_ ? PNG_PASS_ROWS(height_, Pass) : height_;
  }

  // Where libpng writes the next row: a row of the image, or for a reduced
  // image a scratch row of the whole width (libpng writes that much), which
  // RowDone then appends. Valid until the next call.
  png_bytep NextRow() {
    if (interlaced_) {
      if (scratch_.empty()) scratch_.resize(width_);
      return reinterpret_cast<png_bytep>(scratch_.data());
    }
    return reinterpret_cast<png_bytep>(Grow(width_));
  }
  // The row of Columns pixels that NextRow received is complete.
  void RowDone(uint32_t Columns) {
    if (interlaced_) std::copy_n(scratch_.data(), Columns, Grow(Columns));
  }

  // The whole image, rows top to bottom.
  std::vector<uint32_t> Take() {
    if (!interlaced_) return std::move(pixels_);
    std::vector<uint32_t> image(static_cast<size_t>(width_) * height_);
    const uint32_t* p = pixels_.data();
    for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass) {
      const uint32_t cols = PassColumns(pass), rows = PassRows(pass);
      if (cols == 0) continue;
      for (uint32_t y = 0; y < rows; ++y) {
        uint32_t* row = image.data() + static_cast<size_t>(PNG_ROW_FROM_PASS_ROW(y, pass)) * width_;
        for (uint32_t x = 0; x < cols; ++x) row[PNG_COL_FROM_PASS_COL(x, pass)] = *p++;
      }
    }
    std::vector<uint32_t>().swap(pixels_);
    return image;
  }

 private:
  // Count more pixels at the end of the storage.
  uint32_t* Grow(uint32_t Count) {
    const size_t total = static_cast<size_t>(width_) * height_;
    const size_t need = pixels_.size() + Count;
    if (need > pixels_.capacity())
      pixels_.reserve(std::min(total, std::max(need, 4 * pixels_.capacity())));
    pixels_.resize(need);
    return pixels_.data() + (need - Count);
  }

  uint32_t width_, height_;
  bool interlaced_;
  std::vector<uint32_t> pixels_;
  std::vector<uint32_t> scratch_;
};

// Reads the header, checks the size against the limit and sets up the
// conversion to 8-bit blue, green, red, alpha. Creates Rows.
void ReadPngHeader(png_structp png, png_infop info, int64_t Limit, std::optional<PngRows>& Rows) {
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (int64_t{w} * int64_t{h} > Limit) {
    char reason[96];
    std::snprintf(reason, sizeof reason, "the image is too large (%u x %u pixels, the limit is %lld)",
                  static_cast<unsigned>(w), static_cast<unsigned>(h), static_cast<long long>(Limit));
    Invalid(reason);  // a C++ exception: no libpng frame lies between here and the caller
  }
  const int color = png_get_color_type(png, info);
  const bool alpha = (color & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);  // palette to RGB, grey to 8 bits, transparency to alpha
  if (png_get_bit_depth(png, info) == 16) png_set_scale_16(png);
  if ((color & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if (!alpha) png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_alpha_mode(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);  // the file's gamma to sRGB
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t{w} * 4) Invalid("unsupported pixel format");
  Rows.emplace(w, h, png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7);
}

void ReadPngRows(png_structp png, png_infop info, PngRows& Rows) {
  for (int pass = 0; pass < Rows.Passes(); ++pass) {
    const uint32_t cols = Rows.PassColumns(pass), rows = Rows.PassRows(pass);
    if (cols == 0) continue;  // libpng skips empty passes
    for (uint32_t y = 0; y < rows; ++y) {
      png_read_row(png, Rows.NextRow(), nullptr);
      Rows.RowDone(cols);
    }
  }
  png_read_end(png, info);
}

// Runs the decoding under libpng's error handler: false when libpng gave up
// (the reason is in the source's message). C++ exceptions (the size limit,
// no memory for the pixels) pass through.
bool DecodePng(png_structp png, png_infop info, int64_t Limit, std::optional<PngRows>& Rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  ReadPngHeader(png, info, Limit, Rows);
  ReadPngRows(png, info, *Rows);
  return true;
}

struct PngReadGuard {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngReadGuard() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

}  // namespace

void TBitmap::LoadFromStream(TStream& Stream) {
  PngSource src;
  src.stream = &Stream;
  src.buffer.resize(64 * 1024);
  PngReadGuard guard;
  guard.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &src, PngRaise, PngIgnoreWarning,
                                       nullptr, PngAlloc, PngFree);
  if (guard.png == nullptr) throw EOutOfMemory("Out of memory");
  guard.info = png_create_info_struct(guard.png);
  if (guard.info == nullptr) throw EOutOfMemory("Out of memory");
  png_set_read_fn(guard.png, &src, PngReadData);
  png_set_keep_unknown_chunks(guard.png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                              static_cast<int>(sizeof kIgnoredChunks / 5));
  std::optional<PngRows> rows;
  if (!DecodePng(guard.png, guard.info, load_pixel_limit_, rows)) {
    if (src.stream_error) std::rethrow_exception(src.stream_error);
    Invalid(src.message);
  }
  // The stream is read to its end, as the whole of it was the image's.
  while (Stream.Read(src.buffer.data(), static_cast<int64_t>(src.buffer.size())) > 0) {
  }
  const auto w = static_cast<int32_t>(png_get_image_width(guard.png, guard.info));
  const auto h = static_cast<int32_t>(png_get_image_height(guard.png, guard.info));
  Adopt(rows->Take(), w, h);
}

#else
void TBitmap::LoadFromStream(TStream&) {
  Invalid("PNG images are not available on this system yet");
}
#endif

void TBitmap::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

}  // namespace zel
