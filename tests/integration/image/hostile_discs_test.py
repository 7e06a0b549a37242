"""`scrivo write` on discs whose last session is strange or hostile (made at test time by
handmade_disc.py and genisoimage): the import ends in bounded time and memory, Ctrl-C and
SIGTERM end it within a second, and every earlier file the new session does not carry is
named, the run refused unless --skip-damaged."""
import os
import shutil
import signal
import subprocess
import time
import unittest

import pycdlib

import handmade_disc
from write_it import SCRIVO, VRECORDER, WriteTestCase, disc_state, make_tree, session_view

GENISOIMAGE = shutil.which("genisoimage")
MIB = 1 << 20


class HostileDiscs(WriteTestCase):
    def disc(self, name, data):
        iso = self.path(name + ".iso")
        with open(iso, "wb") as f:
            f.write(data)
        disc = self.path(name + ".disc")
        subprocess.run([VRECORDER, "create", "--media", "cd-r", "--from", iso, disc], check=True,
                       capture_output=True)
        return disc

    def new_files(self):
        new = self.path("new")
        make_tree(new, {"added.txt": b"added"})
        return new + "/"

    def write(self, disc, *extra, options=""):
        """exit code, output, seconds and peak memory (bytes) of one scrivo write."""
        args = ["write", "-d", "virtual:" + disc + options, "--no-verify", *extra, self.new_files()]
        # The output goes to a file: a full pipe would stop the command while it is timed.
        with open(self.path("write.out"), "w+b") as log:
            started = time.monotonic()
            p = subprocess.Popen([SCRIVO] + args, stdout=log, stderr=subprocess.STDOUT)
            _, status, usage = os.wait4(p.pid, 0)
            seconds = time.monotonic() - started
            p.returncode = os.waitstatus_to_exitcode(status)
            log.seek(0)
            out = log.read().decode("utf-8", "replace")
        return p.returncode, out, seconds, usage.ru_maxrss * 1024

    def sessions(self, disc):
        return len(disc_state(disc)["sessions"])

    def new_tree(self, disc):
        view = session_view(disc, disc_state(disc)["sessions"][-1]["start"], self.path("view.iso"))
        iso = pycdlib.PyCdlib()
        iso.open(view)
        self.addCleanup(iso.close)
        return iso

    def test_second_paths_and_fan_out_end_fast_in_little_memory(self):
        # Before: the hang disc read 58^5 extents (still running after 12 minutes), the
        # fan-out disc 65,535 folders x 1,740 files (3.8 GB, then bad_alloc).
        cases = [("hang", handmade_disc.hang(), "NAME RECORDED TWICE IN ONE DIRECTORY", 2.0, 200 * MIB, (1, 5)),
                 ("fan-out", handmade_disc.fan_out(), "DIRECTORY EXTENT ALREADY READ", 2.0, 200 * MIB, (1740, 3)),
                 ("huge", handmade_disc.huge_directory(), "EXTENT BEYOND END OF DISC", 2.0, 200 * MIB, (1, 0))]
        for name, data, message, most_seconds, most_memory, (files, folders) in cases:
            with self.subTest(name):
                disc = self.disc(name, data)
                code, out, seconds, memory = self.write(disc)
                self.assertEqual(code, 1, out)
                self.assertIn(message, out)
                self.assertIn("nothing was recorded", out)
                self.assertEqual(self.sessions(disc), 1)
                self.assertLess(seconds, most_seconds, out[-2000:])
                code, out, seconds, memory = self.write(disc, "-v", "--skip-damaged")
                self.assertEqual(code, 0, out[-3000:])
                self.assertIn(">>> IMPORTED %d FILES AND %d FOLDERS" % (files, folders), out)
                self.assertLess(seconds, most_seconds)
                self.assertLess(memory, most_memory)
                self.assertEqual(self.sessions(disc), 2)

    def interrupt(self, disc, sig):
        """Sends `sig` once the import is under way; answers (exit code, output, seconds from
        the signal to the end)."""
        p = subprocess.Popen([SCRIVO, "write", "-v", "-d", "virtual:" + disc + ",read_ms=20", self.new_files()],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        out = ""
        for line in p.stdout:
            out += line
            if ">>> IMPORTING SESSION" in line:
                break
        p.send_signal(sig)
        sent = time.monotonic()
        out += p.stdout.read()
        p.wait()
        p.stdout.close()
        return p.returncode, out, time.monotonic() - sent

    def test_ctrl_c_and_sigterm_end_the_import_within_a_second(self):
        # 300 folders at 20 ms a read: the import alone would take 6 s.
        disc = self.disc("many", handmade_disc.many_folders(300))
        for sig in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(sig.name):
                code, out, seconds = self.interrupt(disc, sig)
                self.assertEqual(code, 130, out[-2000:])
                self.assertIn("IMPORT INTERRUPTED", out)
                self.assertIn("interrupted", out.splitlines()[-1])
                self.assertIn("nothing was recorded", out.splitlines()[-1])
                self.assertLess(seconds, 1.0)
                self.assertEqual(self.sessions(disc), 1)

    def test_files_not_carried_over_are_named(self):
        disc = self.disc("assoc", handmade_disc.associated())
        code, out, _, _ = self.write(disc)
        self.assertEqual(code, 1, out)
        self.assertIn("ASSOCIATED FILE, WHICH THE NEW SESSION DOES NOT RECORD: \\A.TXT", out)
        code, out, _, _ = self.write(disc, "--skip-damaged")
        self.assertEqual(code, 0, out)
        self.assertIn("left out of the new session", out)
        # The file, not its associated record, is in the new session.
        iso = self.new_tree(disc)
        rec = iso.get_record(iso_path="/A.TXT;1")
        self.assertEqual(rec.extent_location(), 31)
        self.assertEqual(rec.get_data_length(), 4)

    def test_case_only_pairs_and_long_names(self):
        if not GENISOIMAGE:
            if os.environ.get("CI") == "true":
                self.fail("genisoimage is missing (scripts/setup-deps.sh installs it)")
            self.skipTest("genisoimage is missing")
        src = self.path("case")
        make_tree(src, {"README": b"upper", "readme": b"lower", "Dir/one": b"1", "dir/two": b"2"})
        iso = self.path("case.iso")
        subprocess.run([GENISOIMAGE, "-quiet", "-R", "-J", "-o", iso, src], check=True, capture_output=True)
        with open(iso, "rb") as f:
            data = f.read()
        # With Rock Ridge every name stays as it was; the ISO 9660 and Joliet names are unique.
        disc = self.disc("case-rr", data)
        code, out, _, _ = self.write(disc)
        self.assertEqual(code, 0, out)
        tree = self.new_tree(disc)
        rr = {}
        for top, dirs, files in tree.walk(rr_path="/"):
            for n in dirs + files:
                rr[(top.rstrip("/") + "/" + n)] = n
        for path in ("/README", "/readme", "/Dir/one", "/dir/two"):
            self.assertIn(path, rr)
        joliet = [c.file_identifier().decode("utf-16-be") for c in tree.list_children(joliet_path="/")
                  if c.file_identifier() not in (b"\0", b"\1")]
        self.assertEqual(len(joliet), len(set(joliet)), joliet)
        ids = [c.file_identifier() for c in tree.list_children(iso_path="/")]
        self.assertEqual(len(ids), len(set(ids)), ids)
        # Without Rock Ridge Joliet still keeps both names of each pair as they are.
        disc = self.disc("case-plain", data)
        code, out, _, _ = self.write(disc, "--no-rock")
        self.assertEqual(code, 0, out)
        self.assertIn("4 earlier files imported", out)
        tree = self.new_tree(disc)
        joliet = {c.file_identifier().decode("utf-16-be") for c in tree.list_children(joliet_path="/")}
        self.assertTrue({"README", "readme", "Dir", "dir"} <= {n.split(";")[0].rstrip(".") for n in joliet}, joliet)

        # A 200-character Rock Ridge name, appended without Rock Ridge.
        src = self.path("long")
        make_tree(src, {"n" * 200: b"long"})
        iso = self.path("long.iso")
        subprocess.run([GENISOIMAGE, "-quiet", "-R", "-o", iso, src], check=True, capture_output=True)
        with open(iso, "rb") as f:
            disc = self.disc("long", f.read())
        code, out, _, _ = self.write(disc, "--no-rock")
        self.assertEqual(code, 1, out)
        self.assertIn("NAME TOO LONG FOR THE NEW SESSION'S DIRECTORY RECORDS: \\" + "n" * 200, out)
        code, out, _, _ = self.write(disc)
        self.assertEqual(code, 0, out)
        self.assertIn("n" * 200, self.rr_names(disc))

    def rr_names(self, disc):
        tree = self.new_tree(disc)
        names = [c.rock_ridge.name().decode() for c in tree.list_children(iso_path="/") if c.rock_ridge is not None]
        return [n for n in names if n]  # "." and ".." have none

    def test_dates_and_unsafe_names_as_recorded(self):
        disc = self.disc("dates", handmade_disc.dates_and_names())
        code, out, _, _ = self.write(disc)
        self.assertEqual(code, 0, out)
        view = session_view(disc, disc_state(disc)["sessions"][-1]["start"], self.path("dates-view.iso"))
        tree = self.new_tree(disc)
        self.assertEqual(sorted(self.rr_names(disc)), ["TOKYO.TXT", "ZERO.TXT", "a_b", "added.txt", "c_d"])
        with open(view, "rb") as f:
            image = f.read()

        def date_of(ident):
            """The 7 date bytes of the root's record of `ident`, as recorded."""
            at = tree.get_record(iso_path="/").extent_location() * handmade_disc.SECTOR
            raw = image[at:at + handmade_disc.SECTOR]
            i = raw.find(bytes([len(ident)]) + ident)
            self.assertGreater(i, 0, ident)
            return raw[i - 14:i - 7]

        self.assertEqual(date_of(b"ZERO.TXT;1"), handmade_disc.ZERO)
        self.assertEqual(date_of(b"TOKYO.TXT;1"), handmade_disc.TOKYO)
        joliet = sorted(c.file_identifier().decode("utf-16-be") for c in tree.list_children(joliet_path="/")
                        if c.file_identifier() not in (b"\0", b"\1"))
        self.assertIn("a_b.;1", joliet)
        self.assertIn("c_d.;1", joliet)


if __name__ == "__main__":
    unittest.main()
