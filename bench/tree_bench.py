#!/usr/bin/python3
"""Times building the image of a large tree of empty files (`scrivo image`, so the time is the
tree walk, the layout and the metadata) against a plain directory walk that reads each file's
size and time (`find -printf`), in paired runs, and prints the median ratio and scrivo's peak
memory. Usage: tree_bench.py [--scrivo BIN] [--data DIR] [--runs N] [--no-rock] [TREE]  (default many)."""
import argparse
import os
import shutil
import statistics
import subprocess
import sys

from timing import scratch, timed, warm

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--scrivo", default=os.path.join(ROOT, "build", "native", "bin", "scrivo"))
    ap.add_argument("--data", default=os.path.join(ROOT, "build", "bench-data"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--no-rock", action="store_true", help="image without Rock Ridge")
    ap.add_argument("tree", nargs="?", default="many")
    a = ap.parse_args()
    subprocess.run([sys.executable, os.path.join(HERE, "make_bench_data.py"), a.data, a.tree], check=True)
    tree = os.path.join(a.data, a.tree)
    work = scratch(a.data, "tree-out")
    images = scratch("/dev/shm", "tree-bench") if os.path.isdir("/dev/shm") else work
    out = os.path.join(images, "tree-bench.iso")
    warm(tree)
    walk = ["sh", "-c", "find '%s' -printf '%%s %%T@\\n' >/dev/null" % tree]
    image = [a.scrivo, "image", "-o", out] + (["--no-rock"] if a.no_rock else []) + [tree + "/"]
    rows = []
    for _ in range(a.runs):
        w = timed(walk, work)
        i = timed(image, work)
        os.remove(out)
        rows.append((w[0], i[0], i[2]))
    print("tree %s%s, %d paired runs" % (tree, " (--no-rock)" if a.no_rock else "", a.runs))
    print("  find -printf   %6.2f s (best)" % min(r[0] for r in rows))
    print("  scrivo image   %6.2f s (best), peak RSS %.1f MiB" % (min(r[1] for r in rows), max(r[2] for r in rows)))
    print("  ratio          %6.2fx (median)" % statistics.median(r[1] / r[0] for r in rows))
    for folder in {work, images}:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
