# What the platform layer links. The Windows implementations need only system
# libraries: the adapter list (iphlpapi), file associations (shlwapi) and the
# random source (bcrypt).
if(WIN32)
  target_link_libraries(zel PRIVATE iphlpapi shlwapi bcrypt)
  return()
endif()

# The Linux implementations:
# The configuration store keeps its databases with SQLite.
find_package(SQLite3 REQUIRED)
target_link_libraries(zel PRIVATE SQLite::SQLite3)

# Graphics services of the platform layer: fontconfig finds the fonts, cairo
# writes the printer's PDF documents.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZEL_FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(ZEL_CAIRO REQUIRED IMPORTED_TARGET cairo cairo-pdf)
target_link_libraries(zel PRIVATE PkgConfig::ZEL_FONTCONFIG PkgConfig::ZEL_CAIRO)
