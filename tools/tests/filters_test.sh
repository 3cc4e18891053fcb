#!/bin/sh
# Tool test of zel grep, zel uu, zel scramble/unscramble, zel html urldecode
# and zel xml: exit statuses, output, and zel uu output read back by the
# system's uudecode (skipped when sharutils is not installed). Usage: filters_test.sh path/to/zel
. "$(dirname "$0")/common.sh"

printf 'hello world\nfoo BAR\r\nabc123\nno\n' > "$T/in.txt"
out=$("$ZEL" grep -n -i 'bar$' "$T/in.txt"); check "grep -n -i output" "$(printf '2:foo BAR\r')" "$out"
"$ZEL" grep o "$T/in.txt" > /dev/null; check "grep match status" 0 $?
"$ZEL" grep zzz "$T/in.txt" > /dev/null; check "grep no-match status" 1 $?
err=$("$ZEL" grep '[]' "$T/in.txt" 2>&1 > /dev/null); check "grep bad pattern status" 2 $?
check "grep bad pattern message" "zel grep: error in regular expression - empty set" "$err"
"$ZEL" grep x "$T/missing" 2> /dev/null; check "grep missing file status" 2 $?
out=$("$ZEL" grep -c '[0-9]+' - < "$T/in.txt"); check "grep -c" 1 "$out"
out=$(printf 'a-n\n' | "$ZEL" grep -- -n); check "grep after --" "a-n" "$out"
if [ -w /dev/full ]; then
  "$ZEL" grep o "$T/in.txt" > /dev/full 2> /dev/null; check "grep write error status" 2 $?
fi

head -c 3000 /dev/urandom > "$T/r.bin"
"$ZEL" uu -d < /dev/null > /dev/null 2>&1; check "uu -d of nothing" 1 $?
"$ZEL" uu "$T/r.bin" > "$T/r.uu"; check "uu status" 0 $?
"$ZEL" uu -d "$T/r.uu" > "$T/back.bin"; check "uu -d status" 0 $?
cmp -s "$T/r.bin" "$T/back.bin"; check "uu round trip" 0 $?
if command -v uudecode > /dev/null 2>&1; then
  uudecode -o "$T/sys.bin" "$T/r.uu"; check "uudecode status" 0 $?
  cmp -s "$T/r.bin" "$T/sys.bin"; check "uudecode reads zel uu" 0 $?
else
  echo "uudecode not installed: skipping the uudecode check"
fi

# A name that would break the "begin" line is refused as a bad argument.
for name in "$(printf 'a\nb')" "$(printf 'a\rb')" ""; do
  echo x | "$ZEL" uu --name "$name" > "$T/named.uu" 2> "$T/named.err"
  check "uu --name with a line break" 2 $?
  check "uu --name message" "zel uu: --name needs a name without line breaks" "$(head -n 1 "$T/named.err")"
  check "uu --name writes nothing" "" "$(cat "$T/named.uu")"
done

"$ZEL" scramble --seed 7 < "$T/r.bin" | "$ZEL" unscramble --seed 7 > "$T/un.bin"
cmp -s "$T/r.bin" "$T/un.bin"; check "scramble round trip" 0 $?
"$ZEL" scramble --seed nine < /dev/null 2> /dev/null; check "scramble bad seed" 2 $?

# zel html urldecode: escapes are bytes, shown as UTF-8 text (Windows-1252
# when they are not UTF-8); URLDecode's second pass still applies.
check "urldecode UTF-8" "café" "$("$ZEL" html urldecode 'caf%C3%A9')"
check "urldecode Windows-1252" "café" "$("$ZEL" html urldecode 'caf%E9')"
check "urldecode text and escapes" "café au lait" "$("$ZEL" html urldecode 'café%20au%20lait')"
check "urldecode twice" "A" "$("$ZEL" html urldecode '%2541')"
check "urldecode from standard input" "café" "$(printf 'caf%%C3%%A9' | "$ZEL" html urldecode)"

# zel xml matches tag names by their bytes, whatever the letters.
printf '<r><\303\251t\303\251>x</\303\251t\303\251></r>' > "$T/e.xml"
check "xml non-ASCII tag" "$(printf '\303\251t\303\251\t\tx')" "$("$ZEL" xml "$T/e.xml" "$(printf '\303\251t\303\251')")"

# After "--" every word is a FILE, "--" included (standard input is not read).
printf 'dashes\n' > "$T/--"
out=$(cd "$T" && echo stdin | "$ZEL" uu -- -- | head -n 1); check "uu file named --" "begin 644 --" "$out"
out=$(cd "$T" && echo stdin | "$ZEL" scramble --seed 7 -- -- | "$ZEL" unscramble --seed 7)
check "scramble file named --" "dashes" "$out"
exit $fail
