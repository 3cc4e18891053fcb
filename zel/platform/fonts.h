// The installed fonts: which face draws a family, whether a family is
// installed, what format its file has, and the resolution the library assumes
// for the screen.
//
// Linux: the fonts are fontconfig's.
//   - FindFace() asks fontconfig for the best match of a family with the
//     requested weight, slant and spacing (after the configuration's and the
//     default substitutions), so a family that is not installed falls back as
//     fontconfig matches it ("Sans" to the desktop's sans-serif face, an
//     unknown name to the default face). It fails only when fontconfig has
//     no font at all.
//   - IsInstalled() is true when some installed font lists the family among
//     its family names (fontconfig compares them ignoring case and spaces).
//   - FontFormat() is fontconfig's format of the family's best file:
//     "TrueType", "CFF" (OpenType with PostScript outlines), "Type 1",
//     "CID Type 1", "PCF", "BDF", "Windows FNT", ...; empty when the family
//     is not installed.
// Windows: the fonts are GDI's.
//   - FindFace() lets GDI map a logical font of the family (weight, italic,
//     fixed pitch; outline faces only, as the glyphs concern cannot draw
//     GDI's raster fonts) and reports the face name GDI chose, so GDI's
//     substitutions and its fallback for unknown names apply. A family
//     longer than GDI's 31-character face names is unknown to it. has_bold
//     and has_italic are true only when the family lists such a style (GDI
//     synthesises the others).
//   - IsInstalled() is true when EnumFontFamiliesExW lists the family; names
//     are compared ignoring case only (not spaces).
//   - FontFormat() comes from the face GDI selects for the family: "CFF"
//     when it has PostScript outlines (a 'CFF ' or 'CFF2' table), else "TrueType" for
//     TrueType faces, else GDI's kind: "Vector", "Device" or "Raster"; empty
//     when the family is not installed.
// Both systems:
//   - ScreenPixelsPerInch() is the environment variable ZEL_SCREEN_PPI when
//     it holds a whole number from 24 to 2400. Otherwise Linux: 96 (a screen
//     has no single resolution there; the value only decides how point
//     sizes become pixels for the screen); Windows: the screen's logical
//     resolution as the process sees it, GetDeviceCaps(LOGPIXELSY) (96
//     unless the program is DPI aware; 96 too if the screen reports none).
//
// The backend in force is Fonts(); tests install another one with
// SetFontsBackend or ScopedBackend (see backend.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zel/export.h"
#include "zel/platform/backend.h"

namespace zel::platform {

// What a face request asks for. Family is UTF-8.
struct FontRequest {
  std::string family;        // the family name ("DejaVu Sans", "Sans")
  bool bold = false;         // bold weight wanted (else regular)
  bool italic = false;       // italic slant wanted (else upright)
  bool fixed_pitch = false;  // a monospaced face wanted
};

// The face that draws a request, and whether the face itself has the
// requested weight and slant (false means a drawing library should embolden
// or slant the glyphs itself). Linux names the face by its font file and
// index; Windows by the face name GDI resolved (GDI draws by name, the file
// stays empty).
struct FontFace {
  std::string file;         // Linux: path of the font file; Windows: empty
  int index = 0;            // Linux: the face's index within the file (0 for most)
  std::string family;       // Windows: the face name GDI chose (UTF-8); Linux: empty
  bool has_bold = false;    // the face is demibold or heavier
  bool has_italic = false;  // the face is italic or oblique
};

// The fonts concern: finding the installed face for a request.
class ZEL_API FontServices {
 public:
  virtual ~FontServices();

  // Stores in face the face that draws the request; false (face unchanged)
  // when no font is available.
  virtual bool FindFace(const FontRequest& request, FontFace& face) = 0;
  // True when an installed font carries the family name (UTF-8).
  virtual bool IsInstalled(const std::string& family) = 0;
  // The file format of the family's best face; empty when not installed.
  virtual std::string FontFormat(const std::string& family) = 0;
  // Pixels per inch assumed for the screen.
  virtual int32_t ScreenPixelsPerInch() = 0;
};

// The system's implementation described above. Linux: each instance loads its
// own fontconfig configuration (the system's and the user's font settings,
// read once, on the first font query) and releases it when destroyed.
// Windows: stateless, every query asks GDI.
class ZEL_API NativeFontServices : public FontServices {
 public:
  NativeFontServices();
  ~NativeFontServices() override;
  NativeFontServices(const NativeFontServices&) = delete;
  NativeFontServices& operator=(const NativeFontServices&) = delete;

  bool FindFace(const FontRequest& request, FontFace& face) override;
  bool IsInstalled(const std::string& family) override;
  std::string FontFormat(const std::string& family) override;
  int32_t ScreenPixelsPerInch() override;

 private:
  struct State;                   // what the system's implementation keeps
  std::unique_ptr<State> state_;  // never null
};

// The process's one NativeFontServices.
ZEL_API FontServices& NativeFonts();
// The implementation in force (the native one unless a test installed another).
ZEL_API FontServices& Fonts();
// Installs `backend` (nullptr: the native one); returns the previous one.
ZEL_API FontServices* SetFontsBackend(FontServices* backend);

}  // namespace zel::platform
