# Packages of an installed zel, made by `scripts/package` (cpack in a build):
#   libzel<SOVERSION>  the shared library                      (component runtime)
#   libzel-dev         headers, link name, CMake package, zel.pc (component dev)
#   zel-tools          the zel tool, its sample data, man page and bash completion
#                                                               (component tools)
#   libzel-gtk<SOVERSION>  the GTK 3 save dialog library zel::gtk    (component gtk)
#   libzel-gtk-dev     its header and CMake targets               (component gtkdev)
#   zel-<version>-Linux.tar.gz  the whole install tree
set(CPACK_PACKAGE_NAME zel)
set(CPACK_PACKAGE_VENDOR "Zelorbita")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "zel maintainers <zel@zelorbita.invalid>")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_COMPONENTS_ALL runtime dev tools)
if(TARGET zel_gtk)
  list(APPEND CPACK_COMPONENTS_ALL gtk gtkdev)
endif()
set(CPACK_SOURCE_GENERATOR "")

# The tarball: one install tree with every component.
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)

# Debian: one package per component.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zelorbita.invalid/zel")
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(_zel_exact "(= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libzel${ZEL_SOVERSION})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)  # system libraries from dpkg-shlibdeps
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)  # shlibs file and ldconfig calls
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")  # same SONAME, same ABI
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "${PROJECT_DESCRIPTION}
 The shared library (libzel.so.${ZEL_SOVERSION}).")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libzel-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libzel${ZEL_SOVERSION} ${_zel_exact}")
set(CPACK_DEBIAN_DEV_DESCRIPTION "${PROJECT_DESCRIPTION}
 Headers, the CMake package (find_package(zel)) and zel.pc for pkg-config.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME zel-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
# dpkg-shlibdeps cannot resolve libzel from this build, so the dependency is
# named: the library of this very version (which brings libpng for zel color).
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libzel${ZEL_SOVERSION} ${_zel_exact}")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "${PROJECT_DESCRIPTION}
 The zel command-line tool with its sample data, man page and bash completion.")

# zel::gtk, where it is built: a library of its own, so that only programs
# that show the desktop's dialog pull in GTK.
set(CPACK_DEBIAN_GTK_PACKAGE_NAME libzel-gtk${ZEL_SOVERSION})
set(CPACK_DEBIAN_GTK_PACKAGE_DEPENDS "libzel${ZEL_SOVERSION} ${_zel_exact}, libgtk-3-0")
set(CPACK_DEBIAN_GTK_DESCRIPTION "${PROJECT_DESCRIPTION}
 The desktop save dialog on GTK 3 (libzel-gtk.so.${ZEL_SOVERSION}).")
set(CPACK_DEBIAN_GTKDEV_PACKAGE_NAME libzel-gtk-dev)
set(CPACK_DEBIAN_GTKDEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_GTKDEV_PACKAGE_DEPENDS
    "libzel-gtk${ZEL_SOVERSION} ${_zel_exact}, libzel-dev ${_zel_exact}")
set(CPACK_DEBIAN_GTKDEV_DESCRIPTION "${PROJECT_DESCRIPTION}
 The header and CMake target zel::gtk of the desktop save dialog.")

include(CPack)
cpack_add_component(runtime DISPLAY_NAME "Shared library")
cpack_add_component(dev DISPLAY_NAME "Development files" DEPENDS runtime)
cpack_add_component(tools DISPLAY_NAME "Command-line tool" DEPENDS runtime)
if(TARGET zel_gtk)
  cpack_add_component(gtk DISPLAY_NAME "GTK 3 save dialog" DEPENDS runtime)
  cpack_add_component(gtkdev DISPLAY_NAME "GTK 3 save dialog, development files" DEPENDS gtk dev)
endif()
