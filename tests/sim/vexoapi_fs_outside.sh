#!/usr/bin/env bash
# The burn-at-once image of the simulated engine checked from the outside:
# vexoapi_fs_test writes it (its handle-form test) with the start sector
# each file was given, and xorriso and isoinfo must find every file there.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/scripts/wine-env"
[ -f "$WINEPREFIX/.prepared" ] || "$here/scripts/prepare-prefix" >/dev/null
export LC_ALL=C.UTF-8
dir=$BIN_DIR/vexoapi-fs
fail() { echo "FAIL: $*"; echo "0 passed, 1 failed"; exit 1; }
for t in xorriso isoinfo; do command -v "$t" >/dev/null || fail "$t is not installed (scripts/setup installs it)"; done
rm -f "$dir/bao.iso" "$dir/bao.offsets"
(cd "$BIN_DIR" && "$WINE" "$BIN_DIR/vexoapi_fs_test.exe" --gtest_filter='*TheHandleForm*') </dev/null >/dev/null 2>&1 \
  || fail "vexoapi_fs_test could not write the burn-at-once image"
[ -s "$dir/bao.iso" ] && [ -s "$dir/bao.offsets" ] || fail "no image or no offsets"
msgs=$(xorriso -abort_on NEVER -indev "$dir/bao.iso" -find / -exec report_damage -- 2>&1 >/dev/null | grep -E 'WARNING|SORRY|FAILURE|MISHAP')
[ -z "$msgs" ] || { echo "$msgs"; fail "xorriso complains about the image"; }
lba=$(xorriso -indev "$dir/bao.iso" -find / -exec report_lba -- 2>/dev/null)
listing=$(isoinfo -R -l -i "$dir/bao.iso") || fail "isoinfo -l failed"
while read -r path offset; do
  got=$(sed -n "s/^File data lba: *0 , *\([0-9]*\) ,.*'\(.*\)'\$/\2 \1/p" <<<"$lba" | awk -v p="$path" '$1 == p { print $2 }')
  [ "$got" = "$offset" ] || fail "xorriso finds $path at sector '${got}', the engine answered $offset"
  name=${path##*/}
  folder=${path%/*}/
  got=$(awk -v f="Directory listing of $folder" -v n="$name" '
      /^Directory listing of / { inside = ($0 == f) ; next }
      inside && $NF == n { s = $0; sub(/.*\[ */, "", s); sub(/ .*/, "", s); print s }' <<<"$listing")
  [ "$got" = "$offset" ] || fail "isoinfo lists $path at sector '${got}', the engine answered $offset"
done < <(tr -d '\r' <"$dir/bao.offsets")
echo "1 passed, 0 failed"
