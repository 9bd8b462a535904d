#!/usr/bin/env bash
# scripts/insert-disc against sheets whose FILE names leave the sheet's
# folder: each is refused with a message, nothing is linked outside the
# drive's folder and the drive keeps what it held. A sheet whose files lie
# beside it still goes in. The drive is a scratch one (BUILD_DIR points into
# a scratch folder), so the test needs no lock on the real one.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
insert() { BUILD_DIR=$scratch/build "$here/scripts/insert-disc" "$1" 2>"$scratch/err"; }

mkdir -p "$scratch/image" "$scratch/build/cdrom"
echo outside >"$scratch/outside.bin"
echo inside >"$scratch/image/track.bin"
for name in '../outside.bin' "$scratch/outside.bin" 'sub/track.bin' '..\outside.bin' '..'; do
  touch "$scratch/build/cdrom/held"
  printf 'FILE "%s" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n' "$name" >"$scratch/image/bad.cue"
  insert "$scratch/image/bad.cue"
  rc=$?
  [ "$rc" = 2 ] || fail "FILE \"$name\": exit $rc, expected 2"
  grep -q "names a file outside its folder" "$scratch/err" || fail "FILE \"$name\": no message ($(cat "$scratch/err"))"
  [ -e "$scratch/build/outside.bin" ] && fail "FILE \"$name\": a file was linked beside the drive's folder"
  [ -e "$scratch/build/cdrom/held" ] || fail "FILE \"$name\": the drive was emptied"
  [ -e "$scratch/build/cdrom/bad.cue" ] && fail "FILE \"$name\": the sheet went into the drive"
done

printf 'FILE "track.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n' >"$scratch/image/good.cue"
insert "$scratch/image/good.cue" || fail "a sheet with its file beside it was refused: $(cat "$scratch/err")"
[ "$(cat "$scratch/build/cdrom/track.bin" 2>/dev/null)" = inside ] || fail "the sheet's file is not in the drive"
[ -e "$scratch/build/cdrom/held" ] && fail "the drive was not emptied first"

if [ "$failed" = 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit "$failed"
