# Cross-compiles zel for 64-bit Windows with Debian's MinGW-w64 toolchain (the
# POSIX thread model, so std::thread and std::mutex work). The programs built
# here run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
#   cmake --preset windows
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The MinGW runtime (libgcc, libstdc++, winpthread) is linked in statically,
# so zel.dll and zel.exe run without extra DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
# Wine runs the built programs: the tests, and the generators of the build.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
