"""A disc holding one session and a second session recorded over it while something goes
wrong: the trees of both, where the second one's blocks lie, and the check that a session
reads back whole with two independent readers."""
import math
import os
import re

import pycdlib

from write_it import SECTOR, WriteTestCase, make_tree, pattern, scrivo, session_view
import verify_iso  # noqa: E402 (found through write_it's path)

READERS = ("pycdlib", "bsdtar")
FIRST = {"a.bin": pattern(50000, 1), "b.txt": b"first", "sub/c.bin": pattern(7000, 2)}
SECOND = {"big.bin": pattern(300000, 3), "small.bin": pattern(3000, 4), "d/e.txt": pattern(100, 5)}

# Under ThreadSanitizer each run would wait a second at its exit for late reports; these
# tests make hundreds of runs, which join their threads before they end.
os.environ["TSAN_OPTIONS"] = (os.environ.get("TSAN_OPTIONS", "") + " atexit_sleep_ms=0").strip()


def le32(b, at):
    return int.from_bytes(b[at:at + 4], "little")


class SecondSessionCase(WriteTestCase):
    """The blocks where things go wrong come from the layout of the same second session
    recorded without faults: both runs lay out the same trees on the same first session."""
    layouts = {}

    def setUp(self):
        super().setUp()
        self.first, self.second = self.path("s1", "one"), self.path("s2", "two")
        make_tree(self.first, FIRST)
        make_tree(self.second, SECOND)

    def recorded(self, media, name):
        """A disc of `media` holding the first session."""
        disc = self.path(name + ".disc")
        self.write(disc, self.first, media=media)
        return disc

    def layout(self, media):
        """Blocks of the second session as a run without faults lays it out."""
        if media not in self.layouts:
            disc = self.recorded(media, "reference")
            start = int(re.search(r"session at sector (\d+)", self.write(disc, self.second).stdout).group(1))
            with open(disc, "rb") as f:
                f.seek((start + 16) * SECTOR)
                pvd = f.read(SECTOR)
            iso = pycdlib.PyCdlib()
            iso.open(session_view(disc, start, self.path("reference.iso")))
            files = {}
            for rel, data in SECOND.items():
                files[rel] = iso.get_record(joliet_path="/two/" + rel + ";1").extent_location(), math.ceil(len(data) / SECTOR)
            iso.close()
            big, blocks = files["big.bin"]
            end = max(at + n for at, n in files.values())
            self.layouts[media] = {"start": start, "end": end, "descriptor": start + 16, "path_table": le32(pvd, 140),
                                   "directory": le32(pvd, 158), "first": min(at for at, _ in files.values()),
                                   "middle": big + blocks // 2, "last": end - 1}
        return self.layouts[media]

    def assertReads(self, disc, start, paths):
        view = session_view(disc, start, self.path("view.iso"))
        skip = tuple(r for r in verify_iso.READERS if r not in READERS)
        failures = verify_iso.verify(view, verify_iso.expected_from_args(paths), skip=skip, work=self.path())
        self.assertEqual(failures, [], "\n" + "\n".join(failures))

    def forget(self, name):
        """Removes the disc `name` and its state files."""
        for f in os.listdir(self.work):
            if f.startswith(name + ".disc"):
                os.remove(self.path(f))

    def next_session(self, disc, paths, tree):
        """Records `tree` as one more session and checks that it shows `paths` and `tree`."""
        r = scrivo("write", "-d", "virtual:" + disc, tree)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertReads(disc, int(re.search(r"session at sector (\d+)", r.stdout).group(1)), paths + [tree])
        return r
