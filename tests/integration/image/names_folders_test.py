"""Names and folders as `scrivo image` and `scrivo write` record them: names that differ only
in case, characters Joliet cannot hold (in new and in imported names), empty folders, "."
and ".." as sources, folder dates, hard links of an earlier session, trees deeper than
ISO 9660 holds; every image read back by every reader."""
import os
import re
import subprocess

from write_it import SCRIVO, WriteTestCase, disc_state, make_tree, pattern, scrivo, session_view
import needs  # noqa: E402 (found beside verify_iso)

pycdlib = needs.module("pycdlib")


class Names(WriteTestCase):
    def test_names_differing_in_case_are_two_files_in_every_view(self):
        src = self.path("t")
        make_tree(src, {"NAME.TXT": b"upper", "name.txt": b"lower", "Dir/a": b"1", "DIR/a": b"2"})
        for opts in ([], ["--no-rock"], ["--no-rock", "--no-joliet"]):
            out = self.path("x%d.iso" % len(opts))
            self.build(out, *opts, src)
            self.assertVerified(out, [src], joliet="--no-joliet" not in opts)

    def test_characters_joliet_forbids_become_underscores_and_stay_unique(self):
        src = self.path("t")
        make_tree(src, {"v;1.txt": b"v", "a*b:c?d.txt": b"1", "a_b_c_d.txt": b"2", "x\\y": b"3",
                        "q;": None, "q;/in.txt": b"4"})
        out = self.path("x.iso")
        self.build(out, src)
        self.assertVerified(out, [src])
        r = scrivo("image", "-o", self.path("n.iso"), "--no-rock", src)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertVerified(self.path("n.iso"), [src])

    def test_an_imported_joliet_name_with_a_semicolon_is_replaced(self):
        # A session of another maker whose Joliet tree holds "v;1.txt;1".
        made, src = self.path("made"), self.path("src")
        make_tree(made, {"vx1.txt": b"old"})
        make_tree(src, {"v;1.txt": b"old"})
        image = self.path("other.iso")
        self.build(image, "--no-rock", made + "/")
        with open(image, "rb") as f:
            data = f.read()
        plain = "vx1.txt;1".encode("utf-16-be")
        self.assertEqual(data.count(plain), 1)
        with open(image, "wb") as f:
            f.write(data.replace(plain, "v;1.txt;1".encode("utf-16-be")))
        disc = self.path("c.disc")
        self.write(disc, "--image", image, media="cd-r")
        new = self.path("new")
        make_tree(new, {"n.bin": pattern(3000, 1)})
        self.write(disc, "--no-rock", new + "/")
        start = disc_state(disc)["sessions"][-1]["start"]
        self.assertSession(disc, start, [src + "/", new + "/"])


class Folders(WriteTestCase):
    def test_empty_folders_are_recorded_by_image_and_write(self):
        src = self.path("t")
        make_tree(src, {"a.txt": b"a", "e1": None, "sub/e2": None, "only/empty/inner": None})
        out = self.path("x.iso")
        self.build(out, src)
        self.assertVerified(out, [src])
        disc = self.path("c.disc")
        self.write(disc, src + "/", media="cd-r")
        self.assertSession(disc, 0, [src + "/"])

    def test_dot_and_dotdot_name_the_folder_they_stand_for(self):
        src = self.path("t")
        make_tree(src, {"a.txt": b"a", "sub/b.txt": b"b", "sub/empty": None})
        sub = os.path.join(src, "sub")
        for n, (arg, cwd, paths) in enumerate([(".", src, [src]), ("./", src, [src + "/"]), ("..", sub, [src]),
                                                ("sub/..", src, [src]), ("../.", sub, [src])]):
            out = self.path("x%d.iso" % n)
            r = subprocess.run([SCRIVO, "image", "-o", out, arg], cwd=cwd, capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, arg + ": " + r.stderr)
            self.assertVerified(out, paths)
        disc = self.path("c.disc")
        r = subprocess.run([SCRIVO, "write", "-d", "virtual:%s,media=cd-r" % disc, "."], cwd=src,
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertSession(disc, 0, [src])

    def test_folders_carry_their_own_dates(self):
        src = self.path("t")
        make_tree(src, {"old/deeper/f.txt": b"f"})
        stamp = 981173106  # 2001-02-03 04:05:06 UTC
        for d in ("old/deeper", "old"):
            os.utime(os.path.join(src, d), (stamp, stamp))
        out = self.path("x.iso")
        self.build(out, src)
        self.assertVerified(out, [src])
        # pycdlib: the "." and ".." records of /t/old, in both trees.
        iso = pycdlib.PyCdlib()
        iso.open(out)
        try:
            for key, path in (("iso_path", "/T/OLD"), ("joliet_path", "/t/old")):
                rec = iso.get_record(**{key: path})
                dot = rec.children[0]
                self.assertEqual((dot.date.years_since_1900, dot.date.month, dot.date.day_of_month),
                                 (101, 2, 3), key)
                deeper = [c for c in rec.children[2:] if c.is_dir()][0]
                dotdot = deeper.children[1]
                self.assertEqual(dotdot.date.years_since_1900, 101, key)
        finally:
            iso.close()
        # isoinfo: every listing of the old folders shows 2001 for ".".
        needs.require("isoinfo")
        for opts in ([], ["-J"]):
            listing = subprocess.run(["isoinfo", "-l", "-i", out] + opts, capture_output=True, text=True).stdout
            dots = re.findall(r"Directory listing of (\S+)\n.*?(\d{4}) \[[^\]]*\]  \. \n", listing)
            years = {folder.upper(): year for folder, year in dots}
            self.assertEqual(years["/T/OLD/"], "2001", listing)
            self.assertEqual(years["/T/OLD/DEEPER/"], "2001", listing)

    def test_hard_links_of_an_earlier_session_stay_linked(self):
        src, new = self.path("h"), self.path("n")
        make_tree(src, {"one.txt": b"data"})
        os.link(os.path.join(src, "one.txt"), os.path.join(src, "two.txt"))
        make_tree(new, {"new.txt": b"x"})
        disc = self.path("c.disc")
        self.write(disc, src + "/", media="cd-r")
        self.write(disc, new + "/")
        start = disc_state(disc)["sessions"][-1]["start"]
        self.assertSession(disc, start, [src + "/", new + "/"])
        view = session_view(disc, start, self.path("v.iso"))
        needs.require("bsdtar", "isoinfo")
        tar = subprocess.run(["bsdtar", "-tvf", view], capture_output=True, text=True).stdout
        links = {line.split()[-1] if " link to " not in line else line.split()[-4]: line.split()[1]
                 for line in tar.splitlines() if ".txt" in line}
        self.assertEqual(links, {"one.txt": "2", "two.txt": "2", "new.txt": "1"}, tar)
        rr = subprocess.run(["isoinfo", "-R", "-l", "-i", view], capture_output=True, text=True).stdout
        counts = {m.group(2): m.group(1) for m in re.finditer(r"^-\S+\s+(\d+) .*\]  (\S+) $", rr, re.M)}
        self.assertEqual(counts, {"one.txt": "2", "two.txt": "2", "new.txt": "1"}, rr)

    def test_a_tree_of_256_levels_reads_back_everywhere(self):
        src = self.path("deep")
        chain = "/".join("d%d" % i for i in range(1, 257))
        make_tree(src, {chain + "/leaf.txt": pattern(3000, 1), chain[:chain.index("/d20/")] + "/mid.txt": b"m",
                        "d1/d2/d3/d4/d5/d6/d7/d8/side/s.txt": b"s", "top.txt": b"t"})
        out = self.path("x.iso")
        self.build(out, src)
        self.assertVerified(out, [src])


if __name__ == "__main__":
    needs.main()
