#!/usr/bin/env python3
"""Compares the audio of the deliverable encoder library with the library as
it was built before (bin/lame-plain: -O2, no vector code, no assembly).

Both encode the same 20-second excerpt of the demo disc (track 2) at 160 and
at 320 kbit/s, quality "Normal", one frame per call (mp3_excerpt_encode.exe, a
copy of which sits beside each library). Each MP3 is decoded with ffmpeg and
aligned with the source PCM by the lag (0 to 3000 samples, the encoder's
delay) with the least squared error over a stretch of the left channel; the measure
is the signal-to-error ratio 10*log10(sum(x^2) / sum((x - y)^2)) over both
channels, leaving out a second at each end.

Passes when, at each bit rate, the deliverable's ratio is at most 0.25 dB
below the previous build's, and both files have the same number of frames
with the same headers apart from the joint-stereo mode extension (which
frames use mid/side may differ): MPEG-1 Layer III, 44100 Hz, constant bit
rate, CRC, private, copyright and original bits, joint stereo.

mp3_quality.py BUILD_ROOT REPO
"""
import array
import math
import operator
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_mp3 import BITRATES, fail, walk_headers  # noqa: E402

FIRST, COUNT = 20000, 1500        # frames of the image: 20 s inside track 2 (14400 to 31500)
TOLERANCE_DB = 0.25
MODE_EXTENSION = 0x30             # header bits 5-4: which frames use mid/side or intensity stereo


def run(cmd):
    r = subprocess.run(cmd, capture_output=True, text=True)
    if r.returncode:
        fail(f"{' '.join(cmd)} exited {r.returncode}: {r.stdout[-400:]} {r.stderr[-400:]}")
    return r.stdout


def headers(data, kbps):
    walk_headers(data, kbps)  # every header as the ripper writes it, first
    result, pos = [], 0
    while pos < len(data):
        h = int.from_bytes(data[pos:pos + 4], "big")
        result.append(h)
        pos += 144000 * BITRATES[(h >> 12) & 15] // 44100 + ((h >> 9) & 1)
    return result


def decode(path):
    r = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-acodec", "pcm_s16le", "-ac", "2",
                        "-ar", "44100", "-"], capture_output=True)
    if r.returncode:
        fail("ffmpeg: " + r.stderr.decode(errors="replace"))
    pcm = array.array("h", r.stdout)
    if sys.byteorder != "little":
        pcm.byteswap()
    return pcm


def signal_to_error(original, decoded):
    """Best lag, and the ratio in dB after aligning by it."""
    left_o, left_d = original[0::2], decoded[0::2]
    mid, n = len(left_o) // 2, 4096
    ref = left_o[mid:mid + n]
    lags = range(0, min(3001, len(left_d) - mid - n))
    # The lag with the least squared error over the stretch: sum(y^2) - 2 sum(x*y) (sum(x^2) is the same
    # for every lag). Plain correlation can prefer a wrong lag on this periodic music.
    energy = [0]
    for v in left_d[mid:mid + lags.stop + n]:
        energy.append(energy[-1] + v * v)
    lag = min(lags, key=lambda k: energy[k + n] - energy[k]
              - 2 * sum(map(operator.mul, ref, left_d[mid + k:mid + k + n])))
    skip = 44100 * 2
    x = original[skip:len(original) - skip]
    y = decoded[skip + 2 * lag:skip + 2 * lag + len(x)]
    if len(y) < len(x):
        fail(f"decoded audio too short ({len(decoded)} samples for {len(original)})")
    sig = sum(map(operator.mul, x, x))
    diff = array.array("l", map(operator.sub, x, y))
    err = sum(map(operator.mul, diff, diff))
    return lag, 10 * math.log10(sig / err) if err else float("inf")


def main():
    build_root, repo = sys.argv[1], sys.argv[2]
    image = os.path.join(build_root, "discs", "demo", "demo.bin")
    if not os.path.exists(image):
        fail(f"no demo disc at {image}")
    bin_dir = os.path.join(build_root, os.environ.get("TEST_ARCH", "x86_64"), "bin")
    plain_dir = os.path.join(bin_dir, "lame-plain")
    if not os.path.exists(os.path.join(plain_dir, "lame_enc.dll")):
        fail(f"no previous build of the library in {plain_dir} (scripts/setup makes it)")
    shutil.copy(os.path.join(bin_dir, "mp3_excerpt_encode.exe"), plain_dir)
    out = os.path.join(bin_dir, "mp3-quality")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    wine_run = os.path.join(repo, "scripts", "wine-run")
    winpath = lambda p: run([wine_run, "winepath", "-w", p]).strip()  # noqa: E731
    win_image, win_out = winpath(image), winpath(out)

    with open(image, "rb") as f:
        f.seek(FIRST * 2352)
        original = array.array("h", f.read(COUNT * 2352))
    if sys.byteorder != "little":
        original.byteswap()

    ok = True
    for kbps in (160, 320):
        figures = {}
        for build, folder in (("previous", plain_dir), ("deliverable", bin_dir)):
            name = f"{build}-{kbps}.mp3"
            run([wine_run, os.path.join(folder, "mp3_excerpt_encode.exe"), win_image, str(FIRST), str(COUNT),
                 win_out + "\\" + name, str(kbps)])
            path = os.path.join(out, name)
            with open(path, "rb") as f:
                figures[build] = (headers(f.read(), kbps),) + signal_to_error(original, decode(path))
        (h_prev, lag_prev, ser_prev), (h_new, lag_new, ser_new) = figures["previous"], figures["deliverable"]
        print(f"{kbps} kbit/s: signal-to-error {ser_new:.2f} dB (deliverable) against {ser_prev:.2f} dB "
              f"(previous build), {ser_new - ser_prev:+.2f} dB; delay {lag_new} / {lag_prev} samples; "
              f"{len(h_new)} / {len(h_prev)} frames")
        if ser_new < ser_prev - TOLERANCE_DB:
            print(f"FAIL: {kbps} kbit/s is more than {TOLERANCE_DB} dB worse than the previous build")
            ok = False
        if len(h_new) != len(h_prev):
            print(f"FAIL: {kbps} kbit/s: {len(h_new)} frames against {len(h_prev)}")
            ok = False
        differing = [i for i, (a, b) in enumerate(zip(h_new, h_prev)) if (a ^ b) & ~MODE_EXTENSION]
        if differing:
            i = differing[0]
            print(f"FAIL: {kbps} kbit/s: {len(differing)} frame headers differ, first frame {i}: "
                  f"{h_new[i]:08X} against {h_prev[i]:08X}")
            ok = False
    if not ok:
        sys.exit(1)
    shutil.rmtree(out, ignore_errors=True)
    print("PASS")


main()
