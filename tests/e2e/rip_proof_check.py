#!/usr/bin/python3
"""Rips the whole demo disc with the program's headless mode in secure mode,
with the log, and checks what the log says against Debian's own tools:

- per track, the AccurateRip v1 and v2 checksums equal those of whipper's
  checksum module (whipper.program.arc.accuraterip_checksum) on the WAV file,
  and the copy CRC (and the test CRC) equals `crc32` of the file's PCM;
- the freedb and MusicBrainz disc identifiers equal those of Debian's
  libdiscid (discid_put) for the table of contents the log lists;
- the AccurateRip record named in the log follows the database's naming,
  with the disc identifiers computed here from the same table;
- /verify with a record file built from whipper's checksums reports every
  track accurate with its confidence (exit 0), and the track whose checksum
  was changed in the record as not accurate (exit 1).

Debian's python3 runs it (whipper's module is built for it).
rip_proof_check.py BUILD_ROOT REPO
"""
import ctypes
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from whipper.program.arc import accuraterip_checksum

CONFIDENCE = 5


def fail(msg):
    print("FAIL:", msg)
    sys.exit(1)


def run(cmd):
    return subprocess.run(cmd, capture_output=True, text=True)


def read_log(path):
    """The log's header fields, its table of contents and its track blocks."""
    header, toc, tracks, lead_out = {}, [], {}, None
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\r\n")
    track, section = None, "header"
    for line in lines:
        if not line:
            section, track = "body", None
            continue
        if line == "Table of contents":
            section = "toc"
            continue
        if section == "toc" and line[:5].strip().isdigit():
            cols = [c.strip() for c in line.split(" | ")]
            toc.append((int(cols[0]), int(cols[3]), int(cols[4]), cols[5]))
            continue
        if line.startswith("Lead-out: "):
            lead_out = int(line.split(": ", 1)[1])
            continue
        if line.startswith("Track ") and line[6:].isdigit():
            track = int(line[6:])
            tracks[track] = {}
            continue
        if ": " in line:
            label, value = line.split(": ", 1)
            if section == "header":
                header[label] = value
            elif track is not None:
                tracks[track][label] = value
    return header, toc, lead_out, tracks


def libdiscid_ids(starts, lead_out):
    lib = ctypes.CDLL("libdiscid.so.0")
    lib.discid_new.restype = ctypes.c_void_p
    lib.discid_free.argtypes = [ctypes.c_void_p]
    lib.discid_put.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int)]
    for name in ("discid_get_id", "discid_get_freedb_id"):
        getattr(lib, name).restype = ctypes.c_char_p
        getattr(lib, name).argtypes = [ctypes.c_void_p]
    disc = lib.discid_new()
    offsets = (ctypes.c_int * 100)(*([lead_out + 150] + [s + 150 for s in starts]))
    if not lib.discid_put(disc, 1, len(starts), offsets):
        fail("libdiscid refused the table of contents")
    ids = lib.discid_get_freedb_id(disc).decode(), lib.discid_get_id(disc).decode()
    lib.discid_free(disc)
    return ids


def record(ids, checksums):
    id1, id2, freedb = ids
    chunk = struct.pack("<BIII", len(checksums), id1, id2, freedb)
    for c in checksums:
        chunk += struct.pack("<BII", CONFIDENCE, c, 0)
    return chunk


def main():
    build_root, repo = sys.argv[1], sys.argv[2]
    cue = os.path.join(build_root, "discs", "demo", "demo.cue")
    if not os.path.exists(cue):
        fail(f"no demo disc at {cue}")
    r = run([os.path.join(repo, "scripts", "insert-disc"), cue])
    if r.returncode:
        fail("insert-disc: " + r.stderr)
    out = os.path.join(build_root, os.environ.get("TEST_ARCH", "x86_64"), "bin", "proof-rip")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    winpath = lambda p: run([os.path.join(repo, "scripts", "wine-run"), "winepath", "-w", p]).stdout.strip()
    cadrel = os.path.join(repo, "scripts", "cadrel")

    r = run([cadrel, "/rip", "/format:WAV", "/secure", "/log", f"/out:{winpath(out)}"])
    if r.returncode != 0:
        fail(f"secure rip exited {r.returncode}: {r.stdout[-600:]} {r.stderr[-400:]}")
    header, toc, lead_out, tracks = read_log(os.path.join(out, "Rip log.txt"))
    if len(toc) != 4 or sorted(tracks) != [1, 2, 3, 4] or lead_out is None:
        fail(f"the log lists {len(toc)} TOC rows and tracks {sorted(tracks)}")

    sums = []
    for number in range(1, 5):
        path = os.path.join(out, f"Track {number}.wav")
        v1, v2 = accuraterip_checksum(path, number, 4)
        t = tracks[number]
        logged = (int(t["AccurateRip v1"], 16), int(t["AccurateRip v2"], 16))
        if logged != (v1, v2):
            fail(f"track {number}: the log has v1/v2 {logged[0]:08X}/{logged[1]:08X}, whipper {v1:08X}/{v2:08X}")
        with open(path, "rb") as f, tempfile.NamedTemporaryFile() as pcm:
            f.seek(44)
            shutil.copyfileobj(f, pcm)
            pcm.flush()
            crc = run(["crc32", pcm.name]).stdout.strip().upper()
        if t["Copy CRC"] != crc or t["Test CRC"] != crc:
            fail(f"track {number}: the log has test/copy CRC {t['Test CRC']}/{t['Copy CRC']}, crc32 {crc}")
        sums.append(v2)
        print(f"track {number}: v1 {v1:08X} v2 {v2:08X} CRC {crc}: as whipper and crc32 compute them")

    starts = [row[1] for row in toc]
    freedb, musicbrainz = libdiscid_ids(starts, lead_out)
    if (header["Freedb disc ID"], header["MusicBrainz disc ID"]) != (freedb, musicbrainz):
        fail(f"the log has disc ids {header['Freedb disc ID']} {header['MusicBrainz disc ID']}, "
             f"libdiscid {freedb} {musicbrainz}")
    print(f"disc ids {freedb} {musicbrainz}: as libdiscid computes them")

    id1 = (sum(starts) + lead_out) & 0xFFFFFFFF
    id2 = (sum(max(s, 1) * (k + 1) for k, s in enumerate(starts)) + lead_out * (len(starts) + 1)) & 0xFFFFFFFF
    ids = (id1, id2, int(freedb, 16))
    name = f"dBAR-{len(starts):03d}-{id1:08x}-{id2:08x}-{freedb}.bin"
    if header["AccurateRip record"] != name:
        fail(f"the log names the record {header['AccurateRip record']}, expected {name}")

    records = os.path.join(out, "records")
    os.makedirs(records)
    for changed in (None, 3):
        checksums = list(sums)
        if changed:
            checksums[changed - 1] ^= 0x00000100
        path = os.path.join(records, name)
        with open(path, "wb") as f:
            f.write(record(ids, checksums))
        folder = os.path.join(out, f"verify-{changed or 'all'}")
        os.makedirs(folder)
        r = run([cadrel, "/rip", "/format:WAV", f"/verify:{winpath(path)}", f"/out:{winpath(folder)}"])
        _, _, _, verified = read_log(os.path.join(folder, "Rip log.txt"))
        for number in range(1, 5):
            want = ("not accurate (1 pressing, highest confidence 5)" if number == changed
                    else f"accurate (v2, confidence {CONFIDENCE})")
            if verified[number]["AccurateRip"] != want:
                fail(f"record {'with track %d changed' % changed if changed else 'as ripped'}: track {number} "
                     f"is \"{verified[number]['AccurateRip']}\", expected \"{want}\"")
        if r.returncode != (1 if changed else 0):
            fail(f"/verify exited {r.returncode} {'with' if changed else 'without'} a changed checksum")
    print("verification: every track accurate (confidence 5); the changed one not accurate, exit 1")
    shutil.rmtree(out, ignore_errors=True)
    print("ok")


main()
