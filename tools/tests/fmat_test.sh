#!/bin/sh
# Tool test of zel fmat: CSV to feature matrix and back, the delimiter of an
# import, quoted fields, the cell budget, exit statuses and messages.
# Usage: fmat_test.sh path/to/zel
. "$(dirname "$0")/common.sh"

printf 'id,weight,ok,label\n1,1.5,true,a b\n-2,2e3,,"x,y"\n' > "$T/in.csv"
"$ZEL" fmat from-csv "$T/in.csv" "$T/m.fmat" 2> /dev/null; check "from-csv status" 0 $?
out=$("$ZEL" fmat info "$T/m.fmat" | tr -d '\r' | sed -n 2,5p | cut -d: -f1)
check "info kinds" "$(printf '  1. #1 id (fkInteger)\n  2. #2 weight (fkDouble)\n  3. #3 ok (fkTriState)\n  4. #4 label (fkString)')" "$out"
out=$("$ZEL" fmat to-csv --delim , "$T/m.fmat" - | tr -d '\r')
check "to-csv round trip" "$(printf 'id,weight,ok,label\n1,1.5,true,a b\n-2,2e3,,"x,y"')" "$out"
"$ZEL" fmat to-csv "$T/m.fmat" "$T/out.csv"; check "to-csv file status" 0 $?
out=$(cat "$T/m.fmat" | "$ZEL" fmat info - | head -1); check "info from stdin" "-: 2 objects, 4 features" "$out"
err=$("$ZEL" fmat info "$T/missing" 2>&1); check "missing status" 1 $?
check "missing message" "zel fmat: $T/missing: No such file or directory" "$err"
err=$("$ZEL" fmat info "$T/in.csv" 2>&1); check "not a matrix status" 1 $?
check "not a matrix message" "zel fmat: $T/in.csv: no feature matrix in this file" "$err"
"$ZEL" fmat frobnicate 2> /dev/null; check "unknown subcommand" 2 $?
"$ZEL" fmat info 2> /dev/null; check "missing operand" 2 $?
"$ZEL" fmat from-csv "$T/in.csv" "$T/no/such/dir/m.fmat" 2> /dev/null; check "unwritable output" 1 $?

# The delimiter of an import: the one of , ; tab | that splits the first
# records most consistently; what a quoted field holds never counts.
# names IN: the feature names of the matrix made from IN, joined by "|".
names() {
  "$ZEL" fmat from-csv "$@" "$T/d.fmat" 2> /dev/null &&
    "$ZEL" fmat info "$T/d.fmat" | sed -n 's/^  [0-9]*\. #[0-9]* \(.*\) (fk.*/\1/p' | tr '\n' '|'
}
printf 'first name;last name;age\nAnn;Lee;42\n' > "$T/d1.csv"
printf 'a|b|c\n1|2|3\n' > "$T/d2.csv"
printf 'a\tb c\n1\t2\n' > "$T/d3.csv"
printf 'x;y\n1,5;2,5\n3,0;4,25\n' > "$T/d4.csv"
printf 'n,note\nBo,"a;b;c"\nAl,"d;e;f"\n' > "$T/d5.csv"
printf 'one column\nSmith, John\nLee\n' > "$T/d6.csv"
printf '"a;b",c\n1,2\n' > "$T/d7.csv"
for case in "d1|first name|last name|age|" "d2|a|b|c|" "d3|a|b c|" "d4|x|y|" "d5|n|note|" \
            "d6|one column|" "d7|a;b|c|"; do
  f=${case%%|*}
  check "delimiter of $f" "${case#*|}" "$(names "$T/$f.csv")"
done
check "lines ending in CR" "a|b|" "$(printf 'a;b\r1;2\r' | names -)"
check "lines ending in CR: objects" "d.fmat: 1 objects, 2 features" "$("$ZEL" fmat info "$T/d.fmat" | head -n 1 | sed 's/.*\///')"
check "--delimiter" "a,b|c|" "$(printf 'a,b;c\n1,2;3\n' | names --delimiter ';' -)"
check "--delimiter tab" "a;b|c|" "$(printf 'a;b\tc\n' | names --delimiter tab -)"
"$ZEL" fmat from-csv --delimiter '"' "$T/d1.csv" "$T/d.fmat" 2> /dev/null; check "--delimiter quote" 2 $?
"$ZEL" fmat from-csv --delimiter ab "$T/d1.csv" "$T/d.fmat" 2> /dev/null; check "--delimiter ab" 2 $?

# Quoted fields as RFC 4180 reads them: a doubled quote before a line break
# does not close the field, so the value holds a line break (refused).
rm -f "$T/q.fmat"
printf 'a;b\n1;"x""\ny"\n' | "$ZEL" fmat from-csv - "$T/q.fmat" 2> "$T/e"; check "quote before a line break" 1 $?
check "quote before a line break: message" \
  "zel fmat: -: line 2: a value holds a line break, which a feature matrix cannot store" "$(cat "$T/e")"
[ ! -e "$T/q.fmat" ]; check "quote before a line break: nothing written" 0 $?
printf 'a;b\n1;"x"""\n2;"say ""hi"", then go"\n' | "$ZEL" fmat from-csv - "$T/q.fmat" 2> /dev/null
out=$("$ZEL" fmat to-csv "$T/q.fmat" - | tr -d '\r'); check "doubled quotes" "$(printf 'a;b\n1;"x"""\n2;"say ""hi"", then go"')" "$out"

# A matrix larger than the cell budget is refused; cells missing from a
# ragged input cost nothing where the matrix need not hold them.
awk 'BEGIN { for (i = 0; i < 20000; i++) print "x"; s = ""; for (i = 0; i < 20000; i++) s = s ";"; print s }' > "$T/r1.csv"
"$ZEL" fmat from-csv --delimiter ';' "$T/r1.csv" "$T/r1.fmat" 2> "$T/e"; check "budget status" 1 $?
check "budget message" "zel fmat: $T/r1.csv: line 20001: the matrix needs more than 50000000 cells; nothing written (--max-cells raises the limit)" "$(cat "$T/e")"
[ ! -e "$T/r1.fmat" ]; check "budget: nothing written" 0 $?
"$ZEL" fmat from-csv --max-cells 10 "$T/d1.csv" "$T/d.fmat" 2> /dev/null; check "--max-cells lowers the limit" 1 $?
"$ZEL" fmat from-csv --max-cells x "$T/d1.csv" "$T/d.fmat" 2> /dev/null; check "--max-cells x" 2 $?
awk 'BEGIN { print "a;b"; for (i = 0; i < 20000; i++) print i ";" (i % 2 ? "true" : "false") }' > "$T/r2.csv"
"$ZEL" fmat from-csv "$T/r2.csv" "$T/r2.fmat" 2> /dev/null; check "long table status" 0 $?
out=$("$ZEL" fmat info "$T/r2.fmat" | tr -d '\r' | sed -n 2,3p | cut -d: -f1)
check "long table kinds" "$(printf '  1. #1 a (fkInteger)\n  2. #2 b (fkTriState)')" "$out"
"$ZEL" fmat --help | grep -q -- "--max-cells N"; check "--max-cells in the help" 0 $?
# Counts a file announces cost nothing by themselves: info and to-csv run in
# little memory (capped here, except under the address sanitizer, which
# reserves far more address space than any cap, and under Wine, which cannot
# start within the cap), and to-csv writes its output as it goes.
printf '#featvals 10000000 1\n10000000 1 x\n' > "$T/wide.fmat"
printf '#featvals 10000 10000\n10000 10000 x\n#featend\n' > "$T/square.fmat"
cap=:
on_linux && ! grep -q __asan_init "$ZEL" && cap="ulimit -v 150000"
out=$( (eval "$cap"; "$ZEL" fmat info "$T/wide.fmat" 2> "$T/err") | tr -d '\r'); check "wide info status" 0 $?
check "wide info" "$(printf '%s\n%s\n%s' "$T/wide.fmat: 1 objects, 10000000 features" \
  '  1..9999999. 9999999 features with default properties (#0 undefined, fkUndefined) and no values' \
  '  10000000. #0 undefined (fkUndefined): 0 values')" "$out"
check "missing end marker warned" \
  "zel fmat: $T/wide.fmat: warning: no end marker (#featend) after the values; the file may be cut off" \
  "$(cat "$T/err")"
"$ZEL" fmat info "$T/square.fmat" 2> "$T/err" > /dev/null; check "end marker status" 0 $?
check "no warning with the end marker" "" "$(cat "$T/err")"
size=$( (eval "$cap"; "$ZEL" fmat to-csv "$T/square.fmat" -) | wc -c); check "square to-csv size" 100110002 $size
(eval "$cap"; "$ZEL" fmat to-csv "$T/square.fmat" "$T/square.csv"); check "square to-csv file" 0 $?
check "square last row" ';;;;;x' "$(tail -n 1 "$T/square.csv" | tr -d '\r\n' | tail -c 6)"
check "square rows" 10001 "$(wc -l < "$T/square.csv")"
exit $fail
