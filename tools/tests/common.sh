# Shared start of the tool tests, sourced as `. "$(dirname "$0")/common.sh"`
# with the zel binary as $1. Sets ZEL (an absolute path, so tests may change
# folder), T (a temporary folder removed on exit) and fail, and defines
# check NAME EXPECTED ACTUAL, which records a failure without stopping.
set -u
ZEL=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected [$2], got [$3]"
    fail=1
  fi
}
# True unless the tool under test is the Windows zel.exe (run under Wine with
# ZEL_WINDOWS set): checks of Linux matters (modes, symbolic links, devices
# named as files, /dev/stdin, $TMPDIR, memory peaks) run only on Linux.
on_linux() { [ -z "${ZEL_WINDOWS:-}" ]; }
# NAME as the library writes the names it builds: unchanged on Linux, with
# Windows' separators ("\") on Windows.
native_name() { if on_linux; then printf '%s' "$1"; else printf '%s' "$1" | tr / '\\'; fi; }
