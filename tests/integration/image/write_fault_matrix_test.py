"""A second session that fails, is cancelled or is killed, on every kind of writable disc.
After each: the run says it failed, every file of the first session is still in view and
reads back byte for byte with two independent readers, and the next recording either adds
its session (the disc then lists both sessions' files) or refuses with a clear message.

The blocks where things go wrong come from the layout of the same second session recorded
without faults: both runs lay out the same trees on the same first session."""
import re

from second_session_it import SecondSessionCase
from write_it import scrivo
import needs  # noqa: E402 (found beside verify_iso)

# Overwritable discs take the next session over a failed one: the descriptors at address 0
# that show a session are written last.
OVERWRITABLE = {"dvd+rw", "dvd-rw-ro", "dvd-ram"}
# Where the second session fails: (knob, block of its layout, or fraction of its length).
CASES = [("write_error_at", place) for place in ("descriptor", "path_table", "directory", "first", "middle", "last")] + \
        [("interrupt_at", share) for share in (0.25, 0.5, 0.75)] + \
        [("kill_at", place) for place in ("descriptor", "middle", "last")]
SAID = {"write_error_at": "MEDIUM ERROR", "interrupt_at": "OPERATION ABORTED BY USER"}
REFUSED = "holds an unfinished session from an interrupted recording"


class WriteFaultMatrix(SecondSessionCase):
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
                    self.assertEqual(r.returncode, 130 if knob == "interrupt_at" else 1, r.stdout + r.stderr)
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
                self.forget("%s-%s" % (knob, where))

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
    needs.main()
