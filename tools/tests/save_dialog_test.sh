#!/bin/sh
# Tool test of zel save-dialog answered from standard input (no display):
# accepted names, the forced extension, cancel, the overwrite question and
# usage errors. Usage: save_dialog_test.sh path/to/zel
. "$(dirname "$0")/common.sh"
unset DISPLAY WAYLAND_DISPLAY
# Windows has no "no display" to set here: every session with a window
# station (Wine's too, X server or not) would open the system's dialog, so
# the Windows tool is made headless explicitly. H is empty on Linux.
if on_linux; then H=; else H=--headless; fi
P="filter=\"Text files|*.txt|All files|*.*\" ext=txt caption=\"Save report\" initialdir=\"$T\""

out=$(printf 'report.dat\n' | "$ZEL" save-dialog $H "$P"); check "accept status" 0 $?
check "accept name" "$T/report.txt" "$out"
out=$(printf '' | "$ZEL" save-dialog $H "$P"); check "cancel at end of input" 1 $?
check "cancel prints nothing" "" "$out"
out=$(printf '\n' | "$ZEL" save-dialog $H "$P"); check "cancel with empty line" 1 $?
: > "$T/old.txt"
out=$(printf 'old\ny\n' | "$ZEL" save-dialog $H "$P" 2>/dev/null); check "overwrite yes" 0 $?
check "overwrite yes name" "$T/old.txt" "$out"
out=$(printf 'old\nn\nnew\n' | "$ZEL" save-dialog $H "$P" 2>/dev/null); check "overwrite no" 0 $?
check "overwrite no asks again" "$T/new.txt" "$out"
err=$(printf 'old\n' | "$ZEL" save-dialog $H "$P" 2>&1 >/dev/null); check "overwrite cancel" 1 $?
check "overwrite question" "zel save-dialog: $T/old.txt exists; overwrite? [y/n]" "$err"
out=$(printf 'old\n' | "$ZEL" save-dialog $H --overwrite "$P"); check "--overwrite" 0 $?
check "--overwrite name" "$T/old.txt" "$out"
out=$(printf 'a.txt\n' | DISPLAY=:none "$ZEL" save-dialog --headless -- 'ext=dat'); check "--headless" 0 $?
check "no initial folder" "a.dat" "$out"
# Folders and names that are not UTF-8 designate exactly their files (Linux:
# Windows names are UTF-16).
if on_linux; then
bad=$(printf '%s/d\377' "$T")
mkdir "$bad" "$(printf '%s/d\357\277\275' "$T")"
: > "$bad/old.txt"
out=$(printf 'old\ny\n' | "$ZEL" save-dialog "ext=txt initialdir=\"$bad\"" 2>/dev/null)
check "non-UTF-8 folder" 0 $?
check "non-UTF-8 folder name" "$bad/old.txt" "$out"
: > "$T/$(printf 'n\377.txt')"
err=$(printf 'n\377.txt\n' | "$ZEL" save-dialog "initialdir=\"$T\"" 2>&1 >/dev/null)
check "non-UTF-8 name exists" 1 $?
check "non-UTF-8 name question" "zel save-dialog: $T/$(printf 'n\377.txt') exists; overwrite? [y/n]" "$err"
fi
"$ZEL" save-dialog 2>/dev/null; check "no parameters" 2 $?
"$ZEL" save-dialog a b 2>/dev/null; check "two parameters" 2 $?
"$ZEL" save-dialog --frob x 2>/dev/null; check "unknown option" 2 $?
printf 'report\n' | "$ZEL" save-dialog $H "$P" > /dev/full 2>/dev/null; check "full output" 1 $?
exit $fail
