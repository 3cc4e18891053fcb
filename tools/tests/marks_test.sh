#!/bin/sh
# Tool test of zel marks: the PNG sheet and the PDF print, standard output,
# exit statuses and messages. Usage: marks_test.sh path/to/zel
. "$(dirname "$0")/common.sh"

# The PNG sheet, on both systems: the same size everywhere (588 x 354 in
# the header); its pixels outside the text are compared with a golden image
# on both systems by the graphics test
# Marks.TheToolSheetWithoutTextMatchesItsGoldenImage.
"$ZEL" marks "$T/m.png"; check "png status" 0 $?
check "png signature" "$(printf '\211PNG')" "$(head -c 4 "$T/m.png")"
check "png size" "0000024c00000162" "$(od -An -tx1 -j16 -N8 "$T/m.png" | tr -d ' \n')"
"$ZEL" marks - > "$T/out.png"; check "png to standard output status" 0 $?
cmp -s "$T/m.png" "$T/out.png"; check "same sheet either way" 0 $?
# The sheet of each system is kept for comparing them side by side.
if [ -n "${ZEL_ARTIFACT_DIR:-}" ]; then
  mkdir -p "$ZEL_ARTIFACT_DIR"
  if on_linux; then system=linux; else system=windows; fi
  cp "$T/m.png" "$ZEL_ARTIFACT_DIR/marks-$system.png" && echo "artifact: $ZEL_ARTIFACT_DIR/marks-$system.png"
fi
if on_linux; then
  "$ZEL" marks --pdf "$T/m.pdf"; check "pdf status" 0 $?
  check "pdf signature" "%PDF" "$(head -c 4 "$T/m.pdf")"
  "$ZEL" marks --pdf - | head -c 4 > "$T/head"; check "pdf to standard output" "%PDF" "$(cat "$T/head")"
  if [ -w /dev/full ]; then
    "$ZEL" marks - > /dev/full 2> /dev/null; check "full standard output status" 1 $?
  fi
else
  # PDF files come from Windows' own PDF printer. Where it is installed the
  # file is a PDF; where it is not (Wine has none) the print fails naming it,
  # and leaves no file and no output.
  for args in "--pdf $T/m.pdf" "--pdf -"; do
    # shellcheck disable=SC2086
    "$ZEL" marks $args > "$T/out" 2> "$T/e"; status=$?
    if [ "$status" = 0 ]; then
      [ "$args" = "--pdf -" ] && cp "$T/out" "$T/m.pdf"
      check "marks $args signature (Windows)" "%PDF" "$(head -c 4 "$T/m.pdf")"
      rm -f "$T/m.pdf"
      continue
    fi
    check "marks $args status (Windows)" 1 "$status"
    grep -q 'the printer "Microsoft Print to PDF" is not installed' "$T/e"
    check "marks $args message (Windows): $(cat "$T/e")" 0 $?
    check "marks $args writes nothing (Windows)" "" "$(cat "$T/out")"
  done
  [ ! -e "$T/m.pdf" ]; check "no PDF file left (Windows)" 0 $?
fi
"$ZEL" marks > /dev/null 2>&1; check "no file: usage status" 2 $?
"$ZEL" marks a b > /dev/null 2>&1; check "two files: usage status" 2 $?
"$ZEL" marks --pdf x y > /dev/null 2>&1; check "pdf and a file: usage status" 2 $?
"$ZEL" marks --color x > /dev/null 2>&1; check "unknown option: usage status" 2 $?
err=$("$ZEL" marks "$T/none/m.png" 2>&1); check "missing folder status" 1 $?
check "missing folder message" "zel marks: $T/none/m.png: Cannot create file \"$T/none/m.png\". No such file or directory" "$err"
"$ZEL" marks --pdf "$T/none/m.pdf" 2> /dev/null; check "pdf missing folder status" 1 $?
printf 'earlier' > "$T/keep.png"
chmod 0444 "$T/keep.png"
if on_linux && [ "$(id -u)" != 0 ]; then
  "$ZEL" marks "$T/keep.png" 2> /dev/null; check "read-only file status" 1 $?
fi
exit $fail
