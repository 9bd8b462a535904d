#!/usr/bin/env bash
# Discs besides plain audio and data discs, end to end, from the host side:
#   1. runs vexocom_discimages_test.exe (DISCIMAGES_DIR names
#      $BIN_DIR/discimages-e2e): a CD-extra disc, a freestyle disc, a video
#      CD and disc copies burnt through the registered server;
#   2. takes the CD-extra disc's data track (session 2, raw Mode 1 sectors)
#      out of its BIN: isoinfo shows its volume and Joliet, xorriso finds it
#      undamaged and extracts files equal to their sources;
#   3. lists the video CD image with isoinfo and xorriso: the Video CD's
#      folders and files beside the data track's, INFO.VCD says NTSC.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/scripts/wine-env"
[ -f "$WINEPREFIX/.prepared" ] || "$here/scripts/prepare-prefix" >/dev/null
export LC_ALL=C.UTF-8
dir=$BIN_DIR/discimages-e2e
fail() { echo "FAIL: $*"; exit 1; }
for t in xorriso isoinfo python3; do command -v "$t" >/dev/null || fail "$t is not installed (scripts/setup installs it)"; done
winpath() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

rm -rf "$dir"
mkdir -p "$dir"
export DISCIMAGES_DIR
DISCIMAGES_DIR=$(winpath "$dir")
[ -n "$DISCIMAGES_DIR" ] || fail "winepath gave no Windows path for $dir"
(cd "$BIN_DIR" && "$here/scripts/wine-run" "$BIN_DIR/vexocom_discimages_test.exe") || fail "vexocom_discimages_test.exe failed"

# The data track of the CD-extra disc: the user data of its raw sectors.
cue=$dir/out/extra.cue
[ -s "$cue" ] || fail "the burn wrote no $cue"
python3 - "$cue" "$dir/out/extra.bin" "$dir/out/extra-data.iso" <<'PY' || fail "the data track cannot be taken out of extra.bin"
import re, sys
sheet, bin_path, out = sys.argv[1:]
start = None
track_mode = None
for line in open(sheet):
    words = line.split()
    if words[:1] == ["TRACK"]:
        track_mode = words[2]
    elif words[:2] == ["INDEX", "01"] and track_mode == "MODE1/2352":
        m, s, f = map(int, words[2].split(":"))
        start = (m * 60 + s) * 75 + f
if start is None:
    sys.exit("no MODE1/2352 track")
data = open(bin_path, "rb").read()[start * 2352:]
with open(out, "wb") as o:
    for at in range(0, len(data), 2352):
        sector = data[at:at + 2352]
        if sector[:12] != b"\x00" + b"\xff" * 10 + b"\x00" or sector[15] != 1:
            sys.exit("sector %d is no mode 1 sector" % (start + at // 2352))
        o.write(sector[16:16 + 2048])
PY
data=$dir/out/extra-data.iso
info=$(isoinfo -d -i "$data") || fail "isoinfo -d failed on the data track"
for line in "Volume id: EXTRA_DATA" "Joliet with UCS level 3 found" "Volume size is: $(( $(stat -c %s "$data") / 2048 ))"; do
    grep -qxF "$line" <<<"$info" || { echo "$info"; fail "isoinfo -d does not show '$line' for the data track"; }
done
msgs=$(xorriso -abort_on NEVER -indev "$data" -find / -exec report_damage -- 2>&1 >/dev/null | grep -E 'WARNING|SORRY|FAILURE|MISHAP')
[ -z "$msgs" ] || { echo "$msgs"; fail "xorriso complains about the data track"; }
rm -rf "$dir/extracted"
xorriso -osirrox on -indev "$data" -extract / "$dir/extracted" >/dev/null 2>&1 || fail "xorriso could not extract the data track"
cmp -s "$dir/extracted/readme.txt" "$dir/src/readme.txt" && cmp -s "$dir/extracted/docs/notes.bin" "$dir/src/docs/notes.bin" \
    || { ls -R "$dir/extracted"; fail "the data track's files differ from their sources"; }

# The video CD.
vcd=$dir/out/video.iso
[ -s "$vcd" ] || fail "the burn wrote no $vcd"
listing=$(isoinfo -f -i "$vcd" | sed 's/;1$//' | sort) || fail "isoinfo -f failed on the video CD"
for path in /VCD/INFO.VCD /VCD/ENTRIES.VCD /MPEGAV/AVSEQ01.DAT /MPEGAV/AVSEQ02.DAT /SEGMENT/ITEM0001.MPG /README.TXT /DOCS/NOTES.BIN; do
    grep -qxF "$path" <<<"$listing" || { echo "$listing"; fail "isoinfo does not list $path in the video CD"; }
done
isoinfo -l -i "$vcd" | grep -q "INFO.VCD" || fail "isoinfo -l does not list INFO.VCD"
found=$(xorriso -indev "$vcd" -find / 2>/dev/null | sed -n "s/^'\(.*\)'\$/\1/p" | sort)
for path in /VCD /MPEGAV /SEGMENT /readme.txt /docs/notes.bin; do
    grep -qixF "$path" <<<"$found" || { echo "$found"; fail "xorriso does not find $path in the video CD"; }
done
head=$(isoinfo -i "$vcd" -x '/VCD/INFO.VCD;1' | head -c 43 | od -An -tx1 | tr -d ' \n')
[ "${head:0:16}" = "564944454f5f4344" ] || fail "INFO.VCD does not begin with VIDEO_CD ($head)"
[ "${head:60:26}" = "00000000000000000000000000" ] || fail "INFO.VCD marks PAL sequences on an NTSC disc ($head)"
cmp -s <(isoinfo -i "$vcd" -x '/MPEGAV/AVSEQ01.DAT;1') "$dir/src/clip1.mpg" || fail "AVSEQ01.DAT is not the first clip"
[ ! -e "$dir/out/refused-video.iso" ] && [ ! -e "$dir/out/empty-copy.iso" ] || fail "a refused burn left an image"
echo "disc images end to end: passed"
