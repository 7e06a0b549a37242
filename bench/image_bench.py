#!/usr/bin/python3
"""Times `scrivo image` against genisoimage and xorriso on the same trees in one run and
prints wall times, ratios and peak memory (from /usr/bin/time -v); scrivo's image is also
checked from outside against its own layout (layout_check.py) and the figures printed.
Two pairs: without Rock Ridge (scrivo --no-rock, genisoimage -J) and with it on both sides
(scrivo's default, genisoimage -J -R); each ratio compares scrivo with genisoimage in its
pair. Usage: image_bench.py [--scrivo BIN] [--data DIR] [--runs N] [--out DIR] [big] [small]
Runs are paired: every tool runs once per round, --runs rounds (default 2), and the best
wall time counts; the images are deleted right away. Trees come from make_bench_data.py."""
import argparse
import os
import shutil
import subprocess
import sys

from layout_check import check
from timing import timed, warm

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def tools(scrivo, tree, out):
    """(pair, tool) -> command; the first tool of a pair is scrivo's."""
    mkisofs = ["-quiet", "-J", "-joliet-long", "-iso-level", "3"]
    return {
        ("plain", "scrivo image --no-rock"): [scrivo, "image", "--no-rock", "-o", out, tree + "/"],
        ("plain", "genisoimage -J"): ["genisoimage"] + mkisofs + ["-o", out, tree],
        ("plain", "xorriso -as mkisofs -J"): ["xorriso", "-as", "mkisofs"] + mkisofs + ["-o", out, tree],
        ("rock", "scrivo image"): [scrivo, "image", "-o", out, tree + "/"],
        ("rock", "genisoimage -J -R"): ["genisoimage"] + mkisofs + ["-R", "-o", out, tree],
        ("rock", "xorriso -as mkisofs -J -R"): ["xorriso", "-as", "mkisofs"] + mkisofs + ["-R", "-o", out, tree],
    }


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--scrivo", default=os.path.join(ROOT, "build", "native", "bin", "scrivo"))
    ap.add_argument("--data", default=os.path.join(ROOT, "build", "bench-data"))
    ap.add_argument("--runs", type=int, default=2)
    ap.add_argument("--out", help="where the images go (default DATA/out); /dev/shm keeps the disk's "
                                  "write-back out of the figures")
    ap.add_argument("trees", nargs="*", default=["big", "small"])
    a = ap.parse_args()
    subprocess.run([sys.executable, os.path.join(HERE, "make_bench_data.py"), a.data] + a.trees, check=True)
    work = a.out or os.path.join(a.data, "out")
    os.makedirs(work, exist_ok=True)
    out = os.path.join(work, "bench.iso")
    for name in a.trees:
        tree = os.path.realpath(os.path.join(a.data, name))
        warm(tree)
        commands = tools(a.scrivo, tree, out)
        best, peak, size, agreement = {}, {}, {}, {}
        for _ in range(a.runs):
            for key, cmd in commands.items():
                seconds, _, rss = timed(cmd, work)
                size[key] = os.path.getsize(out)
                if key[1].startswith("scrivo") and key[0] not in agreement:
                    agreement[key[0]] = check(out)
                os.remove(out)
                best[key] = min(best.get(key, seconds), seconds)
                peak[key] = max(peak.get(key, 0.0), rss)
        print("\ntree %s (%s)" % (name, tree))
        print("  %-28s %9s %9s %12s %14s" % ("tool", "wall s", "vs scrivo", "peak RSS MiB", "image bytes"))
        for pair in ("plain", "rock"):
            keys = [k for k in commands if k[0] == pair]
            base = best[keys[0]]
            for key in keys:
                print("  %-28s %9.2f %8.2fx %12.1f %14d" % (key[1], best[key], best[key] / base if base else 0,
                                                          peak[key], size[key]))
            geniso = next(k for k in keys if k[1].startswith("genisoimage"))
            print("  %s: scrivo takes %.2f of genisoimage's wall time" % (
                "with Rock Ridge" if pair == "rock" else "without Rock Ridge", base / best[geniso]))
            problems, figures = agreement[pair]
            print("  layout agreement of scrivo's image: %s: %s" % (
                ", ".join("%s %d" % kv for kv in figures.items()), "; ".join(problems) or "ok"))
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
