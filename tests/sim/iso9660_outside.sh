#!/usr/bin/env bash
# The ISO 9660 library's images checked from the outside with xorriso and
# isoinfo, and an image made by xorriso read with the library.
#   iso9660_outside.sh prepare   iso9660_samples.exe writes the sample images
#                                and their sources into $BIN_DIR/iso9660-e2e
#   iso9660_outside.sh rockridge full.iso: the tree xorriso lists, the bytes
#                                it extracts, what isoinfo says of the volume
#   iso9660_outside.sh joliet    joliet.iso: Joliet names, cut and unique
#   iso9660_outside.sh plain     plain.iso: 8.3 names only
#   iso9660_outside.sh deep      deep.iso: 14 levels of folders with Rock Ridge
#   iso9660_outside.sh xorriso   an image xorriso made, read by the library
#   iso9660_outside.sh relocated an image genisoimage made of deep.iso's
#                                tree, its deep folders moved to rr_moved
#                                with Rock Ridge links: read where they belong
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/scripts/wine-env"
[ -f "$WINEPREFIX/.prepared" ] || "$here/scripts/prepare-prefix" >/dev/null
export LC_ALL=C.UTF-8
dir=$BIN_DIR/iso9660-e2e
tool=$BIN_DIR/iso9660_samples.exe
fail() { echo "FAIL: $*"; echo "0 passed, 1 failed"; exit 1; }
pass() { echo "1 passed, 0 failed"; exit 0; }
winpath() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
samples() { (cd "$BIN_DIR" && "$WINE" "$tool" "$@") </dev/null; }
need() { for t in "$@"; do command -v "$t" >/dev/null || fail "$t is not installed (scripts/setup installs it)"; done; }

# The source tree as "d /PATH" and "f /PATH SIZE" lines, sorted.
expected_list() { (cd "$1" && find . -mindepth 1 \( -type d -printf 'd /%P\n' \) -o \( -type f -printf 'f /%P %s\n' \)) | sort; }
# What xorriso lists of an image, one path a line without the root, sorted.
xorriso_list() { xorriso -indev "$1" -find / 2>/dev/null | sed -n "s/^'\(.*\)'\$/\1/p" | grep -vx / | sort; }
same() { # what expected actual
    diff <(echo "$2") <(echo "$3") >"$dir/diff.txt" || { cat "$dir/diff.txt"; fail "$1 differs (< expected, > found)"; }
}
# xorriso loads the image without a warning and finds no damaged file.
xorriso_clean() {
    local msgs
    msgs=$(xorriso -abort_on NEVER -indev "$1" -find / -exec report_damage -- 2>&1 >/dev/null | grep -E 'WARNING|SORRY|FAILURE|MISHAP')
    [ -z "$msgs" ] || { echo "$msgs"; fail "xorriso complains about $(basename "$1")"; }
    xorriso -indev "$1" -find / -exec report_damage -- 2>/dev/null | grep -q '^File damaged' && fail "xorriso finds damaged files in $(basename "$1")"
    return 0
}
# The library's listing of an image (names of the given kind) as paths.
library_paths() {
    samples list "$(winpath "$1")" "$2" "$(winpath "$dir/library-$2.txt")" || fail "the library could not read $(basename "$1")"
    tail -n +3 "$dir/library-$2.txt" | sed -E 's/^d //; s/^f (.*) [0-9]+$/\1/' | sort
}
isoinfo_joliet() { isoinfo -J -j "$2" -l -i "$1" | iconv -f "$2" -t UTF-8; }

case ${1:-} in
prepare)
    need xorriso isoinfo
    rm -rf "$dir"
    samples write "$(winpath "$dir")" || fail "iso9660_samples.exe could not write the samples"
    for s in full joliet plain deep; do [ -s "$dir/$s/$s.iso" ] || fail "$s.iso was not written"; done
    pass ;;
rockridge)
    img=$dir/full/full.iso src=$dir/full/src
    xorriso_clean "$img"
    same "xorriso's listing of full.iso" "$(cd "$src" && find . -mindepth 1 -printf '/%P\n' | sort)" "$(xorriso_list "$img")"
    rm -rf "$dir/full/xorriso-out"
    xorriso -osirrox on -indev "$img" -extract / "$dir/full/xorriso-out" >/dev/null 2>&1 || fail "xorriso could not extract full.iso"
    diff -r "$src" "$dir/full/xorriso-out" || fail "the files xorriso extracted differ from their sources"
    cmp "$src/big/pattern.bin" "$dir/full/xorriso-out/big/pattern.bin" || fail "the produced file differs"
    [ -d "$dir/full/xorriso-out/Документы/empty folder" ] || fail "the empty folder is missing"
    [ -f "$dir/full/xorriso-out/zero.bin" ] && [ ! -s "$dir/full/xorriso-out/zero.bin" ] || fail "zero.bin is not an empty file"
    info=$(isoinfo -d -i "$img") || fail "isoinfo -d failed"
    for line in "Volume id: SAMPLE_VOLUME" "Publisher id: QUARN PUBLISHING" "System id: WIN32" \
                "Volume set id: SAMPLE_SET" "Data preparer id: IMAGE RECORDER" "Application id: VEXOAPI IMAGE WRITER" \
                "Copyright File id: COPYING.TXT" "Abstract File id: ABSTRACT.TXT" "Bibliographic File id: BIBLIO.TXT" \
                "Logical block size is: 2048" "Joliet with UCS level 3 found" "Rock Ridge signatures version 1 found"; do
        grep -qxF "$line" <<<"$info" || { echo "$info"; fail "isoinfo -d does not show '$line'"; }
    done
    size=$(stat -c %s "$img")
    grep -qxF "Volume size is: $((size / 2048))" <<<"$info" || fail "the volume size is not the file's"
    pass ;;
joliet)
    img=$dir/joliet/joliet.iso
    xorriso_clean "$img"
    # Without Rock Ridge xorriso shows the Joliet names: the library reads the same.
    same "xorriso's and the library's Joliet names" "$(library_paths "$img" joliet)" "$(xorriso_list "$img")"
    latin=$(isoinfo_joliet "$img" iso8859-1) || fail "isoinfo -J failed"
    cyrillic=$(isoinfo_joliet "$img" koi8-r)
    for name in "Café Übersicht.txt;1" "README.TXT;1" "zero.bin;1" \
                "A name that is considerably longer than sixty-four character.txt;1" \
                "A name that is considerably longer than sixty-four charact~1.txt;1" \
                "$(printf 'x%.0s' $(seq 60)).log;1"; do
        grep -qF "  $name" <<<"$latin" || { echo "$latin"; fail "isoinfo -J does not list '$name'"; }
    done
    for name in "Документы" "Отчёт за год.txt;1" "empty folder"; do
        grep -qF "  $name" <<<"$cyrillic" || { echo "$cyrillic"; fail "isoinfo -J does not list '$name'"; }
    done
    # No Joliet name is longer than 64 characters (plus ";1").
    long=$(sed -n 's/^.*\]  \(.*\) $/\1/p' <<<"$latin" | sed 's/;1$//' | awk 'length($0) > 64')
    [ -z "$long" ] || fail "Joliet names longer than 64 characters: $long"
    rm -rf "$dir/joliet/xorriso-out"
    xorriso -osirrox on -indev "$img" -extract / "$dir/joliet/xorriso-out" >/dev/null 2>&1 || fail "xorriso could not extract joliet.iso"
    cmp "$dir/joliet/src/big/pattern.bin" "$dir/joliet/xorriso-out/big/pattern.bin" || fail "pattern.bin differs"
    cmp "$dir/joliet/src/Документы/Отчёт за год.txt" "$dir/joliet/xorriso-out/Документы/Отчёт за год.txt" || fail "the Cyrillic file differs"
    pass ;;
plain)
    img=$dir/plain/plain.iso
    xorriso_clean "$img"
    same "xorriso's and the library's ISO 9660 names" "$(library_paths "$img" iso)" "$(xorriso_list "$img")"
    listing=$(isoinfo -l -i "$img") || fail "isoinfo -l failed"
    names=$(sed -n 's/^.*\]  \(.*\) $/\1/p' <<<"$listing" | grep -vx '\.\|\.\.')
    for name in README.TXT\;1 ZERO.BIN\;1 CAF___BE.TXT\;1 XXXXXXXX.LOG\;1 BIG PATTERN.BIN\;1 EMPTY EMPTY_FO; do
        grep -qxF "$name" <<<"$names" || { echo "$names"; fail "isoinfo -l does not list '$name'"; }
    done
    bad=$(grep -vE '^[A-Z0-9_]{1,8}(\.[A-Z0-9_]{0,3};1)?$' <<<"$names")
    [ -z "$bad" ] || fail "names that are not 8.3 d-characters: $bad"
    info=$(isoinfo -d -i "$img")
    grep -qx "NO Joliet present" <<<"$info" && grep -qx "NO Rock Ridge present" <<<"$info" || fail "plain.iso claims Joliet or Rock Ridge"
    pass ;;
deep)
    img=$dir/deep/deep.iso src=$dir/deep/src
    xorriso_clean "$img"
    same "xorriso's listing of deep.iso" "$(cd "$src" && find . -mindepth 1 -printf '/%P\n' | sort)" "$(xorriso_list "$img")"
    rm -rf "$dir/deep/xorriso-out"
    xorriso -osirrox on -indev "$img" -extract / "$dir/deep/xorriso-out" >/dev/null 2>&1 || fail "xorriso could not extract deep.iso"
    diff -r "$src" "$dir/deep/xorriso-out" || fail "the files xorriso extracted from deep.iso differ"
    pass ;;
xorriso)
    src=$dir/full/src img=$dir/xorriso-made.iso
    rm -f "$img"
    xorriso -as mkisofs -J -R -V VOLNAME -publisher PUB -o "$img" "$src" >/dev/null 2>&1 || fail "xorriso could not make an image"
    samples list "$(winpath "$img")" rr "$(winpath "$dir/xorriso-rr.txt")" || fail "the library could not read xorriso's image"
    same "the volume texts the library reads" "$(printf 'volume VOLNAME\npublisher PUB')" "$(head -2 "$dir/xorriso-rr.txt")"
    same "the library's Rock Ridge listing of xorriso's image" "$(expected_list "$src")" "$(tail -n +3 "$dir/xorriso-rr.txt" | sort)"
    rm -rf "$dir/library-out"
    samples extract "$(winpath "$img")" "$(winpath "$dir/library-out")" rr || fail "the library could not extract xorriso's image"
    diff -r "$src" "$dir/library-out" || fail "the files the library extracted differ from their sources"
    for names in joliet iso; do
        samples list "$(winpath "$img")" $names "$(winpath "$dir/xorriso-$names.txt")" || fail "the library could not read $names names"
        [ "$(wc -l <"$dir/xorriso-$names.txt")" = "$(wc -l <"$dir/xorriso-rr.txt")" ] || fail "$names names: other entries than Rock Ridge"
    done
    grep -qxF "f /Café Übersicht.txt 29" "$dir/xorriso-joliet.txt" || fail "the Joliet listing lacks Café Übersicht.txt"
    grep -qxF "f /README.TXT 13" "$dir/xorriso-iso.txt" || fail "the ISO listing lacks README.TXT"
    pass ;;
relocated)
    need genisoimage
    src=$dir/deep/src img=$dir/relocated.iso
    rm -f "$img"
    genisoimage -quiet -R -V DEEP -o "$img" "$src" >/dev/null 2>&1 || fail "genisoimage could not make an image"
    isoinfo -l -i "$img" | grep -q "RR_MOVED" || fail "genisoimage moved no folder"
    samples list "$(winpath "$img")" rr "$(winpath "$dir/relocated.txt")" || fail "the library could not read the image"
    # The moved folders are back in place; rr_moved itself stays, empty.
    same "the library's listing of the relocated image" "$( (expected_list "$src"; echo "d /rr_moved") | sort)" \
        "$(tail -n +3 "$dir/relocated.txt" | sort)"
    rm -rf "$dir/relocated-out"
    samples extract "$(winpath "$img")" "$(winpath "$dir/relocated-out")" rr || fail "the library could not extract the image"
    rmdir "$dir/relocated-out/rr_moved" || fail "rr_moved is not an empty folder"
    diff -r "$src" "$dir/relocated-out" || fail "the extracted files differ from their sources"
    pass ;;
*)
    echo "usage: $0 prepare|rockridge|joliet|plain|deep|xorriso|relocated"; exit 2 ;;
esac
