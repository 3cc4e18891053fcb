// Fuzz target: TBitmap::LoadFromStream on arbitrary bytes.
//
// Properties checked: loading never crashes; rejected data raises
// EInvalidGraphic and leaves the bitmap exactly as it was; accepted data
// gives a bitmap that saves as PNG and loads back with every pixel equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "zel/runtime/bitmap.h"
#include "zel/runtime/stream.h"

namespace {

bool SamePixels(const zel::TBitmap& a, const zel::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.ScanLine(y)[x] != b.ScanLine(y)[x]) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel::TMemoryStream in;
  if (size > 0) in.WriteBuffer(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  zel::TBitmap bitmap(2, 1);
  bitmap.ScanLine(0)[1] = 0xFF123456u;
  try {
    bitmap.LoadFromStream(in);
  } catch (const zel::EInvalidGraphic&) {
    if (bitmap.Width() != 2 || bitmap.Height() != 1 || bitmap.ScanLine(0)[1] != 0xFF123456u)
      std::abort();
    return 0;
  }
  // Large images are valid but slow to round-trip; the decoder has been run.
  if (int64_t{bitmap.Width()} * bitmap.Height() > (1 << 20)) return 0;
  zel::TMemoryStream out;
  bitmap.SaveToStream(out);
  out.SetPosition(0);
  zel::TBitmap again;
  again.LoadFromStream(out);
  if (!SamePixels(bitmap, again)) std::abort();
  return 0;
}
