#!/usr/bin/env python3
"""Secure mode's cost: the whole demo disc ripped to WAV by the headless mode
in normal mode, in normal mode with the log (CRCs and AccurateRip checksums),
and in secure mode with the log (every block read twice and compared). Each
round runs the three once, in turn; printed are the medians of the wall-time
ratios against normal mode over the rounds, with their spread, and whether
the three rips wrote the same bytes. Asserts nothing.

secure_rip_bench.py [ROUNDS]   (after scripts/setup and scripts/build; the
demo disc in the drive)
"""
import filecmp
import os
import shutil
import statistics
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
repo = os.path.dirname(here)
build = os.environ.get("BUILD_DIR", os.path.join(repo, "build"))
arch = os.environ.get("TEST_ARCH", "x86_64")
rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 3
MODES = {"normal": [], "normal + log": ["/log"], "secure + log": ["/secure", "/log"]}


def winpath(path):
    return subprocess.run([os.path.join(repo, "scripts", "wine-run"), "winepath", "-w", path],
                          capture_output=True, text=True).stdout.strip()


def rip(mode, folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    start = time.monotonic()
    r = subprocess.run([os.path.join(repo, "scripts", "cadrel"), "/rip", "/format:WAV", f"/out:{winpath(folder)}"]
                       + MODES[mode], capture_output=True, text=True)
    elapsed = time.monotonic() - start
    if r.returncode != 0:
        sys.exit(f"bench: the {mode} rip exited {r.returncode}: {r.stdout[-400:]}")
    return elapsed


def main():
    out = os.path.join(build, "bench-output", "secure-rip")
    times = {m: [] for m in MODES}
    for _ in range(rounds):
        for mode in MODES:
            times[mode].append(rip(mode, os.path.join(out, mode.replace(" + ", "-"))))
    same = all(filecmp.cmp(os.path.join(out, "normal", f"Track {n}.wav"),
                           os.path.join(out, d, f"Track {n}.wav"), shallow=False)
               for n in range(1, 5) for d in ("normal-log", "secure-log"))
    print(f"secure rip bench, whole demo disc to WAV, {rounds} rounds (median, spread lowest to highest):")
    for mode in MODES:
        print(f"  {mode:14s} {statistics.median(times[mode]):6.1f} s  "
              f"({min(times[mode]):.1f} to {max(times[mode]):.1f})")
    for mode in ("normal + log", "secure + log"):
        ratios = [t / n for t, n in zip(times[mode], times["normal"])]
        print(f"  {mode} / normal: {statistics.median(ratios):.2f} ({min(ratios):.2f} to {max(ratios):.2f})")
    print(f"  the three rips wrote {'the same' if same else 'DIFFERENT'} bytes")
    shutil.rmtree(out, ignore_errors=True)


main()
