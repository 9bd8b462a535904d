#!/usr/bin/env python3
"""Rips back the audio CD image the simulated engine recorded for
vexocom_audio_image_test (bin/audio-roundtrip: roundtrip.cue/.bin, the
sources one.wav, event.pcm, two.wav) through CadrelConverter's virtual drive
with the headless mode, as WAV, and compares every track with its source.

A ripped track runs from its INDEX 01 to the next track's INDEX 01 (or the
end of the disc), so it holds the source's PCM bit-exact, then zeros: the
padding of its last sector and the next track's pregap of silence. The
track's length in sectors must be what the sheet says.

audio_burn_rip.py BUILD_ROOT REPO
"""
import os
import re
import shutil
import subprocess
import sys

SECTOR = 2352
SOURCES = ["one.wav", "event.pcm", "two.wav"]


def fail(msg):
    print("FAIL:", msg)
    sys.exit(1)


def run(cmd):
    return subprocess.run(cmd, capture_output=True, text=True)


def wav_pcm(data):
    """The data chunk of a RIFF/WAVE file."""
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        fail("not a WAVE file")
    at = 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], int.from_bytes(data[at + 4:at + 8], "little")
        if cid == b"data":
            return data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    fail("no data chunk")


def index01_sectors(cue_text):
    """INDEX 01 of every track, in sectors from the start of the BIN."""
    starts = []
    for line in cue_text.splitlines():
        m = re.match(r"\s*INDEX\s+01\s+(\d+):(\d+):(\d+)\s*$", line)
        if m:
            mm, ss, ff = map(int, m.groups())
            starts.append((mm * 60 + ss) * 75 + ff)
    return starts


def main():
    build_root, repo = sys.argv[1], sys.argv[2]
    arch = os.environ.get("TEST_ARCH", "i686")
    bin_dir = os.path.join(build_root, arch, "bin")
    image_dir = os.path.join(bin_dir, "audio-roundtrip")
    cue = os.path.join(image_dir, "roundtrip.cue")
    if not os.path.exists(cue):
        fail(f"no recorded image at {cue}")
    with open(cue) as f:
        starts = index01_sectors(f.read())
    disc_sectors = os.path.getsize(os.path.join(image_dir, "roundtrip.bin")) // SECTOR
    if len(starts) != len(SOURCES):
        fail(f"the sheet lists {len(starts)} tracks, not {len(SOURCES)}")
    sources = []
    for name in SOURCES:
        with open(os.path.join(image_dir, name), "rb") as f:
            data = f.read()
        sources.append(wav_pcm(data) if name.endswith(".wav") else data)

    r = run([os.path.join(repo, "scripts", "insert-disc"), cue])
    if r.returncode:
        fail("insert-disc: " + r.stderr)
    out = os.path.join(bin_dir, "audio-roundtrip-rip")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    try:
        winout = run([os.path.join(repo, "scripts", "wine-run"), "winepath", "-w", out]).stdout.strip()
        r = run([os.path.join(repo, "scripts", "cadrel"), "/rip", "/tracks:all", "/format:WAV", f"/out:{winout}"])
        if r.returncode != 0:
            fail(f"the rip exited {r.returncode}: {r.stdout[-600:]} {r.stderr[-600:]}")
        names = sorted(os.listdir(out))
        expected_names = sorted(f"Track {n}.wav" for n in range(1, len(SOURCES) + 1))
        if names != expected_names:
            fail(f"ripped files {names}, not {expected_names}")
        for n, source in enumerate(sources, 1):
            with open(os.path.join(out, f"Track {n}.wav"), "rb") as f:
                ripped = wav_pcm(f.read())
            end = starts[n] if n < len(starts) else disc_sectors
            length = (end - starts[n - 1]) * SECTOR
            if len(ripped) != length:
                fail(f"track {n}: {len(ripped)} bytes ripped, the sheet gives {length}")
            if ripped[:len(source)] != source:
                first = next(i for i in range(len(source)) if ripped[i] != source[i])
                fail(f"track {n}: the PCM differs from {SOURCES[n - 1]} at byte {first}")
            if ripped[len(source):].count(0) != len(ripped) - len(source):
                fail(f"track {n}: not silence after the source's {len(source)} bytes")
            print(f"track {n}: {len(source)} bytes of {SOURCES[n - 1]} bit-exact, "
                  f"then {len(ripped) - len(source)} bytes of silence")
    finally:
        shutil.rmtree(out, ignore_errors=True)
        demo = os.path.join(build_root, "discs", "demo", "demo.cue")
        if os.path.exists(demo):
            run([os.path.join(repo, "scripts", "insert-disc"), demo])
    print("ok")


main()
