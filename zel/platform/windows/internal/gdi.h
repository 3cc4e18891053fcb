// What the Windows fonts and glyphs share: GDI handles that release
// themselves, and the logical font of a family name.
#pragma once

#include <string>

#include "zel/platform/windows/internal/win32.h"

namespace zel::platform::windows {

// A memory device context compatible with the screen, deleted on
// destruction (with the font selected into it put back first).
class MemoryDc {
 public:
  MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {}
  ~MemoryDc() {
    if (dc_ == nullptr) return;
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC get() const { return dc_; }
  // Selects font into the context (the context does not own it); false when
  // GDI refuses.
  bool Select(HFONT font) {
    if (dc_ == nullptr || font == nullptr) return false;
    HGDIOBJ old = SelectObject(dc_, font);
    if (old == nullptr || old == HGDI_ERROR) return false;
    if (previous_ == nullptr) previous_ = old;
    return true;
  }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

// A font handle deleted on destruction. Declare it before the MemoryDc it is
// selected into, so the context lets go of it first.
class FontHandle {
 public:
  explicit FontHandle(HFONT font = nullptr) : font_(font) {}
  ~FontHandle() {
    if (font_ != nullptr) DeleteObject(font_);
  }
  FontHandle(const FontHandle&) = delete;
  FontHandle& operator=(const FontHandle&) = delete;
  HFONT get() const { return font_; }

 private:
  HFONT font_;
};

// Stores the UTF-16 form of the UTF-8 family in face (NUL-terminated); false
// (face empty) when it is not text or longer than GDI's face names
// (LF_FACESIZE - 1 units).
inline bool FaceName(const std::string& family, WCHAR (&face)[LF_FACESIZE]) {
  face[0] = L'\0';
  std::wstring wide;
  if (!Widen(family, wide) || wide.size() >= LF_FACESIZE) return false;
  wide.copy(face, wide.size());
  face[wide.size()] = L'\0';
  return true;
}

// A logical font of the UTF-8 family (GDI's default face when the name is
// not one GDI can hold), any character set. precision is GDI's output
// precision: OUT_OUTLINE_PRECIS to draw (GetGlyphOutlineW renders outline
// faces only), OUT_DEFAULT_PRECIS to see the family's own face.
inline LOGFONTW LogicalFont(const std::string& family, LONG height, bool bold, bool italic,
                            bool fixed_pitch, BYTE precision = OUT_OUTLINE_PRECIS) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = italic ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = precision;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily =
      static_cast<BYTE>((fixed_pitch ? FIXED_PITCH : DEFAULT_PITCH) | FF_DONTCARE);
  FaceName(family, lf.lfFaceName);
  return lf;
}

}  // namespace zel::platform::windows
