// No PNG codec on Windows yet (the Windows graphics work will use WIC): every
// call fails.
#include "zel/platform/images.h"

namespace zel::platform {
namespace {

constexpr const char* kUnavailable = "PNG images are not available on this system yet";

class NoPngCodec : public PngCodec {
 public:
  std::string Decode(const PngReader&, int64_t, PngPixels&) override { return kUnavailable; }
  std::string Encode(const uint32_t*, uint32_t, uint32_t, std::vector<uint8_t>&) override {
    return kUnavailable;
  }
  std::string EncodeTo(const uint32_t*, uint32_t, uint32_t, const PngWriter&) override {
    return kUnavailable;
  }
};

}  // namespace

PngCodec& NativePng() {
  static NoPngCodec native;
  return native;
}

}  // namespace zel::platform
