#!/bin/sh
# Tool test of zel grid's outputs and memory budget: every output (--out,
# --in-place, --xml) obeys the cell-length rule, the outputs of a run are
# written together or not at all, and a table larger than the cell budget is
# refused. Usage: grid_test.sh path/to/zel
. "$(dirname "$0")/common.sh"

printf 'b;2\na;1\n' > "$T/s.csv"
out=$("$ZEL" grid --xml - "$T/s.csv" | head -n 1 | tr -d "\r"); check "--xml - writes the XML first" '<?xml version="1.0"?>' "$out"
"$ZEL" grid --sort 1 --xml "$T/s.xml" --out "$T/s2.csv" "$T/s.csv"; check "two outputs status" 0 $?
check "two outputs: the table" "$(printf 'a;1\nb;2')" "$(cat "$T/s2.csv")"
grep -q '<cell c="1" r="1">a</cell>' "$T/s.xml"; check "two outputs: the XML" 0 $?

# A field longer than a cell: no output is written without --truncate.
awk 'BEGIN { s = ""; for (i = 0; i < 300; i++) s = s "x"; print "a;" s; print "b;c" }' > "$T/l.csv"
echo old > "$T/x.xml"
for outputs in "--xml $T/x.xml" "--xml $T/x.xml --out $T/o.csv" "--out $T/o.csv --xml $T/x.xml" \
               "--xml $T/new.xml"; do
  # shellcheck disable=SC2086
  "$ZEL" grid $outputs "$T/l.csv" > /dev/null 2> "$T/e"; check "overlong with $outputs: status" 1 $?
  check "overlong with $outputs: message" \
    "zel grid: $T/l.csv: line 1: 1 field(s) longer than 255 bytes, more than a grid cell holds; nothing written (--truncate writes them cut)" \
    "$(cat "$T/e")"
  check "overlong with $outputs: XML kept" old "$(head -n 1 "$T/x.xml")"
  [ ! -e "$T/o.csv" ] && [ ! -e "$T/new.xml" ]; check "overlong with $outputs: nothing new" 0 $?
done
"$ZEL" grid --truncate --xml "$T/x.xml" "$T/l.csv" > /dev/null; check "--truncate --xml status" 0 $?
grep -q '<cell c="2" r="1">x*</cell>' "$T/x.xml"; check "--truncate --xml writes the cut cell" 0 $?

# One output that cannot be written: none is.
echo old > "$T/x.xml"
"$ZEL" grid --xml "$T/x.xml" --out "$T/nofolder/o.csv" "$T/s.csv" 2> "$T/e"
check "failed --out status" 1 $?
check "failed --out message" "zel grid: $T/nofolder/o.csv: No such file or directory" "$(cat "$T/e")"
check "failed --out keeps the XML" old "$(head -n 1 "$T/x.xml")"
if [ -w /dev/full ]; then
  "$ZEL" grid --xml "$T/x.xml" --out - "$T/s.csv" > /dev/full 2> /dev/null
  check "failed standard output status" 1 $?
  check "failed standard output keeps the XML" old "$(head -n 1 "$T/x.xml")"
fi
"$ZEL" grid --xml "$T/s.csv" --in-place "$T/s.csv" 2> "$T/e"; check "one file as two outputs" 1 $?
check "one file as two outputs: untouched" "$(printf 'b;2\na;1')" "$(cat "$T/s.csv")"
if on_linux; then
  ln -s s.csv "$T/link.csv"
  other="$T/link.csv"
else
  other="$T/./s.csv"  # no symbolic links under Wine: another spelling of the name
fi
"$ZEL" grid --xml "$other" --out "$T/s.csv" "$T/s.csv" 2> /dev/null
check "one file under two names" 1 $?
ls -A "$T" | grep -q tmp; check "no temporary left" 1 $?

# The cell budget: rows times the widest record, refused before the grid is
# made; --max-cells moves the limit.
awk 'BEGIN { s = ""; for (i = 0; i < 20000; i++) s = s ";"; print s; for (i = 0; i < 20000; i++) print "x" }' > "$T/ragged.csv"
"$ZEL" grid --out "$T/r.csv" "$T/ragged.csv" 2> "$T/e"; check "ragged table status" 1 $?
grep -q "^zel grid: $T/ragged.csv: line [0-9]*: the table needs more than 50000000 grid cells; nothing read (--max-cells raises the limit)\$" "$T/e"
check "ragged table message ($(cat "$T/e"))" 0 $?
[ ! -e "$T/r.csv" ]; check "ragged table: nothing written" 0 $?
"$ZEL" grid find x "$T/ragged.csv" > /dev/null 2>&1; check "ragged table: find refuses too" 1 $?
awk 'BEGIN { s = ""; for (i = 0; i < 2000; i++) s = s ";"; print s; for (i = 0; i < 2000; i++) print "x" }' > "$T/r2.csv"
"$ZEL" grid --out "$T/r2b.csv" "$T/r2.csv"; check "smaller ragged table" 0 $?
cmp -s "$T/r2.csv" "$T/r2b.csv"; check "smaller ragged table round trip" 0 $?
"$ZEL" grid --max-cells 1000000 --out "$T/r2c.csv" "$T/r2.csv" 2> /dev/null; check "--max-cells lowers the limit" 1 $?
# One record too wide is refused as it is read: memory stays near its bytes.
if [ -x /usr/bin/time ]; then
  { head -c 6000000 /dev/zero | tr '\0' ';'; echo; echo x; } > "$T/wide.csv"
  /usr/bin/time -f %M -o "$T/mem" "$ZEL" grid --header --max-cells 1000000 "$T/wide.csv" \
    > /dev/null 2>&1
  check "wide titles refused" 1 $?
  kib=$(tail -n 1 "$T/mem")
  [ "$kib" -lt 65536 ]; check "wide titles refused early (${kib} KiB for 6 MB)" 0 $?
  /usr/bin/time -f %M -o "$T/mem" "$ZEL" fmat from-csv --delimiter ';' "$T/wide.csv" "$T/w.fm" \
    > /dev/null 2>&1
  kib=$(tail -n 1 "$T/mem")
  [ "$kib" -lt 196608 ] && [ ! -e "$T/w.fm" ]; check "fmat: wide names refused early (${kib} KiB)" 0 $?
fi
for v in 0 -5 1e9 x ''; do
  "$ZEL" grid --max-cells "$v" "$T/s.csv" > /dev/null 2>&1; check "--max-cells '$v'" 2 $?
done
"$ZEL" grid --help | grep -q -- "--max-cells N"; check "--max-cells in the help" 0 $?
"$ZEL" --man | grep -q -- 'max\\-cells'; check "--max-cells in the manual" 0 $?
exit $fail
