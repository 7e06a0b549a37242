"""Rock Ridge in `scrivo image` and `scrivo write`: every reader sees the sources' names,
modes, owners, times and links, and every file's content."""
import os
import re
import subprocess

from scrivo_it import ImageTestCase, make_tree, pattern, scrivo, verify_iso
from write_it import WriteTestCase, disc_state, session_view
import needs  # noqa: E402 (found beside verify_iso)

DEEP = "/".join("level%02d" % i for i in range(12))
LONG_TARGET = "/".join(["d%03d" % i + "x" * 90 for i in range(10)])[:1000]


def posix_tree(root):
    """A tree with what Rock Ridge records; answers {relative path: (mode, uid, gid)}."""
    make_tree(root, {
        "plain.txt": pattern(3000, 1),
        "README": pattern(10, 2),
        "script.sh": b"#!/bin/sh\n",
        "n" * 255: pattern(5, 3),
        "n" * 254 + "m": pattern(7, 9),  # reads like the one above where Joliet cuts
        "d" * 255 + "/inside.bin": pattern(2049, 4),
        DEEP + "/bottom.bin": pattern(4097, 5),
        "private/secret.bin": pattern(100, 6),
    })
    facts = {"plain.txt": (0o644, 0, 0), "script.sh": (0o755, 0, 0), "private": (0o700, 0, 0),
             "private/secret.bin": (0o600, 0, 0), "README": (0o640, 0, 0)}
    root_user = os.getuid() == 0
    for rel, (mode, _, _) in list(facts.items()):
        p = os.path.join(root, rel)
        os.chmod(p, mode)
        if root_user:
            os.chown(p, 1234, 5678)
        st = os.lstat(p)
        facts[rel] = (mode, st.st_uid, st.st_gid)
    os.utime(os.path.join(root, "plain.txt"), (1000000000, 1200000000))
    os.symlink("plain.txt", os.path.join(root, "relative-link"))
    os.symlink("/etc/hostname", os.path.join(root, "absolute-link"))
    os.symlink("../nowhere/at/all", os.path.join(root, "dangling-link"))
    os.symlink(LONG_TARGET, os.path.join(root, "long-link"))
    os.symlink("private", os.path.join(root, "folder-link"))
    os.link(os.path.join(root, "plain.txt"), os.path.join(root, "hard-link.txt"))
    os.mkfifo(os.path.join(root, "pipe"))
    return facts


def listing(cmd):
    needs.require(cmd[0])
    r = subprocess.run(cmd, capture_output=True, text=True, errors="replace")
    if r.returncode != 0:
        raise AssertionError("%s failed: %s" % (cmd[0], r.stderr))
    return r.stdout


class RockRidgeImage(ImageTestCase):
    def build_tree(self):
        src = self.path("tree")
        facts = posix_tree(src)
        iso = self.path("rr.iso")
        r = self.build(iso, src + "/")
        return src, facts, iso, r

    def test_readers_see_modes_owners_times_links_and_content(self):
        src, facts, iso, r = self.build_tree()
        # The fifo is named and left out; the run still succeeds.
        self.assertIn(os.path.join(src, "pipe"), r.stderr)
        os.remove(os.path.join(src, "pipe"))
        # Every reader: names, content of every file, links with their targets.
        self.assertVerified(iso, [src + "/"])

        # isoinfo -R: modes and link targets (its owner columns are not the records'); hard
        # links share one extent.
        out = listing(["isoinfo", "-R", "-l", "-i", iso])
        lines = {}
        for line in out.splitlines():
            m = re.match(r"^(\S{10})\s+\d+\s+(\d+)\s+(\d+)\s+(\d+).*?\[\s*(\d+)\s+\S+\]\s\s(.*?)\s?$", line)
            if m:
                lines.setdefault(m.group(6), m.groups())
        for rel, (mode, uid, gid) in facts.items():
            got = lines[os.path.basename(rel)]
            self.assertEqual(got[0][1:], self.mode_text(mode), rel)
        self.assertEqual(lines["relative-link -> plain.txt"][0][0], "l")
        self.assertIn("long-link -> " + LONG_TARGET, lines)
        self.assertIn("dangling-link -> ../nowhere/at/all", lines)
        self.assertEqual(lines["plain.txt"][4], lines["hard-link.txt"][4])
        self.assertEqual(lines["folder-link -> private"][0][0], "l")

        # xorriso: the same modes, owners and targets, the 12 levels, the long names.
        out = listing(["xorriso", "-indev", "stdio:" + iso, "-find", "/", "-exec", "lsdl"])
        for rel, (mode, uid, gid) in facts.items():
            self.assertRegex(out, r"(?m)^.%s\s+\d+\s+%d\s+%d\s.*'/%s'$" % (self.mode_text(mode), uid, gid, rel))
        self.assertRegex(out, r"(?m)^-rwx------\s.*'/private'$".replace("-rwx------", "drwx------"))
        self.assertRegex(out, r"(?m)^lrwxrwxrwx .*'/long-link' -> '%s'$" % re.escape(LONG_TARGET))
        self.assertIn("/level00/level01/level02/level03/level04/level05/level06/level07/level08/level09/"
                      "level10/level11/bottom.bin'", out)
        self.assertIn("'/%s'" % ("n" * 255), out)

        # ISO 9660 holds 8 levels: deeper folders stand in /RR_MOVED there, while Rock Ridge
        # readers (above and below) and the Joliet tree see them where they belong.
        plain = listing(["isoinfo", "-l", "-i", iso])
        dirs = re.findall(r"(?m)^Directory listing of (\S+)/$", plain)
        self.assertIn("/RR_MOVED", dirs)
        self.assertLessEqual(max(d.count("/") for d in dirs), 7)
        self.assertIn("Directory listing of /%s/" % DEEP, listing(["isoinfo", "-J", "-l", "-i", iso]))
        self.assertNotIn("rr_moved", listing(["bsdtar", "-tf", iso]))

        # bsdtar: hard links as such, times kept on extraction.
        out = listing(["bsdtar", "-tvf", iso])
        self.assertRegex(out, r"(?m) (hard-link.txt link to plain.txt|plain.txt link to hard-link.txt)$")
        dest = self.path("x")
        os.makedirs(dest)
        listing(["bsdtar", "-xpf", iso, "-C", dest])
        self.assertEqual(os.stat(os.path.join(dest, "plain.txt")).st_mtime, 1200000000)
        self.assertEqual(os.stat(os.path.join(dest, "private")).st_mode & 0o777, 0o700)
        self.assertEqual(os.readlink(os.path.join(dest, "folder-link")), "private")
        with open(os.path.join(dest, DEEP, "bottom.bin"), "rb") as f:
            self.assertEqual(f.read(), pattern(4097, 5))

        # 7z reads the Joliet tree: long names cut to what it holds, no links.
        out = listing(["7z", "l", iso])
        self.assertRegex(out, r"(?m)\s7\s+7\s+%s$" % ("n" * 110))
        self.assertRegex(out, r"(?m)\s5\s+5\s+%s~1$" % ("n" * 108))
        self.assertIn("level10/level11/bottom.bin", out)
        self.assertNotIn("relative-link", out)

        # pycdlib: Rock Ridge names and modes.
        needs.require(modules=("pycdlib",))
        import pycdlib
        p = pycdlib.PyCdlib()
        p.open(iso)
        try:
            rec = p.get_record(rr_path="/" + "d" * 255 + "/inside.bin")
            self.assertEqual(rec.rock_ridge.name(), b"inside.bin")
            self.assertEqual(p.get_record(rr_path="/script.sh").rock_ridge.get_file_mode() & 0o777, 0o755)
            self.assertEqual(p.get_record(rr_path="/dangling-link").rock_ridge.symlink_path(), b"../nowhere/at/all")
        finally:
            p.close()

    @staticmethod
    def mode_text(mode):
        bits = "rwxrwxrwx"
        return "".join(bits[i] if mode & (1 << (8 - i)) else "-" for i in range(9))

    def test_without_rock_ridge_or_following_links(self):
        src = self.path("t")
        make_tree(src, {"a.txt": pattern(5000, 1), "d/b.txt": pattern(10, 2)})
        os.symlink("a.txt", os.path.join(src, "to-a"))
        os.symlink("d", os.path.join(src, "to-d"))
        os.mkfifo(os.path.join(src, "pipe"))
        plain = self.path("plain.iso")
        r = self.build(plain, "--no-rock", src)
        self.assertNotIn("pipe", r.stderr)  # left out as before, without a word
        self.assertFalse(verify_iso.has_rock_ridge(plain))
        # Links followed without Rock Ridge: their targets' contents under the links' names.
        out = listing(["isoinfo", "-J", "-l", "-i", plain])
        self.assertIn("to-a.", out)
        self.assertIn("Directory listing of /t/to-d/", out)

        followed = self.path("followed.iso")
        self.build(followed, "--follow-links", src)
        self.assertTrue(verify_iso.has_rock_ridge(followed))
        out = listing(["xorriso", "-indev", "stdio:" + followed, "-find", "/", "-exec", "lsdl"])
        self.assertRegex(out, r"(?m)^-rw\S+\s+\d+\s+\S+\s+\S+\s+5000 .*'/t/to-a'$")
        self.assertRegex(out, r"(?m)^d\S+ .*'/t/to-d'$")
        self.assertIn("'/t/to-d/b.txt'", out)


class RockRidgeWrite(WriteTestCase):
    def test_a_recorded_session_carries_rock_ridge_and_keeps_it_in_the_next(self):
        disc = self.path("rr.disc")
        first = self.path("one")
        posix_tree(first)
        os.remove(os.path.join(first, "pipe"))
        self.write(disc, first, media="dvd+r")
        second = self.path("two")
        make_tree(second, {"new.bin": pattern(7000, 9)})
        self.assertSession(disc, 0, [first])
        self.write(disc, second)
        start = disc_state(disc)["sessions"][-1]["start"]
        # The second session lists the first one's links and modes as they were. libarchive
        # reads a disc front to back and takes no continuation area (long names) behind a
        # file's data, which every file of an older session has.
        self.assertVerified(session_view(disc, start, self.path("view.iso")), [first, second], skip=("bsdtar",))
        view = self.path("view.iso")
        out = listing(["xorriso", "-indev", "stdio:" + view, "-find", "/one", "-exec", "lsdl"])
        self.assertRegex(out, r"(?m)^lrwxrwxrwx .*'/one/long-link' -> '%s'$" % re.escape(LONG_TARGET))
        self.assertRegex(out, r"(?m)^drwx------ .*'/one/private'$")


if __name__ == "__main__":
    needs.main()
