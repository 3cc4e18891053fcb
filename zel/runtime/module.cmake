# Temporary: Windows builds take no FreeType or libpng from the host.
if(WIN32)
  return()
endif()
# The runtime's graphics: FreeType draws the glyphs, libpng reads and writes
# bitmaps.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZEL_FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(ZEL_LIBPNG REQUIRED IMPORTED_TARGET libpng)
target_link_libraries(zel PRIVATE PkgConfig::ZEL_FREETYPE PkgConfig::ZEL_LIBPNG)
