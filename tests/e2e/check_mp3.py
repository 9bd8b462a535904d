#!/usr/bin/env python3
"""Checks an MP3 file the encoder binding wrote.

check_mp3.py FILE KBPS AUDIO_FRAMES [--tone]

Walks EVERY frame header from the first byte to the last (no tag, no gap, no
skipped frame): MPEG-1 Layer III, 44100 Hz, joint stereo, constant KBPS, CRC
protection on, private, copyright and original bits set, no emphasis. Then
decodes the file with ffmpeg (must succeed) and checks that the decoded
length matches AUDIO_FRAMES CD frames (plus the encoder's delay and padding).
With --tone the left channel must carry 1000 Hz and the right 440 Hz.
"""
import math
import struct
import subprocess
import sys

BITRATES = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0]


def fail(msg):
    print("FAIL:", msg)
    sys.exit(1)


def walk_headers(data, kbps):
    pos, frames = 0, 0
    while pos < len(data):
        if len(data) - pos < 4:
            fail(f"{len(data) - pos} stray bytes at offset {pos}")
        h = struct.unpack(">I", data[pos:pos + 4])[0]
        where = f"frame {frames} at offset {pos} (header {h:08X})"
        if h >> 21 != 0x7FF:
            fail(f"{where}: no frame sync")
        if (h >> 19) & 3 != 3:
            fail(f"{where}: not MPEG-1")
        if (h >> 17) & 3 != 1:
            fail(f"{where}: not Layer III")
        if (h >> 16) & 1 != 0:
            fail(f"{where}: CRC protection off")
        rate = BITRATES[(h >> 12) & 15]
        if rate != kbps:
            fail(f"{where}: bitrate {rate}, expected {kbps}")
        if (h >> 10) & 3 != 0:
            fail(f"{where}: sample rate is not 44100 Hz")
        padding = (h >> 9) & 1
        if (h >> 8) & 1 != 1:
            fail(f"{where}: private bit clear")
        if (h >> 6) & 3 != 1:
            fail(f"{where}: channel mode {(h >> 6) & 3}, expected joint stereo")
        if (h >> 3) & 1 != 1:
            fail(f"{where}: copyright bit clear")
        if (h >> 2) & 1 != 1:
            fail(f"{where}: original bit clear")
        if h & 3 != 0:
            fail(f"{where}: emphasis set")
        size = 144000 * rate // 44100 + padding
        if pos + size > len(data):
            fail(f"{where}: truncated ({len(data) - pos} of {size} bytes)")
        pos += size
        frames += 1
    return frames


def decode(path):
    r = subprocess.run(["ffmpeg", "-v", "error", "-xerror", "-i", path, "-f", "s16le", "-ac", "2",
                        "-ar", "44100", "-"], capture_output=True)
    if r.returncode != 0 or r.stderr.strip():
        fail(f"ffmpeg could not decode {path}: {r.stderr.decode(errors='replace')}")
    return r.stdout


def power(samples, freq, rate=44100):
    # Goertzel over the given samples.
    k = 2 * math.cos(2 * math.pi * freq / rate)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + k * s1 - s2, s1
    return s1 * s1 + s2 * s2 - k * s1 * s2


def main():
    if len(sys.argv) < 4:
        fail(__doc__)
    path, kbps, audio_frames = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    tone = "--tone" in sys.argv[4:]
    data = open(path, "rb").read()
    frames = walk_headers(data, kbps)
    print(f"{path}: {len(data)} bytes, {frames} MP3 frames, all MPEG-1 L3 44100 joint stereo "
          f"{kbps} kbit/s CRC private copyright original")
    if audio_frames == 0:
        # Only what the encoder flushes: at most its delay's worth of frames.
        if frames > 3:
            fail(f"{frames} MP3 frames for an empty range")
        print("PASS")
        return
    if frames == 0:
        fail("no MP3 frames")
    pcm = decode(path)
    got = len(pcm) // 4
    want = audio_frames * 588
    # The decoder keeps the encoder's delay (576 + 529) and the last frame's
    # padding, so it yields up to about two MP3 frames more, never less.
    if not (want <= got <= want + 3 * 1152):
        fail(f"decoded {got} sample pairs, expected {want} (+ delay)")
    if frames * 1152 != got:
        print(f"note: {frames} frames x 1152 = {frames * 1152}, decoded {got}")
    print(f"decoded {got} sample pairs for {want} encoded ({got / 44100:.3f} s)")
    if tone:
        n = min(got, 44100)
        start = max(0, got // 2 - n // 2)
        vals = struct.unpack(f"<{2 * n}h", pcm[4 * start:4 * (start + n)])
        left, right = vals[0::2], vals[1::2]
        for name, ch, want_f, other_f in (("left", left, 1000, 440), ("right", right, 440, 1000)):
            p_want, p_other = power(ch, want_f), power(ch, other_f)
            p_off = power(ch, want_f * 1.37)
            if not (p_want > 100 * p_other and p_want > 100 * p_off):
                fail(f"{name}: {want_f} Hz not dominant ({p_want:.3g} vs {p_other:.3g}/{p_off:.3g})")
            print(f"{name} channel carries {want_f} Hz ({10 * math.log10(p_want / max(p_other, 1e-9)):.1f} dB "
                  f"over {other_f} Hz)")
    print("PASS")


if __name__ == "__main__":
    main()
