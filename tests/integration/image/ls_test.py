"""`scrivo ls`: the sessions, tracks and files of a disc Scrivo recorded twice, and of a disc
and an image file another program made."""
import os
import re
import shutil
import subprocess
import sys
import unittest

from write_it import VRECORDER, WriteTestCase, make_tree, pattern, scrivo

PEERS = [p for p in (shutil.which("xorriso"), shutil.which("genisoimage")) if p]


def peer_image(tool, root, out):
    if tool.endswith("xorriso"):
        args = [tool, "-as", "mkisofs", "-R", "-J", "-o", out, root]
    else:
        args = [tool, "-quiet", "-R", "-J", "-o", out, root]
    subprocess.run(args, check=True, capture_output=True, timeout=120)


def listed(out):
    """path -> size ("-" for folders) of the file lines of an ls."""
    return {m.group(3): m.group(1) for m in re.finditer(r"^ +(\d+|-)  (.{16})  (/.*)$", out, re.M)}


class Ls(WriteTestCase):
    def ls(self, *args, expect=0):
        r = scrivo("ls", *args)
        self.assertEqual(r.returncode, expect, "scrivo ls:\n" + r.stdout + r.stderr)
        return r

    def test_two_sessions_recorded_by_scrivo(self):
        disc = self.path("two.disc")
        one, two = self.path("s1", "one"), self.path("s2", "two")
        make_tree(one, {"a.bin": pattern(70000, 1), "sub/b.txt": b"bee", "sub/noext": b""})
        make_tree(two, {"c.bin": pattern(5000, 2)})
        self.write(disc, one, media="cd-r")
        self.write(disc, two)
        drive = "-d", "virtual:" + disc
        out = self.ls(*drive).stdout
        self.assertIn("Disc: CD-R, 2 closed sessions", out)
        self.assertRegex(out, r"Session 1: closed\n  Track 1: start 0, \d+ blocks, data mode 1, closed\n")
        self.assertRegex(out, r"Session 2: closed\n  Track 2: start [1-9]\d*, \d+ blocks, data mode 1, closed\n")
        self.assertRegex(out, r"Free: [1-9]\d* blocks")
        self.assertEqual(
            listed(out),
            {"/one/": "-", "/one/a.bin": "70000", "/one/sub/": "-", "/one/sub/b.txt": "3", "/one/sub/noext": "0", "/two/": "-",
             "/two/c.bin": "5000"})
        first = self.ls(*drive, "--session", "1").stdout
        self.assertIn("Files of session 1:", first)
        self.assertEqual(set(listed(first)), {"/one/", "/one/a.bin", "/one/sub/", "/one/sub/b.txt", "/one/sub/noext"})
        self.assertEqual(listed(self.ls(*drive, "/one/sub").stdout), {"/one/sub/b.txt": "3", "/one/sub/noext": "0"})
        self.assertEqual(listed(self.ls(*drive, "--session", "2", "two/c.bin").stdout), {"/two/c.bin": "5000"})
        self.assertIn('no "/nothing" in session 2', self.ls(*drive, "/nothing", expect=1).stderr)
        self.assertIn("no session 3", self.ls(*drive, "--session", "3", expect=1).stderr)
        self.ls(*drive, "--session", "x", expect=2)

    def test_disc_and_image_of_another_program(self):
        if not PEERS:
            if os.environ.get("CI") == "true":
                self.fail("xorriso or genisoimage is needed")
            raise unittest.SkipTest("xorriso or genisoimage is needed")
        root = self.path("peer")
        make_tree(root, {"Mixed Case.txt": pattern(1234, 3), "dir/deep/z.bin": pattern(40000, 4), "README": b"r"})
        want = {"/Mixed Case.txt": "1234", "/dir/": "-", "/dir/deep/": "-", "/dir/deep/z.bin": "40000", "/README": "1"}
        for tool in PEERS:
            iso = self.path(os.path.basename(tool) + ".iso")
            peer_image(tool, root, iso)
            out = self.ls(iso).stdout
            self.assertIn("Files of session 1:", out)
            self.assertEqual(listed(out), want, tool)
            disc = self.path(os.path.basename(tool) + ".disc")
            subprocess.run([VRECORDER, "create", "--media", "cd-r", "--from", iso, disc], check=True, timeout=120)
            out = self.ls("-d", "virtual:" + disc).stdout
            self.assertIn("Session 1: closed", out)
            self.assertEqual(listed(out), want, tool)


if __name__ == "__main__":
    result = unittest.main(exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    # A case whose tool is missing is reported as skipped, not passed.
    sys.exit(77 if result.skipped else 0)
