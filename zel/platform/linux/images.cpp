#include "zel/platform/images.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <optional>

namespace zel::platform {
namespace {

// libpng allocates through the C++ allocator, as the rest of the library
// does, so a program that replaces the global operator new sees (and can
// bound) the decoder's memory too.
png_voidp PngAlloc(png_structp, png_alloc_size_t Size) {
  return ::operator new(Size, std::nothrow);
}
void PngFree(png_structp, png_voidp Ptr) { ::operator delete(Ptr); }

// Ancillary chunks the decoder has no use for; skipping them keeps libpng from
// collecting (and decompressing) text, profiles and palettes of suggestions.
constexpr png_byte kIgnoredChunks[] = "bKGD\0eXIf\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                      "sBIT\0sCAL\0sPLT\0tEXt\0tIME\0zTXt";

constexpr size_t kReadBlock = 64 * 1024;

// What libpng's callbacks reach: the reader, read through a buffer, and how
// a failure came about.
struct PngSource {
  const PngReader* read = nullptr;
  std::vector<uint8_t> buffer;
  size_t pos = 0, end = 0;
  std::exception_ptr read_error;  // the reader raised this
  char message[160] = {};         // the reason for giving up
};

void PngRaise(png_structp png, png_const_charp message) {
  auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(src->message, sizeof src->message, "%s", message);
  png_longjmp(png, 1);
}

void PngIgnoreWarning(png_structp, png_const_charp) {}

// Hands libpng Count bytes from the reader; data that ends early, or a
// reader that raises, ends the decoding.
void PngReadData(png_structp png, png_bytep Out, size_t Count) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  bool ended = false;
  try {
    while (Count > 0) {
      if (src->pos == src->end) {
        const size_t n = (*src->read)(src->buffer.data(), src->buffer.size());
        if (n == 0) {
          ended = true;
          break;
        }
        src->pos = 0;
        src->end = std::min(n, src->buffer.size());
      }
      const size_t n = std::min(Count, src->end - src->pos);
      std::memcpy(Out, src->buffer.data() + src->pos, n);
      src->pos += n;
      Out += n;
      Count -= n;
    }
  } catch (...) {
    src->read_error = std::current_exception();
  }
  // Only trivially destructible objects are alive here: png_error leaves
  // this frame with a long jump.
  if (src->read_error) png_error(png, "the data could not be read");
  if (ended) png_error(png, "the data ends before the image does");
}

// The pixels of an image as its rows arrive. Storage grows with the rows,
// fourfold at a time (few reallocations and copies for a whole image) and
// never beyond the whole image, so data that ends early costs at most four
// times what it held. An interlaced image arrives as seven reduced images,
// stored one after the other and put in place once all have arrived.
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

// Why a decoding stopped outside libpng's error handler.
struct Refusal {
  std::string reason;
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
    throw Refusal{reason};  // a C++ exception: no libpng frame lies between here and Decode
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
  if (png_get_rowbytes(png, info) != size_t{w} * 4) throw Refusal{"unsupported pixel format"};
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
// (the reason is in the source's message). C++ exceptions (a refusal, no
// memory for the pixels) pass through.
bool RunDecode(png_structp png, png_infop info, int64_t Limit, std::optional<PngRows>& Rows) {
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

struct ImageGuard {
  png_image* image;
  ~ImageGuard() { png_image_free(image); }
};

class LibPngCodec : public PngCodec {
 public:
  std::string Decode(const PngReader& read, int64_t pixel_limit, PngPixels& image) override {
    PngSource src;
    src.read = &read;
    src.buffer.resize(kReadBlock);
    PngReadGuard guard;
    guard.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &src, PngRaise, PngIgnoreWarning,
                                         nullptr, PngAlloc, PngFree);
    if (guard.png == nullptr) throw std::bad_alloc();
    guard.info = png_create_info_struct(guard.png);
    if (guard.info == nullptr) throw std::bad_alloc();
    png_set_read_fn(guard.png, &src, PngReadData);
    png_set_keep_unknown_chunks(guard.png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                                static_cast<int>(sizeof kIgnoredChunks / 5));
    std::optional<PngRows> rows;
    try {
      if (!RunDecode(guard.png, guard.info, pixel_limit, rows)) {
        if (src.read_error) std::rethrow_exception(src.read_error);
        return src.message;
      }
    } catch (Refusal& refusal) {
      return std::move(refusal.reason);
    }
    image.width = png_get_image_width(guard.png, guard.info);
    image.height = png_get_image_height(guard.png, guard.info);
    image.pixels = rows->Take();
    return {};
  }

  std::string Encode(const uint32_t* pixels, uint32_t width, uint32_t height,
                     std::vector<uint8_t>& out) override {
    const size_t count = static_cast<size_t>(width) * height;
    const bool opaque =
        std::all_of(pixels, pixels + count, [](uint32_t p) { return (p >> 24) == 0xFF; });
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = opaque ? PNG_FORMAT_BGR : PNG_FORMAT_BGRA;
    ImageGuard guard{&image};
    std::vector<uint8_t> rgb;
    const void* rows = pixels;
    if (opaque) {
      // Blue, green, red bytes of each pixel, as PNG_FORMAT_BGR reads them.
      rgb.resize(count * 3);
      uint8_t* dst = rgb.data();
      for (size_t i = 0; i < count; ++i) {
        const uint32_t p = pixels[i];
        *dst++ = static_cast<uint8_t>(p);
        *dst++ = static_cast<uint8_t>(p >> 8);
        *dst++ = static_cast<uint8_t>(p >> 16);
      }
      rows = rgb.data();
    }
    // One compression pass in the usual case: a buffer of a quarter of the
    // raw pixels holds most images; libpng reports the size it needs when it
    // does not, and only then is the image compressed a second time.
    png_alloc_size_t size = count * (opaque ? 3 : 4) / 4 + 4096;
    for (int pass = 0; pass < 2; ++pass) {
      const png_alloc_size_t capacity = size;
      out.resize(capacity);
      if (png_image_write_to_memory(&image, out.data(), &size, 0, rows, 0, nullptr)) {
        out.resize(size);
        return {};
      }
      if ((image.warning_or_error & PNG_IMAGE_ERROR) != 0 || size <= capacity) break;
      png_image_free(&image);  // the failed write left its state behind
      image.warning_or_error = 0;
    }
    out.clear();
    return image.message[0] != '\0' ? image.message : "the image could not be encoded";
  }
};

}  // namespace

PngCodec& NativePng() {
  static LibPngCodec native;
  return native;
}

}  // namespace zel::platform
