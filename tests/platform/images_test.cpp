#include "zel/platform/images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace zel::platform {
namespace {

// A reader over bytes, at most `block` at a time.
struct BytesReader {
  const std::vector<uint8_t>* bytes;
  size_t block = SIZE_MAX;
  size_t pos = 0;
  size_t operator()(uint8_t* data, size_t size) {
    const size_t n = std::min({size, block, bytes->size() - pos});
    if (n != 0) std::memcpy(data, bytes->data() + pos, n);  // data() of an empty vector may be null
    pos += n;
    return n;
  }
};

// width x height pixels, distinct, all opaque unless alpha.
std::vector<uint32_t> Pixels(uint32_t width, uint32_t height, bool alpha) {
  std::vector<uint32_t> p(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < p.size(); ++i)
    p[i] = (alpha && i % 3 == 0 ? 0x40000000u : 0xFF000000u) | static_cast<uint32_t>(i * 2654435761u >> 8);
  return p;
}


TEST(NativePng, RoundTripsOpaqueAndTranslucentImages) {
  struct Case {
    uint32_t width, height;
    bool alpha;
    uint8_t color_type;  // IHDR: 2 RGB, 6 RGBA
  } cases[] = {{1, 1, false, 2}, {7, 3, false, 2}, {7, 3, true, 6}, {300, 2, true, 6},
                 // Noise that does not compress: the encoder needs more room than a
                 // compressible image.
                 {200, 200, false, 2}, {200, 200, true, 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " alpha " << c.alpha);
    const std::vector<uint32_t> pixels = Pixels(c.width, c.height, c.alpha);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(NativePng().Encode(pixels.data(), c.width, c.height, bytes), "");
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes[25], c.color_type);
    EXPECT_EQ(bytes[24], 8);  // bit depth
    // The callback receives the same bytes.
    std::vector<uint8_t> written;
    ASSERT_EQ(NativePng().EncodeTo(pixels.data(), c.width, c.height,
                                   [&](const uint8_t* data, size_t size) {
                                     written.insert(written.end(), data, data + size);
                                   }),
              "");
    EXPECT_EQ(written, bytes);
    // Read back a byte at a time and in one piece.
    for (size_t block : {size_t{1}, SIZE_MAX}) {
      PngPixels image;
      ASSERT_EQ(NativePng().Decode(BytesReader{&bytes, block}, c.width * c.height, image), "");
      EXPECT_EQ(image.width, c.width);
      EXPECT_EQ(image.height, c.height);
      EXPECT_EQ(image.pixels, pixels);
    }
  }
}

TEST(NativePng, PixelLimitIsCheckedFromTheHeader) {
  const std::vector<uint32_t> pixels = Pixels(10, 10, false);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(NativePng().Encode(pixels.data(), 10, 10, bytes), "");
  PngPixels image;
  EXPECT_EQ(NativePng().Decode(BytesReader{&bytes}, 99, image),
            "the image is too large (10 x 10 pixels, the limit is 99)");
  EXPECT_TRUE(image.pixels.empty());
  EXPECT_EQ(NativePng().Decode(BytesReader{&bytes}, 0, image),
            "the image is too large (10 x 10 pixels, the limit is 0)");
  EXPECT_EQ(NativePng().Decode(BytesReader{&bytes}, 100, image), "");
  EXPECT_EQ(image.pixels, pixels);
}

TEST(NativePng, DamagedDataGivesAReason) {
  const std::vector<uint32_t> pixels = Pixels(20, 20, true);
  std::vector<uint8_t> good;
  ASSERT_EQ(NativePng().Encode(pixels.data(), 20, 20, good), "");
  std::vector<uint8_t> cut(good.begin(), good.end() - 20);
  PngPixels image;
  EXPECT_EQ(NativePng().Decode(BytesReader{&cut}, 1000, image),
            "the data ends before the image does");
  const std::vector<uint8_t> empty;
  EXPECT_EQ(NativePng().Decode(BytesReader{&empty}, 1000, image),
            "the data ends before the image does");
  std::vector<uint8_t> not_png(100, 'x');
  EXPECT_NE(NativePng().Decode(BytesReader{&not_png}, 1000, image), "");
  std::vector<uint8_t> bad_crc = good;
  bad_crc[29] ^= 1;  // inside the IHDR chunk: its checksum no longer matches
  EXPECT_NE(NativePng().Decode(BytesReader{&bad_crc}, 1000, image), "");
}

TEST(NativePng, ReaderExceptionsPassThrough) {
  struct ReadFailed {};
  PngPixels image;
  EXPECT_THROW(NativePng().Decode([](uint8_t*, size_t) -> size_t { throw ReadFailed{}; }, 100,
                                  image),
               ReadFailed);
  // Also after part of the image was read.
  const std::vector<uint32_t> pixels = Pixels(20, 20, false);
  std::vector<uint8_t> good;
  ASSERT_EQ(NativePng().Encode(pixels.data(), 20, 20, good), "");
  BytesReader reader{&good, 40};
  EXPECT_THROW(NativePng().Decode(
                   [&](uint8_t* data, size_t size) {
                     if (reader.pos >= 40) throw ReadFailed{};
                     return reader(data, size);
                   },
                   1000, image),
               ReadFailed);
}

TEST(NativePng, EncodingNothingFails) {
  std::vector<uint8_t> out;
  EXPECT_NE(NativePng().Encode(nullptr, 0, 0, out), "");
  bool called = false;
  EXPECT_NE(NativePng().EncodeTo(nullptr, 0, 5, [&](const uint8_t*, size_t) { called = true; }),
            "");
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace zel::platform
