#!/bin/sh
# Makes the Windows zip of a configured and built Windows (MinGW-w64) zel with
# scripts/windows_zip, unpacks it into a scratch folder and checks that it is
# enough: examples/consumer cross-builds against the zip's CMake package with
# the MinGW-w64 toolchain and runs under Wine with the zip's zel.dll beside
# it, and the zip's zel.exe reports the version. Runs inside the Wine session
# of the build's tests (WINEPREFIX set).
# Usage: windows_zip_consumer_test.sh BUILD_DIR SOURCE_DIR VERSION
set -eu
build=$1 src=$2 version=$3
wine=${ZEL_WINE:-/usr/lib/wine/wine64}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "windows_zip_consumer_test: $*" >&2; exit 1; }

zip=$(sh "$src/scripts/windows_zip" "$build" "$work/pkg") || fail "scripts/windows_zip failed"
[ "$(basename "$zip")" = "zel-$version-win64.zip" ] || fail "unexpected zip name $zip"
unzip -q "$zip" -d "$work/root" || fail "the zip does not unpack"
root=$work/root/zel-$version-win64
for f in bin/zel.dll lib/libzel.dll.a include/zel/zel.h include/zel/version.h \
         lib/cmake/zel/zelConfig.cmake lib/cmake/zel/zelConfigVersion.cmake \
         lib/cmake/zel/zelTargets.cmake; do
  [ -f "$root/$f" ] || fail "the zip lacks $f"
done
if [ -f "$build/bin/zel.exe" ]; then
  [ -f "$root/bin/zel.exe" ] || fail "the zip lacks bin/zel.exe"
fi
x86_64-w64-mingw32-objdump -p "$root/bin/zel.dll" | grep -q 'Name .*zel.dll' \
  || fail "zel.dll does not export under its own name"

# The CMake package, found through zel_DIR (the toolchain looks for packages
# only below the MinGW root).
cmake -S "$src/examples/consumer" -B "$work/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" -Dzel_DIR="$root/lib/cmake/zel" \
  >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log" >&2; fail "consumer does not configure"; }
cmake --build "$work/consumer" >"$work/build.log" 2>&1 \
  || { cat "$work/build.log" >&2; fail "consumer does not build"; }
[ -f "$work/consumer/consumer.exe" ] || fail "no consumer.exe"
# A Windows program finds its DLLs beside it.
cp "$root/bin/zel.dll" "$work/consumer/"
out=$("$wine" "$work/consumer/consumer.exe" | tr -d '\r') || fail "consumer.exe failed: $out"
[ "$out" = "zel $version: hello from zel" ] || fail "consumer printed: $out"

if [ -f "$root/bin/zel.exe" ]; then
  out=$("$wine" "$root/bin/zel.exe" version | tr -d '\r') || fail "zel.exe version failed: $out"
  [ "$out" = "zel $version" ] || fail "zel version printed: $out"
fi
echo "windows_zip_consumer_test: zel-$version-win64.zip is complete"
