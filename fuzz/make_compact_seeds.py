#!/usr/bin/env python3
"""Remakes the seed corpus of the compact_reader fuzz target
(fuzz/corpus/compact_reader) with the zstd command line: each seed is the
target's input (package_fuzz_targets.cc, CompactPackageAround): the number
of files - 1, their sizes (u16), the files per frame, then a zstd frame."""
import random
import struct
import subprocess
import sys
from pathlib import Path

out = Path(sys.argv[1]) / "compact_reader"
out.mkdir(parents=True, exist_ok=True)


def text(n, seed):
    r = random.Random(seed)
    return bytes(r.choice(b"abcdefghij \n") for _ in range(n))


def zstd(data, *options):
    return subprocess.run(["zstd", "-q", "-c", *options], input=data, capture_output=True,
                          check=True).stdout


def seed(name, sizes, per_frame, frame):
    head = bytes([len(sizes) - 1]) + b"".join(struct.pack("<H", s) for s in sizes)
    (out / name).write_bytes(head + bytes([per_frame]) + frame)


a, c = text(100, 1), text(5000, 2)
seed("one_frame", [100, 0, 5000], 3, zstd(a + c, "-19"))
x, y = text(300, 3), text(200, 4)
seed("two_frames", [300, 200, 300, 200], 2, zstd(x + y, "-3"))
seed("no_content_size", [300, 200], 2, zstd(x + y, "-3", "--no-content-size"))
seed("long_window", [60000, 100], 2, zstd(text(60000, 5) + a, "-9", "--long=27"))
seed("all_empty", [0, 0, 0], 3, zstd(b""))
