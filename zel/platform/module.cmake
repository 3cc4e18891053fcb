# The Linux implementations of the platform layer and what they link; the
# Windows ones link only system libraries (see zel/platform/windows/). These
# are the library's only third-party dependencies: no other layer includes
# their headers.
# Windows: system libraries only, for the adapter list (iphlpapi), file
# associations (shlwapi), the random source (bcrypt), glyphs and fonts (gdi32),
# PNG images (the Imaging Component through COM: windowscodecs, ole32, uuid),
# the print spooler (winspool) and the save dialog (comdlg32).
if(WIN32)
  target_link_libraries(zel PRIVATE iphlpapi shlwapi bcrypt gdi32 windowscodecs ole32 uuid
                                    winspool comdlg32)
  return()
endif()

# The Linux implementations:
# The configuration store keeps its databases with SQLite.
find_package(SQLite3 REQUIRED)
target_link_libraries(zel PRIVATE SQLite::SQLite3)

# Graphics services: fontconfig finds the fonts, FreeType draws their glyphs,
# libpng reads and writes PNG images, cairo writes the printer's PDF
# documents.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZEL_FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(ZEL_FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(ZEL_LIBPNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(ZEL_CAIRO REQUIRED IMPORTED_TARGET cairo cairo-pdf)
target_link_libraries(zel PRIVATE PkgConfig::ZEL_FONTCONFIG PkgConfig::ZEL_FREETYPE
                                  PkgConfig::ZEL_LIBPNG PkgConfig::ZEL_CAIRO)
