#!/usr/bin/env bash
# Real conversions through avformat.dll under Wine, checked with ffprobe.
#   avformat_convert.sh prepare        clips for the conversion tests in
#                                      $BIN_DIR/avformat-e2e (3 s test picture
#                                      with a tone, a FIFO that never delivers)
#   avformat_convert.sh preset NAME    one preset's command line (the options
#                                      the converter component builds), then
#                                      container, codecs and figures of the file
#   avformat_convert.sh job NAME FILE  checks a file the conversion job wrote
#                                      with that preset
#   avformat_convert.sh refused        lines avformat.dll must refuse
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/scripts/wine-env"
[ -f "$WINEPREFIX/.prepared" ] || "$here/scripts/prepare-prefix" >/dev/null
dir=$BIN_DIR/avformat-e2e
exe=$BIN_DIR/avformat.dll
fail() { echo "FAIL: $*"; exit 1; }

winpath() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# run OUTFILE OPTIONS...: avformat.dll -i clip OPTIONS "dest"; sets rc, log.
run() {
    local out=$1; shift
    log=$dir/$(basename "$out").log
    (cd "$BIN_DIR" && "$WINE" "$exe" -i "$(winpath "$dir/clip.mkv")" "$@" "$(winpath "$out")") >"$log" 2>"$log.err" </dev/null
    rc=$?
}

probe() { ffprobe -v error -select_streams "$2" -show_entries "stream=$3" -of default=nw=1:nk=1 "$1" | head -1; }
brand() { ffprobe -v error -show_entries format_tags=major_brand -of default=nw=1:nk=1 "$1"; }
format() { ffprobe -v error -show_entries format=format_name -of default=nw=1:nk=1 "$1"; }
expect() { [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"; }

# row NAME: the preset's expectations (sets row).
row_of() {
    name=$1
    # name | extension | options | format | vcodec WxH | acodec rate channels | major brand
    row=$(awk -F'|' -v n="$name" '$1==n' <<'EOF'
avi-divx|.avi|-y -b 360 -r 29.97 -s 320x240 -vcodec mpeg4 -deinterlace -sameq -ab 48 -ar 22050 -ac 2|avi|mpeg4 320x240|mp3 22050 2|
avi-xvid|.avi|-y -b 360 -r 29.97 -s 320x240 -vcodec xvid -deinterlace -sameq -ac 2|avi|mpeg4 320x240|mp3 44100 2|
ipod-video|.mpg|-y -b 512 -s 320x240 -vcodec mpeg4 -aspect 4:3 -acodec aac -ab 64 -ar 44100 -ac 2|mov,mp4,m4a,3gp,3g2,mj2|mpeg4 320x240|aac 44100 2|isom
iphone|.mpg|-y -b 1200 -s 320x240 -vcodec mpeg4 -aspect 4:3 -acodec aac -ab 80 -ar 44100 -ac 2|mov,mp4,m4a,3gp,3g2,mj2|mpeg4 320x240|aac 44100 2|isom
ipod-nano|.mp3|-y -acodec mp3|mp3|-|mp3 44100 2|
mpeg-max|.mpg|-y -r 29.97 -vcodec mpeg1video -deinterlace -sameq -ar 44100 -ac 2|mpeg|mpeg1video 320x240|mp2 44100 2|
wmv|.wmv|-y -vcodec wmv2 -deinterlace -sameq -ar 44100 -ac 2|asf|wmv2 320x240|wmav2 44100 2|
rm|.rm|-y -vcodec rv20 -deinterlace -sameq -ar 44100 -ac 2|rm|rv20 320x240|ac3 44100 2|
mov|.mov|-y -b 360 -r 29.97 -s 320x240 -deinterlace -sameq -acodec aac -ab 48 -ar 44100 -ac 2|mov,mp4,m4a,3gp,3g2,mj2|mpeg4 320x240|aac 44100 2|qt  
flv|.flv|-y -b 360 -r 25 -s 352x288 -vcodec h263 -acodec mp3 -ab 64 -ar 22050 -ac 1|flv|flv1 352x288|mp3 22050 1|
psp-normal|.avi|-y -b 512 -r 29.97 -s 368x208 -vcodec xvid -acodec aac -ab 64 -ar 24000 -ac 2|avi|mpeg4 368x208|aac 24000 2|
psp-avc|.avi|-y -b 400 -r 29.97 -s 368x208 -vcodec h264 -bufsize 128 -g 250 -qscale 25 -maxrate 1500 -acodec aac -ab 128 -ar 48000 -ac 2|avi|h264 368x208|aac 48000 2|
zune-mpeg4|.avi|-y -b 1500 -r 29.97 -s 320x240 -vcodec mpeg4 -acodec aac -ab 128 -ar 48000 -ac 2|avi|mpeg4 320x240|aac 48000 2|
zune-avc|.avi|-y -b 1500 -r 29.97 -s 320x240 -vcodec h264 -bufsize 128 -g 250 -qscale 25 -maxrate 1500 -acodec aac -ab 64 -ar 48000 -ac 2|avi|h264 320x240|aac 48000 2|
zune-wmv|.wmv|-y -b 1500 -r 29.97 -s 320x240 -vcodec wmv2 -acodec mp3 -ab 128 -ar 48000 -ac 2|asf|wmv2 320x240|mp3 48000 2|
3gp|.3gp|-y -b 120 -r 11 -s 176x144 -vcodec h263 -bt 60 -acodec amr_nb -ab 48 -ar 8000 -ac 1|mov,mp4,m4a,3gp,3g2,mj2|h263 176x144|aac 8000 1|3gp4
3g2|.3g2|-y -b 120 -r 11 -s 176x144 -vcodec mpeg4 -bt 60 -acodec amr_nb -ab 48 -ar 8000 -ac 1|mov,mp4,m4a,3gp,3g2,mj2|mpeg4 176x144|aac 8000 1|3g2a
wav|.wav|-y -f wav -acodec pcm_s16le -ab 128 -ar 41000 -ac 2|wav|-|pcm_s16le 41000 2|
mp3|.mp3|-y -f mp3 -acodec mp3 -ab 128 -ar 44100 -ac 2|mp3|-|mp3 44100 2|
wma|.wma|-y -acodec mp3 -ab 128 -ar 48000 -ac 2|asf|-|mp3 48000 2|
EOF
)
    [ -n "$row" ] || fail "unknown preset $name"
    IFS='|' read -r _ ext opts fmt video audio wantBrand <<<"$row"
}

# verify NAME FILE: container, codecs, figures and duration of a converted file.
verify() {
    local name=$1 out=$2
    [ -s "$out" ] || fail "$name: no output file"
    expect "$name container" "$(format "$out")" "$fmt"
    [ -z "$wantBrand" ] || expect "$name brand" "$(brand "$out")" "$wantBrand"
    if [ "$video" = - ]; then
        expect "$name video streams" "$(probe "$out" v codec_name)" ""
    else
        read -r vcodec size <<<"$video"
        expect "$name video codec" "$(probe "$out" v:0 codec_name)" "$vcodec"
        expect "$name frame size" "$(probe "$out" v:0 width)x$(probe "$out" v:0 height)" "$size"
    fi
    read -r acodec rate channels <<<"$audio"
    expect "$name audio codec" "$(probe "$out" a:0 codec_name)" "$acodec"
    expect "$name sample rate" "$(probe "$out" a:0 sample_rate)" "$rate"
    expect "$name channels" "$(probe "$out" a:0 channels)" "$channels"
    dur=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$out")
    awk -v d="$dur" 'BEGIN { exit !(d > 2.5 && d < 3.6) }' || fail "$name: duration $dur, expected about 3 s"
    echo "ok $name: $(format "$out") / ${video} / ${audio}"
}

case "${1:-}" in
prepare)
    rm -rf "$dir"; mkdir -p "$dir"
    ffmpeg -hide_banner -loglevel error -nostdin -y \
        -f lavfi -i testsrc=size=320x240:rate=30:duration=3 \
        -f lavfi -i sine=frequency=440:duration=3:sample_rate=44100 \
        -ac 2 -c:v mpeg4 -q:v 3 -c:a pcm_s16le -shortest "$dir/clip.mkv" || fail "cannot make the clip"
    mkfifo "$dir/stall.fifo" || fail "cannot make the FIFO"
    echo "prepared $dir"
    ;;
preset)
    row_of "$2"
    [ -f "$dir/clip.mkv" ] || fail "no clip: run '$0 prepare' first"
    out=$dir/$name$ext
    rm -f "$out"
    # shellcheck disable=SC2086
    run "$out" $opts
    [ "$rc" = 0 ] || { tail -5 "$log"; fail "$name: exit code $rc"; }
    grep -q "Output #0" "$log" || fail "$name: ffmpeg's messages were not relayed on stdout"
    grep -Eq "(video|audio):[0-9]+kB" "$log" || fail "$name: the closing summary was not relayed"
    verify "$name" "$out"
    ;;
job)
    # A file the conversion job wrote with the preset NAME.
    row_of "$2"
    [ -f "$3" ] || fail "$2: the job wrote no $3"
    verify "$name" "$3"
    ;;
refused)
    [ -f "$dir/clip.mkv" ] || fail "no clip: run '$0 prepare' first"
    check() {  # check OUT WANTED_TEXT OPTIONS...
        local out=$1 want=$2; shift 2
        rm -f "$out"
        run "$out" "$@"
        [ "$rc" = 2 ] || fail "'$*': exit code $rc, expected 2"
        grep -qF -- "$want" "$log" || { cat "$log"; fail "'$*': no message containing '$want'"; }
        [ ! -e "$out" ] || fail "'$*': an output file was written"
        echo "ok refused: $* -> $(head -1 "$log" | tr -d '\r')"
    }
    check "$dir/r1.avi" 'invalid value "360k" for -b' -y -b 360k
    check "$dir/r2.avi" "option -b is out of order" -y -r 25 -b 360
    check "$dir/r3.avi" "option -y is given twice" -y -y
    check "$dir/r4.avi" 'unknown option or stray argument "-c:v"' -c:v mpeg4
    check "$dir/r5.avi" 'invalid value "libx264" for -vcodec' -vcodec libx264
    check "$dir/r6.xyz" "cannot choose a container" -y -acodec mp3
    # No arguments at all.
    (cd "$BIN_DIR" && "$WINE" "$exe") >"$dir/none.log" 2>&1 </dev/null
    rc=$?
    [ "$rc" = 2 ] || fail "no arguments: exit code $rc"
    grep -q "usage: avformat.dll -i SOURCE" "$dir/none.log" || fail "no arguments: no usage text"
    echo "ok refused: no arguments"
    ;;
*)
    echo "usage: $0 prepare | preset NAME | job NAME FILE | refused"; exit 2 ;;
esac
