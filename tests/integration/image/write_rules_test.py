"""`scrivo write` on the rules real drives keep: whole ECC units on restricted overwrite, the
format size the disc offers, the free space of overwritable media, one recording per drive."""
import os
import subprocess
import time

from write_it import VRECORDER, SCRIVO, WriteTestCase, disc_state, make_tree, pattern, scrivo
import needs  # noqa: E402 (found beside verify_iso)


def create(disc, media, capacity):
    subprocess.run([VRECORDER, "create", "--media", media, "--capacity", str(capacity), disc], check=True)


class WriteRules(WriteTestCase):
    def test_short_restricted_overwrite_session(self):
        # A session of fewer than 32 blocks still goes out in whole 16-block ECC units.
        disc = self.path("ro.disc")
        src = self.path("tiny")
        make_tree(src, {"a.txt": b"tiny"})
        self.write(disc, src, media="dvd-rw-ro")
        self.assertSession(disc, 0, [src])

    def test_dvd_plus_rw_of_another_capacity(self):
        # The format size comes from the disc, not from the common 4.7 GB one.
        disc = self.path("small+rw.disc")
        create(disc, "dvd+rw", 1000000)
        r = scrivo("erase", "-d", "virtual:" + disc)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        src = self.tree("src", 2)
        self.write(disc, src)
        self.assertSession(disc, 0, [src])

    def test_tree_larger_than_an_overwritable_disc(self):
        disc = self.path("small-ro.disc")
        create(disc, "dvd-rw-ro", 400)
        src = self.path("big")
        make_tree(src, {"big.bin": pattern(2 * 1024 * 1024, 3)})
        r = self.write(disc, src, expect=1)
        self.assertIn("the image needs", r.stderr)
        with open(disc, "rb") as f:
            self.assertFalse(f.read(), "nothing may have been written")

    def test_a_speed_outside_the_drives_range_is_its_fastest_or_slowest(self):
        src = self.tree("src", 4)
        # 48X of a DVD is more KB/s than the command's 16-bit field holds.
        for speed, said in (("48", "fastest for this disc is 6.0X (8,310 KB/s)"),
                            ("0.0001", "slowest for this disc is 2.0X (2,770 KB/s)")):
            r = self.write(self.path(speed + ".disc"), "--speed", speed, src, media="dvd+rw")
            self.assertIn("--speed %s: the drive's %s, recording at that speed" % (speed, said), r.stderr)
        r = self.write(self.path("in-range.disc"), "--speed", "4", src, media="dvd+rw")
        self.assertEqual(r.stderr, "")

    def test_one_recording_at_a_time(self):
        disc = self.path("busy.disc")
        src = self.path("big")
        make_tree(src, {"big.bin": pattern(4 * 1024 * 1024, 5)})
        # The first recording runs slowly enough to be caught at it; the engine's waits for
        # the drive go at the drive's pace (closing the session takes 3 s).
        first = subprocess.Popen([SCRIVO, "write", "-d", "virtual:%s,media=dvd+r,time_scale=0.1" % disc, src],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                 env=dict(os.environ, SCRIVO_TIME_SCALE="0.1"))
        try:
            lock = disc + ".lock"
            deadline = time.monotonic() + 60
            while not (os.path.exists(lock) and open(lock).read().strip() == str(first.pid)):
                self.assertIsNone(first.poll(), "the first recording ended early")
                self.assertLess(time.monotonic(), deadline)
                time.sleep(0.05)
            r = scrivo("write", "-d", "virtual:" + disc, self.tree("other", 6))
            self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
            self.assertIn("the drive is in use by process %d (scrivo)" % first.pid, r.stderr)
        finally:
            out, err = first.communicate(timeout=300)
        self.assertEqual(first.returncode, 0, out + err)
        self.assertEqual(len(disc_state(disc)["sessions"]), 1)
        self.assertSession(disc, 0, [src])


if __name__ == "__main__":
    needs.main()
