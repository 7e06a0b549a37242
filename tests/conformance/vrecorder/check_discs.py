#!/usr/bin/python3
"""Reads the discs the conformance test recorded with pycdlib and isoinfo, at the start of
their session, and compares every file with the tree the ISO was made from. The first disc
(the CD-R) also holds a second session, read by isoinfo at its start.
usage: check_discs.py WORKDIR CD-DISC DISC..."""
import io
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import needs  # noqa: E402

needs.exit_unless_present(["isoinfo"], ["pycdlib"])
import pycdlib  # noqa: E402


def check(tree, disc):
    iso = pycdlib.PyCdlib()
    iso.open(disc)
    count = 0
    for root, _dirs, files in os.walk(tree):
        for name in files:
            path = os.path.join(root, name)
            joliet = "/" + os.path.relpath(path, tree).replace(os.sep, "/")
            out = io.BytesIO()
            iso.get_file_from_iso_fp(out, joliet_path=joliet)
            with open(path, "rb") as f:
                if out.getvalue() != f.read():
                    raise SystemExit(f"{disc}: {joliet} differs")
            count += 1
    iso.close()
    listing = subprocess.run(["isoinfo", "-J", "-l", "-i", disc], check=True,
                             capture_output=True, text=True).stdout
    if "long file name.txt" not in listing:
        raise SystemExit(f"{disc}: isoinfo does not list the Joliet names")
    print(f"{disc}: {count} files match")


def check_second_session(tree, disc, start):
    count = 0
    for name in sorted(os.listdir(tree)):
        got = subprocess.run(["isoinfo", "-T", str(start), "-J", "-i", disc, "-x", "/" + name],
                             check=True, capture_output=True).stdout
        with open(os.path.join(tree, name), "rb") as f:
            if got != f.read():
                raise SystemExit(f"{disc}: session at {start}: {name} differs")
        count += 1
    print(f"{disc}: session at {start}: {count} files match")


def main():
    work, discs = sys.argv[1], sys.argv[2:]
    if not discs:
        raise SystemExit("no discs")
    for disc in discs:
        check(os.path.join(work, "tree"), disc)
    with open(os.path.join(work, "session2.start")) as f:
        start = int(f.read())
    check_second_session(os.path.join(work, "tree2"), discs[0], start)


if __name__ == "__main__":
    main()
