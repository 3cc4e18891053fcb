#!/bin/sh
# Tool test of the habits every zel command shares and of the data-safety
# rules of zel grid: exit statuses and messages, "-" and pipes, write errors
# on a full device, byte-faithful round trips, safe replacement of output
# files, numeric sorting, bounded memory. Usage: cli_test.sh path/to/zel
. "$(dirname "$0")/common.sh"
# The peak resident memory of a command in KiB (empty without GNU time).
peak_kib() {
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f %M -o "$T/mem" "$@" > /dev/null 2>&1
    cat "$T/mem" | tail -n 1
  fi
}

# --- Habits: usage, --help, --, unknown options (item 10) ---
"$ZEL" > "$T/o" 2> "$T/e"; check "zel alone status" 2 $?
check "zel alone writes no output" "" "$(cat "$T/o")"
grep -q '^usage: zel <command>' "$T/e"; check "zel alone usage on stderr" 0 $?
"$ZEL" --help > "$T/o" 2> "$T/e"; check "zel --help status" 0 $?
grep -q '^usage: zel <command>' "$T/o"; check "zel --help on stdout" 0 $?
"$ZEL" nosuchcommand 2> /dev/null; check "unknown command status" 2 $?
commands=$("$ZEL" --help | sed -n 's/^  \([a-z0-9_-]*\) .*/\1/p')
for c in $commands; do
  "$ZEL" "$c" --help > "$T/o" 2> /dev/null; check "zel $c --help status" 0 $?
  grep -q '^usage: zel' "$T/o"; check "zel $c --help on stdout" 0 $?
  "$ZEL" "$c" --no-such-option > /dev/null 2> "$T/e"; check "zel $c bad option status" 2 $?
  grep -q "^zel $c: " "$T/e"; check "zel $c bad option message" 0 $?
done
printf 'x\n-n\n' > "$T/-n"
out=$(cd "$T" && "$ZEL" text lines -- -n); check "-- ends the options" 2 "$out"

# The manual page lists every command; the completion script is valid bash.
"$ZEL" --man > "$T/zel.1"; check "zel --man status" 0 $?
check "man page header" ".TH ZEL 1" "$(head -c 9 "$T/zel.1")"
for c in $commands; do
  grep -q "^\.B $c\$" "$T/zel.1"; check "man page lists $c" 0 $?
done
if command -v bash > /dev/null 2>&1; then
  bash -n "$(dirname "$0")/../completion/zel"; check "bash completion parses" 0 $?
fi

# --- Runtime failures: "zel <command>: <file>: <reason>", exit 1 ---
for c in "sum" "text lines" "text tail 1" "text words" "text type" "grid" "uu" "dates" \
         "html words" "label show"; do
  # shellcheck disable=SC2086
  "$ZEL" $c "$T/missing" > /dev/null 2> "$T/e"; st=$?
  check "zel $c missing file status" 1 $st
  grep -q "^zel ${c%% *}: .*missing.*No such file or directory" "$T/e"
  check "zel $c missing file message ($(cat "$T/e"))" 0 $?
done
"$ZEL" xml "$T/missing" a 2> "$T/e"; check "xml missing file status (like grep)" 2 $?
check "xml missing file message" "zel xml: $T/missing: No such file or directory" "$(cat "$T/e")"
"$ZEL" grid --in-place - < /dev/null 2> /dev/null; check "grid --in-place of stdin" 2 $?

# --- Standard output on a full device (item 4) ---
if [ -w /dev/full ]; then
  echo data > "$T/f.txt"
  printf 'a;b\n' > "$T/f.csv"
  printf '<item>1</item>' > "$T/f.xml"
  for c in "version" "demo" "format 1.5" "sum $T/f.txt" "text lines $T/f.txt" \
           "xml $T/f.xml item" "grid $T/f.csv" "comb 6 3" "base64" "ascii85" "rle"; do
    # shellcheck disable=SC2086
    "$ZEL" $c < "$T/f.txt" > /dev/full 2> "$T/e"; st=$?
    check "zel $c > /dev/full status" 1 $st
    check "zel $c > /dev/full message" "zel: write error: No space left on device" \
      "$(tail -n 1 "$T/e")"
  done
fi

# --- Pipes and "-": non-seekable input is read once (item 5) ---
if on_linux; then
  out=$(printf '<a>1</a>' | "$ZEL" xml /dev/stdin a); check "xml from a pipe" "$(printf 'a\t\t1')" "$out"
fi
out=$(printf '<a>1</a><b x="2"/>' | "$ZEL" xml - a b | tr '\t' '|')
check "xml from -" "$(printf 'a||1\nb|x="2"|')" "$out"
if on_linux; then
  out=$(printf 'a\nb\nc\n' | "$ZEL" text tail 2 /dev/stdin); check "tail from a pipe" "$(printf 'b\nc')" "$out"
fi
out=$(printf 'a\nb\nc\n' | "$ZEL" text tail 2 -); check "tail from -" "$(printf 'b\nc')" "$out"
out=$(printf 'a\nb\nc\n' | "$ZEL" text lines -); check "lines from -" 3 "$out"
mkdir "$T/tmp"
if on_linux; then  # Windows takes its temporary folder from TMP, set by Wine's prefix
  out=$(printf 'a\nb\n' | TMPDIR="$T/tmp" "$ZEL" text tail 1 -); check "tail via a temporary" b "$out"
  check "the temporary copy is gone" "" "$(ls -A "$T/tmp")"
  out=$(printf 'x;y\n1;2\n' | "$ZEL" grid /dev/stdin); check "grid from a pipe" "$(printf 'x  y\n1  2')" "$out"
fi
out=$(printf 'x;y\n1;2\n' | "$ZEL" grid -); check "grid from -" "$(printf 'x  y\n1  2')" "$out"
out=$(printf 'a\rb' | "$ZEL" text crlf - - | od -An -c | tr -s ' '); check "crlf - -" " a \r \n b" "$out"

# --- zel grid keeps every byte (items 1, 2) ---
# BOM, Chinese and Polish letters, Windows-1252 bytes, a quoted delimiter,
# doubled quotes, a line break inside quotes, CR LF and LF records, a lone
# CR inside a field, no final line break.
printf '\357\273\277name;"city"\n"Zhang, \345\274\240";\305\201\303\263d\305\272\n"multi\nline";\351t\351\r\nb;"q""uote"\n\nc\rd;x' > "$T/g.csv"
on_linux && chmod 600 "$T/g.csv"
cp "$T/g.csv" "$T/orig.csv"
"$ZEL" grid --header --sort 1 --in-place "$T/g.csv"; check "grid sort in place status" 0 $?
"$ZEL" grid --header --sort 1 --numbers "$T/orig.csv" | grep -a '^5 ' > "$T/o"
check "grid sorted view" "5     b           q\"uote" "$(cat "$T/o")"
"$ZEL" grid --header --sort 1 --out "$T/back.csv" "$T/orig.csv"
cmp -s "$T/g.csv" "$T/back.csv"; check "grid --out equals --in-place" 0 $?
"$ZEL" grid --header --in-place "$T/g.csv"
cmp -s "$T/g.csv" "$T/orig.csv"
check "grid unsorted round trip of a sorted file keeps each record" 1 $?
"$ZEL" grid --header --out "$T/same.csv" "$T/orig.csv"
cmp -s "$T/same.csv" "$T/orig.csv"; check "grid round trip is byte for byte" 0 $?
"$ZEL" grid --header --out - "$T/orig.csv" | cmp -s - "$T/orig.csv"; check "grid --out -" 0 $?
on_linux && check "grid keeps the mode" 600 "$(stat -c %a "$T/g.csv")"
# Sorting a file sorted the other way round gives back the original order.
printf 'b,2\na,1\n"c\n",3\n' > "$T/s.csv"
"$ZEL" grid --sort 1:desc --out "$T/s2.csv" "$T/s.csv"
check "grid sorted output" "$(printf '"c\n",3\nb,2\na,1\n')" "$(cat "$T/s2.csv")"
# Overlong fields: refused without --truncate, nothing written.
awk 'BEGIN { s = ""; for (i = 0; i < 300; i++) s = s "x"; print "a," s; print "b,c" }' > "$T/l.csv"
cp "$T/l.csv" "$T/l0.csv"
"$ZEL" grid --in-place "$T/l.csv" 2> "$T/e"; check "overlong field refused" 1 $?
grep -q "l.csv: line 1: 1 field(s) longer than 255 bytes" "$T/e"; check "overlong message names the line" 0 $?
cmp -s "$T/l.csv" "$T/l0.csv"; check "overlong: file untouched" 0 $?
check "overlong: no temporary left" "l.csv l0.csv" "$(cd "$T" && ls -A l*.csv | tr '\n' ' ' | sed 's/ $//')"
"$ZEL" grid --truncate --in-place "$T/l.csv"; check "--truncate writes" 0 $?
check "--truncate cuts to 255" 262 "$(wc -c < "$T/l.csv" | tr -d ' ')"

# zel fmat refuses a line break in a quoted value (a matrix file cannot hold it).
printf 'a;b\n1;"x\ny"\n' | "$ZEL" fmat from-csv - "$T/m.fm" 2> "$T/e"
check "fmat from-csv multi-line value" 1 $?
[ ! -e "$T/m.fm" ]; check "fmat from-csv wrote nothing" 0 $?

# Broken quoting cannot be written back as it was: refused, file untouched.
printf 'a;"open\nb;c\n' > "$T/bad.csv"
cp "$T/bad.csv" "$T/bad0.csv"
"$ZEL" grid --sort 1 --in-place "$T/bad.csv" 2> "$T/e"; check "unclosed quote refused" 1 $?
grep -q "bad.csv: line 1: a quoted field is not closed" "$T/e"; check "unclosed quote message" 0 $?
cmp -s "$T/bad.csv" "$T/bad0.csv"; check "unclosed quote: file untouched" 0 $?

# --- Output files through the safe replacement (item 3) ---
printf 'b\na\n' > "$T/t.csv"
echo victim > "$T/victim"
on_linux && ln -s "$T/victim" "$T/t.csv.zel-grid-tmp"
"$ZEL" grid --sort 1 --in-place "$T/t.csv"; check "in place with a planted link" 0 $?
check "planted link target untouched" victim "$(cat "$T/victim")"
check "in place result" "$(printf 'a\nb')" "$(cat "$T/t.csv")"
if on_linux; then  # Linux devices named as files
  "$ZEL" grid --out /dev/null "$T/t.csv"; check "--out /dev/null status" 0 $?
  [ -c /dev/null ]; check "/dev/null stays a device" 0 $?
fi
if on_linux && [ -w /dev/full ]; then
  "$ZEL" grid --out /dev/full "$T/t.csv" 2> "$T/e"; check "--out /dev/full status" 1 $?
  check "--out /dev/full message" "zel grid: /dev/full: No space left on device" "$(cat "$T/e")"
fi
"$ZEL" grid --out "$T/nofolder/x.csv" "$T/t.csv" 2> "$T/e"; check "--out in a missing folder" 1 $?
check "missing folder message" "zel grid: $T/nofolder/x.csv: No such file or directory" "$(cat "$T/e")"

# --- Numeric sort (item 6) ---
printf '%s\n' -10 5 -2 0.5 .25 1e3 +7 ' 3' abc 1e400 > "$T/n.csv"
out=$("$ZEL" grid --sort 1 --numeric --delim ';' "$T/n.csv" | tr '\n' '|')
check "numeric sort" "-10|-2|.25|0.5| 3|5|+7|1e3|1e400|abc|" "$out"
out=$("$ZEL" grid --sort 1:desc --numeric --delim ';' "$T/n.csv" | tr '\n' '|')
check "numeric sort descending" "abc|1e400|1e3|+7|5| 3|0.5|.25|-2|-10|" "$out"

# --- zel format: bad values are usage errors (item 7) ---
for v in 1e5000 1e-5000 0x10 ' 3' 1.5x ''; do
  "$ZEL" format -- "$v" > /dev/null 2> "$T/e"; check "format '$v' status" 2 $?
  grep -q "^zel format: '$v' is" "$T/e"; check "format '$v' message" 0 $?
done
check "format nan" NaN "$("$ZEL" format nan --decimals 2)"
check "format -- -1.5" "-1.50" "$("$ZEL" format --decimals 2 -- -1.5)"

# --- Resources proportional to the work (items 8, 9) ---
kib=$(on_linux && peak_kib true)  # under Wine it would measure Wine
if [ -n "$kib" ]; then
  head -c 48000000 /dev/zero | tr '\0' 'a' > "$T/big.xml"
  kib=$(peak_kib "$ZEL" xml "$T/big.xml" nomatch)
  [ "$kib" -lt 65536 ]; check "xml memory bounded (${kib} KiB for 48 MB)" 0 $?
  rm -f "$T/big.xml"
  awk 'BEGIN { for (i = 0; i < 200000; i++) printf "%d,", i; print "x" }' > "$T/wide.csv"
  kib=$(peak_kib "$ZEL" grid --out "$T/wide2.csv" "$T/wide.csv")
  [ "$kib" -lt 262144 ] ; check "one line of 200000 fields (${kib} KiB)" 0 $?
  cmp -s "$T/wide.csv" "$T/wide2.csv"; check "wide line round trip" 0 $?
fi
awk 'BEGIN { for (k = 1; k <= 300; k++) { for (i = 1; i < k; i++) printf "x,"; print "y" } }' > "$T/steps.csv"
"$ZEL" grid --out "$T/steps2.csv" "$T/steps.csv"; check "widening lines status" 0 $?
cmp -s "$T/steps.csv" "$T/steps2.csv"; check "widening lines round trip" 0 $?

exit $fail
