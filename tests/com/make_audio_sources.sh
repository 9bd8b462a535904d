#!/bin/sh
# make_audio_sources.sh DIR: an MP3 and a WMA file of a 1.3-second tone for
# vexocom_audio_image_test, each with the CD audio ffmpeg decodes it to
# (NAME.pcm: 44.1 kHz 16-bit stereo little-endian, the engine's own options).
set -eu
dir=$1
rm -rf "$dir"
mkdir -p "$dir"
ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1.3" -ac 2 \
  -c:a libmp3lame -b:a 128k "$dir/tone.mp3"
ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=660:sample_rate=22050:duration=1.3" -ac 1 \
  -c:a wmav2 -b:a 64k "$dir/tone.wma"
for f in tone.mp3 tone.wma; do
  ffmpeg -nostdin -v error -y -i "$dir/$f" -vn -f s16le -acodec pcm_s16le -ar 44100 -ac 2 "$dir/$f.pcm"
done
