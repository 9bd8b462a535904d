#!/usr/bin/env bash
# scripts/insert-disc against a corpus of sheets, made here:
#  - sheets whose FILE names leave the sheet's folder (parent folders,
#    absolute paths, drive letters, UNC paths, subfolders) are refused with a
#    message, nothing is linked outside the drive's folder and the drive keeps
#    what it held;
#  - every other sheet goes in, whatever it holds (the drive's stand-ins judge
#    a broken sheet), with every file it names that lies beside it, in any
#    spelling the stand-ins read: CRLF, LF or CR line ends, a UTF-8 BOM,
#    keywords in any case, names quoted or not, with blanks, several FILEs;
#    a named file that is missing is reported, and the sheet still goes in;
#  - a missing or unusable argument is refused with a usage line.
# The drive is a scratch one (BUILD_DIR points into a scratch folder), so the
# test needs no lock on the real one.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
insert() { BUILD_DIR=$scratch/build "$here/scripts/insert-disc" "$@" 2>"$scratch/err"; }
drive=$scratch/build/cdrom
image=$scratch/image

mkdir -p "$image" "$drive"
echo outside >"$scratch/outside.bin"
echo inside >"$image/track.bin"
mkdir -p "$image/sub"
echo below >"$image/sub/track.bin"

# --- names that leave the folder ------------------------------------------------
refused() {  # name as written after FILE
  local name=$1 before=$failed
  rm -rf "${drive:?}"/*
  touch "$drive/held"
  printf 'FILE %s BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n' "$name" >"$image/bad.cue"
  insert "$image/bad.cue"
  local rc=$?
  [ "$rc" = 2 ] || fail "FILE $name: exit $rc, expected 2"
  grep -q "names a file outside its folder" "$scratch/err" || fail "FILE $name: no message ($(cat "$scratch/err"))"
  [ "$(wc -l <"$scratch/err")" = 1 ] || fail "FILE $name: more than one line: $(cat "$scratch/err")"
  [ -e "$scratch/build/outside.bin" ] && fail "FILE $name: a file was linked beside the drive's folder"
  [ -e "$drive/held" ] || fail "FILE $name: the drive was emptied"
  [ "$(ls "$drive")" = held ] || fail "FILE $name: the drive holds $(ls "$drive")"
  [ "$failed" = "$before" ] && passed=$((passed + 1))
}
for name in '"../outside.bin"' "\"$scratch/outside.bin\"" '"sub/track.bin"' '"..\outside.bin"' '".."' '"."' \
            '"sub\track.bin"' 'sub\track.bin' '"C:\windows\win.ini"' '"C:track.bin"' 'C:track.bin' \
            '"\\server\share\track.bin"' '"//server/share/track.bin"' '"/track.bin"' '../outside.bin'; do
  refused "$name"
done

# --- sheets that go in --------------------------------------------------------------
# inserted NAME SHEET-BYTES FILE...: the sheet goes in as NAME.cue with each
# FILE (which must exist beside it) and nothing else. SHEET-BYTES "-" keeps
# the NAME.cue made beforehand.
inserted() {
  local name=$1 bytes=$2 before=$failed
  shift 2
  [ "$bytes" = - ] || printf '%b' "$bytes" >"$image/$name.cue"
  rm -rf "${drive:?}"/*
  touch "$drive/held"
  insert "$image/$name.cue" || fail "$name: refused: $(cat "$scratch/err")"
  cmp -s "$image/$name.cue" "$drive/$name.cue" || fail "$name: the sheet is not in the drive"
  [ -e "$drive/held" ] && fail "$name: the drive was not emptied first"
  local want=("$name.cue" "$@") f
  for f in "$@"; do cmp -s "$image/$f" "$drive/$f" || fail "$name: $f is not in the drive"; done
  [ "$(ls -A "$drive" | sort)" = "$(printf '%s\n' "${want[@]}" | sort -u)" ] ||
    fail "$name: the drive holds $(ls -A "$drive" | tr '\n' ' ')"
  [ "$failed" = "$before" ] && passed=$((passed + 1))
}
echo one >"$image/a.bin"
echo two >"$image/b b.bin"
echo three >"$image/c.bin"
track='  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n'
inserted crlf 'FILE "track.bin" BINARY\r\n'"$track" track.bin
inserted lf 'FILE "track.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n' track.bin
inserted cr 'FILE "track.bin" BINARY\r  TRACK 01 AUDIO\r    INDEX 01 00:00:00\r' track.bin
inserted bom '\xEF\xBB\xBFFILE "track.bin" BINARY\r\n'"$track" track.bin
inserted no-line-end 'TRACK 01 AUDIO\r\nFILE "track.bin" BINARY' track.bin
inserted lower-case-and-tabs '\tfile\t"track.bin"\tmotorola\r\n'"$track" track.bin
inserted quoted-blanks 'FILE "b b.bin" BINARY\r\n'"$track" 'b b.bin'
inserted unquoted-blanks 'FILE b b.bin BINARY\r\n'"$track" 'b b.bin'
inserted several-files 'FILE "a.bin" BINARY\r\n'"$track"'FILE b b.bin BINARY\r\nFILE "c.bin" WAVE\r\n' a.bin 'b b.bin' c.bin
inserted same-file-twice 'FILE "a.bin" BINARY\r\nFILE "a.bin" BINARY\r\n' a.bin
inserted no-file-line "$track"
inserted rem-file 'REM FILE "../outside.bin" BINARY\r\nFILE "a.bin" BINARY\r\n' a.bin
inserted garbage '\x00\x01\xff\xfe garbage\x7f\x80 FILE\r\n\x00FILE "../x"'
inserted filename-keyword 'FILENAME "../outside.bin" BINARY\r\n'
# A sheet of three megabytes, and one line of a megabyte without an end.
{ printf 'FILE "a.bin" BINARY\r\n'; head -c 3000000 /dev/zero | tr '\0' 'R'; printf '\r\n'; } >"$image/large.cue"
inserted large - a.bin
head -c 1000000 /dev/zero | tr '\0' 'x' >"$image/long-line.cue"
inserted long-line -

# A named file that is not there: the sheet goes in, the missing name is reported.
before=$failed
printf 'FILE "a.bin" BINARY\r\nFILE "gone.bin" BINARY\r\n' >"$image/missing.cue"
insert "$image/missing.cue" || fail "missing file: refused: $(cat "$scratch/err")"
grep -q 'gone.bin' "$scratch/err" || fail "missing file: not reported ($(cat "$scratch/err"))"
[ -e "$drive/missing.cue" ] && [ -e "$drive/a.bin" ] || fail "missing file: the sheet and a.bin are not in the drive"
[ "$failed" = "$before" ] && passed=$((passed + 1))

# --- the argument itself -------------------------------------------------------------
for args in "" "$image/no-such.cue" "$image" "$image/crlf.cue extra"; do
  before=$failed
  rm -rf "${drive:?}"/*
  touch "$drive/held"
  # shellcheck disable=SC2086
  insert $args
  rc=$?
  [ "$rc" = 2 ] || fail "arguments '$args': exit $rc, expected 2"
  grep -q '^insert-disc: ' "$scratch/err" || fail "arguments '$args': no message ($(cat "$scratch/err"))"
  [ -e "$drive/held" ] || fail "arguments '$args': the drive was emptied"
  [ "$failed" = "$before" ] && passed=$((passed + 1))
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
