// Stands in until this concern has its Windows implementation: every
// operation reports ENOSYS (or nothing found).
#include "zel/platform/fonts.h"

#include <cerrno>

namespace zel::platform {

NativeFontServices::NativeFontServices() = default;
NativeFontServices::~NativeFontServices() = default;
bool NativeFontServices::FindFace(const FontRequest&, FontFace&) { return {}; }
bool NativeFontServices::IsInstalled(const std::string&) { return {}; }
std::string NativeFontServices::FontFormat(const std::string&) { return {}; }
int32_t NativeFontServices::ScreenPixelsPerInch() { return {}; }

FontServices& NativeFonts() {
  static NativeFontServices native;
  return native;
}

}  // namespace zel::platform
