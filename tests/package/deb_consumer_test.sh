#!/bin/sh
# Builds the Debian packages of a configured and built zel, unpacks them into a
# scratch root with dpkg -x (no installation) and checks that they are enough:
# examples/consumer builds against them through the CMake package and through
# zel.pc, runs, and the packaged tool reports the version.
# Usage: deb_consumer_test.sh BUILD_DIR SOURCE_DIR VERSION
set -eu
build=$1 src=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "deb_consumer_test: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
for name in libzel0 libzel-dev zel-tools; do
  deb=$(ls "$work/pkg/${name}_${version}_"*.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || fail "no package $name $version in $(ls "$work/pkg")"
  [ "$(dpkg-deb -f "$deb" Package)" = "$name" ] || fail "$deb: wrong package name"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$deb: wrong version"
  dpkg -x "$deb" "$work/root"
done
# zel::gtk's packages, where the build has it: unpacked too, so the installed
# CMake package (which includes zel::gtk's targets when present) is whole.
for name in libzel-gtk0 libzel-gtk-dev; do
  for deb in "$work/pkg/${name}_${version}_"*.deb; do
    [ -f "$deb" ] && dpkg -x "$deb" "$work/root"
  done
done
dpkg-deb -f "$work/pkg/libzel-dev_${version}_"*.deb Depends | grep -q "libzel0 (= $version)" \
  || fail "libzel-dev does not depend on libzel0 $version"

root=$work/root/usr
lib=$(find "$root/lib" -name 'libzel.so.*' -type f | head -n 1)
[ -n "$lib" ] || fail "no libzel.so in libzel0"
libdir=$(dirname "$lib")
objdump -p "$lib" | grep -q 'SONAME *libzel\.so\.0$' || fail "SONAME is not libzel.so.0"
[ -f "$root/include/zel/zel.h" ] && [ -f "$root/include/zel/version.h" ] || fail "headers missing"

# The CMake package.
cmake -S "$src/examples/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$root" \
  >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log" >&2; fail "consumer does not configure"; }
cmake --build "$work/consumer" >"$work/build.log" 2>&1 \
  || { cat "$work/build.log" >&2; fail "consumer does not build"; }
out=$(LD_LIBRARY_PATH=$libdir "$work/consumer/consumer")
[ "$out" = "zel $version: hello from zel" ] || fail "consumer printed: $out"

# pkg-config.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
[ "$(pkg-config --modversion zel)" = "$version" ] || fail "zel.pc has the wrong version"
# shellcheck disable=SC2046
${CXX:-c++} -o "$work/consumer-pc" "$src/examples/consumer/main.cpp" $(pkg-config --cflags --libs zel) \
  || fail "consumer does not build with pkg-config"
out=$(LD_LIBRARY_PATH=$libdir "$work/consumer-pc")
[ "$out" = "zel $version: hello from zel" ] || fail "pkg-config consumer printed: $out"

# The tool, with its man page and bash completion where the sources have them.
out=$(LD_LIBRARY_PATH=$libdir "$root/bin/zel" version)
[ "$out" = "zel $version" ] || fail "zel version printed: $out"
tools=$(dpkg-deb -c "$work/pkg/zel-tools_${version}_"*.deb)
if [ -f "$src/tools/completion/zel" ]; then
  echo "$tools" | grep -q 'usr/share/bash-completion/completions/zel$' \
    || fail "zel-tools lacks the bash completion"
  echo "$tools" | grep -q 'usr/share/man/man1/zel\.1' || fail "zel-tools lacks the man page"
fi
echo "deb_consumer_test: libzel0, libzel-dev and zel-tools $version are complete"
