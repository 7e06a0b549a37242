#!/usr/bin/python3
"""Times `scrivo write` recording a tree on a virtual DVD+R (the recorder unpaced, so the
engine's data path is what is measured) against xorriso writing the same tree with Joliet
to an image file, in one run. Prints wall time, throughput of the tree's payload, CPU time
(user + system) per GiB of payload, and peak memory.
Usage: write_bench.py [--bin DIR] [--data DIR] [--runs N] [big] [small]
Each tool records each tree --runs times (default 2); the best wall time and the least CPU
count. Discs and images are deleted right away. Trees come from make_bench_data.py."""
import argparse
import os
import shutil
import subprocess
import sys

from timing import payload_bytes, timed, warm

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
GiB = float(1 << 30)


def tools(bindir, tree, work):
    """name: (command, files to delete around each run, environment)."""
    disc = os.path.join(work, "bench.disc")
    write = ([os.path.join(bindir, "scrivo"), "write", "-d", "virtual:%s,media=dvd+r" % disc,
              "--log", os.path.join(work, "write.log"), tree + "/"], [disc, disc + ".state"])
    # The drive protocol has fixed waits (a poll interval before the first readiness poll,
    # 5 s before the one after closing); with SCRIVO_TIME_SCALE=0 they are skipped and
    # only the data path is left.
    no_waits = dict(os.environ, SCRIVO_TIME_SCALE="0")
    return {
        "scrivo write (DVD+R)": write + (None,),
        "  same, no drive waits": write + (no_waits,),
        "xorriso (to a file)": (["xorriso", "-abort_on", "FAILURE", "-joliet", "on", "-outdev",
                                 "stdio:" + os.path.join(work, "bench.iso"), "-map", tree, "/", "-commit"],
                                [os.path.join(work, "bench.iso")], None),
    }


def remove(paths):
    for p in paths:
        if os.path.exists(p):
            os.remove(p)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "native", "bin"))
    ap.add_argument("--data", default=os.path.join(ROOT, "build", "bench-data"))
    ap.add_argument("--runs", type=int, default=2)
    ap.add_argument("trees", nargs="*", default=["big", "small"])
    a = ap.parse_args()
    subprocess.run([sys.executable, os.path.join(HERE, "make_bench_data.py"), a.data] + a.trees, check=True)
    work = os.path.join(a.data, "write-out")
    os.makedirs(work, exist_ok=True)
    for name in a.trees:
        tree = os.path.join(a.data, name)
        payload = payload_bytes(tree)
        warm(tree)
        rows = []
        for tool, (cmd, leftovers, env) in tools(a.bin, tree, work).items():
            best_wall, best_cpu, peak = None, None, 0.0
            for _ in range(a.runs):
                remove(leftovers)
                wall, cpu, rss = timed(cmd, work, env)
                remove(leftovers)
                best_wall = wall if best_wall is None else min(best_wall, wall)
                best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
                peak = max(peak, rss)
            rows.append((tool, best_wall, best_cpu, peak))
        base_wall, base_cpu = rows[0][1], rows[0][2]
        print("\ntree %s (%s, %.1f MiB payload)" % (name, tree, payload / 1048576.0))
        print("  %-22s %8s %10s %10s %10s %10s %12s" % ("tool", "wall s", "MiB/s", "vs scrivo", "CPU s/GiB",
                                                       "vs scrivo", "peak RSS MiB"))
        for tool, wall, cpu, rss in rows:
            per_gib = cpu / (payload / GiB)
            print("  %-22s %8.2f %10.1f %9.2fx %10.2f %9.2fx %12.1f" % (
                tool, wall, payload / 1048576.0 / wall, wall / base_wall, per_gib,
                cpu / base_cpu if base_cpu else 0, rss))
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
