"""A second session that fails, is cancelled or is killed, on every kind of writable disc.
After each: the run says it failed, every file of the first session is still in view and
reads back byte for byte with two independent readers, and the next recording either adds
its session (the disc then lists both sessions' files) or refuses with a clear message.

The blocks where things go wrong come from the layout of the same second session recorded
without faults: both runs lay out the same trees on the same first session."""
import math
import os
import re
import unittest

import pycdlib

from write_it import SECTOR, WriteTestCase, make_tree, pattern, scrivo, session_view
import verify_iso  # noqa: E402 (found through write_it's path)

# Overwritable discs take the next session over a failed one: the descriptors at address 0
# that show a session are written last.
OVERWRITABLE = {"dvd+rw", "dvd-rw-ro", "dvd-ram"}
# Where the second session fails: (knob, block of its layout, or fraction of its length).
CASES = [("write_error_at", place) for place in ("descriptor", "path_table", "directory", "first", "middle", "last")] + \
        [("interrupt_at", share) for share in (0.25, 0.5, 0.75)] + \
        [("kill_at", place) for place in ("descriptor", "middle", "last")]
SAID = {"write_error_at": "MEDIUM ERROR", "interrupt_at": "OPERATION ABORTED BY USER"}
REFUSED = "holds an unfinished session from an interrupted recording"
READERS = ("pycdlib", "bsdtar")

# Under ThreadSanitizer each run would wait a second at its exit for late reports; the
# matrix makes some 250 runs, which join their threads before they end.
os.environ["TSAN_OPTIONS"] = (os.environ.get("TSAN_OPTIONS", "") + " atexit_sleep_ms=0").strip()

FIRST = {"a.bin": pattern(50000, 1), "b.txt": b"first", "sub/c.bin": pattern(7000, 2)}
SECOND = {"big.bin": pattern(300000, 3), "small.bin": pattern(3000, 4), "d/e.txt": pattern(100, 5)}


def le32(b, at):
    return int.from_bytes(b[at:at + 4], "little")


class WriteFaultMatrix(WriteTestCase):
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

    def matrix(self, media):
        layout = self.layout(media)
        for knob, where in CASES:
            with self.subTest(knob=knob, where=where):
                lba = layout[where] if isinstance(where, str) else \
                    layout["start"] + int(where * (layout["end"] - layout["start"]))
                disc = self.recorded(media, "%s-%s" % (knob, where))
                r = scrivo("write", "-d", "virtual:%s,%s=%d" % (disc, knob, lba), self.second)
                if knob == "kill_at":
                    self.assertEqual(r.returncode, -9, r.stdout + r.stderr)
                else:
                    self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                    self.assertIn(SAID[knob], r.stderr)
                # The first session is what every reader sees.
                self.assertReads(disc, 0, [self.first])
                r = scrivo("write", "-d", "virtual:" + disc, self.second)
                if r.returncode == 0 or media in OVERWRITABLE:
                    self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
                    start = int(re.search(r"session at sector (\d+)", r.stdout).group(1))
                    self.assertReads(disc, start, [self.first, self.second])
                else:
                    self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                    self.assertIn(REFUSED, r.stderr)
                for name in os.listdir(self.work):
                    if name.startswith("%s-%s.disc" % (knob, where)):
                        os.remove(self.path(name))

    def test_dvd_plus_rw(self):
        self.matrix("dvd+rw")

    def test_restricted_overwrite_dvd_rw(self):
        self.matrix("dvd-rw-ro")

    def test_dvd_ram(self):
        self.matrix("dvd-ram")

    def test_cd_r(self):
        self.matrix("cd-r")

    def test_cd_rw(self):
        self.matrix("cd-rw")

    def test_dvd_plus_r(self):
        self.matrix("dvd+r")

    def test_dvd_r(self):
        self.matrix("dvd-r")


if __name__ == "__main__":
    unittest.main()
