#include "zel/platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <memory>

namespace zel::platform {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetDeleter {
  void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

const FcChar8* U8(const std::string& s) { return reinterpret_cast<const FcChar8*>(s.c_str()); }

// fontconfig's best match for the request, after the configuration's and the
// default substitutions; nullptr when fontconfig has nothing.
Pattern Match(FcConfig* config, const FontRequest& request) {
  Pattern pattern(FcPatternCreate());
  if (!pattern) return nullptr;
  FcPatternAddString(pattern.get(), FC_FAMILY, U8(request.family));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  if (request.fixed_pitch) FcPatternAddInteger(pattern.get(), FC_SPACING, FC_MONO);
  FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  return Pattern(FcFontMatch(config, pattern.get(), &result));
}

}  // namespace

NativeFontServices::NativeFontServices() = default;

void* NativeFontServices::Config() {
  std::call_once(loaded_, [this] { config_ = FcInitLoadConfigAndFonts(); });
  return config_;
}

NativeFontServices::~NativeFontServices() {
  if (config_ != nullptr) FcConfigDestroy(static_cast<FcConfig*>(config_));
}

bool NativeFontServices::FindFace(const FontRequest& request, FontFace& face) {
  auto* config = static_cast<FcConfig*>(Config());
  if (config == nullptr) return false;
  const Pattern match = Match(config, request);
  if (!match) return false;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || file == nullptr)
    return false;
  int index = 0;
  if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  int weight = FC_WEIGHT_REGULAR;
  FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &weight);
  int slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match.get(), FC_SLANT, 0, &slant);
  face.file = reinterpret_cast<const char*>(file);
  face.index = index;
  face.has_bold = weight >= FC_WEIGHT_DEMIBOLD;
  face.has_italic = slant != FC_SLANT_ROMAN;
  return true;
}

bool NativeFontServices::IsInstalled(const std::string& family) {
  auto* config = static_cast<FcConfig*>(Config());
  if (family.empty() || config == nullptr) return false;
  Pattern pattern(FcPatternCreate());
  if (!pattern) return false;
  FcPatternAddString(pattern.get(), FC_FAMILY, U8(family));
  std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
      FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr)));
  if (!objects) return false;
  std::unique_ptr<FcFontSet, FontSetDeleter> fonts(
      FcFontList(config, pattern.get(), objects.get()));
  return fonts && fonts->nfont > 0;
}

std::string NativeFontServices::FontFormat(const std::string& family) {
  if (!IsInstalled(family)) return {};
  const Pattern match =
      Match(static_cast<FcConfig*>(Config()), FontRequest{family, false, false, false});
  if (!match) return {};
  FcChar8* format = nullptr;
  if (FcPatternGetString(match.get(), FC_FONTFORMAT, 0, &format) != FcResultMatch ||
      format == nullptr)
    return {};
  return reinterpret_cast<const char*>(format);
}

int32_t NativeFontServices::ScreenPixelsPerInch() {
  const char* env = std::getenv("ZEL_SCREEN_PPI");
  if (env != nullptr && *env != '\0') {
    char* end = nullptr;
    const long value = std::strtol(env, &end, 10);
    if (*end == '\0' && value >= 24 && value <= 2400) return static_cast<int32_t>(value);
  }
  return 96;
}

FontServices& NativeFonts() {
  static NativeFontServices linux_fonts;
  return linux_fonts;
}

}  // namespace zel::platform
