#!/bin/sh
# Tool test of zel reg, zel password and zel sysinfo: exit statuses, output
# and messages, in a configuration store of its own (ZEL_STORE_DIR in a
# temporary folder). Usage: store_test.sh path/to/zel
. "$(dirname "$0")/common.sh"
export ZEL_STORE_DIR="$T/store"

"$ZEL" reg set 'Soft\zel' name 'hello world'; check "reg set status" 0 $?
"$ZEL" reg set --type integer 'Soft\zel' count -- -5; check "reg set integer after --" 0 $?
"$ZEL" reg set --type binary 'Soft\zel' bytes "01 FF"; check "reg set binary" 0 $?
"$ZEL" reg set --type multi 'Soft\zel' list a "b c"; check "reg set multi" 0 $?
"$ZEL" reg set 'Soft\zel\sub' '' dflt; check "reg set default value" 0 $?
check "reg get" "hello world" "$("$ZEL" reg get 'soft\ZEL' NAME)"
check "reg get integer" "-5" "$("$ZEL" reg get 'Soft\zel' count)"
check "reg get multi" "$(printf 'a\nb c')" "$("$ZEL" reg get 'Soft\zel' list)"
check "reg get default" "dflt" "$("$ZEL" reg get 'Soft\zel\sub')"
check "reg list" "$(printf 'sub\\\nbytes (binary) = 01 ff\ncount (integer) = -5\nlist (multi) = a | b c\nname (string) = hello world')" \
  "$("$ZEL" reg list 'Soft\zel')"
err=$("$ZEL" reg get 'Soft\zel' missing 2>&1 >/dev/null); check "reg get missing status" 1 $?
check "reg get missing message" 'zel reg: Soft\zel\missing: no such value' "$err"
err=$("$ZEL" reg list 'Soft\none' 2>&1 >/dev/null); check "reg list missing status" 1 $?
check "reg list missing message" 'zel reg: Soft\none: no such key' "$err"
"$ZEL" reg set --type integer K n x 2>/dev/null; check "reg set bad integer" 2 $?
"$ZEL" reg frob K 2>/dev/null; check "reg unknown action" 2 $?
"$ZEL" reg get --root HKXX K 2>/dev/null; check "reg unknown root" 2 $?
"$ZEL" reg get --root HKCR 'Soft\zel' name 2>/dev/null; check "reg other root" 1 $?
if [ -w /dev/full ]; then
  "$ZEL" reg get 'Soft\zel' name > /dev/full 2>/dev/null; check "reg full output" 1 $?
fi
"$ZEL" reg delete 'Soft\zel' count; check "reg delete value" 0 $?
"$ZEL" reg delete 'Soft\zel' count 2>/dev/null; check "reg delete value again" 1 $?
"$ZEL" reg delete 'Soft'; check "reg delete key" 0 $?
"$ZEL" reg get 'Soft\zel' name 2>/dev/null; check "reg get after delete" 1 $?

if on_linux; then  # the databases of the Linux store; Windows keeps the registry
printf 'not a database at all' > "$T/store/current_user.db"
err=$("$ZEL" reg set K n v 2>&1); check "reg set on a damaged store" 1 $?
case $err in *"current_user.db: file is not a database"*) ;; *) check "damaged message" "...file is not a database" "$err" ;; esac
check "damaged store kept" "not a database at all" "$(cat "$T/store/current_user.db")"
fi

check "password with seed" "bawehu37ja" "$("$ZEL" password --seed 0 10)"
out=$("$ZEL" password 14 --mixed --special); check "password status" 0 $?
check "password length" 14 "${#out}"
"$ZEL" password 3 2>/dev/null; check "password too short" 2 $?
"$ZEL" sysinfo > "$T/info"; check "sysinfo status" 0 $?
on_linux && check "sysinfo store line" "configuration store: $T/store" "$(grep '^configuration store' "$T/info")"
exit $fail
