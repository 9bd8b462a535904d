#!/usr/bin/env bash
# A data disc end to end, from the host side:
#   1. makes a folder tree (nested folders, names outside ASCII and beyond 64
#      characters, an empty folder) and its image with xorriso:
#      $BIN_DIR/databurn-e2e/import-src and import.iso, volume IMPORT_VOL;
#   2. runs vexocom_databurn_test.exe (DATABURN_DIR names that folder): it
#      writes src/, burns it through the registered server to out/data.iso,
#      estimates it, imports import.iso and compares the trees;
#   3. checks out/data.iso: xorriso lists exactly the tree of src/ and finds
#      nothing damaged, every file it extracts equals its source, isoinfo
#      shows the volume name and the publisher, Joliet and Rock Ridge; the
#      refused burn left no file.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/scripts/wine-env"
[ -f "$WINEPREFIX/.prepared" ] || "$here/scripts/prepare-prefix" >/dev/null
export LC_ALL=C.UTF-8
dir=$BIN_DIR/databurn-e2e
fail() { echo "FAIL: $*"; exit 1; }
for t in xorriso isoinfo; do command -v "$t" >/dev/null || fail "$t is not installed (scripts/setup installs it)"; done
winpath() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
xorriso_list() { xorriso -indev "$1" -find / 2>/dev/null | sed -n "s/^'\(.*\)'\$/\1/p" | grep -vx / | sort; }

rm -rf "$dir"
mkdir -p "$dir/import-src/Fotos/Sommer am Meer" "$dir/import-src/leerer Ordner" \
         "$dir/import-src/Ein Ordner mit einem Namen, der deutlich länger als vierundsechzig Zeichen ist"
printf 'Strand\n' >"$dir/import-src/Fotos/Sommer am Meer/Strand.txt"
head -c 100000 /dev/urandom >"$dir/import-src/Fotos/Ärger über Öl.bin"
printf 'x' >"$dir/import-src/Ein Ordner mit einem Namen, der deutlich länger als vierundsechzig Zeichen ist/Café.txt"
printf 'top\n' >"$dir/import-src/oben.txt"
xorriso -outdev "$dir/import.iso" -volid IMPORT_VOL -joliet on -map "$dir/import-src" / -commit >/dev/null 2>&1 \
    || fail "xorriso could not make import.iso"

export DATABURN_DIR
DATABURN_DIR=$(winpath "$dir")
[ -n "$DATABURN_DIR" ] || fail "winepath gave no Windows path for $dir"
(cd "$BIN_DIR" && "$here/scripts/wine-run" "$BIN_DIR/vexocom_databurn_test.exe") || fail "vexocom_databurn_test.exe failed"

img=$dir/out/data.iso
[ -s "$img" ] || fail "the burn wrote no $img"
expected=$(cd "$dir/src" && find . -mindepth 1 -printf '/%P\n' | sort)
found=$(xorriso_list "$img")
diff <(echo "$expected") <(echo "$found") || fail "xorriso's listing of data.iso differs from src/ (< expected, > found)"
msgs=$(xorriso -abort_on NEVER -indev "$img" -find / -exec report_damage -- 2>&1 >/dev/null | grep -E 'WARNING|SORRY|FAILURE|MISHAP')
[ -z "$msgs" ] || { echo "$msgs"; fail "xorriso complains about data.iso"; }
rm -rf "$dir/extracted"
xorriso -osirrox on -indev "$img" -extract / "$dir/extracted" >/dev/null 2>&1 || fail "xorriso could not extract data.iso"
diff -r "$dir/src" "$dir/extracted" || fail "the files xorriso extracted differ from their sources"
[ -d "$dir/extracted/empty folder" ] || fail "the empty folder is missing"
info=$(isoinfo -d -i "$img") || fail "isoinfo -d failed"
for line in "Volume id: DATABURN_VOL" "Publisher id: QUARN PUBLISHING" "Joliet with UCS level 3 found" \
            "Rock Ridge signatures version 1 found" "Volume size is: $(( $(stat -c %s "$img") / 2048 ))"; do
    grep -qxF "$line" <<<"$info" || { echo "$info"; fail "isoinfo -d does not show '$line'"; }
done
isoinfo -J -j iso8859-1 -f -i "$img" | iconv -f iso8859-1 -t UTF-8 | sed "s/;1\$//" | grep -qxF "/Documents/Café Übersicht.txt" \
    || fail "the Joliet tree lacks the non-ASCII name"
[ ! -e "$dir/out/refused.iso" ] && [ ! -e "$dir/out/refused.iso.part" ] && [ ! -e "$dir/out/data.iso.part" ] \
    || fail "a refused burn or a temporary image left a file"
echo "data disc end to end: passed"
