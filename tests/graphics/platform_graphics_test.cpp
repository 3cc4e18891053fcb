// The runtime's graphics over substituted platform backends: the glyph cache
// opens each face once and renders each glyph once, TBitmap turns the codec's
// reasons into EInvalidGraphic and streams through the codec's callbacks.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "zel/platform/fonts.h"
#include "zel/platform/glyphs.h"
#include "zel/platform/images.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/internal/glyph_cache.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

using platform::ScopedBackend;

// Every family is one fake file.
struct FakeFonts : platform::FontServices {
  bool FindFace(const platform::FontRequest&, platform::FontFace& face) override {
    face.file = "fake.ttf";
    return true;
  }
  bool IsInstalled(const std::string&) override { return true; }
  std::string FontFormat(const std::string&) override { return "TrueType"; }
  int32_t ScreenPixelsPerInch() override { return 96; }
};

// Glyphs of width 2 + (code - 'a'), two rows, all covered, from the
// baseline up; the advance is one more than the width.
// Renderings of all fake faces; a global, as the cache keeps the faces after
// the test.
int g_renders = 0;

struct FakeFace : platform::GlyphFace {
  FakeFace() { metrics_ = {5, 2, 1, 1, 2}; }
  const platform::GlyphFaceMetrics& Metrics() const override { return metrics_; }
  bool Render(char32_t code, platform::GlyphCoverage coverage,
              platform::GlyphBitmap& out) override {
    ++g_renders;
    EXPECT_EQ(coverage, platform::GlyphCoverage::kMono);
    if (code == U'!') return false;  // a glyph that cannot be drawn
    out.width = 2 + static_cast<int32_t>(code - U'a');
    out.rows = 2;
    out.left = 0;
    out.top = 2;
    out.advance = out.width + 1;
    out.coverage.assign(static_cast<size_t>(out.width) * 2, 1);
    return true;
  }
  platform::GlyphFaceMetrics metrics_;
};

struct FakeGlyphs : platform::GlyphServices {
  std::unique_ptr<platform::GlyphFace> OpenFace(const platform::FontFace& face,
                                                const platform::GlyphSize& size) override {
    ++opens;
    EXPECT_EQ(face.file, "fake.ttf");
    last = size;
    return std::make_unique<FakeFace>();
  }
  int opens = 0;
  platform::GlyphSize last;
};

TEST(GlyphCacheBackend, FacesOpenOnceGlyphsRenderOnce) {
  FakeFonts fonts;
  FakeGlyphs glyphs;
  ScopedBackend<platform::FontServices> f(&fonts, &platform::SetFontsBackend);
  ScopedBackend<platform::GlyphServices> g(&glyphs, &platform::SetGlyphsBackend);
  TBitmap b(40, 10);
  TCanvas& c = b.Canvas();
  // A family no other test (nor a repeat of this one) has in the cache: the
  // cache keeps faces for the life of the process.
  static int run = 0;
  c.Font().SetName(Utf8ToString("Fake Backend Family " + std::to_string(++run)));
  c.Font().SetHeight(-17);
  c.Font().SetStyle(TFontStyles{fsBold});
  c.Brush().SetStyle(bsClear);
  const uint64_t before = internal::GlyphCache::Instance().Renderings();
  const int renders0 = g_renders;
  // a: 2 wide, b: 3 wide; advances 3 and 4.
  EXPECT_EQ(c.TextExtent(u"abab"), (TSize{14, 7}));
  EXPECT_EQ(glyphs.opens, 1);
  EXPECT_EQ(g_renders - renders0, 2);
  EXPECT_EQ(glyphs.last.height, -17);
  EXPECT_TRUE(glyphs.last.bold);
  EXPECT_FALSE(glyphs.last.italic);
  c.TextOut(1, 0, u"ba!");
  EXPECT_EQ(glyphs.opens, 1);
  EXPECT_EQ(g_renders - renders0, 3);  // only '!' was new; it failed and draws nothing
  EXPECT_EQ(internal::GlyphCache::Instance().Renderings() - before, 3u);
  c.TextOut(1, 0, u"!");
  EXPECT_EQ(g_renders - renders0, 3);  // a failed glyph is not tried again
  // 'b' covers columns 1..3 of rows 3..4 (baseline 5, top 2); 'a' 5..6.
  const TColor ink = c.Font().Color();
  for (int32_t x = 0; x < 10; ++x) {
    const bool covered = (x >= 1 && x <= 3) || (x >= 5 && x <= 6);
    EXPECT_EQ(c.Pixels(x, 3) == ink, covered) << x;
    EXPECT_EQ(c.Pixels(x, 4) == ink, covered) << x;
    EXPECT_NE(c.Pixels(x, 2), ink) << x;
  }
}

// The system's renderer, counting the faces it opens and the glyphs they
// render.
struct CountingGlyphs : platform::GlyphServices {
  struct Face : platform::GlyphFace {
    Face(std::unique_ptr<platform::GlyphFace> inner, int& renders)
        : inner(std::move(inner)), renders(renders) {}
    const platform::GlyphFaceMetrics& Metrics() const override { return inner->Metrics(); }
    bool Render(char32_t code, platform::GlyphCoverage coverage,
                platform::GlyphBitmap& out) override {
      ++renders;
      return inner->Render(code, coverage, out);
    }
    std::unique_ptr<platform::GlyphFace> inner;
    int& renders;
  };
  std::unique_ptr<platform::GlyphFace> OpenFace(const platform::FontFace& face,
                                                const platform::GlyphSize& size) override {
    ++opens;
    auto inner = platform::NativeGlyphs().OpenFace(face, size);
    if (!inner) return nullptr;
    return std::make_unique<Face>(std::move(inner), renders);
  }
  int opens = 0;
  int renders = 0;
};

TEST(GlyphCacheBackend, TheSystemsRendererDrawsEachGlyphOncePerFaceAndSize) {
  if (!platform::Fonts().IsInstalled("DejaVu Sans")) GTEST_SKIP() << "DejaVu Sans is missing";
  // The cache keeps the faces (holding a reference to the counters) for the
  // life of the process: the counters live as long.
  static CountingGlyphs glyphs;
  ScopedBackend<platform::GlyphServices> g(&glyphs, &platform::SetGlyphsBackend);
  static int run = 0;
  // Sizes no other test (nor a repeat of this one) draws with.
  const int32_t height = -(61 + 2 * ++run);
  TBitmap b(20, 20);
  TCanvas& c = b.Canvas();
  c.Font().SetName(u"DejaVu Sans");
  c.Font().SetHeight(height);
  const String line = u"The quick brown fox jumps over the lazy dog";  // 28 distinct characters
  const int opens0 = glyphs.opens, renders0 = glyphs.renders;
  c.TextOut(0, 0, line);
  EXPECT_EQ(glyphs.opens - opens0, 1);
  EXPECT_EQ(glyphs.renders - renders0, 28);
  const TSize extent = c.TextExtent(line);
  for (int i = 0; i < 3; ++i) c.TextOut(i, i, line);
  c.Font().SetColor(clRed);  // colour is not part of a face
  c.TextOut(0, 0, line);
  EXPECT_EQ(c.TextExtent(line), extent);
  EXPECT_EQ(glyphs.opens - opens0, 1);
  EXPECT_EQ(glyphs.renders - renders0, 28);
  // Another size is another face: its glyphs are rendered again, once.
  c.Font().SetHeight(height - 1);
  c.TextOut(0, 0, line);
  c.TextOut(0, 0, line);
  EXPECT_EQ(glyphs.opens - opens0, 2);
  EXPECT_EQ(glyphs.renders - renders0, 56);
  // Back to the first size: still cached.
  c.Font().SetHeight(height);
  c.TextOut(0, 0, u"fox dog");
  EXPECT_EQ(glyphs.opens - opens0, 2);
  EXPECT_EQ(glyphs.renders - renders0, 56);
}

// A codec that records what it was given and fails as told.
struct FakeCodec : platform::PngCodec {
  std::string Decode(const platform::PngReader& read, int64_t pixel_limit,
                     platform::PngPixels& image) override {
    limit = pixel_limit;
    uint8_t buf[3];
    for (size_t n; (n = read(buf, sizeof buf)) > 0;) seen.append(reinterpret_cast<char*>(buf), n);
    if (!reason.empty()) return reason;
    image.width = 1;
    image.height = 1;
    image.pixels = {0xFF000000u | static_cast<uint32_t>(seen.size())};
    return {};
  }
  std::string Encode(const uint32_t*, uint32_t, uint32_t, std::vector<uint8_t>&) override {
    return reason;
  }
  std::string EncodeTo(const uint32_t* pixels, uint32_t width, uint32_t height,
                       const platform::PngWriter& write) override {
    if (!reason.empty()) return reason;
    encoded = {width, height, std::vector<uint32_t>(pixels, pixels + size_t{width} * height)};
    write(reinterpret_cast<const uint8_t*>("one"), 3);
    write(reinterpret_cast<const uint8_t*>("two"), 3);
    return {};
  }
  std::string reason;
  std::string seen;
  int64_t limit = -1;
  platform::PngPixels encoded;
};

TEST(BitmapCodecBackend, StreamsThroughTheCodec) {
  FakeCodec codec;
  ScopedBackend<platform::PngCodec> guard(&codec, &platform::SetPngBackend);
  TBitmap b(2, 1);
  b.ScanLine(0)[1] = 0x12345678u;
  TMemoryStream out;
  b.SaveToStream(out);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Memory()), 6), "onetwo");
  EXPECT_EQ(codec.encoded.width, 2u);
  EXPECT_EQ(codec.encoded.pixels, (std::vector<uint32_t>{0xFFFFFFFFu, 0x12345678u}));

  TStringStream in(std::string("0123456789"));
  in.SetPosition(2);
  b.SetLoadPixelLimit(77);
  b.LoadFromStream(in);
  EXPECT_EQ(codec.seen, "23456789");  // from the position to the end
  EXPECT_EQ(codec.limit, 77);
  ASSERT_EQ(b.Width(), 1);
  EXPECT_EQ(b.ScanLine(0)[0], 0xFF000008u);
}

TEST(BitmapCodecBackend, ReasonsBecomeInvalidGraphic) {
  FakeCodec codec;
  codec.reason = "the codec says no";
  ScopedBackend<platform::PngCodec> guard(&codec, &platform::SetPngBackend);
  TBitmap b(3, 2);
  TMemoryStream out;
  try {
    b.SaveToStream(out);
    FAIL() << "saved";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Invalid PNG image: the codec says no");
  }
  EXPECT_EQ(out.Size(), 0);
  TStringStream in(std::string("abc"));
  try {
    b.LoadFromStream(in);
    FAIL() << "loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Invalid PNG image: the codec says no");
  }
  EXPECT_EQ(b.Width(), 3);  // unchanged
  EXPECT_EQ(b.Height(), 2);
}

TEST(BitmapCodecBackend, CodecOutOfMemoryIsTheRuntimesError) {
  struct Hungry : FakeCodec {
    std::string Decode(const platform::PngReader&, int64_t, platform::PngPixels&) override {
      throw std::bad_alloc();
    }
  } codec;
  ScopedBackend<platform::PngCodec> guard(&codec, &platform::SetPngBackend);
  TBitmap b;
  TStringStream in(std::string("abc"));
  EXPECT_THROW(b.LoadFromStream(in), EOutOfMemory);
}

}  // namespace
}  // namespace zel
