"""Discs whose earlier sessions other programs made (genisoimage and xorriso, under many
options) get a session from `scrivo write`; the new session is read with pycdlib and isoinfo
in both trees: every old file is there with its bytes, no directory holds one ISO 9660
identifier twice, and the structure reads back. Damaged discs give a message and no session
unless --skip-damaged is given, and never an invalid one."""
import os
import random
import re
import shutil
import subprocess
import zlib

from write_it import SECTOR, VRECORDER, WriteTestCase, disc_state, make_tree, pattern, scrivo
from scrivo_it import verify_iso
import needs  # noqa: E402 (found beside verify_iso)

pycdlib = needs.module("pycdlib")

GENISOIMAGE = shutil.which("genisoimage")
XORRISO = shutil.which("xorriso")
ISOINFO = shutil.which("isoinfo")
WHOLE = 64 << 20  # files up to this size are compared whole, larger ones by their ends


def vrecorder(*args):
    r = subprocess.run([VRECORDER] + [str(a) for a in args], capture_output=True, text=True, timeout=600)
    if r.returncode != 0:
        raise AssertionError("vrecorder %s: %s" % (args[0], r.stderr))


def digest(read, size):
    """Size and CRC-32 of a file's bytes (of its first and last MiB when it is large)."""
    if size <= WHOLE:
        return size, zlib.crc32(read(0, size))
    return size, zlib.crc32(read(0, 1 << 20) + read(size - (1 << 20), 1 << 20))


def session_view(disc, start, out):
    """A sparse copy of the disc whose sectors 16 on are those of the session at `start`,
    as a multi-session reader sees that session."""
    subprocess.run(["cp", "--sparse=always", disc, out], check=True)
    descriptors = b""
    with open(disc, "rb") as f:
        f.seek((start + 16) * SECTOR)
        # Up to the terminator only: other programs put file data right after it.
        while len(descriptors) < 32 * SECTOR:
            sector = f.read(SECTOR)
            descriptors += sector
            if sector[:6] == b"\xffCD001":
                break
    with open(out, "r+b") as f:
        # An old session's UDF recognition sectors after the terminator are not the new
        # session's: a reader of the new session finds its own sectors there.
        with open(disc, "rb") as d:
            while True:
                f.seek(16 * SECTOR + len(descriptors))
                if f.read(6)[1:6] not in (b"BEA01", b"NSR02", b"NSR03", b"TEA01"):
                    break
                d.seek((start + 16) * SECTOR + len(descriptors))
                descriptors += d.read(SECTOR)
        f.seek(16 * SECTOR)
        f.write(descriptors)
    return out


class Tree:
    """One tree of an image as pycdlib reads it: files (path -> digest), folders, and the
    ISO 9660 identifiers each directory holds more than once."""

    def __init__(self, iso, image, kind):
        self.files, self.folders, self.duplicates = {}, set(), []
        key = {"joliet": "joliet_path", "rr": "rr_path", "iso": "iso_path"}[kind]
        for top, dirs, files in iso.walk(**{key: "/"}):
            base = "" if top == "/" else top
            for d in dirs:
                self.folders.add(base + "/" + d)
            for name in files:
                path = base + "/" + name
                rec = iso.get_record(**{key: path})
                shown = re.sub(r";1$", "", name) if kind != "rr" else name
                if kind == "rr" and rec.rock_ridge is not None and rec.rock_ridge.is_symlink():
                    self.files[base + "/" + shown] = (0, 0)  # kept as an empty file
                    continue
                # Read from the image by the records' extents: every piece of a file
                # larger than one extent.
                pieces = [(r.extent_location() * SECTOR, r.get_data_length()) for r in self._pieces(rec)]

                def read(at, n, pieces=pieces):
                    out = b""
                    for start, length in pieces:
                        if n > 0 and at < length:
                            image.seek(start + at)
                            take = min(n, length - at)
                            out += image.read(take)
                            n -= take
                            at = 0
                        else:
                            at -= length
                    return out
                self.files[base + "/" + shown] = digest(read, sum(length for _, length in pieces))
            if kind == "iso":
                seen = set()
                for rec in iso.list_children(iso_path=top):
                    ident = rec.file_identifier()
                    if ident in (b"\x00", b"\x01") or rec.file_flags & 0x80:
                        continue  # "." and "..", and every piece of a file but its last
                    if ident in seen:
                        self.duplicates.append(top + ": " + ident.decode("latin-1"))
                    seen.add(ident)

    @staticmethod
    def _pieces(rec):
        while rec is not None:
            yield rec
            rec = rec.data_continuation


class SourceTree:
    """What the Joliet tree of a new session must show of local folders recorded earlier:
    their files (a symbolic link as an empty file) and folders. A name without a dot gets
    one, as the file tree gives every file an extension."""

    def __init__(self, roots):
        self.files, self.folders = {}, set()
        for root in roots:
            for top, dirs, files in os.walk(root):
                rel = os.path.relpath(top, root)
                base = "" if rel == "." else "/" + rel
                for d in list(dirs):
                    if os.path.islink(os.path.join(top, d)):
                        dirs.remove(d)
                        files.append(d)
                    else:
                        self.folders.add(base + "/" + d)
                for name in files:
                    p = os.path.join(top, name)
                    shown = base + "/" + (name if "." in name else name + ".")
                    if os.path.islink(p):
                        self.files[shown] = (0, 0)
                        continue
                    with open(p, "rb") as f:
                        def read(at, n, f=f):
                            f.seek(at)
                            return f.read(n)
                        self.files[shown] = digest(read, os.path.getsize(p))


def read_image(path, kinds):
    iso = pycdlib.PyCdlib()
    iso.open(path)
    try:
        with open(path, "rb") as image:
            return {k: Tree(iso, image, k) for k in kinds if k == "iso" or (k == "joliet" and iso.has_joliet())
                    or (k == "rr" and iso.has_rock_ridge())}
    finally:
        iso.close()


def isoinfo_files(path, joliet):
    """The regular files isoinfo lists in one tree."""
    r = subprocess.run([ISOINFO, "-i", path, "-l"] + (["-J"] if joliet else []), capture_output=True, timeout=300)
    if r.returncode != 0:
        raise AssertionError("isoinfo: " + r.stderr.decode("latin-1"))
    names, folder, relocated = set(), "", 0
    for line in r.stdout.decode("latin-1").splitlines():
        if line.startswith("Directory listing of "):
            folder = line[len("Directory listing of "):]
            # A relocated folder leaves an empty file in its place.
            relocated += re.fullmatch(r"/RR_MOVED/[^/]+/", folder) is not None
        elif line.startswith("-") and "]" in line:
            names.add((folder, line.split("]", 1)[1].strip()))  # the pieces of a file: one name
    return len(names) - relocated


class ForeignDiscs(WriteTestCase):
    def setUp(self):
        needs.require("genisoimage", "xorriso", "isoinfo")
        super().setUp()

    def iso(self, tool, args, root, name):
        out = self.path(name)
        cmd = [GENISOIMAGE, "-quiet"] if tool == "genisoimage" else [XORRISO, "-as", "mkisofs", "-quiet"]
        if tool == "genisoimage" and "-input-charset" not in args:
            cmd += ["-input-charset", "utf-8"]
        r = subprocess.run(cmd + list(args) + ["-o", out, root], capture_output=True, text=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        return out

    def old_files(self, disc, start):
        """The files of the session at `start` as an ISO 9660 reader sees them."""
        return read_image(session_view(disc, start, self.path("old.iso")), ("iso",))["iso"]

    def new_session(self, disc, sources=None, extra=(), expect=0):
        """Adds a session with one new file and checks it. The old files are those of the
        local folders `sources` (long names) or, without them, of the last session's ISO
        9660 tree."""
        before = disc_state(disc)["sessions"][-1]["start"]
        old = SourceTree(sources) if sources else self.old_files(disc, before)
        new = self.path("new-%d" % len(disc_state(disc)["sessions"]))
        make_tree(new, {"added.txt": pattern(3000, 9)})
        r = self.write(disc, *extra, new + "/", expect=expect)
        start = disc_state(disc)["sessions"][-1]["start"]
        if expect != 0:
            self.assertEqual(start, before, "a refused write recorded a session")
            return r, None
        self.assertSession(disc, start, old)
        return r, old

    def assertSession(self, disc, start, old):
        view = session_view(disc, start, self.path("view.iso"))
        trees = read_image(view, ("joliet", "iso"))
        joliet, iso = trees["joliet"], trees["iso"]
        self.assertEqual(iso.duplicates, [])
        # Characters Joliet forbids show as "_" there (these trees have no other name so made).
        def shown(path):
            return "/".join(verify_iso.JOLIET_FORBIDDEN.sub("_", part) for part in path.split("/"))
        for path, d in old.files.items():
            self.assertEqual(joliet.files.get(shown(path)), d, "old file " + path)
        folders = {shown(f) for f in old.folders}
        self.assertTrue(folders <= joliet.folders, sorted(folders - joliet.folders)[:5])
        self.assertIn("/added.txt", joliet.files)
        # Both trees hold the same files.
        self.assertEqual(sorted(iso.files.values()), sorted(joliet.files.values()))
        self.assertEqual(isoinfo_files(view, False), len(iso.files))
        self.assertEqual(isoinfo_files(view, True), len(joliet.files))

    def disc_from(self, iso, media="cd-r"):
        disc = self.path(os.path.basename(iso) + ".disc")
        vrecorder("create", "--media", media, "--from", iso, disc)
        return disc

    def source(self, name, entries):
        root = self.path("src", name)
        make_tree(root, entries)
        return root

    def test_first_sessions_of_other_programs(self):
        long_names = {"a folder with a long name/%s file number %d.txt" % ("x" * 30, i): pattern(100 + i, i)
                      for i in range(3)}
        plain = {"readme.txt": pattern(5000, 1), "docs/manual.pdf": pattern(70000, 2), "empty.bin": b"",
                 "empty folder": None, "docs/deeper/still/file.dat": pattern(2049, 3)}
        non_ascii = {"caf\u00e9/\u00fcber.txt": pattern(50, 4), "\u65e5\u672c/\u8a9e.txt": pattern(60, 5)}
        semicolons = {"v;1.txt": b"one", "v;2.txt": b"two", "a;b;c": b"three"}
        deep = {"/".join("d%d" % i for i in range(10)) + "/bottom.txt": pattern(10, 6), "top.txt": b"t"}
        # Without Joliet or Rock Ridge (xorriso always writes it) the names are ISO 9660 ones.
        cases = [
            ("level1", "genisoimage", ["-iso-level", "1"], plain),
            ("level3", "xorriso", ["-iso-level", "3"], plain),
            ("level4", "genisoimage", ["-iso-level", "4", "-input-charset", "iso8859-1"], plain),
            ("joliet-long", "genisoimage", ["-J", "-joliet-long"], long_names),
            ("rr-joliet", "xorriso", ["-R", "-J"], dict(plain, **non_ascii)),
            ("rr-semicolons", "xorriso", ["-R"], semicolons),
            ("udf-bridge", "genisoimage", ["-J", "-udf"], plain),
            ("rr-deep", "genisoimage", ["-R"], deep),
        ]
        for name, tool, args, entries in cases:
            with self.subTest(name):
                root = self.source(name, entries)
                iso = self.iso(tool, args, root, name + ".iso")
                image = pycdlib.PyCdlib()
                image.open(iso)
                long = image.has_joliet() or image.has_rock_ridge()
                image.close()
                disc = self.disc_from(iso)
                _, old = self.new_session(disc, [root] if long else None)
                self.assertEqual(len(old.files), sum(1 for v in entries.values() if v is not None))

    def test_rock_ridge_only_with_symlinks(self):
        root = self.source("links", {"target.txt": pattern(700, 7), "sub/x.txt": b"x"})
        os.symlink("target.txt", os.path.join(root, "link.txt"))
        os.symlink("sub", os.path.join(root, "dirlink"))
        disc = self.disc_from(self.iso("genisoimage", ["-R"], root, "links.iso"))
        # A session without Rock Ridge: the old links become the empty files they are there.
        _, old = self.new_session(disc, [root], extra=("--no-rock",))
        self.assertIn("/link.txt", old.files)

    def test_el_torito(self):
        root = self.source("boot", {"boot/boot.img": pattern(4 * SECTOR, 8), "data.txt": b"data"})
        iso = self.iso("genisoimage", ["-J", "-R", "-b", "boot/boot.img", "-c", "boot/boot.cat", "-no-emul-boot"],
                       root, "boot.iso")
        self.new_session(self.disc_from(iso), [root])

    def test_thousands_of_files_of_one_prefix_in_one_folder(self):
        entries = {"many/file_with_a_long_name_%04d.txt" % i: b"%d" % i for i in range(1500)}
        root = self.source("many", entries)
        disc = self.disc_from(self.iso("genisoimage", ["-J", "-R"], root, "many.iso"))
        self.new_session(disc, [root])
        # The session just written, imported again, stays unique.
        self.new_session(disc, [root])

    def test_two_foreign_sessions(self):
        first = self.source("one", {"one.txt": b"1", "common/a.txt": b"a"})
        disc = self.disc_from(self.iso("genisoimage", ["-J", "-R"], first, "one.iso"))
        nwa = disc_state(disc)["next_writable_address"]
        second = self.source("two", {"two.txt": b"2", "common/b.txt": b"b"})
        iso = self.iso("genisoimage", ["-J", "-R", "-C", "0,%d" % nwa, "-M", disc], second, "two.iso")
        vrecorder("record", disc, iso)
        self.new_session(disc, [first, second])

    def test_two_tracks_in_a_session(self):
        disc = self.path("tracks.disc")
        vrecorder("create", "--media", "cd-r", disc)
        root = self.source("tracks", {"t.txt": pattern(900, 9)})
        iso = self.iso("xorriso", ["-J", "-R"], root, "tracks.iso")
        vrecorder("record", "--keep-session-open", disc, iso)
        junk = self.path("junk.bin")
        with open(junk, "wb") as f:
            f.write(pattern(40 * SECTOR, 10))
        vrecorder("record", disc, junk)
        self.new_session(disc, [root])
        # The second session starts at track 3: its first track, not track 2, holds the tree.
        self.new_session(disc, [root])

    def test_file_above_4_gib_in_several_extents(self):
        size = (4 << 30) + (300 << 20)
        mark = size - (100 << 10)  # in the second extent, within the last MiB compared
        root = self.source("big", {"small.txt": b"s"})
        with open(os.path.join(root, "zbig.bin"), "wb") as f:
            f.truncate(size)
            f.seek(mark)
            f.write(b"in the second extent")
        disc = self.disc_from(multi_extent_iso(self, root, size, mark), media="dvd+r")
        self.new_session(disc, [root])


def multi_extent_iso(case, root, size, mark):
    """An image of `root` made by xorriso in which zbig.bin is `size` bytes in two extents.
    xorriso makes the image with a small zbig.bin; its records in both trees then become two
    pieces whose data lies after the image, in a sparse region, so no 4 GiB are written."""
    small = case.source("big-small", {"small.txt": b"s", "zbig.bin": bytes(SECTOR)})
    iso = case.iso("xorriso", ["-iso-level", "3", "-J"], small, "big.iso")
    with open(iso, "r+b") as f:
        data = bytearray(f.read())
        end = len(data) // SECTOR
        first = 0xFFFFF800
        for descriptor, name in ((16, "ZBIG.BIN"), (17, "zbig.bin")):
            codec = "latin-1" if descriptor == 16 else "utf-16-be"
            idents = (name.encode(codec), (name + ";1").encode(codec))  # with or without version
            d = descriptor * SECTOR
            assert data[d + 1:d + 6] == b"CD001" and data[d] in (1, 2)
            data[d + 80:d + 88] = both(end + (size + SECTOR - 1) // SECTOR)
            sector = int.from_bytes(data[d + 158:d + 162], "little") * SECTOR
            at = sector
            while data[at] and data[at + 33:at + 33 + data[at + 32]] not in idents:
                at += data[at]
            n = data[at]
            used = at
            while used < sector + SECTOR and data[used]:
                used += data[used]
            assert n and used + n <= sector + SECTOR, "no room for the second piece"
            one, two = bytearray(data[at:at + n]), bytearray(data[at:at + n])
            one[2:10], one[10:18], one[25] = both(end), both(first), one[25] | 0x80
            two[2:10], two[10:18] = both(end + first // SECTOR), both(size - first)
            data[at:sector + SECTOR] = (one + two + data[at + n:used] + bytes(SECTOR))[:sector + SECTOR - at]
        f.seek(0)
        f.write(data)
        f.truncate(end * SECTOR + size)
        f.seek(end * SECTOR + mark)
        f.write(b"in the second extent")
    return iso


def both(v):
    return v.to_bytes(4, "little") + v.to_bytes(4, "big")


class DamagedDiscs(WriteTestCase):
    """Each damage is made in a copy of one small image, at places pycdlib finds."""

    def setUp(self):
        needs.require("genisoimage", "isoinfo")
        super().setUp()

    def base_image(self):
        root = self.path("src")
        make_tree(root, {"a.txt": pattern(3000, 1), "b.txt": pattern(5000, 2), "sub/c.txt": pattern(100, 3),
                         "sub/d.txt": pattern(200, 4)})
        out = self.path("base.iso")
        subprocess.run([GENISOIMAGE, "-quiet", "-J", "-R", "-o", out, root], check=True, capture_output=True)
        iso = pycdlib.PyCdlib()
        iso.open(out)
        places = {
            "iso_root": iso.get_record(iso_path="/").extent_location(),
            "joliet_root": iso.get_record(joliet_path="/").extent_location(),
        }
        iso.close()
        with open(out, "rb") as f:
            data = bytearray(f.read())
        return data, places

    def records(self, data, sector):
        """(offset, identifier) of the records of one directory sector."""
        out, at = [], sector * SECTOR
        while at < (sector + 1) * SECTOR and data[at]:
            n = data[at]
            out.append((at, bytes(data[at + 33:at + 33 + data[at + 32]])))
            at += n
        return out

    def record_of(self, data, sector, start):
        return next(at for at, ident in self.records(data, sector) if ident.startswith(start))

    def disc_of(self, data, name):
        iso = self.path(name + ".iso")
        with open(iso, "wb") as f:
            f.write(data)
        disc = self.path(name + ".disc")
        vrecorder("create", "--media", "cd-r", "--from", iso, disc)
        return disc

    def attempt(self, disc, expect, *extra):
        new = self.path("new")
        make_tree(new, {"added.txt": b"added"})
        before = len(disc_state(disc)["sessions"])
        r = self.write(disc, *extra, new + "/", expect=expect)
        after = disc_state(disc)["sessions"]
        if expect != 0:
            self.assertEqual(len(after), before, "a refused write recorded a session")
            self.assertIn("could not be read", r.stderr)
            return r
        trees = read_image(session_view(disc, after[-1]["start"], self.path("view.iso")), ("joliet", "iso"))
        self.assertEqual(trees["iso"].duplicates, [])
        self.assertIn("/added.txt", trees["joliet"].files)
        self.assertEqual(sorted(trees["iso"].files.values()), sorted(trees["joliet"].files.values()))
        return r

    def both_roots(self, places):
        return (places["iso_root"], places["joliet_root"])

    def test_damage_gives_a_message_and_no_session_unless_skipped(self):
        data, places = self.base_image()

        def beyond(d):
            for root in self.both_roots(places):
                at = self.record_of(d, root, b"A" if root == places["iso_root"] else b"\0a")
                d[at + 2:at + 10] = (0x7FFFFFF0).to_bytes(4, "little") + (0x7FFFFFF0).to_bytes(4, "big")

        def zero_length(d):
            for root in self.both_roots(places):
                d[self.record_of(d, root, b"A" if root == places["iso_root"] else b"\0a")] = 0

        def overlong(d):
            for root in self.both_roots(places):
                d[self.record_of(d, root, b"A" if root == places["iso_root"] else b"\0a")] = 250

        def loop(d):
            for root in self.both_roots(places):
                at = self.record_of(d, root, b"SUB" if root == places["iso_root"] else b"\0s")
                d[at + 2:at + 10] = root.to_bytes(4, "little") + root.to_bytes(4, "big")

        def zeroed_root(d):
            for descriptor in (16, 17):
                d[descriptor * SECTOR + 156:descriptor * SECTOR + 190] = bytes(34)

        cases = [("beyond", beyond), ("zero-length", zero_length), ("overlong", overlong), ("loop", loop),
                 ("zeroed-root", zeroed_root)]
        for name, damage in cases:
            with self.subTest(name):
                d = bytearray(data)
                damage(d)
                disc = self.disc_of(d, name)
                self.attempt(disc, 1)
                if name != "zeroed-root":
                    r = self.attempt(disc, 0, "--skip-damaged")
                    self.assertIn("left out", r.stdout + r.stderr)

    def test_broken_joliet_descriptor_falls_back_to_the_iso_tree(self):
        data, places = self.base_image()
        d = bytearray(data)
        d[17 * SECTOR + 156:17 * SECTOR + 190] = bytes(34)
        disc = self.disc_of(d, "joliet")
        # Without Rock Ridge in the new session the Joliet tree is read first.
        r = self.attempt(disc, 0, "-v", "--no-rock")
        self.assertIn("IMPORTING ITS ISO 9660 TREE", r.stderr)
        # Rock Ridge names: the files keep their case.
        trees = read_image(session_view(disc, disc_state(disc)["sessions"][-1]["start"], self.path("v.iso")),
                           ("joliet",))
        self.assertIn("/sub/c.txt", trees["joliet"].files)

    def test_random_byte_flips_in_the_directories(self):
        data, places = self.base_image()
        rng = random.Random(1313)
        area = sorted(set(self.both_roots(places)))
        for n in range(12):
            d = bytearray(data)
            for _ in range(rng.randint(1, 6)):
                sector = rng.choice(area)
                d[sector * SECTOR + rng.randrange(200)] ^= 1 << rng.randrange(8)
            with self.subTest(n):
                disc = self.disc_of(d, "flip%d" % n)
                r = scrivo("write", "-d", "virtual:" + disc, self.path_with_file())
                self.assertIn(r.returncode, (0, 1), r.stderr)
                if r.returncode == 1:
                    self.assertEqual(len(disc_state(disc)["sessions"]), 1)
                    self.attempt(disc, 0, "--skip-damaged")
                else:
                    trees = read_image(session_view(disc, disc_state(disc)["sessions"][-1]["start"],
                                                    self.path("view.iso")), ("joliet", "iso"))
                    self.assertEqual(trees["iso"].duplicates, [])

    def path_with_file(self):
        new = self.path("flipnew")
        make_tree(new, {"n.txt": b"n"})
        return new + "/"


if __name__ == "__main__":
    needs.main()
