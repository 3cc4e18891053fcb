# Graphics services of the platform layer: fontconfig finds the fonts, cairo
# writes the printer's PDF documents.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZEL_FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(ZEL_CAIRO REQUIRED IMPORTED_TARGET cairo cairo-pdf)
target_link_libraries(zel PRIVATE PkgConfig::ZEL_FONTCONFIG PkgConfig::ZEL_CAIRO)
