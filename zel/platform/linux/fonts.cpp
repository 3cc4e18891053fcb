#include "zel/platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "zel/platform/internal/font_sizes.h"

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

// The instance's fontconfig configuration, loaded on the first query.
struct NativeFontServices::State {
  std::once_flag loaded;
  FcConfig* config = nullptr;  // nullptr when fontconfig could not load one

  FcConfig* Config() {
    std::call_once(loaded, [this] { config = FcInitLoadConfigAndFonts(); });
    return config;
  }
  ~State() {
    if (config != nullptr) FcConfigDestroy(config);
  }
};

NativeFontServices::NativeFontServices() : state_(std::make_unique<State>()) {}

NativeFontServices::~NativeFontServices() = default;

bool NativeFontServices::FindFace(const FontRequest& request, FontFace& face) {
  FcConfig* config = state_->Config();
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
  FcConfig* config = state_->Config();
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
  const Pattern match = Match(state_->Config(), FontRequest{family, false, false, false});
  if (!match) return {};
  FcChar8* format = nullptr;
  if (FcPatternGetString(match.get(), FC_FONTFORMAT, 0, &format) != FcResultMatch ||
      format == nullptr)
    return {};
  return reinterpret_cast<const char*>(format);
}

int32_t NativeFontServices::ScreenPixelsPerInch() {
  const int32_t set = internal::ScreenPpiSetting(std::getenv("ZEL_SCREEN_PPI"));
  return set != 0 ? set : 96;
}

FontServices& NativeFonts() {
  static NativeFontServices linux_fonts;
  return linux_fonts;
}

}  // namespace zel::platform
