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
exit $fail
