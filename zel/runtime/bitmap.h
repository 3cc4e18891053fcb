// TBitmap: an image of 32-bit pixels with a canvas to draw on, read from and
// written to PNG files.
//
// Pixels are rows of 0xAARRGGBB values (see canvas.h); ScanLine(Row) gives a
// row. A new bitmap is empty (0 x 0); SetSize keeps the pixels the old and
// the new size share and fills the rest with opaque white. Negative sizes
// are taken as 0. A size of more than 2^28 pixels (1 GiB) raises
// EOutOfMemory and leaves the bitmap as it was.
//
// The canvas (Canvas()) draws at the screen's resolution (see
// zel/platform/fonts.h) and follows the bitmap through every resize.
//
// PNG files. SaveToFile/SaveToStream write an 8-bit RGB image, or RGBA when
// some pixel is not opaque (alpha other than 0xFF); SaveToFile replaces the
// file whole through the runtime's safe-replacement stream, so a failed save
// leaves an earlier file as it was. An empty bitmap cannot be stored as PNG
// and raises EInvalidGraphic. LoadFromFile/LoadFromStream read any PNG
// (palette, grey, 16-bit, interlaced, with or without alpha) into 8-bit
// RGBA; 16-bit samples are scaled to 8 bits and a gamma the file states is
// converted to sRGB. A stream is read from its position to its end. Data
// that is not a complete, valid PNG raises EInvalidGraphic ("Invalid PNG
// image: <reason>") and leaves the bitmap unchanged; a file that cannot be
// opened raises the file stream's EFOpenError, and an exception of the
// stream passes to the caller.
//
// Memory of a load. The pixels are stored as the rows are decoded (the
// storage grows fourfold at a time, never beyond the image), so data that
// ends early, or a header that declares a huge image over a few bytes, costs
// what the data held, not what the header claims: a 92-byte file declaring
// 16384 x 16384 pixels fails on its missing rows having used about 300 KiB. An interlaced image holds its reduced images and then the
// whole image once, so it peaks at twice the image. An image of more pixels
// than LoadPixelLimit() (by default kMaxPixels, 2^28 pixels or 1 GiB) is
// refused with EInvalidGraphic ("... the image is too large ...") before any
// pixel is allocated. Text, profile and other ancillary chunks the bitmap
// has no use for are skipped unread. Besides the pixels, the decoder keeps a
// few rows of the image's width (at most 1 000 000 pixels per row).
// The decoder's own allocations (libpng's on Linux) go through the global
// operator new. The codec is the platform layer's (zel/platform/images.h).
#pragma once

#include <cstdint>
#include <vector>

#include "zel/runtime/canvas.h"
#include "zel/runtime/classes.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"

namespace zel {

// Image data that cannot be read (a damaged or unsupported picture).
ZEL_DECLARE_EXCEPTION(EInvalidGraphic, Exception);

class ZEL_API TBitmap : public TPersistent {
 public:
  // The largest number of pixels a bitmap holds.
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;

  TBitmap();
  // A bitmap of Width x Height opaque white pixels, as SetSize makes it.
  TBitmap(int32_t Width, int32_t Height);
  ~TBitmap() override;

  int32_t Width() const noexcept { return width_; }          // pixels per row
  int32_t Height() const noexcept { return height_; }        // number of rows
  void SetWidth(int32_t Value) { SetSize(Value, height_); }  // SetSize(Value, Height())
  void SetHeight(int32_t Value) { SetSize(width_, Value); }  // SetSize(Width(), Value)
  // Resizes to AWidth x AHeight, keeping the pixels both sizes share (see
  // the header comment); raises EOutOfMemory above kMaxPixels.
  void SetSize(int32_t AWidth, int32_t AHeight);
  // True when Width or Height is 0.
  bool Empty() const noexcept { return width_ == 0 || height_ == 0; }

  // The canvas drawing on the pixels; the same object for the bitmap's life.
  TCanvas& Canvas() noexcept { return canvas_; }

  // Row Row of the pixels (0 <= Row < Height, else nullptr).
  uint32_t* ScanLine(int32_t Row) noexcept;
  const uint32_t* ScanLine(int32_t Row) const noexcept;

  // Writes the pixels as a PNG image to Stream at its position; an empty
  // bitmap raises EInvalidGraphic.
  void SaveToStream(TStream& Stream) const;
  // Replaces the file FileName with the pixels as a PNG image (an empty
  // bitmap raises EInvalidGraphic and leaves the file alone).
  void SaveToFile(const String& FileName) const;
  // Reads a PNG image from Stream's position to its end; data that is not
  // one, or an image of more than LoadPixelLimit() pixels, raises
  // EInvalidGraphic and leaves the bitmap unchanged.
  void LoadFromStream(TStream& Stream);
  // Reads the PNG image in the file FileName, as LoadFromStream does.
  void LoadFromFile(const String& FileName);

  // The most pixels (width x height) an image may have to be loaded;
  // kMaxPixels for a new bitmap. SetLoadPixelLimit takes values into
  // 0..kMaxPixels. Not copied by Assign: it belongs to the loading object.
  int64_t LoadPixelLimit() const noexcept { return load_pixel_limit_; }
  void SetLoadPixelLimit(int64_t Value) noexcept;  // see LoadPixelLimit

  // From another TBitmap: size and pixels. Any other source: the runtime's
  // conversion error.
  void Assign(const TPersistent* Source) override;
  String ClassName() const override;

 private:
  void Adopt(std::vector<uint32_t> Pixels, int32_t AWidth, int32_t AHeight) noexcept;

  std::vector<uint32_t> pixels_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int64_t load_pixel_limit_ = kMaxPixels;
  TCanvas canvas_;
};

}  // namespace zel
