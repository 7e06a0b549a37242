#!/usr/bin/python3
"""Times `scrivo image` against genisoimage and xorriso on the same trees in one run and
prints wall times, ratios and peak memory (from /usr/bin/time -v); scrivo's image is also
checked from outside against its own layout (layout_check.py) and the figures printed.
Usage: image_bench.py [--scrivo BIN] [--data DIR] [--runs N] [big] [small]
Each tool builds each image --runs times (default 2) and the best wall time counts; the
images are deleted right away. Trees come from make_bench_data.py."""
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
    return {
        "scrivo image": [scrivo, "image", "-o", out, tree + "/"],
        "genisoimage": ["genisoimage", "-quiet", "-J", "-joliet-long", "-iso-level", "3", "-o", out, tree],
        "xorriso -as mkisofs": ["xorriso", "-as", "mkisofs", "-quiet", "-J", "-joliet-long", "-iso-level", "3",
                                "-o", out, tree],
    }


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--scrivo", default=os.path.join(ROOT, "build", "native", "bin", "scrivo"))
    ap.add_argument("--data", default=os.path.join(ROOT, "build", "bench-data"))
    ap.add_argument("--runs", type=int, default=2)
    ap.add_argument("trees", nargs="*", default=["big", "small"])
    a = ap.parse_args()
    subprocess.run([sys.executable, os.path.join(HERE, "make_bench_data.py"), a.data] + a.trees, check=True)
    work = os.path.join(a.data, "out")
    os.makedirs(work, exist_ok=True)
    out = os.path.join(work, "bench.iso")
    for name in a.trees:
        tree = os.path.join(a.data, name)
        warm(tree)
        rows, agreement = [], None
        for tool, cmd in tools(a.scrivo, tree, out).items():
            best, peak, size = None, 0.0, 0
            for _ in range(a.runs):
                seconds, _, rss = timed(cmd, work)
                size = os.path.getsize(out)
                if tool == "scrivo image" and agreement is None:
                    agreement = check(out)
                os.remove(out)
                best = seconds if best is None else min(best, seconds)
                peak = max(peak, rss)
            rows.append((tool, best, peak, size))
        base = rows[0][1]
        print("\ntree %s (%s)" % (name, tree))
        print("  %-22s %9s %9s %12s %14s" % ("tool", "wall s", "vs scrivo", "peak RSS MiB", "image bytes"))
        for tool, seconds, rss, size in rows:
            print("  %-22s %9.2f %8.2fx %12.1f %14d" % (tool, seconds, seconds / base if base else 0, rss, size))
        problems, figures = agreement
        print("  layout agreement of scrivo's image: %s: %s" % (
            ", ".join("%s %d" % kv for kv in figures.items()), "; ".join(problems) or "ok"))
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
