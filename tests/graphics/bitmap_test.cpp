#include "zel/runtime/bitmap.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "zel/dstruct/crc.h"
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

// A chunk: length, type, data, CRC of type and data.
std::string Chunk(const std::string& type, const std::string& data) {
  std::string c;
  const auto put32 = [&c](uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) c += static_cast<char>(v >> shift);
  };
  put32(static_cast<uint32_t>(data.size()));
  c += type + data;
  const std::string crc_input = type + data;
  put32(static_cast<uint32_t>(CRC32ofBuffer(TBytes(crc_input.begin(), crc_input.end()),
                                            static_cast<int32_t>(crc_input.size()))));
  return c;
}

// A PNG of Width x Height RGBA pixels whose pixel data is a zlib stream
// holding one stored block of `stored` zero bytes and no end: the data ends
// early unless the image is that small.
std::string DeclaredPng(uint32_t Width, uint32_t Height, bool Interlaced, uint16_t stored) {
  std::string ihdr;
  for (uint32_t v : {Width, Height})
    for (int shift = 24; shift >= 0; shift -= 8) ihdr += static_cast<char>(v >> shift);
  ihdr += std::string{8, 6, 0, 0, static_cast<char>(Interlaced ? 1 : 0)};
  std::string idat = "\x78\x01";  // zlib header, no dictionary
  idat += std::string{0, static_cast<char>(stored & 0xFF), static_cast<char>(stored >> 8),
                      static_cast<char>(~stored & 0xFF), static_cast<char>((~stored >> 8) & 0xFF)};
  idat += std::string(stored, '\0');
  return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", ihdr) + Chunk("IDAT", idat);
}

// Highest resident memory of the process so far, in bytes.
int64_t PeakResident() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<int64_t>(counters.PeakWorkingSetSize);
#else
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return int64_t{u.ru_maxrss} * 1024;
#endif
}

// A header declaring a huge image over a few bytes of pixel data costs what
// the data holds, and the loader's pixel limit refuses images before any
// pixel is allocated.
TEST(BitmapPng, MemoryFollowsTheDataNotTheHeader) {
  struct Case {
    uint32_t width, height;
    bool interlaced;
    int64_t limit;
    const char16_t* reason;
  } cases[] = {
      {16384, 16384, false, TBitmap::kMaxPixels, u"the data ends before the image does"},
      {16384, 16384, true, TBitmap::kMaxPixels, u"the data ends before the image does"},
      {1000000, 268, false, TBitmap::kMaxPixels, u"the data ends before the image does"},
      {16385, 16384, false, TBitmap::kMaxPixels, u"the image is too large"},
      {100, 100, false, 9999, u"the image is too large"},
  };
  const int64_t before = PeakResident();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " " << c.interlaced);
    const std::string png = DeclaredPng(c.width, c.height, c.interlaced, 40);
    EXPECT_LT(png.size(), 100u);
    TBitmap b(2, 2);
    b.SetLoadPixelLimit(c.limit);
    try {
      Load(b, png);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(e.Message().find(c.reason), String::npos) << StringToUtf8(e.Message());
    }
    EXPECT_EQ(b.Width(), 2);
  }
  // Taking the whole image up front would have cost 1 GiB.
  EXPECT_LT(PeakResident() - before, int64_t{64} << 20);

  // The limit counts pixels: a 3 x 2 image needs 6.
  const std::string good = PngBytes(*Sample(false));
  TBitmap b;
  EXPECT_EQ(b.LoadPixelLimit(), TBitmap::kMaxPixels);
  b.SetLoadPixelLimit(5);
  EXPECT_THROW(Load(b, good), EInvalidGraphic);
  b.SetLoadPixelLimit(6);
  Load(b, good);
  EXPECT_EQ(b.Width(), 3);
  b.SetLoadPixelLimit(-1);
  EXPECT_EQ(b.LoadPixelLimit(), 0);
  b.SetLoadPixelLimit(TBitmap::kMaxPixels + 1);
  EXPECT_EQ(b.LoadPixelLimit(), TBitmap::kMaxPixels);
}

// Interlaced images arrive as seven reduced images and are put together
// (files made with Python's zlib; the grey one has empty passes).
TEST(BitmapPng, ReadsInterlacedImages) {
  struct Case {
    const char* file;
    int32_t width, height;
    uint32_t (*pixel)(uint32_t x, uint32_t y);
  } cases[] = {
      {"interlaced_rgba_7x5.png", 7, 5,
       [](uint32_t x, uint32_t y) {
         return (255 - x * y * 5) << 24 | (x * 30) << 16 | (y * 50) << 8 | (x + y) * 10;
       }},
      {"interlaced_grey_2x9.png", 2, 9,
       [](uint32_t x, uint32_t y) { return 0xFF000000u | (x * 100 + y * 10) * 0x010101u; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TBitmap b;
    b.LoadFromFile(Utf8ToString(std::string(ZEL_GRAPHICS_DATA) + "/" + c.file));
    ASSERT_EQ(b.Width(), c.width);
    ASSERT_EQ(b.Height(), c.height);
    for (int32_t y = 0; y < c.height; ++y)
      for (int32_t x = 0; x < c.width; ++x)
        EXPECT_EQ(b.ScanLine(y)[x], c.pixel(static_cast<uint32_t>(x), static_cast<uint32_t>(y)))
            << x << "," << y;
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
