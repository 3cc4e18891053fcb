#!/bin/sh
# Tool test of zel trash: each name moves exactly the entry it designates
# (links and ".." resolved by the file system, bytes that are not UTF-8
# kept), names without an entry of their own are refused, masks.
# Usage: trash_test.sh path/to/zel
. "$(dirname "$0")/common.sh"
export XDG_DATA_HOME="$T/data"
TR="$XDG_DATA_HOME/Trash"
mkdir -p "$T/w/sub" "$T/other/deep"
cd "$T/w" || exit 1
ln -s ../other/deep link
echo here > victim.txt
echo there > ../other/victim.txt

# Names whose last component is "." or ".." name no entry of their own.
for name in . .. sub/.. sub/. ./ "$T/w/sub/.."; do
  err=$("$ZEL" trash -- "$name" 2>&1); check "refused: $name" 1 $?
  check "message: $name" "zel trash: $name: Invalid argument" "$err"
done
check "working folder kept" "yes" "$([ -d "$T/w/sub" ] && [ -f "$T/w/victim.txt" ] && echo yes)"
check "nothing trashed" "" "$(ls "$TR/files" 2>/dev/null)"

# link/.. is the folder holding the link's target, not the working folder.
"$ZEL" trash link/../victim.txt; check "through a link" 0 $?
check "file behind the link trashed" "there" "$(cat "$TR/files/victim.txt" 2>&1)"
check "file beside the link kept" "here" "$(cat victim.txt 2>&1)"
check "recorded path" "Path=$T/other/victim.txt" \
  "$(grep '^Path=' "$TR/info/victim.txt.trashinfo" 2>&1 | sed 's/%20/ /g')"

# A name that is not UTF-8 moves that file, not its look-alike.
bad=$(printf 'a\377')
alike=$(printf 'a\357\277\275')
echo bad > "$bad"
echo alike > "$alike"
"$ZEL" trash -- "$bad"; check "non-UTF-8 name" 0 $?
check "non-UTF-8 file trashed" "bad" "$(cat "$TR/files/$bad" 2>&1)"
check "look-alike kept" "alike" "$(cat "$alike" 2>&1)"

# Masks: the folder part is resolved by the file system too.
echo m1 > ../other/m1.log
echo m2 > m2.log
"$ZEL" trash 'link/../*.log'; check "mask through a link" 0 $?
check "mask took the linked folder's file" "m1" "$(cat "$TR/files/m1.log" 2>&1)"
check "mask left the working folder's file" "m2" "$(cat m2.log 2>&1)"
mbad=$(printf 'm\377.dat')
echo mb > "$mbad"
echo ma > "$(printf 'm\357\277\275.dat')"
"$ZEL" trash -- "$(printf 'm\377*')"; check "non-UTF-8 mask" 0 $?
check "non-UTF-8 mask took its file" "mb" "$(cat "$TR/files/$mbad" 2>&1)"
check "non-UTF-8 mask left the look-alike" "ma" "$(cat "$(printf 'm\357\277\275.dat')" 2>&1)"

# A folder named with a trailing slash is the folder; a link with one is refused.
"$ZEL" trash sub/; check "folder with slash" 0 $?
check "folder trashed" "yes" "$([ -d "$TR/files/sub" ] && [ ! -e sub ] && echo yes)"
"$ZEL" trash link/ 2>/dev/null; check "link with slash refused" 1 $?
check "link kept" "yes" "$([ -L link ] && [ -d ../other/deep ] && echo yes)"
"$ZEL" trash link; check "link itself" 0 $?
check "link trashed, target kept" "yes" "$([ -L "$TR/files/link" ] && [ -d ../other/deep ] && echo yes)"

"$ZEL" trash missing 2>/dev/null; check "missing file" 1 $?
"$ZEL" trash 2>/dev/null; check "no name" 2 $?
exit $fail
