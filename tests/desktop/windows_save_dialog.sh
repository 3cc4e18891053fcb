#!/bin/sh
# Runs the window test of Windows' save dialog (zel_desktop_tests.exe) under
# Wine inside an Xvfb of its own, and types into the dialog with xdotool: a
# name, Tab to the type list, Down (the type-change handler rewrites the
# extension), then, once the program has saved its picture of the screen,
# Enter. The Wine session of the test run is headless (its desktop has no
# display, and a program started into it cannot show a window even with
# DISPLAY set), so the test runs in a copy of its prefix with a wineserver of
# its own on the test's display. Everything started here is stopped here;
# every wait is bounded.
# With ZEL.exe given, zel save-dialog is run too, without --headless: it must
# open the system's dialog, and print the name typed into it.
# Usage: windows_save_dialog.sh PROGRAM.exe ARTIFACT_DIR [ZEL.exe]
# Prints "[  SKIPPED ]" and exits 0 where Xvfb, xdotool or Wine is missing.
set -u
exe=$1
artifacts=$2
tool=${3:-}
wine=${ZEL_WINE:-/usr/lib/wine/wine64}
server=${ZEL_WINESERVER:-/usr/lib/wine/wineserver}

skip() {
  echo "[  SKIPPED ] Windows save dialog window test: $1"
  exit 0
}
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed"
command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed"
if [ ! -x "$wine" ] || [ ! -x "$server" ]; then skip "Wine is not installed ($wine)"; fi

work=$(mktemp -d)
xvfb=
program=
driver=
cleanup() {
  for pid in $driver $program; do kill "$pid" 2>/dev/null; done
  [ -d "$work/prefix" ] && WINEPREFIX=$work/prefix timeout 20 "$server" -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

# A display of our own: Xvfb writes the number it took to the file once it
# accepts connections.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb=$!
i=0
while ! grep -q . "$work/display" 2>/dev/null && [ $i -lt 150 ]; do sleep 0.1; i=$((i + 1)); done
number=$(head -n 1 "$work/display" 2>/dev/null)
[ -n "$number" ] || skip "Xvfb did not start: $(tail -n 2 "$work/xvfb.log")"
export DISPLAY=":$number"

# The prefix: a copy of the test run's (cheap: a second, no boot), or a new
# one (about 7 seconds) when there is none or its wineserver has not written
# the registry yet (it does so within half a minute of the start).
if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/system.reg" ]; then
  cp -a "$WINEPREFIX" "$work/prefix" || exit 1
  export WINEPREFIX="$work/prefix"
else
  export WINEPREFIX="$work/prefix"
  if ! timeout 120 "$wine" wineboot --init </dev/null >"$work/wineboot.log" 2>&1; then
    echo "Wine cannot make a prefix:"
    tail -n 5 "$work/wineboot.log"
    exit 1
  fi
fi
export WINEDEBUG="${WINEDEBUG:--all}"

# Windows names for the picture and the mark the program leaves after it.
mkdir -p "$artifacts" || exit 1
shot=$(cd "$artifacts" && pwd)/windows-save-dialog.png
rm -f "$shot"
mark=$work/shot-taken
winname() { printf 'Z:%s' "$1" | tr / '\\'; }
ZEL_DIALOG_SHOT=$(winname "$shot")
ZEL_DIALOG_SHOT_MARK=$(winname "$mark")
export ZEL_DIALOG_SHOT ZEL_DIALOG_SHOT_MARK

timeout 150 "$wine" "$exe" </dev/null >"$work/out" 2>&1 &
program=$!

# The user: finds the dialog titled $1 (a regular expression), focuses it
# and types $2 over the name field's text.
type_name() {
  w=$(timeout 60 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1)
  [ -n "$w" ] || { echo "driver: no dialog titled $1"; exit 3; }
  timeout 10 xdotool windowfocus --sync "$w" 2>/dev/null || timeout 10 xdotool windowfocus "$w"
  sleep 0.5
  timeout 10 xdotool key --clearmodifiers End shift+Home Delete
  timeout 10 xdotool type --delay 30 "$2"
}

# In the test program: the name, then the type, the picture and Enter.
(
  type_name '^Save zel report$' report-7
  timeout 10 xdotool key --clearmodifiers Tab
  sleep 0.3
  timeout 10 xdotool key --clearmodifiers Down
  i=0
  while [ ! -e "$mark" ] && [ $i -lt 150 ]; do sleep 0.1; i=$((i + 1)); done
  [ -e "$mark" ] || echo "driver: no picture after the type change; pressing Enter anyway"
  timeout 10 xdotool key --clearmodifiers Return
) >"$work/driver" 2>&1 &
driver=$!

wait "$program"
status=$?
program=
# The driver's last key closed the dialog; it ends at once, or is stopped.
i=0
while kill -0 "$driver" 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
kill "$driver" 2>/dev/null
wait "$driver"
driver_status=$?
driver=
cat "$work/out"
cat "$work/driver"
[ $driver_status -eq 0 ] || echo "driver: exit status $driver_status"
[ -e "$shot" ] && echo "artifact: $shot"
if [ $status -ne 0 ] || [ $driver_status -ne 0 ]; then exit 1; fi
[ -n "$tool" ] || exit 0

# The tool: no --headless, a session with windows: the system's dialog.
mkdir "$work/out-folder" || exit 1
folder=$(winname "$work/out-folder")
timeout 60 "$wine" "$tool" save-dialog \
  "filter=\"Text|*.txt\" ext=txt caption=\"zel tool dialog\" initialdir=\"$folder\"" \
  </dev/null >"$work/tool.out" 2>"$work/tool.err" &
program=$!
(
  type_name '^zel tool dialog$' from-tool
  timeout 10 xdotool key --clearmodifiers Return
) >"$work/driver" 2>&1 &
driver=$!
wait "$program"
status=$?
program=
wait "$driver"
driver_status=$?
driver=
cat "$work/driver" "$work/tool.err"
printed=$(tr -d '\r' <"$work/tool.out")
expected="$folder\\from-tool.txt"
if [ $status -ne 0 ] || [ "$printed" != "$expected" ]; then
  printf 'zel save-dialog: exit status %s, printed [%s], expected [%s]\n' "$status" "$printed" "$expected"
  exit 1
fi
printf 'zel save-dialog: printed %s\n' "$printed"
