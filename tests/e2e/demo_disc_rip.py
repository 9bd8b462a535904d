#!/usr/bin/env python3
"""Rips track 2 of the demo disc with the program's headless mode, as WAV and
as MP3, and compares both with the disc image.

- WAV: after its 44-byte header the file is byte-identical to the track's
  frames in demo.bin (frames 14400 to 31500, 03:12:00 to 07:00:00).
- MP3 (160 kbit/s, "Normal"): decoded with ffmpeg, then aligned with the image
  by the lag (0 to 3000 samples, the encoder's delay) that correlates best
  over a stretch of the left channel. Measure: over 20 seconds from the middle
  of the track, both channels, the signal-to-error ratio
  10*log10(sum(x^2) / sum((x - y)^2)) must be at least 15 dB and the
  correlation coefficient at least 0.98; and the decoded length must be the
  track's length within one MP3 frame of padding at each end.

demo_disc_rip.py BUILD_ROOT REPO
"""
import array
import math
import os
import shutil
import subprocess
import sys

TRACK = 2
START, END = 14400, 31500


def fail(msg):
    print("FAIL:", msg)
    sys.exit(1)


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def main():
    build_root, repo = sys.argv[1], sys.argv[2]
    discs = os.path.join(build_root, "discs", "demo")
    cue = os.path.join(discs, "demo.cue")
    if not os.path.exists(cue):
        fail(f"no demo disc at {cue}")
    r = run([os.path.join(repo, "scripts", "insert-disc"), cue])
    if r.returncode:
        fail("insert-disc: " + r.stderr)
    out = os.path.join(build_root, os.environ.get("TEST_ARCH", "x86_64"), "bin", "demo-rip")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    winout = run([os.path.join(repo, "scripts", "wine-run"), "winepath", "-w", out]).stdout.strip()
    with open(os.path.join(discs, "demo.bin"), "rb") as f:
        f.seek(START * 2352)
        image = f.read((END - START) * 2352)

    for fmt in ("WAV", "MP3"):
        r = run([os.path.join(repo, "scripts", "cadrel"), "/rip", f"/tracks:{TRACK}", f"/format:{fmt}",
                 "/bitrate:160", "/quality:Normal", f"/out:{winout}"])
        if r.returncode != 0:
            fail(f"{fmt} rip exited {r.returncode}: {r.stdout[-400:]} {r.stderr[-400:]}")
    names = sorted(os.listdir(out))
    if names != [f"Track {TRACK}.mp3", f"Track {TRACK}.wav"]:
        fail(f"files {names}")

    with open(os.path.join(out, f"Track {TRACK}.wav"), "rb") as f:
        wav = f.read()
    if wav[44:] != image:
        fail(f"WAV audio differs from the image ({len(wav) - 44} bytes against {len(image)})")
    print(f"WAV: {len(wav) - 44} bytes after the header, identical to the image's track")

    r = subprocess.run(["ffmpeg", "-v", "error", "-i", os.path.join(out, f"Track {TRACK}.mp3"), "-f", "s16le",
                        "-acodec", "pcm_s16le", "-ac", "2", "-ar", "44100", "-"], capture_output=True)
    if r.returncode:
        fail("ffmpeg: " + r.stderr.decode(errors="replace"))
    decoded = array.array("h", r.stdout)
    original = array.array("h", image)
    if sys.byteorder != "little":
        decoded.byteswap()
        original.byteswap()
    n_orig, n_dec = len(original) // 2, len(decoded) // 2
    if not (n_orig - 1152 <= n_dec <= n_orig + 3 * 1152):
        fail(f"decoded {n_dec} sample pairs for {n_orig}")

    # Alignment: best lag over 4096 pairs of the left channel in the middle.
    mid = n_orig // 2
    ref = [original[2 * (mid + i)] for i in range(4096)]
    best, best_lag = -1.0, 0
    for lag in range(0, 3001):
        if mid + lag + 4096 > n_dec:
            break
        s = 0
        for i in range(0, 4096, 2):
            s += ref[i] * decoded[2 * (mid + lag + i)]
        if s > best:
            best, best_lag = s, lag
    span = 20 * 44100
    first = max(0, mid - span // 2)
    sig = err = sxy = sxx = syy = 0.0
    for i in range(first, min(first + span, n_dec - best_lag, n_orig)):
        for c in (0, 1):
            x = original[2 * i + c]
            y = decoded[2 * (i + best_lag) + c]
            sig += x * x
            err += (x - y) * (x - y)
            sxy += x * y
            sxx += x * x
            syy += y * y
    ser = 10 * math.log10(sig / err) if err > 0 else float("inf")
    corr = sxy / math.sqrt(sxx * syy) if sxx and syy else 0.0
    print(f"MP3: {n_dec} sample pairs decoded for {n_orig}; delay {best_lag} samples; "
          f"signal-to-error {ser:.1f} dB, correlation {corr:.4f} over 20 s")
    if ser < 15 or corr < 0.98:
        fail("the MP3 does not match the track closely enough")
    shutil.rmtree(out, ignore_errors=True)
    print("ok")


main()
