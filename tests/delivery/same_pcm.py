#!/usr/bin/env python3
"""Whether a ripped WAV file holds exactly the audio of one track of a
CUE/BIN image (one FILE, INDEX 01 of each track as mm:ss:ff).

    same_pcm.py FILE.wav SHEET.cue TRACK
"""
import os
import re
import struct
import sys

FRAME = 2352


def track_range(cue_path, number):
    starts = {}
    track = None
    with open(cue_path, encoding="latin-1") as f:
        for line in f:
            m = re.match(r"\s*TRACK\s+(\d+)", line, re.I)
            if m:
                track = int(m.group(1))
            m = re.match(r"\s*INDEX\s+01\s+(\d+):(\d+):(\d+)", line, re.I)
            if m and track is not None:
                mm, ss, ff = map(int, m.groups())
                starts[track] = (mm * 60 + ss) * 75 + ff
    bin_path = os.path.join(os.path.dirname(cue_path), os.path.splitext(os.path.basename(cue_path))[0] + ".bin")
    end = starts.get(number + 1, os.path.getsize(bin_path) // FRAME)
    return bin_path, starts[number], end


def wav_data(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("not a RIFF/WAVE file")
    pos = 12
    while pos + 8 <= len(data):
        kind, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        if kind == b"data":
            return data[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    raise ValueError("no data chunk")


def main():
    wav, cue, number = sys.argv[1], sys.argv[2], int(sys.argv[3])
    bin_path, start, end = track_range(cue, number)
    with open(bin_path, "rb") as f:
        f.seek(start * FRAME)
        expected = f.read((end - start) * FRAME)
    actual = wav_data(wav)
    if actual != expected:
        print(f"{wav}: {len(actual)} bytes of audio, track {number} has {len(expected)}"
              + ("" if len(actual) != len(expected) else " (same length, other bytes)"))
        return 1
    print(f"{os.path.basename(wav)}: track {number}, {end - start} frames, identical")
    return 0


if __name__ == "__main__":
    sys.exit(main())
