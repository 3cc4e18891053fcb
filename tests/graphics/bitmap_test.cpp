#include "zel/runtime/bitmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

// A 3 x 2 image with distinct pixels, optionally one translucent.
std::unique_ptr<TBitmap> Sample(bool alpha) {
  auto b = std::make_unique<TBitmap>(3, 2);
  b->Canvas().SetPixels(0, 0, clRed);
  b->Canvas().SetPixels(1, 0, 0x123456);
  b->Canvas().SetPixels(2, 1, clBlue);
  if (alpha) b->ScanLine(1)[0] = 0x80FF0000u;
  return b;
}

std::string PngBytes(const TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(s);
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

void Load(TBitmap& b, const std::string& bytes) {
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  b.LoadFromStream(s);
}

TEST(BitmapPng, RoundTripKeepsEveryPixel) {
  for (bool alpha : {false, true}) {
    SCOPED_TRACE(alpha);
    const auto held = Sample(alpha);
    const TBitmap& a = *held;
    const std::string png = PngBytes(a);
    ASSERT_EQ(png.substr(1, 3), "PNG");
    // Colour type at byte 25: 2 = RGB, 6 = RGBA.
    EXPECT_EQ(static_cast<int>(png[25]), alpha ? 6 : 2);
    TBitmap b;
    Load(b, png);
    ASSERT_EQ(b.Width(), 3);
    ASSERT_EQ(b.Height(), 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(b.ScanLine(y)[x], a.ScanLine(y)[x]) << x << "," << y;
  }
  zel_test::TempDir dir;
  const auto a = Sample(false);
  a->SaveToFile(dir.File("a.png"));
  TBitmap b;
  b.LoadFromFile(dir.File("a.png"));
  EXPECT_EQ(b.Canvas().Pixels(1, 0), 0x123456u);
}

TEST(BitmapPng, ReadsOtherPixelFormats) {
  struct Case {
    const char* file;
    uint32_t first, second;  // pixels (0, 0) and (1, 0)
  } cases[] = {
      {"palette_3x2.png", 0xFFFF0000u, 0x8000FF00u},  // palette with transparency
      {"grey16_2x2.png", 0xFF000000u, 0xFFFFFFFFu},   // 16-bit grey
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TBitmap b;
    b.LoadFromFile(Utf8ToString(std::string(ZEL_GRAPHICS_DATA) + "/" + c.file));
    EXPECT_EQ(b.ScanLine(0)[0], c.first);
    EXPECT_EQ(b.ScanLine(0)[1], c.second);
  }
}

TEST(BitmapPng, DamagedDataRaisesAndLeavesTheBitmap) {
  const std::string good = PngBytes(*Sample(false));
  std::string bad_crc = good;
  bad_crc[30] ^= 0x55;  // inside the header chunk: its CRC no longer matches
  std::string bad_data = good;
  bad_data[bad_data.size() - 20] ^= 0x7F;  // inside the compressed pixels
  const std::string cases[] = {
      "",
      "not a png at all",
      good.substr(0, 8),
      good.substr(0, 40),
      good.substr(0, good.size() / 2),
      bad_crc,
      bad_data,
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    TBitmap b(2, 2);
    b.Canvas().SetPixels(1, 1, clRed);
    try {
      Load(b, cases[i]);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message().rfind(u"Invalid PNG image: ", 0), 0u);
    }
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.Canvas().Pixels(1, 1), clRed);
  }
}

TEST(BitmapPng, FileErrors) {
  zel_test::TempDir dir;
  TBitmap b(1, 1);
  EXPECT_THROW(b.LoadFromFile(dir.File("missing.png")), EFOpenError);
  EXPECT_THROW(b.SaveToFile(dir.File("no/such/folder/x.png")), EFCreateError);
  TBitmap empty;
  EXPECT_THROW(empty.SaveToFile(dir.File("empty.png")), EInvalidGraphic);
  // A failed save leaves the earlier file.
  const String keep = dir.Write("keep.png", "earlier");
  EXPECT_THROW(empty.SaveToFile(keep), EInvalidGraphic);
  EXPECT_EQ(zel_test::TempDir::Read(keep), "earlier");
}

TEST(BitmapSize, ResizeKeepsSharedPixelsAndClamps) {
  TBitmap b(2, 2);
  EXPECT_EQ(b.Canvas().Pixels(0, 0), clWhite);
  b.Canvas().SetPixels(1, 1, clRed);
  b.SetSize(3, 4);
  EXPECT_EQ(b.Canvas().Pixels(1, 1), clRed);
  EXPECT_EQ(b.Canvas().Pixels(2, 3), clWhite);
  b.Canvas().SetPixels(2, 3, clBlue);  // the canvas follows the resize
  EXPECT_EQ(b.ScanLine(3)[2], 0xFF0000FFu);
  b.SetWidth(-5);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.ScanLine(0), nullptr);
  b.Canvas().Rectangle(0, 0, 4, 4);  // draws nothing, writes nowhere
  EXPECT_THROW(b.SetSize(65536, 65536), EOutOfMemory);
  EXPECT_EQ(b.Height(), 4);
  TBitmap c;
  c.Assign(&b);
  EXPECT_EQ(c.Height(), 4);
  TPen pen;
  EXPECT_THROW(c.Assign(&pen), EConvertError);
}

TEST(BitmapCanvas, DrawAndStretchDraw) {
  const auto holder = Sample(false);
  const TBitmap& src = *holder;
  TBitmap dst(8, 8);
  dst.Canvas().Draw(-1, 6, src);  // clipped
  EXPECT_EQ(dst.Canvas().Pixels(0, 6), 0x123456u);
  EXPECT_EQ(dst.Canvas().Pixels(1, 7), clBlue);
  dst.Canvas().StretchDraw(Rect(0, 0, 6, 4), src);  // each pixel 2 x 2
  EXPECT_EQ(dst.Canvas().Pixels(1, 1), clRed);
  EXPECT_EQ(dst.Canvas().Pixels(3, 0), 0x123456u);
  EXPECT_EQ(dst.Canvas().Pixels(5, 3), clBlue);
  dst.Canvas().StretchDraw(Rect(5, 5, 5, 9), src);  // empty: nothing
}

}  // namespace
}  // namespace zel
