// PNG images: decoding into 32-bit pixels, read through a callback, and
// encoding to memory or through a write callback. Pixels are rows of
// 0xAARRGGBB values, top row first.
//
// Decoding reads any PNG (palette, grey, 16-bit, interlaced, with or without
// alpha) into 8-bit samples: palette and grey become RGB, transparency
// becomes alpha (opaque 0xFF when the image has none), 16-bit samples are
// scaled to 8 bits and a gamma the file states is converted to sRGB. The
// header's width x height is checked against the pixel limit before any row
// storage exists. The pixels are stored as the rows are decoded (growing
// fourfold at a time, never beyond the image), so data that ends early costs
// what it held, not what the header claims; an interlaced image holds its
// reduced images and then the whole image once. Ancillary chunks of no use
// for the pixels (text, profiles, times, ...) are skipped unread. Data is
// read in blocks of 64 KiB, so the callback may be asked for bytes beyond
// the end of the image.
// Encoding writes an 8-bit RGB image when every pixel is opaque (alpha
// 0xFF), else an 8-bit RGBA image, non-interlaced, with an sRGB chunk.
//
// Errors are returned as text (the reason, without a prefix); an empty text
// is success. An exception of a callback passes to the caller, as does
// std::bad_alloc for the pixels.
//
// Linux: libpng; its allocations while decoding go through the global
// operator new, so a program that replaces operator new sees (and can bound)
// them.
// Windows: the Windows Imaging Component (WIC). The codec reads the chunks
// itself in 64 KiB blocks up to the end chunk (nothing after it), checks
// the signature, the chunk order, the CRCs of the critical chunks and the
// size against the pixel limit, and refuses pixel data too short to hold
// the declared rows (deflate makes at most 1032 bytes of one) with "Not
// enough image data" (libpng's words), all before WIC sees the file; WIC then
// decodes, from memory, only the header, palette, pixel data and end, and
// the rows are copied out in bands of about 1 MiB into storage that grows
// as on Linux. WIC holds the decoded image in its stored form meanwhile, so
// a file costs at most about 1032 times its pixel data plus the pixels;
// ancillary chunks pass through the callback but are not kept. The reasons are libpng's
// words for the same faults, except for damaged compressed data, which WIC
// reports as "the image data is damaged (WIC error 0x...)". Transparency,
// 16-bit scaling and gamma are applied by the codec as libpng applies them
// (WIC itself applies no gamma here), so both systems give the same pixels.
// Encoding uses WIC's PNG encoder (24-bit BGR or 32-bit BGRA, straight
// alpha) and inserts the sRGB chunk after the header. WIC's own allocations
// do not pass through operator new.
//
// The backend in force is Png(); tests install another one with
// SetPngBackend or ScopedBackend (see backend.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zel/export.h"

namespace zel::platform {

// A decoded image: width x height pixels, 0xAARRGGBB, rows top to bottom.
struct PngPixels {
  uint32_t width = 0;            // pixels per row
  uint32_t height = 0;           // rows
  std::vector<uint32_t> pixels;  // width * height values
};

// Reads up to size bytes into data; returns how many it read, 0 at the end
// of the data.
using PngReader = std::function<size_t(uint8_t* data, size_t size)>;
// Takes size bytes at data, the next part of the encoded image.
using PngWriter = std::function<void(const uint8_t* data, size_t size)>;

// The PNG codec concern.
class ZEL_API PngCodec {
 public:
  virtual ~PngCodec();
  // Decodes the PNG that read delivers into image; an image of more than
  // pixel_limit pixels is refused ("the image is too large (W x H pixels,
  // the limit is L)") before its rows are read. Returns "" on success, else
  // the reason (image is then unspecified).
  virtual std::string Decode(const PngReader& read, int64_t pixel_limit, PngPixels& image) = 0;
  // Encodes width x height pixels (rows of width values at pixels) into out
  // (replacing its contents). Returns "" on success, else the reason.
  virtual std::string Encode(const uint32_t* pixels, uint32_t width, uint32_t height,
                             std::vector<uint8_t>& out) = 0;
  // Encodes width x height pixels (rows of width values at pixels) as
  // Encode does and hands the bytes to write; returns "" on success, else
  // the reason (write not called). The native codecs encode in memory first
  // (this default) and hand the image to write in one piece.
  virtual std::string EncodeTo(const uint32_t* pixels, uint32_t width, uint32_t height,
                               const PngWriter& write);
};

// The process's native codec.
ZEL_API PngCodec& NativePng();
// The implementation in force (the native one unless a test installed another).
ZEL_API PngCodec& Png();
// Installs `backend` (nullptr: the native one); returns the previous one.
ZEL_API PngCodec* SetPngBackend(PngCodec* backend);

}  // namespace zel::platform
