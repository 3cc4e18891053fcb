#include "zel/runtime/bitmap.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h:
#include <objbase.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"
#include "zel/dstruct/crc.h"
#include "zel/platform/images.h"
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

std::string Be32(uint32_t v) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>(v >> shift);
  return s;
}

// A zlib stream holding Data in one stored block.
std::string ZlibStored(const std::string& Data) {
  uint32_t a = 1, b = 0;  // Adler-32
  for (unsigned char c : Data) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  const auto n = static_cast<uint16_t>(Data.size());
  std::string z = "\x78\x01";
  z += std::string{1, static_cast<char>(n & 0xFF), static_cast<char>(n >> 8),
                   static_cast<char>(~n & 0xFF), static_cast<char>((~n >> 8) & 0xFF)};
  return z + Data + Be32(b << 16 | a);
}

std::string Header(uint32_t Width, uint32_t Height, int Depth, int Color, int Interlace = 0) {
  return Chunk("IHDR", Be32(Width) + Be32(Height) +
                           std::string{static_cast<char>(Depth), static_cast<char>(Color), 0, 0,
                                       static_cast<char>(Interlace)});
}

// A whole PNG: the header, the chunks in Before, the filtered Rows (each
// starting with its filter byte) as one IDAT, and the end.
std::string WholePng(uint32_t Width, uint32_t Height, int Depth, int Color,
                     const std::string& Before, const std::string& Rows) {
  return "\x89PNG\r\n\x1a\n" + Header(Width, Height, Depth, Color) + Before +
         Chunk("IDAT", ZlibStored(Rows)) + Chunk("IEND", "");
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// Every colour type and depth gives the same pixels on every system (the
// values libpng gives): samples below 8 bits scaled up, 16-bit samples
// rounded to 8 bits, transparent colours (compared in the image's depth),
// palettes with fewer alpha values or entries than indexes, and a stated
// gamma converted to sRGB unless an sRGB chunk is present or it is close.
TEST(BitmapPng, EveryColourTypeGivesTheSamePixels) {
  const std::string gamma1 = Chunk("gAMA", Be32(100000));  // linear samples
  struct Case {
    const char* name;
    std::string png;
    std::vector<uint32_t> want;  // the first row
  } cases[] = {
      {"grey 1-bit, black transparent",
       WholePng(4, 1, 1, 0, Chunk("tRNS", Bytes({0, 0})), Bytes({0, 0xA0})),
       {0xFFFFFFFFu, 0x00000000u, 0xFFFFFFFFu, 0x00000000u}},
      {"grey 2-bit, 2 transparent",
       WholePng(4, 1, 2, 0, Chunk("tRNS", Bytes({0, 2})), Bytes({0, 0x1B})),
       {0xFF000000u, 0xFF555555u, 0x00AAAAAAu, 0xFFFFFFFFu}},
      {"grey 4-bit, key 0x13 taken as 3",
       WholePng(2, 1, 4, 0, Chunk("tRNS", Bytes({0, 0x13})), Bytes({0, 0x3C})),
       {0x00333333u, 0xFFCCCCCCu}},
      {"grey 8-bit, gamma 1.0, 0x80 transparent",
       WholePng(3, 1, 8, 0, gamma1 + Chunk("tRNS", Bytes({0, 0x80})), Bytes({0, 0x10, 0x80, 0xFF})),
       {0xFF484848u, 0x00BABABAu, 0xFFFFFFFFu}},
      {"grey 16-bit, 0x1234 transparent",
       WholePng(4, 1, 16, 0, Chunk("tRNS", Bytes({0x12, 0x34})),
                Bytes({0, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0x80, 0x12, 0x34})),
       {0xFF010101u, 0xFFFEFEFEu, 0xFF808080u, 0x00121212u}},
      {"grey 16-bit, gamma 1.0: the top 11 bits count",
       WholePng(4, 1, 16, 0, gamma1, Bytes({0, 0x00, 0x1F, 0x00, 0x20, 0x40, 0x00, 0xC0, 0x00})),
       {0xFF000000u, 0xFF060606u, 0xFF888888u, 0xFFE0E0E0u}},
      {"RGB 16-bit, gamma 2.2",
       WholePng(1, 1, 16, 2, Chunk("gAMA", Be32(220000)),
                Bytes({0, 0x00, 0x1F, 0x01, 0x00, 0x80, 0x00})),
       {0xFF0050DDu}},
      {"RGB 8-bit, key compared in 8 bits",
       WholePng(2, 1, 8, 2, Chunk("tRNS", Bytes({1, 4, 0, 5, 0, 6})), Bytes({0, 1, 2, 3, 4, 5, 6})),
       {0xFF010203u, 0x00040506u}},
      {"RGB 16-bit, key compared in 16 bits",
       WholePng(2, 1, 16, 2, Chunk("tRNS", Bytes({0x11, 0x11, 0x22, 0x22, 0x33, 0x33})),
                Bytes({0, 0x00, 0xFF, 0x01, 0x00, 0xFF, 0xFF, 0x11, 0x11, 0x22, 0x22, 0x33, 0x33})),
       {0xFF0101FFu, 0x00112233u}},
      {"palette 2-bit, one alpha, two entries",
       WholePng(4, 1, 2, 3,
                Chunk("PLTE", Bytes({255, 0, 0, 0, 255, 0})) + Chunk("tRNS", Bytes({0x80})),
                Bytes({0, 0x1B})),
       {0x80FF0000u, 0xFF00FF00u, 0xFF000000u, 0xFF000000u}},
      {"palette 8-bit, gamma 1.0",
       WholePng(2, 1, 8, 3,
                gamma1 + Chunk("PLTE", Bytes({0x10, 0x80, 0xFF, 0, 0, 0})) +
                    Chunk("tRNS", Bytes({0x40})),
                Bytes({0, 0, 1})),
       {0x4048BAFFu, 0xFF000000u}},
      {"grey and alpha 8-bit", WholePng(1, 1, 8, 4, "", Bytes({0, 0x40, 0x80})), {0x80404040u}},
      {"grey and alpha 16-bit",
       WholePng(1, 1, 16, 4, "", Bytes({0, 0x12, 0x34, 0x80, 0x00})),
       {0x80121212u}},
      {"RGBA 16-bit",
       WholePng(1, 1, 16, 6, "", Bytes({0, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0x80, 0x7F, 0x7F})),
       {0x7F01FE80u}},
      {"RGB 8-bit, gamma 1.0 and sRGB: sRGB wins",
       WholePng(1, 1, 8, 2, gamma1 + Chunk("sRGB", Bytes({0})), Bytes({0, 0x10, 0x80, 0xFF})),
       {0xFF1080FFu}},
      {"RGBA 8-bit, gamma 1.0: alpha kept",
       WholePng(1, 1, 8, 6, gamma1, Bytes({0, 0x10, 0x80, 0xFF, 0x10})),
       {0x1048BAFFu}},
      {"RGB 8-bit, gamma 0.45: too close to sRGB to change",
       WholePng(1, 1, 8, 2, Chunk("gAMA", Be32(45000)), Bytes({0, 0x10, 0x80, 0xFF})),
       {0xFF1080FFu}},
      {"RGB 8-bit, gamma after the palette: ignored",
       WholePng(1, 1, 8, 2, Chunk("PLTE", Bytes({1, 2, 3})) + gamma1, Bytes({0, 0x10, 0x80, 0xFF})),
       {0xFF1080FFu}},
      {"RGB 8-bit, damaged gamma chunk: ignored",
       WholePng(1, 1, 8, 2, gamma1.substr(0, gamma1.size() - 1) + "\x01",
                Bytes({0, 0x10, 0x80, 0xFF})),
       {0xFF1080FFu}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap b;
    Load(b, c.png);
    ASSERT_EQ(b.Width(), static_cast<int>(c.want.size()));
    ASSERT_EQ(b.Height(), 1);
    for (size_t x = 0; x < c.want.size(); ++x)
      EXPECT_EQ(b.ScanLine(0)[x], c.want[x])
          << "pixel " << x << std::hex << " got 0x" << b.ScanLine(0)[x];
  }
}

// Damaged files are refused with the same reason on every system.
TEST(BitmapPng, DamagedFilesGiveTheSameReasonEverywhere) {
  const std::string sig = "\x89PNG\r\n\x1a\n";
  const std::string rgb = Header(1, 1, 8, 2);
  const std::string pixels = Chunk("IDAT", ZlibStored(Bytes({0, 1, 2, 3}))) + Chunk("IEND", "");
  std::string bad_crc = Chunk("IDAT", ZlibStored(Bytes({0, 1, 2, 3})));
  bad_crc.back() ^= 1;
  struct Case {
    const char* name;
    std::string png;
    const char* reason;
  } cases[] = {
      {"nothing", "", "the data ends before the image does"},
      {"part of a signature", sig.substr(0, 6), "the data ends before the image does"},
      {"not a PNG", "GIF89a, not a PNG", "Not a PNG file"},
      {"line ends changed", "\x89PNG\n\r\x1a\n" + rgb + pixels,
       "PNG file corrupted by ASCII conversion"},
      {"no chunk", sig, "the data ends before the image does"},
      {"no end", sig + rgb + Chunk("IDAT", ZlibStored(Bytes({0, 1, 2, 3}))),
       "the data ends before the image does"},
      {"damaged pixel data", sig + rgb + bad_crc + Chunk("IEND", ""), "IDAT: CRC error"},
      {"bit depth 3", sig + Header(1, 1, 3, 0) + pixels, "Invalid IHDR data"},
      {"colour type 5", sig + Header(1, 1, 8, 5) + pixels, "Invalid IHDR data"},
      {"zero width", sig + Header(0, 1, 8, 2) + pixels, "Invalid IHDR data"},
      {"wider than a million", sig + Header(1000001, 1, 8, 2) + pixels, "Invalid IHDR data"},
      {"interlace method 2", sig + Header(1, 1, 8, 2, 2) + pixels, "Invalid IHDR data"},
      {"palette image without palette", sig + Header(1, 1, 8, 3) + pixels,
       "IDAT: Missing PLTE before IDAT"},
      {"pixels before the header", sig + pixels, "IDAT: Missing IHDR before IDAT"},
      {"short header", sig + Chunk("IHDR", std::string(12, '\1')) + pixels, "IHDR: invalid"},
      {"two headers", sig + rgb + rgb + pixels, "IHDR: out of place"},
      {"unknown critical chunk", sig + rgb + Chunk("ZZZZ", "x") + pixels,
       "ZZZZ: unhandled critical chunk"},
      {"end before the pixels", sig + rgb + Chunk("IEND", "") + pixels, "IEND: out of place"},
      {"chunk type with a digit", sig + rgb + Chunk("ab1d", "") + pixels,
       "ab[31]d: invalid chunk type"},
      {"length beyond 31 bits", sig + rgb + Be32(0x80000000u) + "tEXt",
       "PNG unsigned integer out of range"},
      {"long text chunk cut short", sig + rgb + Be32(8000001) + "tEXt",
       "the data ends before the image does"},
      {"long sRGB chunk cut short", sig + rgb + Be32(9000000) + "sRGB",
       "the data ends before the image does"},
      {"long header", sig + Be32(9000000) + "IHDR", "IHDR: invalid"},
      {"unknown critical chunk before the header", sig + Chunk("IHDE", "") + rgb + pixels,
       "IHDE: unhandled critical chunk"},
      {"damaged unknown critical chunk",
       sig + rgb + Chunk("ZZZZ", "x").substr(0, 9) + "...." + pixels, "ZZZZ: CRC error"},
      {"gamma before the header", sig + Chunk("gAMA", Be32(100000)) + rgb + pixels,
       "gAMA: missing IHDR"},
      {"end before the header", sig + Chunk("IEND", "") + rgb + pixels, "IEND: out of place"},
      // The pixel limit is checked where the pixel data starts: faults
      // before it come first.
      {"too large, damaged chunk before the pixels",
       sig + Header(16385, 16384, 8, 6) + Be32(0x80000000u) + "tEXt",
       "PNG unsigned integer out of range"},
      {"too large, data ends before the pixels",
       sig + Header(16385, 16384, 8, 6) + Be32(100) + "tEXt",
       "the data ends before the image does"},
      {"too large", sig + Header(16385, 16384, 8, 6) + Be32(100) + "IDAT",
       "the image is too large (16385 x 16384 pixels, the limit is 268435456)"},
      {"height beyond 31 bits", sig + Header(1, 0x80000000u, 8, 2) + pixels,
       "PNG unsigned integer out of range"},
      {"chunk type with control bytes",
       sig + rgb + Chunk(std::string("\x1c\xe9\0\0", 4), "") + pixels,
       "[1C][E9][00][00]: invalid chunk type"},
      {"palette of 257 entries",
       sig + Header(1, 1, 8, 3) + Chunk("PLTE", std::string(771, '\0')) + pixels, "PLTE: invalid"},
      {"palette of 4 bytes",
       sig + Header(1, 1, 8, 3) + Chunk("PLTE", std::string(4, '\0')) + pixels, "PLTE: invalid"},
      {"two palettes",
       sig + Header(1, 1, 8, 3) + Chunk("PLTE", std::string(3, '\0')) +
           Chunk("PLTE", std::string(3, '\0')) + pixels,
       "PLTE: duplicate"},
      {"damaged end",
       sig + rgb + Chunk("IDAT", ZlibStored(Bytes({0, 1, 2, 3}))) + Be32(0) + "IEND" + Be32(1),
       "IEND: CRC error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap b(1, 1);
    try {
      Load(b, c.png);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(StringToUtf8(e.Message()), std::string("Invalid PNG image: ") + c.reason);
    }
  }
}

// Faults libpng passes over are passed over everywhere; damaged compressed
// pixel data is refused everywhere (the reason is the decoder's: zlib's on
// Linux, "the image data is damaged" and WIC's error code on Windows).
TEST(BitmapPng, ToleratedFaultsAndDamagedPixelData) {
  const std::string sig = "\x89PNG\r\n\x1a\n";
  const std::string rgb = Header(1, 1, 8, 2);
  const std::string idat = Chunk("IDAT", ZlibStored(Bytes({0, 1, 2, 3})));
  const std::string end = Chunk("IEND", "");
  const struct {
    const char* name;
    std::string png;
    uint32_t pixel;
  } tolerated[] = {
      {"palette longer than the depth allows",
       sig + Header(1, 1, 1, 3) + Chunk("PLTE", Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9})) +
           Chunk("IDAT", ZlibStored(Bytes({0, 0x80}))) + end,
       0xFF040506u},
      {"palette after the pixels", sig + rgb + idat + Chunk("PLTE", std::string(3, '\0')) + end,
       0xFF010203u},
      {"end with data", sig + rgb + idat + Chunk("IEND", "x"), 0xFF010203u},
      {"text before the header", sig + Chunk("tEXt", std::string("a\0b", 3)) + rgb + idat + end,
       0xFF010203u},
      {"text before and after the pixels",
       sig + rgb + Chunk("tEXt", std::string("a\0b", 3)) + idat + Chunk("tEXt", "z") + end,
       0xFF010203u},
      {"pixel data in two chunks",
       sig + rgb + Chunk("IDAT", ZlibStored(Bytes({0, 1, 2, 3})).substr(0, 5)) +
           Chunk("IDAT", ZlibStored(Bytes({0, 1, 2, 3})).substr(5)) + end,
       0xFF010203u},
      {"pixel data after other chunks ignored",
       sig + rgb + idat + Chunk("tEXt", "z") + Chunk("IDAT", "garbage") + end, 0xFF010203u},
      {"palette indexes beyond the palette are black",
       sig + Header(2, 1, 8, 3) + Chunk("PLTE", Bytes({9, 9, 9})) +
           Chunk("IDAT", ZlibStored(Bytes({0, 0, 7}))) + end,
       0xFF090909u},
  };
  for (const auto& c : tolerated) {
    SCOPED_TRACE(c.name);
    TBitmap b;
    Load(b, c.png);
    ASSERT_GE(b.Width(), 1);
    EXPECT_EQ(b.ScanLine(0)[0], c.pixel);
  }
  TBitmap black;
  Load(black, tolerated[std::size(tolerated) - 1].png);  // indexes beyond the palette
  EXPECT_EQ(black.ScanLine(0)[1], 0xFF000000u);

  const char* const kWic = "the image data is damaged (WIC error 0x";
  const struct {
    const char* name;
    std::string png;
    const char* windows;  // the start of the reason on Windows
  } damaged[] = {
      {"too little pixel data", sig + rgb + Chunk("IDAT", ZlibStored(Bytes({0, 1, 2}))) + end,
       kWic},
      {"empty pixel data", sig + rgb + Chunk("IDAT", "") + end, "Not enough image data"},
      {"bad block type", sig + rgb + Chunk("IDAT", "\x78\x01\x07\x00\x00\x00") + end, kWic},
      {"bad zlib header",
       sig + rgb + Chunk("IDAT", "\x77\x01" + ZlibStored(Bytes({0, 1, 2, 3})).substr(2)) + end,
       kWic},
      {"bad filter type", sig + rgb + Chunk("IDAT", ZlibStored(Bytes({9, 1, 2, 3}))) + end, kWic},
  };
  for (const auto& c : damaged) {
    SCOPED_TRACE(c.name);
    TBitmap b(1, 1);
    try {
      Load(b, c.png);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message().rfind(u"Invalid PNG image: ", 0), 0u);
#ifdef _WIN32
      EXPECT_EQ(StringToUtf8(e.Message()).rfind(std::string("Invalid PNG image: ") + c.windows, 0),
                0u)
          << StringToUtf8(e.Message());
#endif
    }
  }
}

// A saved image is a signature and the header, sRGB (perceptual), pixel data
// and end chunks, each with its CRC, on every system.
TEST(BitmapPng, SavedFilesHoldOneSrgbChunkAfterTheHeader) {
  for (bool alpha : {false, true}) {
    SCOPED_TRACE(alpha);
    const std::string png = PngBytes(*Sample(alpha));
    ASSERT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    std::vector<std::string> types;
    size_t pos = 8;
    while (pos + 12 <= png.size()) {
      uint32_t length = 0;
      for (size_t i = 0; i < 4; ++i) length = length << 8 | static_cast<uint8_t>(png[pos + i]);
      ASSERT_LE(length, png.size() - pos - 12);
      const std::string type = png.substr(pos + 4, 4), data = png.substr(pos + 8, length);
      EXPECT_EQ(png.substr(pos, 12 + length), Chunk(type, data)) << type << ": CRC";
      if (type == "sRGB") {
        EXPECT_EQ(data, std::string(1, '\0'));
      }
      if (type != "IDAT" || types.back() != "IDAT") types.push_back(type);
      pos += 12 + length;
    }
    EXPECT_EQ(pos, png.size());
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "sRGB", "IDAT", "IEND"}));
  }
}

#ifdef _WIN32
// WIC runs in the caller's COM apartment when the thread has one, and a
// thread without COM is left without it after the call.
TEST(BitmapPng, WindowsComApartmentsAreKept) {
  const std::string png = PngBytes(*Sample(true));
  for (DWORD model : {DWORD{COINIT_APARTMENTTHREADED}, DWORD{COINIT_MULTITHREADED}}) {
    SCOPED_TRACE(model);
    std::thread([&] {
      ASSERT_EQ(CoInitializeEx(nullptr, model), S_OK);
      TBitmap b;
      Load(b, png);
      EXPECT_EQ(b.ScanLine(1)[0], 0x80FF0000u);
      EXPECT_EQ(PngBytes(b), png);
      // Still initialised by this thread: a second call only counts up.
      EXPECT_EQ(CoInitializeEx(nullptr, model), S_FALSE);
      CoUninitialize();
      CoUninitialize();
    }).join();
  }
  std::thread([&] {
    TBitmap b;
    Load(b, png);
    EXPECT_EQ(PngBytes(b), png);
    // The codec's own COM initialisation was undone.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  }).join();
}
#endif

// The codec reads through the callback in blocks and stops at the end chunk
// (or at a signature that is not a PNG's): a stream holding more than the
// image is not read to its end.
TEST(BitmapPng, DecodingStopsAtTheEndChunk) {
  const std::string png = PngBytes(*Sample(true));
  const std::string tail(1 << 20, 'x');
  for (const std::string& head : {png, std::string("GIF89a, not a PNG")}) {
    SCOPED_TRACE(head.substr(0, 6));
    const std::string data = head + tail;
    size_t pos = 0, calls = 0;
    const platform::PngReader read = [&](uint8_t* out, size_t size) {
      ++calls;
      const size_t n = std::min(size, data.size() - pos);
      std::copy_n(data.data() + pos, n, out);
      pos += n;
      return n;
    };
    platform::PngPixels image;
    const std::string error = platform::Png().Decode(read, TBitmap::kMaxPixels, image);
    EXPECT_EQ(error, head == png ? "" : "Not a PNG file");
    EXPECT_EQ(calls, 1u);
    EXPECT_LE(pos, size_t{64} << 10);
  }
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

// Complete files (their end chunk present) whose pixel data cannot hold the
// rows the header declares: refused with libpng's words before room for the
// image is taken. On Windows the codec refuses before WIC sees the file:
// deflate makes at most 1032 bytes of one.
TEST(BitmapPng, PixelDataTooSmallForTheHeaderIsRefused) {
  const int64_t before = PeakResident();
  for (bool interlaced : {false, true}) {
    SCOPED_TRACE(interlaced);
    const std::string png = DeclaredPng(16384, 16384, interlaced, 40) + Chunk("IEND", "");
    TBitmap b(2, 2);
    try {
      Load(b, png);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(StringToUtf8(e.Message()), "Invalid PNG image: Not enough image data");
    }
    EXPECT_EQ(b.Width(), 2);
  }
  EXPECT_LT(PeakResident() - before, int64_t{64} << 20);
#ifdef _WIN32
  // 64 x 64 RGBA rows are 16 448 bytes: 16 bytes of pixel data (7 of zlib
  // and block header, 9 stored) could hold them and reach WIC, which finds
  // them damaged; 15 could not.
  for (uint16_t stored : {uint16_t{8}, uint16_t{9}}) {
    SCOPED_TRACE(stored);
    TBitmap b(2, 2);
    try {
      Load(b, DeclaredPng(64, 64, false, stored) + Chunk("IEND", ""));
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      const bool wic = e.Message().find(u"(WIC error 0x") != String::npos;
      EXPECT_EQ(wic, stored == 9) << StringToUtf8(e.Message());
    }
  }
#endif
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
