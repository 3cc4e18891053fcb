// Canvas drawing speed: solid fills against memset and cairo, lines and marks
// per second against cairo's aliased strokes, and TextOut of a 40-character
// line with the glyph cache against FreeType rendering the glyphs each time.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "zel/base/drawing.h"
#include "zel/platform/fonts.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/stream.h"

namespace {

constexpr int kSide = 1000;
constexpr int64_t kPixels = int64_t{kSide} * kSide;

// ---- solid fills of a 1000 x 1000 rectangle -------------------------------------

void BM_FillRect(benchmark::State& state) {
  zel::TBitmap b(kSide, kSide);
  zel::TCanvas& c = b.Canvas();
  zel::TColor color = 0;
  for (auto _ : state) {
    c.Brush().SetColor(color++ & 0xFFFFFF);
    c.FillRect(zel::Rect(0, 0, kSide, kSide));
    benchmark::DoNotOptimize(b.ScanLine(kSide / 2));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 4);
  state.counters["ns_per_pixel"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kPixels),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_FillRect);

void BM_Memset(benchmark::State& state) {
  std::vector<uint32_t> buf(static_cast<size_t>(kPixels));
  int value = 0;
  for (auto _ : state) {
    std::memset(buf.data(), value++ & 0xFF, buf.size() * 4);
    benchmark::DoNotOptimize(buf.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 4);
}
BENCHMARK(BM_Memset);

void BM_CairoFill(benchmark::State& state) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSide, kSide);
  cairo_t* cr = cairo_create(s);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  int i = 0;
  for (auto _ : state) {
    cairo_set_source_rgb(cr, (i++ & 255) / 255.0, 0.5, 0.25);
    cairo_rectangle(cr, 0, 0, kSide, kSide);
    cairo_fill(cr);
    cairo_surface_flush(s);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(s));
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 4);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}
BENCHMARK(BM_CairoFill);

// ---- lines: 1000 lines of 20 to 200 pixels in every direction --------------------

struct Segment {
  int x1, y1, x2, y2;
};

const std::vector<Segment>& Segments() {
  static const std::vector<Segment> segs = [] {
    std::vector<Segment> v;
    uint32_t r = 4711;
    auto next = [&r](int n) {
      r = r * 1103515245u + 12345u;
      return static_cast<int>((r >> 8) % static_cast<uint32_t>(n));
    };
    for (int i = 0; i < 1000; ++i) {
      const int x = next(kSide - 200) + 100, y = next(kSide - 200) + 100;
      const int len = 20 + next(180);
      v.push_back({x, y, x + next(2 * len + 1) - len, y + next(2 * len + 1) - len});
    }
    return v;
  }();
  return segs;
}

void BM_LineTo(benchmark::State& state) {
  zel::TBitmap b(kSide, kSide);
  zel::TCanvas& c = b.Canvas();
  c.Pen().SetColor(zel::clNavy);
  for (auto _ : state) {
    for (const Segment& s : Segments()) {
      c.MoveTo(s.x1, s.y1);
      c.LineTo(s.x2, s.y2);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Segments().size()));
}
BENCHMARK(BM_LineTo);

void BM_CairoLine(benchmark::State& state) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSide, kSide);
  cairo_t* cr = cairo_create(s);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgb(cr, 0, 0, 0.5);
  for (auto _ : state) {
    for (const Segment& seg : Segments()) {
      cairo_move_to(cr, seg.x1 + 0.5, seg.y1 + 0.5);
      cairo_line_to(cr, seg.x2 + 0.5, seg.y2 + 0.5);
      cairo_stroke(cr);
    }
    cairo_surface_flush(s);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Segments().size()));
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}
BENCHMARK(BM_CairoLine);

// ---- marks: the 52 shapes, spread over the bitmap ---------------------------------

void BM_Marks(benchmark::State& state) {
  zel::TBitmap b(kSide, kSide);
  zel::TCanvas& c = b.Canvas();
  c.Pen().SetColor(zel::clNavy);
  for (auto _ : state) {
    for (int i = 0; i < 1040; ++i)
      zel::DrawMarkOnCanvas(c, static_cast<uint8_t>(i % zel::kMarkShapeCount),
                            (i * 37) % (kSide - 20) + 10, (i * 53) % (kSide - 20) + 10);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1040);
}
BENCHMARK(BM_Marks);

// ---- text: one 40-character line ----------------------------------------------------

const zel::String kLine = u"Sample 40: the quick brown fox jumps ov.";
static_assert(sizeof(u"Sample 40: the quick brown fox jumps ov.") / 2 - 1 == 40);

void BM_TextOut40(benchmark::State& state) {
  zel::TBitmap b(600, 40);
  zel::TCanvas& c = b.Canvas();
  c.Font().SetName(u"DejaVu Sans");
  c.Font().SetSize(10);
  c.Brush().SetStyle(zel::bsClear);
  c.TextOut(0, 0, kLine);  // the glyphs are cached from here on
  for (auto _ : state) {
    c.TextOut(0, 10, kLine);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextOut40)->Unit(benchmark::kMicrosecond);

// The same line in a face not in the cache: 64 sizes in turn, more than the
// cache keeps, so every draw opens the face and renders its glyphs.
void BM_TextOut40Uncached(benchmark::State& state) {
  zel::TBitmap b(1200, 120);
  zel::TCanvas& c = b.Canvas();
  c.Font().SetName(u"DejaVu Sans");
  c.Brush().SetStyle(zel::bsClear);
  int32_t size = 0;
  for (auto _ : state) {
    c.Font().SetHeight(-(8 + size));
    size = (size + 1) % 64;
    c.TextOut(0, 10, kLine);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextOut40Uncached)->Unit(benchmark::kMicrosecond);

// ---- PNG: a 1000 x 1000 picture, saved and loaded in memory ---------------------------

void Paint(zel::TBitmap& b, bool Alpha) {
  b.SetSize(kSide, kSide);
  for (int32_t y = 0; y < kSide; ++y) {
    uint32_t* row = b.ScanLine(y);
    for (int32_t x = 0; x < kSide; ++x) {
      const uint32_t alpha = Alpha ? static_cast<uint32_t>((x + y) & 0xFF) : 0xFFu;
      row[x] = (alpha << 24) | (static_cast<uint32_t>(x & 0xFF) << 16) |
               (static_cast<uint32_t>(y & 0xFF) << 8) | static_cast<uint32_t>((x ^ y) & 0x3F);
    }
  }
}

void BM_PngSave(benchmark::State& state) {
  zel::TBitmap b;
  Paint(b, state.range(0) != 0);
  int64_t bytes = 0;
  for (auto _ : state) {
    zel::TMemoryStream s;
    b.SaveToStream(s);
    bytes = s.Size();
    benchmark::DoNotOptimize(bytes);
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 4);
  state.counters["png_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PngSave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PngLoad(benchmark::State& state) {
  zel::TMemoryStream s;
  zel::TBitmap b;
  Paint(b, state.range(0) != 0);
  b.SaveToStream(s);
  for (auto _ : state) {
    s.SetPosition(0);
    b.LoadFromStream(s);
    benchmark::DoNotOptimize(b.ScanLine(0));
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 4);
}
BENCHMARK(BM_PngLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// FreeType rendering the same 40 glyphs (monochrome, 13 pixels) every time
// and doing nothing with them: the work the cache saves.
void BM_FreeTypeRender40(benchmark::State& state) {
  zel::platform::FontFace face_file;
  zel::platform::Fonts().FindFace({"DejaVu Sans", false, false, false}, face_file);
  FT_Library lib;
  FT_Init_FreeType(&lib);
  FT_Face face;
  if (FT_New_Face(lib, face_file.file.c_str(), face_file.index, &face) != 0) {
    state.SkipWithError("no face");
    return;
  }
  FT_Set_Pixel_Sizes(face, 0, 13);
  for (auto _ : state) {
    for (char16_t ch : kLine) {
      FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO);
      benchmark::DoNotOptimize(face->glyph->bitmap.buffer);
    }
  }
  state.SetItemsProcessed(state.iterations());
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}
BENCHMARK(BM_FreeTypeRender40)->Unit(benchmark::kMicrosecond);

}  // namespace
