#!/bin/sh
# Tool test of zel copytree: every entry lands on exactly its mirrored place,
# clashes are reported, links in the destination are never followed, and a
# destination inside the source is refused. Usage: copytree_test.sh path/to/zel
. "$(dirname "$0")/common.sh"

mkdir -p "$T/src/sub" "$T/dst/x" "$T/dst/l" "$T/outside"
printf 'x' > "$T/src/x"
printf 'in' > "$T/src/sub/in"
printf 'f' > "$T/src/f"
printf 'keep' > "$T/dst/x/keep"
printf 'outside' > "$T/outside/f"
if on_linux; then  # symbolic links: none under Wine
ln -s target "$T/src/l"
ln -s "$T/outside" "$T/dst/sub"
ln -s "$T/outside/f" "$T/dst/f"

err=$("$ZEL" copytree -q "$T/src" "$T/dst" 2>&1); check "clash status" 1 $?
check "clash messages" "zel copytree: $T/dst/f: not copied: another kind of entry is in the way
zel copytree: $T/dst/l: not copied: another kind of entry is in the way
zel copytree: $T/dst/sub: not copied: another kind of entry is in the way
zel copytree: $T/dst/x: not copied: another kind of entry is in the way
zel copytree: $T/src: 4 entries could not be copied" "$err"
check "a file never lands inside a folder of its name" "keep" "$(ls "$T/dst/x")"
check "links in the destination are not followed" "f" "$(ls "$T/outside")"
check "the file behind a destination link is untouched" "outside" "$(cat "$T/outside/f")"
check "a folder in the way of a link stays" "yes" "$(test -d "$T/dst/l" && ! test -L "$T/dst/l" && echo yes)"
else
  err=$("$ZEL" copytree -q "$T/src" "$T/dst" 2>&1); check "clash status" 1 $?
  check "clash messages" "zel copytree: $(native_name "$T/dst/x"): not copied: another kind of entry is in the way
zel copytree: $T/src: 1 entry could not be copied" "$err"
  check "a file never lands inside a folder of its name" "keep" "$(ls "$T/dst/x")"
fi

"$ZEL" copytree -q "$T/src" "$T/fresh"; check "plain copy status" 0 $?
check "plain copy" "in" "$(cat "$T/fresh/sub/in")"
on_linux && check "link copied as a link" "target" "$(readlink "$T/fresh/l")"

mkdir -p "$T/s2/inner"
printf 'f' > "$T/s2/inner/f"
err=$("$ZEL" copytree -q "$T/s2" "$T/s2/inner/deeper" 2>&1); check "into itself status" 1 $?
check "into itself message" "zel copytree: Cannot copy the folder \"$T/s2\" into \"$T/s2/inner/deeper\", which is inside it." "$err"
check "nothing made inside the source" "f" "$(ls "$T/s2/inner")"
"$ZEL" copytree -q "$T/s2" "$T/s2/new/deeper" 2> /dev/null; check "into itself, missing parents" 1 $?
check "no parent made inside the source" "inner" "$(ls "$T/s2")"

mkdir -p "$T/s3/inner/inner"
printf 'inner-z' > "$T/s3/inner/z"
printf 'inner-inner-z' > "$T/s3/inner/inner/z"
err=$("$ZEL" copytree -q "$T/s3/inner" "$T/s3" 2>&1); check "onto its own parent status" 1 $?
check "onto its own parent message" "zel copytree: $(native_name "$T/s3/inner"): not copied: its copy would overwrite the source folder itself
zel copytree: $T/s3/inner: 1 entry could not be copied" "$err"
check "the source stays as it was" "inner-z" "$(cat "$T/s3/inner/z")"
check "the copy holds the source as it was" "inner-z" "$(cat "$T/s3/z")"
exit $fail
