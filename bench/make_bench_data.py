#!/usr/bin/python3
"""Generates the benchmark trees (once; a marker file records a finished tree):
  big/    16 files of 128 MiB
  small/  100,000 files of 1 to 8 KiB in 5,000 folders (250 top folders of 20 each)
  many/   600,000 empty files in 600 folders (30 top folders of 20 each)
Usage: make_bench_data.py DATA_DIR [big|small ...]"""
import os
import sys

MiB = 1 << 20


def chunk(seed, n):
    base = bytes((seed * 131 + i * 7 + (i >> 9)) & 0xFF for i in range(4096))
    return (base * (n // 4096 + 1))[:n]


def make_big(root):
    os.makedirs(root, exist_ok=True)
    for i in range(16):
        with open(os.path.join(root, "video%02d.bin" % i), "wb") as f:
            block = chunk(i, 4 * MiB)
            for _ in range(32):
                f.write(block)


def make_small(root):
    n = 0
    for top in range(250):
        for sub in range(20):
            folder = os.path.join(root, "group%03d" % top, "folder%02d" % sub)
            os.makedirs(folder, exist_ok=True)
            for k in range(20):
                size = 1024 + (n * 2654435761) % (7 * 1024)
                with open(os.path.join(folder, "document_%05d.txt" % n), "wb") as f:
                    f.write(chunk(n & 0xFF, size))
                n += 1
    assert n == 100000


def make_many(root):
    n = 0
    for top in range(30):
        for sub in range(20):
            folder = os.path.join(root, "branch%02d" % top, "leaf%02d" % sub)
            os.makedirs(folder, exist_ok=True)
            for _ in range(1000):
                open(os.path.join(folder, "record_%06d.dat" % n), "wb").close()
                n += 1
    assert n == 600000


def main():
    data = sys.argv[1]
    for name in sys.argv[2:] or ["big", "small"]:
        root = os.path.join(data, name)
        marker = root + ".done"
        if os.path.exists(marker):
            continue
        print("generating %s ..." % root, flush=True)
        {"big": make_big, "small": make_small, "many": make_many}[name](root)
        open(marker, "w").close()


if __name__ == "__main__":
    main()
