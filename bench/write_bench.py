#!/usr/bin/python3
"""Times `scrivo write` recording a tree on a virtual DVD+R (the recorder unpaced, so what is
measured is the engine: its data path and its waits for the drive) against `scrivo image`
writing the same tree to a file, in paired runs: each round runs them one after the other,
and the ratio of the pair counts. `write` records only (--no-verify); `write+verify` also
reads the session back, as `scrivo write` does by default. Prints the median ratios of wall
and of CPU time, the best wall times and the peak memory, and the time of `scrivo write`
recording one 1-byte file.
Usage: write_bench.py [--bin DIR] [--data DIR] [--runs N] [big] [small]
Discs and images are deleted right away. Trees come from make_bench_data.py."""
import argparse
import os
import shutil
import statistics
import subprocess
import sys

from timing import payload_bytes, scratch, timed, warm

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def remove(paths):
    for p in paths:
        if os.path.exists(p):
            os.remove(p)


def write_cmd(bindir, tree, work, verify=True):
    disc = os.path.join(work, "bench.disc")
    return ([os.path.join(bindir, "scrivo"), "write", "-d", "virtual:%s,media=dvd+r" % disc]
            + ([] if verify else ["--no-verify"])
            + ["--log", os.path.join(work, "write.log"), tree + "/"], [disc, disc + ".state"])


def record_cmd(bindir, tree, work):
    return write_cmd(bindir, tree, work, verify=False)


def image_cmd(bindir, tree, work):
    iso = os.path.join(work, "bench.iso")
    return [os.path.join(bindir, "scrivo"), "image", "-o", iso, tree + "/"], [iso]


COMMANDS = (("write", record_cmd), ("write+verify", write_cmd), ("image", image_cmd))


def paired(bindir, tree, work, runs):
    """[[(wall, cpu, rss) of each of COMMANDS]] of `runs` rounds."""
    rounds = []
    for _ in range(runs):
        row = []
        for _, make in COMMANDS:
            cmd, leftovers = make(bindir, tree, work)
            remove(leftovers)
            row.append(timed(cmd, work))
            remove(leftovers)
        rounds.append(row)
    return rounds


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "native", "bin"))
    ap.add_argument("--data", default=os.path.join(ROOT, "build", "bench-data"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("trees", nargs="*", default=["big", "small"])
    a = ap.parse_args()
    subprocess.run([sys.executable, os.path.join(HERE, "make_bench_data.py"), a.data] + a.trees, check=True)
    work = scratch(a.data, "write-out")
    env_note = "SCRIVO_TIME_SCALE=%s" % os.environ.get("SCRIVO_TIME_SCALE", "(unset: real drive waits)")
    print("%s, %d paired runs" % (env_note, a.runs))
    print("  %-8s %10s %-13s %8s %10s %10s %9s" % ("tree", "MiB", "command", "best s", "wall ratio",
                                                 "CPU ratio", "RSS MiB"))
    for name in a.trees:
        tree = os.path.join(a.data, name)
        warm(tree)
        rounds = paired(a.bin, tree, work, a.runs)
        image = len(COMMANDS) - 1
        for k, (label, _) in enumerate(COMMANDS):
            wall = statistics.median(r[k][0] / r[image][0] for r in rounds)
            cpu = statistics.median(r[k][1] / max(r[image][1], 0.01) for r in rounds)
            print("  %-8s %10.1f %-13s %8.2f %9.2fx %9.2fx %9.1f" % (
                name, payload_bytes(tree) / 1048576.0, label, min(r[k][0] for r in rounds), wall, cpu,
                max(r[k][2] for r in rounds)))

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
