#!/bin/sh
# Tool test of zel fmat: CSV to feature matrix and back, exit statuses and
# messages. Usage: fmat_test.sh path/to/zel
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
# Counts a file announces cost nothing by themselves: info and to-csv run in
# little memory (capped here, except under the address sanitizer, which
# reserves far more address space than any cap), and to-csv writes its
# output as it goes.
printf '#featvals 10000000 1\n10000000 1 x\n' > "$T/wide.fmat"
printf '#featvals 10000 10000\n10000 10000 x\n#featend\n' > "$T/square.fmat"
cap=:
grep -q __asan_init "$ZEL" || cap="ulimit -v 150000"
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
