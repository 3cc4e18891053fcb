// The installed fonts through GDI: logical fonts mapped by GDI, families from
// EnumFontFamiliesExW, kinds from GetTextMetricsW.
#include "zel/platform/fonts.h"

#include <cwchar>
#include <string>

#include "zel/platform/internal/font_sizes.h"
#include "zel/platform/windows/internal/gdi.h"
#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {
namespace {

using windows::FontHandle;
using windows::MemoryDc;

// The styles GDI lists for one face name.
struct Styles {
  bool bold = false;    // some style is demibold or heavier
  bool italic = false;  // some style is italic
};

int CALLBACK AddStyle(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
  auto* styles = reinterpret_cast<Styles*>(data);
  if (font->lfWeight >= FW_SEMIBOLD) styles->bold = true;
  if (font->lfItalic != 0) styles->italic = true;
  return 1;
}

Styles StylesOf(HDC dc, const WCHAR* face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  Styles styles;
  EnumFontFamiliesExW(dc, &lf, AddStyle, reinterpret_cast<LPARAM>(&styles), 0);
  return styles;
}

// The family sought by IsInstalled and whether it was seen.
struct Sought {
  const WCHAR* name;
  bool found = false;
};

int CALLBACK CompareFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
  auto* sought = reinterpret_cast<Sought*>(data);
  if (CompareStringOrdinal(font->lfFaceName, -1, sought->name, -1, TRUE) == CSTR_EQUAL) {
    sought->found = true;
    return 0;  // enough
  }
  return 1;
}

}  // namespace

// Nothing is kept: every query asks GDI.
struct NativeFontServices::State {};

NativeFontServices::NativeFontServices() : state_(std::make_unique<State>()) {}
NativeFontServices::~NativeFontServices() = default;

bool NativeFontServices::FindFace(const FontRequest& request, FontFace& face) {
  const LOGFONTW lf =
      windows::LogicalFont(request.family, -16, request.bold, request.italic, request.fixed_pitch);
  FontHandle font(CreateFontIndirectW(&lf));
  MemoryDc dc;
  if (!dc.Select(font.get())) return false;
  WCHAR name[LF_FACESIZE] = {};
  TEXTMETRICW tm{};
  if (GetTextFaceW(dc.get(), LF_FACESIZE, name) <= 0 || name[0] == L'\0' ||
      !GetTextMetricsW(dc.get(), &tm))
    return false;
  name[LF_FACESIZE - 1] = L'\0';
  // GDI reports the requested weight and slant also when it synthesises
  // them: the face has them only when the family lists such a style.
  const Styles styles = StylesOf(dc.get(), name);
  face.file.clear();
  face.index = 0;
  face.family = windows::Narrow(name);
  face.has_bold = tm.tmWeight >= FW_SEMIBOLD && styles.bold;
  face.has_italic = tm.tmItalic != 0 && styles.italic;
  return true;
}

bool NativeFontServices::IsInstalled(const std::string& family) {
  WCHAR name[LF_FACESIZE];
  if (family.empty() || !windows::FaceName(family, name)) return false;
  MemoryDc dc;
  if (dc.get() == nullptr) return false;
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;  // and no face name: one entry per family
  Sought sought{name};
  EnumFontFamiliesExW(dc.get(), &all, CompareFamily, reinterpret_cast<LPARAM>(&sought), 0);
  return sought.found;
}

std::string NativeFontServices::FontFormat(const std::string& family) {
  if (!IsInstalled(family)) return {};
  const LOGFONTW lf = windows::LogicalFont(family, -16, false, false, false, OUT_DEFAULT_PRECIS);
  FontHandle font(CreateFontIndirectW(&lf));
  MemoryDc dc;
  TEXTMETRICW tm{};
  if (!dc.Select(font.get()) || !GetTextMetricsW(dc.get(), &tm)) return {};
  // PostScript outlines: a 'CFF ' (or 'CFF2') table. Tags as GetFontData
  // takes them: the four bytes in file order.
  constexpr DWORD kCff = 'C' | ('F' << 8) | ('F' << 16) | (DWORD{' '} << 24);
  constexpr DWORD kCff2 = 'C' | ('F' << 8) | ('F' << 16) | (DWORD{'2'} << 24);
  for (DWORD tag : {kCff, kCff2})
    if (GetFontData(dc.get(), tag, 0, nullptr, 0) != GDI_ERROR) return "CFF";
  if ((tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0) return "TrueType";
  if ((tm.tmPitchAndFamily & TMPF_DEVICE) != 0) return "Device";
  if ((tm.tmPitchAndFamily & TMPF_VECTOR) != 0) return "Vector";
  return "Raster";
}

int32_t NativeFontServices::ScreenPixelsPerInch() {
  WCHAR value[16];
  const DWORD n = GetEnvironmentVariableW(L"ZEL_SCREEN_PPI", value, 16);
  if (n > 0 && n < 16) {
    const int32_t set = internal::ScreenPpiSetting(windows::Narrow(value).c_str());
    if (set != 0) return set;
  }
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 96;
  const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return ppi > 0 ? ppi : 96;
}

FontServices& NativeFonts() {
  static NativeFontServices native;
  return native;
}

}  // namespace zel::platform
