#!/usr/bin/env python3
"""Rip speed against references run in the same invocation (bench/run calls it).

rip_compare.py [ROUNDS]   (default 3; run with scripts/wine-env's variables set)

Every round runs each measurement once, in the same order, so that a drift of
the machine's speed touches every figure of a round alike; each comparison is
a ratio taken within a round, and what is printed is the median over the
rounds with the spread (lowest to highest). Nothing is asserted.

- MP3 rip: the program's headless mode rips the whole demo disc at 160 (then
  320) kbit/s, "Normal", against Debian's native lame encoding the same four
  tracks' PCM at the same settings (-t -b N --cbr -m j -p: CBR joint stereo
  with CRC, no Info frame, as lame_enc.dll writes none), one process per
  track; wall time and user+system CPU. Native lame keeps no promise about
  the disk, so the rip is also compared with native lame plus that promise's
  own cost on the MP3 bytes: each ripped file written again in as many
  blocks as the rip flushed, each with O_DSYNC.
- WAV rip: the headless mode rips the whole disc as WAV, against the physical
  limit of its promise (every block on disk before the next read): the same
  bytes copied in 61,152-byte blocks, each written with O_DSYNC
  (dd bs=61152 oflag=dsync).
- Encoder alone: lame_enc.dll over track 1 held in memory, one frame per call
  (rip_bench.exe), against native lame on the same track's WAV.
- Cost per second of audio of the headless MP3 rip for 1, 2 and 4 tracks, as
  a ratio to the 4-track figure (linear when all are near 1).
- Read: the whole disc through the CD access library, several passes per
  round (MB/s).
- Where the time of the core's MP3 loop goes (rip_bench.exe, track 1): read,
  encode, write, flush, as shares of the loop.
"""
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

BLOCK = 26 * 2352


def env(name):
    value = os.environ.get(name)
    if not value:
        sys.exit(f"rip_compare: {name} is not set (run bench/run)")
    return value


BIN = env("BIN_DIR")
WINE = env("WINE")
BUILD = env("BUILD_DIR")
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(BUILD, "bench-output", "rip")


def timed(cmd, **kw):
    """Runs cmd; returns (wall seconds until it ends, user+system CPU seconds of it and its children, its
    output). The output goes to a file, not a pipe: a Windows program can leave a helper process (Wine's
    explorer.exe) holding an inherited pipe open after it has ended."""
    with tempfile.TemporaryFile() as log:
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        t0 = time.monotonic()
        r = subprocess.run(cmd, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, **kw)
        wall = time.monotonic() - t0
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        log.seek(0)
        text = log.read().decode(errors="replace")
    if r.returncode != 0:
        sys.exit(f"rip_compare: {' '.join(cmd)} exited {r.returncode}:\n{text[-800:]}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, text


def winpath(path):
    return subprocess.run([WINE, "winepath", "-w", path], capture_output=True, text=True).stdout.strip()


def fresh(folder):
    """An empty folder. What the deletion costs the file system (freeing and
    discarding a whole disc's blocks at the next journal commit) is paid here,
    by sync, not by the next measurement's first flushes."""
    shutil.rmtree(folder, ignore_errors=True)
    os.sync()
    os.makedirs(folder)
    return folder


def headless(fmt, tracks, kbps, folder):
    fresh(folder)
    return timed([os.path.join(REPO, "scripts", "cadrel"), "/rip", f"/tracks:{tracks}", f"/format:{fmt}",
                  f"/bitrate:{kbps}", "/quality:Normal", f"/out:{winpath(folder)}"])


def native_lame(wavs, kbps):
    wall = cpu = 0.0
    for wav in wavs:
        w, c, _ = timed(["lame", "--quiet", "-t", "-b", str(kbps), "--cbr", "-m", "j", "-p", wav,
                         os.path.join(OUT, "native.mp3")])
        wall, cpu = wall + w, cpu + c
    return wall, cpu


def straight_line(points):
    """Least-squares intercept and slope through (x, y) points."""
    n = len(points)
    mx = sum(x for x, _ in points) / n
    my = sum(y for _, y in points) / n
    slope = sum((x - mx) * (y - my) for x, y in points) / sum((x - mx) ** 2 for x, _ in points)
    return my - slope * mx, slope


def figures(text):
    result = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[0] == "figure":
            result.setdefault(parts[1], []).append(float(parts[2]))
    return result


def summary(values):
    return statistics.median(values), min(values), max(values)


def line(label, values, unit="", fmt="{:.3f}"):
    med, lo, hi = summary(values)
    text = f"{fmt.format(med)}{unit}  (spread {fmt.format(lo)} to {fmt.format(hi)})"
    print(f"  {label:<58s} {text}")


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    image = os.path.join(BUILD, "discs", "demo", "demo.bin")
    fresh(OUT)
    wav_dir = os.path.join(OUT, "wav")
    # Warm-up, and the PCM native lame encodes: the headless WAV rip of the whole disc.
    headless("WAV", "all", 160, wav_dir)
    wavs = sorted(os.path.join(wav_dir, n) for n in os.listdir(wav_dir))
    audio = [(os.path.getsize(w) - 44) / 176400 for w in wavs]
    saved = fresh(os.path.join(OUT, "pcm"))
    wavs = [shutil.copy(w, saved) for w in wavs]
    print(f"demo disc: {len(wavs)} tracks, {sum(audio):.1f} s of audio; {rounds} rounds, medians and spreads of "
          "per-round ratios")

    r = {k: [] for k in ("mp3_160_wall", "mp3_160_cpu", "mp3_320_wall", "mp3_320_cpu", "mp3_160_limit",
                         "mp3_320_limit", "wav_dsync", "enc160",
                         "enc320", "per_s_1", "per_s_2", "per_s_4", "lin_1", "lin_2", "read", "share_read",
                         "share_encode", "share_write", "share_flush", "flush_per_block_ms", "dsync_per_block_ms",
                         "fixed_s", "slope",
                         "mp3_160_s", "native_160_s", "wav_s", "dsync_s")}
    for n in range(rounds):
        # The core alone: read passes, the MP3 loop's parts, the encoder from memory.
        _, _, text = timed([WINE, os.path.join(BIN, "rip_bench.exe"), winpath(fresh(os.path.join(OUT, "core"))),
                            "1", "3"], cwd=BIN)
        f = figures(text)
        frames, disc = f["frames"][0], f["disc_frames"][0]
        r["read"] += [disc * 2352 / 1e6 / s for s in f["read"]]
        loop = f["mp3"][0]
        for part in ("read", "encode", "write", "flush"):
            r[f"share_{part}"].append(f[f"mp3_{part}"][0] / loop)
        r["flush_per_block_ms"].append(1000 * f["mp3_flush"][0] / -(-frames // 26))
        for kbps, key in ((160, "encode"), (320, "encode320")):
            native, _ = native_lame(wavs[:1], kbps)
            r["enc160" if kbps == 160 else "enc320"].append(f[key][0] / native)

        # Linearity: 1 and 2 tracks, right before the whole disc (4 tracks) below.
        for tracks, key, seconds in (("1", "per_s_1", audio[0]), ("1,2", "per_s_2", audio[0] + audio[1])):
            wall, _, _ = headless("MP3", tracks, 160, os.path.join(OUT, "mp3-part"))
            r[key].append(wall / seconds)

        # The whole disc through the program's headless mode against native lame, and against native lame
        # plus the promise's own cost on the MP3 bytes: each track's file written again in as many blocks as
        # the rip flushed, each with O_DSYNC.
        for kbps in (160, 320):
            folder = os.path.join(OUT, f"mp3-{kbps}")
            wall, cpu, _ = headless("MP3", "all", kbps, folder)
            n_wall, n_cpu = native_lame(wavs, kbps)
            r[f"mp3_{kbps}_wall"].append(wall / n_wall)
            r[f"mp3_{kbps}_cpu"].append(cpu / n_cpu)
            d_wall = 0.0
            for mp3, seconds in zip(sorted(os.listdir(folder)), audio):
                blocks = -(-round(seconds * 75) // 26)
                size = os.path.getsize(os.path.join(folder, mp3))
                target = os.path.join(OUT, "dsync.mp3")
                d_wall += timed(["dd", f"if={os.path.join(folder, mp3)}", f"of={target}", f"bs={-(-size // blocks)}",
                                 "oflag=dsync", "status=none"])[0]
                os.remove(target)
            r[f"mp3_{kbps}_limit"].append(wall / (n_wall + d_wall))
            if kbps == 160:
                r["per_s_4"].append(wall / sum(audio))
                r["mp3_160_s"].append(wall)
                r["native_160_s"].append(n_wall)

        # WAV rip against block-wise O_DSYNC writes of the same bytes.
        wall, _, _ = headless("WAV", "all", 160, wav_dir)
        target = os.path.join(OUT, "dsync.bin")
        d_wall, _, _ = timed(["dd", f"if={image}", f"of={target}", f"bs={BLOCK}", "oflag=dsync", "status=none"])
        os.remove(target)
        os.sync()
        r["wav_dsync"].append(wall / d_wall)
        r["wav_s"].append(wall)
        r["dsync_s"].append(d_wall)
        r["dsync_per_block_ms"].append(1000 * d_wall / -(-os.path.getsize(image) // BLOCK))

        r["lin_1"].append(r["per_s_1"][-1] / r["per_s_4"][-1])
        r["lin_2"].append(r["per_s_2"][-1] / r["per_s_4"][-1])
        fixed, slope = straight_line([(audio[0], r["per_s_1"][-1] * audio[0]),
                                      (audio[0] + audio[1], r["per_s_2"][-1] * (audio[0] + audio[1])),
                                      (sum(audio), r["per_s_4"][-1] * sum(audio))])
        r["fixed_s"].append(fixed)
        r["slope"].append(slope)
        print(f"round {n + 1}: mp3 rip / native lame at 160 kbit/s {r['mp3_160_wall'][-1]:.2f} (wall), "
              f"wav rip / dsync copy {r['wav_dsync'][-1]:.2f}, encoder alone / native {r['enc160'][-1]:.2f}",
              flush=True)

    print("ratios (median of the rounds, spread lowest to highest):")
    line("MP3 rip, whole disc, 160 kbit/s / native lame: wall", r["mp3_160_wall"])
    line("MP3 rip, whole disc, 160 kbit/s / native lame: user+sys CPU", r["mp3_160_cpu"])
    line("MP3 rip, whole disc, 320 kbit/s / native lame: wall", r["mp3_320_wall"])
    line("MP3 rip, whole disc, 320 kbit/s / native lame: user+sys CPU", r["mp3_320_cpu"])
    line("MP3 rip, 160 / (native lame + block-wise O_DSYNC of its bytes)", r["mp3_160_limit"])
    line("MP3 rip, 320 / (native lame + block-wise O_DSYNC of its bytes)", r["mp3_320_limit"])
    line("WAV rip, whole disc / block-wise O_DSYNC copy (dd)", r["wav_dsync"])
    line("encoder alone (lame_enc.dll, track 1) / native lame, 160", r["enc160"])
    line("encoder alone (lame_enc.dll, track 1) / native lame, 320", r["enc320"])
    line("MP3 rip cost per audio second, 1 track / 4 tracks", r["lin_1"])
    line("MP3 rip cost per audio second, 2 tracks / 4 tracks", r["lin_2"])
    print("figures:")
    line("MP3 rip cost per audio second, 1 track", [1000 * v for v in r["per_s_1"]], " ms")
    line("MP3 rip cost per audio second, 2 tracks", [1000 * v for v in r["per_s_2"]], " ms")
    line("MP3 rip cost per audio second, 4 tracks", [1000 * v for v in r["per_s_4"]], " ms")
    line("MP3 rip, 1/2/4 tracks as a straight line: cost per audio second", [1000 * v for v in r["slope"]], " ms")
    line("MP3 rip, 1/2/4 tracks as a straight line: fixed cost (start)", r["fixed_s"], " s")
    line("MP3 rip, whole disc, 160 kbit/s", r["mp3_160_s"], " s")
    line("native lame, the same four tracks, 160 kbit/s", r["native_160_s"], " s")
    line("WAV rip, whole disc", r["wav_s"], " s")
    line("block-wise O_DSYNC copy of the same bytes", r["dsync_s"], " s")
    line("O_DSYNC write of one 61,152-byte block", r["dsync_per_block_ms"], " ms")
    line("read, whole disc through the CD access library", r["read"], " MB/s", "{:.0f}")
    print("the core's MP3 loop (track 1, 160 kbit/s), share of its time:")
    for part in ("read", "encode", "write", "flush"):
        line(part, r[f"share_{part}"], "", "{:.3f}")
    line("flush of one block (FlushFileBuffers)", r["flush_per_block_ms"], " ms")


main()
