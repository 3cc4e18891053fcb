#!/bin/sh
# Tool test: every command that takes a file name acts on exactly the file
# named, also when the name is not UTF-8. Beside each file "NAME<FF>" lies a
# decoy "NAME<EF BF BD>" (U+FFFD in UTF-8, what a lossy decoding of the byte
# FF gives) with other contents; every command must read or write the first.
# Usage: names_test.sh path/to/zel
. "$(dirname "$0")/common.sh"
FF=$(printf '\377')
FD=$(printf '\357\277\275')
LC_ALL=C
export LC_ALL
# pair STEM A-CONTENTS B-CONTENTS: "$T/STEM<FF>" holds A, the decoy holds B.
pair() {
  printf "$2" > "$T/$1$FF"
  printf "$3" > "$T/$1$FD"
}
# written NAME: "$T/NAME<FF>" exists and its decoy does not.
written() {
  [ -e "$T/$1$FF" ] && [ ! -e "$T/$1$FD" ]
}

pair a 'A;1\n' 'B;2\nB;3\n'
A="$T/a$FF"

# Reading commands.
check "sum" "$(printf 'A;1\n' | "$ZEL" sum | cut -d' ' -f1)" "$("$ZEL" sum "$A" | cut -d' ' -f1)"
check "grep" "A;1" "$("$ZEL" grep A "$A")"
check "text lines" 1 "$("$ZEL" text lines "$A")"
check "text tail" "A;1" "$("$ZEL" text tail 1 "$A")"
check "text words" 1 "$("$ZEL" text words "$A")"
check "grid" "A  1" "$("$ZEL" grid "$A")"
check "grid find" "line 1, column 1: A" "$("$ZEL" grid find A "$A")"
check "uu" "begin 644 a$FF" "$("$ZEL" uu "$A" | head -n 1)"
check "scramble" "A;1" "$("$ZEL" scramble --seed 3 "$A" | "$ZEL" unscramble --seed 3)"
pair h '<body>alpha beta</body>' '<body>gamma</body>'
check "html words" 2 "$("$ZEL" html words "$T/h$FF")"
check "html text" "alpha beta" "$("$ZEL" html text "$T/h$FF")"
check "html render" "<body>alpha beta</body>" "$("$ZEL" html render "$T/h$FF")"
pair x '<v>A</v>' '<v>B</v>'
check "xml" "$(printf 'v\t\tA')" "$("$ZEL" xml "$T/x$FF" v)"
cp "$(dirname "$0")/../../data/labels.xml" "$T/l$FF"
: > "$T/l$FD"
"$ZEL" label show "$T/l$FF" title > /dev/null; check "label show" 0 $?
cp "$(dirname "$0")/../../data/colorscale.txt" "$T/c$FF"
: > "$T/c$FD"
"$ZEL" color scale "$T/c$FF" --png "$T/p$FF" > /dev/null; check "color scale" 0 $?
written p; check "color scale --png" 0 $?
touch -d '2001-02-03 04:05:06 UTC' "$T/a$FF"
touch -d '2002-02-03 04:05:06 UTC' "$T/a$FD"
check "dates" "written   2001-02-03 04:05:06.000 UTC" "$("$ZEL" dates "$A" | sed -n 3p)"

# Writing commands.
"$ZEL" text crlf "$A" "$T/crlf$FF"; written crlf; check "text crlf" 0 $?
"$ZEL" grid --out "$T/g$FF" "$A"; written g; check "grid --out" 0 $?
"$ZEL" grid --xml "$T/gx$FF" "$A" > /dev/null; written gx; check "grid --xml" 0 $?
"$ZEL" fmat from-csv --no-header "$A" "$T/m$FF" 2> /dev/null; written m; check "fmat from-csv" 0 $?
check "fmat info" "-: 1 objects, 2 features" "$("$ZEL" fmat info - < "$T/m$FF" | head -n 1)"
check "fmat info FILE" "1 objects, 2 features" "$("$ZEL" fmat info "$T/m$FF" | head -n 1 | sed 's/.*: //')"
"$ZEL" fmat to-csv "$T/m$FF" "$T/mc$FF"; written mc; check "fmat to-csv" 0 $?
"$ZEL" marks "$T/mk$FF"; written mk; check "marks" 0 $?
"$ZEL" marks --pdf "$T/mp$FF"; written mp; check "marks --pdf" 0 $?
"$ZEL" --man "$T/man$FF"; written man; check "--man FILE" 0 $?

# Folders.
mkdir "$T/s" "$T/d$FF" "$T/d$FD"
: > "$T/s/f$FF"
echo A > "$T/d$FF/f"
echo B > "$T/d$FD/f"
check "scan lists the name as stored" "$T/s/f$FF" "$("$ZEL" scan "$T/s/*")"
check "scan in a folder so named" "$T/d$FF/f" "$("$ZEL" scan "$T/d$FF/*")"
"$ZEL" copytree -q "$T/d$FF" "$T/e$FF"; check "copytree status" 0 $?
check "copytree" A "$(cat "$T/e$FF/f" 2> /dev/null)"
[ ! -e "$T/e$FD" ]; check "copytree wrote no decoy" 0 $?

# The trash (kept in the test folder).
XDG_DATA_HOME="$T/data" "$ZEL" trash "$A"; check "trash status" 0 $?
[ ! -e "$A" ] && [ -e "$T/a$FD" ]; check "trash moved the named file only" 0 $?

# The save dialog prints the accepted name in its folder as stored.
out=$(printf 'r.txt\n' | "$ZEL" save-dialog --headless "initialdir=\"$T/d$FF\"")
check "save-dialog" "$T/d$FF/r.txt" "$out"
exit $fail
