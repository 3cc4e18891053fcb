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
# Usage: windows_save_dialog.sh PROGRAM.exe ARTIFACT_DIR
# Prints "[  SKIPPED ]" and exits 0 where Xvfb, xdotool or Wine is missing.
set -u
exe=$1
artifacts=$2
wine=${ZEL_WINE:-/usr/lib/wine/wine64}
server=${ZEL_WINESERVER:-/usr/lib/wine/wineserver}

skip() {
  echo "[  SKIPPED ] Windows save dialog window test: $1"
  exit 0
}
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed"
command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed"
[ -x "$wine" ] && [ -x "$server" ] || skip "Wine is not installed ($wine)"

work=$(mktemp -d)
xvfb=
program=
driver=
cleanup() {
  for pid in $driver $program; do kill "$pid" 2>/dev/null; done
  [ -d "$work/prefix" ] && WINEPREFIX=$work/prefix "$server" -k 2>/dev/null
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
export DISPLAY=:$number

# The prefix: a copy of the test run's (cheap: a second, no boot), or a new
# one when there is none.
if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/system.reg" ]; then
  cp -a "$WINEPREFIX" "$work/prefix" || exit 1
  export WINEPREFIX=$work/prefix
else
  export WINEPREFIX=$work/prefix
  timeout 120 "$wine" wineboot --init </dev/null >/dev/null 2>&1 || skip "Wine cannot make a prefix"
fi
export WINEDEBUG=${WINEDEBUG:--all}

# Windows names for the picture and the mark the program leaves after it.
mkdir -p "$artifacts" || exit 1
shot=$(cd "$artifacts" && pwd)/windows-save-dialog.png
rm -f "$shot" "${shot%.png}.bmp"
mark=$work/shot-taken
winname() { printf 'Z:%s' "$1" | tr / '\\'; }
export ZEL_DIALOG_SHOT="$(winname "$shot")" ZEL_DIALOG_SHOT_MARK="$(winname "$mark")"

timeout 150 "$wine" "$exe" </dev/null >"$work/out" 2>&1 &
program=$!

# The user: find the dialog by its title, replace the name, switch the type,
# wait for the picture, press Enter.
(
  w=$(timeout 60 xdotool search --sync --onlyvisible --name '^Save zel report$' 2>/dev/null | head -n 1)
  [ -n "$w" ] || { echo "driver: no dialog titled 'Save zel report'"; exit 3; }
  timeout 10 xdotool windowfocus --sync "$w" 2>/dev/null || timeout 10 xdotool windowfocus "$w"
  sleep 0.5
  timeout 10 xdotool key --clearmodifiers End shift+Home Delete
  timeout 10 xdotool type --delay 30 'report-7'
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
for f in "$shot" "${shot%.png}.bmp"; do [ -e "$f" ] && echo "artifact: $f"; done
[ $status -eq 0 ] && [ $driver_status -eq 0 ]
