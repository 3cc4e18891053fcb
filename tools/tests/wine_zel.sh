#!/bin/sh
# Runs the Windows zel.exe named by ZEL_EXE under Wine with the arguments
# given, so the tool tests can call it as they call the Linux zel. CTest
# starts it inside the Wine session of the test run (WINEPREFIX and the
# running wineserver come from there).
exec "${ZEL_WINE:-/usr/lib/wine/wine64}" "${ZEL_EXE:?ZEL_EXE must name zel.exe}" "$@"
