# The Linux implementations of the platform layer and what they link; the
# Windows ones link only system libraries (see zel/platform/windows/).
if(WIN32)
  return()
endif()
# The configuration store keeps its databases with SQLite.
find_package(SQLite3 REQUIRED)
target_link_libraries(zel PRIVATE SQLite::SQLite3)

# Graphics services of the platform layer: fontconfig finds the fonts, cairo
# writes the printer's PDF documents.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZEL_FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(ZEL_CAIRO REQUIRED IMPORTED_TARGET cairo cairo-pdf)
target_link_libraries(zel PRIVATE PkgConfig::ZEL_FONTCONFIG PkgConfig::ZEL_CAIRO)
