// Fuzz target: canvas drawing and the marks with arbitrary coordinates, pen
// widths and styles on a small bitmap.
//
// Properties checked: nothing is written outside the bitmap's pixels (the
// sanitizers watch the memory), a pixel written reads back (or reads as no
// colour outside), and the shape marks leave the brush as they found it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zel/base/drawing.h"
#include "zel/runtime/bitmap.h"

namespace {

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // Mostly coordinates near the bitmap, sometimes far outside it.
  int32_t Coord() {
    const uint8_t kind = Byte();
    if (kind < 200) return static_cast<int32_t>(Byte()) - 100;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return static_cast<int32_t>(v);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  zel::TBitmap bitmap(64, 48);
  zel::TCanvas& c = bitmap.Canvas();
  int ops = 0;
  while (in.More() && ops++ < 64) {
    c.Pen().SetColor(in.Byte() * 0x010203u);
    c.Pen().SetWidth(in.Byte() % 12);
    c.Pen().SetStyle(static_cast<zel::TPenStyle>(in.Byte() % 7));
    c.Brush().SetColor(in.Byte() * 0x030201u);
    c.Brush().SetStyle(static_cast<zel::TBrushStyle>(in.Byte() % 8));
    const int32_t x1 = in.Coord(), y1 = in.Coord(), x2 = in.Coord(), y2 = in.Coord();
    switch (in.Byte() % 9) {
      case 0:
        c.MoveTo(x1, y1);
        c.LineTo(x2, y2);
        break;
      case 1:
        c.Rectangle(x1, y1, x2, y2);
        break;
      case 2:
        c.Ellipse(x1, y1, x2, y2);
        break;
      case 3:
        c.Polygon({{x1, y1}, {x2, y2}, {in.Coord(), in.Coord()}, {in.Coord(), in.Coord()}});
        break;
      case 4:
        c.FillRect(zel::Rect(x1, y1, x2, y2));
        break;
      case 5: {
        const zel::TColor color = c.Brush().Color();
        const zel::TBrushStyle style = c.Brush().Style();
        const uint8_t mark = in.Byte() % zel::kMarkShapeCount;
        zel::DrawMarkOnCanvas(c, mark, x1, y1);
        if (c.Brush().Color() != color || c.Brush().Style() != style) std::abort();
        break;
      }
      case 6:
        zel::DrawFrame(c, static_cast<zel::TFrameStyle>(in.Byte()), x1, y1, x2, y2, 1, 2, 3, 4, 5);
        break;
      case 7:
        c.SetPixels(x1, y1, 0x123456);
        if (c.Pixels(x1, y1) !=
            (x1 >= 0 && x1 < 64 && y1 >= 0 && y1 < 48 ? 0x123456u : 0xFFFFFFFFu))
          std::abort();
        break;
      default:
        c.Polyline({{x1, y1}, {x2, y2}, {in.Coord(), in.Coord()}});
        break;
    }
  }
  return 0;
}
