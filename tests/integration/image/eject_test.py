"""`scrivo eject`, `scrivo load` and `write --eject` on a virtual recorder, whose tray stays
open from one run to the next as a real drive's does."""
import unittest

from write_it import WriteTestCase, make_tree, scrivo


class Eject(WriteTestCase):
    def run_ok(self, *args, expect=0):
        r = scrivo(*args)
        self.assertEqual(r.returncode, expect, " ".join(args) + ":\n" + r.stdout + r.stderr)
        return r

    def test_write_eject_then_load(self):
        disc, src = self.path("e.disc"), self.path("src", "f")
        make_tree(src, {"a.txt": b"a"})
        self.write(disc, "--eject", src, media="cd-r", options=",persistent_tray")
        drive = "virtual:" + disc + ",persistent_tray"
        self.assertIn("no disc in the drive (its tray is open)", self.run_ok("ls", "-d", drive, expect=1).stderr)
        self.run_ok("load", "-d", drive)
        self.assertIn("/f/a.txt", self.run_ok("ls", "-d", drive).stdout)
        self.run_ok("eject", "-d", drive)
        self.assertIn("no disc in the drive (its tray is open)", self.run_ok("ls", "-d", drive, expect=1).stderr)

    def test_a_locked_drive_keeps_its_disc(self):
        disc, src = self.path("l.disc"), self.path("src", "g")
        make_tree(src, {"b.txt": b"b"})
        r = self.write(disc, "--eject", src, media="cd-r", options=",locked")
        self.assertIn("note: the drive refuses to eject", r.stderr)
        r = self.run_ok("eject", "-d", "virtual:" + disc + ",locked", expect=1)
        self.assertEqual(r.stderr, "scrivo: the drive refuses to eject: a program prevents the removal of its disc\n")
        self.assertIn("/g/b.txt", self.run_ok("ls", "-d", "virtual:" + disc).stdout)


if __name__ == "__main__":
    unittest.main()
