#!/usr/bin/python3
"""Times `scrivo write` recording a tree on a virtual DVD+R (the recorder unpaced, so what is
measured is the engine: its data path and its waits for the drive) against `scrivo image`
writing the same tree to a file, in paired runs: each round runs both, one after the other,
and the ratio of the pair counts. Prints the median ratio, the best wall times and the peak
memory, and the time of `scrivo write` recording one 1-byte file.
Usage: write_bench.py [--bin DIR] [--data DIR] [--runs N] [big] [small]
Discs and images are deleted right away. Trees come from make_bench_data.py."""
import argparse
import os
import shutil
import statistics
import subprocess
import sys

from timing import payload_bytes, timed, warm

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def remove(paths):
    for p in paths:
        if os.path.exists(p):
            os.remove(p)


def write_cmd(bindir, tree, work):
    disc = os.path.join(work, "bench.disc")
    return ([os.path.join(bindir, "scrivo"), "write", "-d", "virtual:%s,media=dvd+r" % disc,
             "--log", os.path.join(work, "write.log"), tree + "/"], [disc, disc + ".state"])


def image_cmd(bindir, tree, work):
    iso = os.path.join(work, "bench.iso")
    return [os.path.join(bindir, "scrivo"), "image", "-o", iso, tree + "/"], [iso]


def paired(bindir, tree, work, runs):
    """[(write wall, image wall, write rss, image rss)] of `runs` rounds."""
    rounds = []
    for _ in range(runs):
        row = []
        for make in (write_cmd, image_cmd):
            cmd, leftovers = make(bindir, tree, work)
            remove(leftovers)
            wall, _, rss = timed(cmd, work)
            remove(leftovers)
            row.append((wall, rss))
        rounds.append((row[0][0], row[1][0], row[0][1], row[1][1]))
    return rounds


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "native", "bin"))
    ap.add_argument("--data", default=os.path.join(ROOT, "build", "bench-data"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("trees", nargs="*", default=["big", "small"])
    a = ap.parse_args()
    subprocess.run([sys.executable, os.path.join(HERE, "make_bench_data.py"), a.data] + a.trees, check=True)
    work = os.path.join(a.data, "write-out")
    os.makedirs(work, exist_ok=True)
    env_note = "SCRIVO_TIME_SCALE=%s" % os.environ.get("SCRIVO_TIME_SCALE", "(unset: real drive waits)")
    print("%s, %d paired runs" % (env_note, a.runs))
    print("  %-8s %10s %12s %12s %10s %14s %14s" % ("tree", "MiB", "write s", "image s", "ratio",
                                                   "write RSS MiB", "image RSS MiB"))
    for name in a.trees:
        tree = os.path.join(a.data, name)
        warm(tree)
        rounds = paired(a.bin, tree, work, a.runs)
        ratio = statistics.median(w / i for w, i, _, _ in rounds)
        print("  %-8s %10.1f %12.2f %12.2f %9.2fx %14.1f %14.1f" % (
            name, payload_bytes(tree) / 1048576.0, min(r[0] for r in rounds), min(r[1] for r in rounds), ratio,
            max(r[2] for r in rounds), max(r[3] for r in rounds)))

    one = os.path.join(work, "one")
    os.makedirs(one, exist_ok=True)
    with open(os.path.join(one, "tiny.txt"), "wb") as f:
        f.write(b"x")
    walls = []
    for _ in range(a.runs):
        cmd, leftovers = write_cmd(a.bin, one, work)
        remove(leftovers)
        walls.append(timed(cmd, work)[0])
        remove(leftovers)
    print("  one 1-byte file: scrivo write %.2f s (median of %d)" % (statistics.median(walls), a.runs))
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
