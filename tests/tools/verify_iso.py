#!/usr/bin/python3
"""Checks an ISO 9660/Joliet image against the files it was built from, with independent
readers: pycdlib (ISO 9660 and Joliet trees), isoinfo (-l, -J -l, -x), xorriso (-find and
extraction) and bsdtar (-t and -x). Every file must be present in every reader's view with
the content of its source; nothing else may be there.

Usage: verify_iso.py IMAGE [--no-joliet] [--dest /DISC/FOLDER] [--prune-empty] [--skip READER] PATH...
The PATH arguments mean what they mean to `scrivo image` (a file goes into the destination,
a folder goes in as a folder, a folder written with a trailing "/" adds its contents;
empty folders are kept unless --prune-empty).

The Joliet tree is compared name by name. ISO 9660 names are generated 8.3 names, so that
tree is compared by its shape: per directory depth, the same files (size and content) and
the same number of directories. An image with Rock Ridge (found by itself) is also compared
by its Rock Ridge names, which are the sources' names; symbolic links must be links there
with their targets (and empty files in the plain ISO 9660 view, absent from Joliet).
"""
import argparse
import collections
import zlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

import needs

CHUNK = 1 << 20
SECTOR = 2048


class Digest:
    """Size and CRC-32 of a byte stream: enough to catch a corrupted or misplaced sector,
    and fast enough to run several times over a file above 4 GiB."""

    def __init__(self):
        self.size = 0
        self.crc = 0

    def update(self, b):
        self.size += len(b)
        self.crc = zlib.crc32(b, self.crc)

    def result(self):
        return self.size, self.crc


# ---- What the image must hold ----------------------------------------------------------

class Expected:
    """Disc paths ("/A/b.txt", Joliet names) of files -> source paths, and disc folders;
    the same with the sources' own names (Rock Ridge), and symbolic links -> targets."""

    def __init__(self):
        self.files = {}
        self.rr_files = {}
        self.links = {}
        self.dirs = {"/"}

    def add_dir(self, disc):
        while disc not in self.dirs:
            self.dirs.add(disc)
            disc = parent(disc)


def parent(disc):
    return disc.rsplit("/", 1)[0] or "/"


def join(disc, name):
    return disc.rstrip("/") + "/" + name


def disc_name(name):
    """A file name without a dot gets a trailing dot on the disc (README -> README.)."""
    return name if "." in name else name + "."


def _add_folder(exp, folder, disc, keep_empty, prune):
    """Adds the files below `folder` at `disc`; answers whether anything was added. With
    `prune`, folders that end up empty are left out, except the one named on the command
    line (the layout of the wizard and the library)."""
    added = False
    with os.scandir(folder) as it:
        entries = sorted(it, key=lambda e: e.name)
    for e in entries:
        if e.is_dir(follow_symlinks=False):
            added |= _add_folder(exp, e.path, join(disc, e.name), not prune, prune)
        elif e.is_file(follow_symlinks=False):
            exp.files[join(disc, disc_name(e.name))] = e.path
            exp.rr_files[join(disc, e.name)] = e.path
            added = True
        elif e.is_symlink():
            exp.links[join(disc, e.name)] = os.readlink(e.path)
    if added or keep_empty:
        exp.add_dir(disc)
    return added


def expected_from_args(paths, dest="/", prune_empty=False):
    exp = Expected()
    dest = "/" + "/".join(p for p in dest.split("/") if p)
    exp.add_dir(dest)
    for arg in paths:
        path = arg.rstrip("/") or "/"
        if os.path.isdir(path):
            if arg.endswith("/"):
                _add_folder(exp, path, dest, True, prune_empty)
            else:
                name = os.path.basename(os.path.abspath(path))
                _add_folder(exp, path, join(dest, name), True, prune_empty)
        else:
            exp.files[join(dest, disc_name(os.path.basename(path)))] = path
            exp.rr_files[join(dest, os.path.basename(path))] = path
    return exp


def has_rock_ridge(iso):
    """Whether the root's "." record starts with an SP entry."""
    with open(iso, "rb") as f:
        f.seek(16 * SECTOR)
        pvd = f.read(SECTOR)
        f.seek(int.from_bytes(pvd[158:162], "little") * SECTOR)
        rec = f.read(256)
    su = 33 + rec[32] + (1 - rec[32] % 2)
    return rec[su:su + 2] == b"SP" and rec[su + 4:su + 6] == b"\xbe\xef"


# ---- Content -----------------------------------------------------------------------------

def digest_file(path):
    d = Digest()
    with open(path, "rb") as f:
        while True:
            b = f.read(CHUNK)
            if not b:
                break
            d.update(b)
    return d.result()


_extent_digests = {}


def digest_extents(iso_path, extents):
    """Size and hash of the bytes the (lba, length) extents describe, read from the image.
    Both trees point at the same extents, so each is read once."""
    key = (iso_path, tuple(extents))
    if key not in _extent_digests:
        _extent_digests[key] = _read_extents(iso_path, extents)
    return _extent_digests[key]


def _read_extents(iso_path, extents):
    d = Digest()
    with open(iso_path, "rb") as f:
        for lba, length in extents:
            f.seek(lba * SECTOR)
            left = length
            while left > 0:
                b = f.read(min(CHUNK, left))
                if not b:
                    raise IOError("extent at %d runs past the end of the image" % lba)
                d.update(b)
                left -= len(b)
    return d.result()


def digest_command(cmd):
    """Size and hash of what a command writes to stdout, read as a stream."""
    d = Digest()
    with subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE) as p:
        while True:
            b = p.stdout.read(CHUNK)
            if not b:
                break
            d.update(b)
        err = p.stderr.read().decode("utf-8", "replace")
    if p.returncode != 0:
        raise IOError("%s failed: %s" % (" ".join(cmd[:3]), err.strip()))
    return d.result()


class HashWriter(Digest):
    """A file-like sink for pycdlib that digests what it is given."""

    def write(self, b):
        self.update(b)
        return len(b)


# ---- Comparison --------------------------------------------------------------------------

class Checker:
    def __init__(self, iso, exp, joliet):
        self.iso = iso
        self.exp = exp
        self.joliet = joliet
        self.rock = has_rock_ridge(iso)
        self.failures = []
        self._digests = {}

    def source_digest(self, disc):
        src = self.exp.files.get(disc) or self.exp.rr_files[disc]
        if src not in self._digests:
            self._digests[src] = digest_file(src)
        return self._digests[src]

    def joliet_shown(self):
        return joliet_shown(self.exp.files, self.exp.dirs)

    def fail(self, view, text):
        self.failures.append("%s: %s" % (view, text))

    def compare_named(self, view, files, dirs, names_match=None, links=None, shallow=False):
        """files: disc path -> (size, digest) or a callable giving it; dirs: disc paths.
        names_match(expected_path) -> the path this reader shows, for readers that cannot
        show every character. With `links` (path -> target) the view is of Rock Ridge names,
        where the folder of relocated folders may show; `shallow`: the reader does not
        follow relocated folders, so only the 8 levels ISO 9660 holds are compared."""
        shown = names_match or (lambda p: p)
        expected = self.exp.rr_files if links is not None else self.exp.files
        want_dirs = self.exp.dirs
        if links is not None:
            dirs = {d for d in dirs if d != MOVED and not d.startswith(MOVED + "/")}
            files = {p: d for p, d in files.items() if not p.startswith(MOVED + "/")}
        if shallow:
            expected = {p: v for p, v in expected.items() if p.count("/") <= ISO_LEVELS}
            want_dirs = {d for d in want_dirs if d.count("/") < ISO_LEVELS}
        if links is not None and links != self.exp.links:
            self.fail(view, "symbolic links %s, expected %s" % (sorted(links.items())[:5],
                                                                 sorted(self.exp.links.items())[:5]))
        by_shown = {shown(p): p for p in expected}
        for path in sorted(files):
            if path not in by_shown:
                self.fail(view, "unexpected file %r" % path)
        for shown_path, disc in sorted(by_shown.items()):
            if shown_path not in files:
                self.fail(view, "missing file %r (from %s)" % (disc, expected[disc]))
                continue
            got = files[shown_path]
            got = got() if callable(got) else got
            want = self.source_digest(disc)
            if got[0] != want[0]:
                self.fail(view, "%r has %d bytes, its source %d" % (disc, got[0], want[0]))
            elif got[1] != want[1]:
                self.fail(view, "%r differs from its source %s" % (disc, expected[disc]))
        want_dirs = {shown(d) for d in want_dirs}
        for d in sorted(set(dirs) ^ want_dirs):
            self.fail(view, ("unexpected folder %r" if d in dirs else "missing folder %r") % d)

    def compare_shape(self, view, files, dirs):
        """The ISO 9660 tree: per depth, the same contents and the same number of folders.
        With folders relocated (Rock Ridge) no folder is deeper than ISO 9660 allows and
        the contents are compared regardless of depth, the empty files left in the
        relocated folders' places aside."""
        relocated = self.rock and MOVED.upper() in dirs
        if relocated:
            deep = [d for d in dirs if d.rstrip("/").count("/") >= ISO_LEVELS]
            if deep:
                self.fail(view, "folders deeper than %d levels: %s" % (ISO_LEVELS, deep[:3]))
            if len(dirs) != len(self.exp.dirs) + 1:
                self.fail(view, "%d folders, expected %d and the relocation folder" % (len(dirs), len(self.exp.dirs)))
            files = {p: d for p, d in files.items() if (d() if callable(d) else d) != (0, 0)}

        def depth(p):
            return 0 if relocated else p.rstrip("/").count("/")
        want = collections.Counter((depth(p), self.source_digest(p)) for p in self.exp.files)
        if self.rock:  # links are empty files to a reader of plain ISO 9660
            want.update((depth(p), (0, 0)) for p in self.exp.links if not relocated)
        got = collections.Counter()
        for p, d in files.items():
            got[(depth(p), d() if callable(d) else d)] += 1
        for (dep, (size, _)), n in sorted((want - got).items()):
            self.fail(view, "%d file(s) of %d bytes at depth %d missing or different" % (n, size, dep))
        for (dep, (size, _)), n in sorted((got - want).items()):
            self.fail(view, "%d unexpected file(s) of %d bytes at depth %d" % (n, size, dep))
        if relocated:
            return
        want_d = collections.Counter(depth(d) for d in self.exp.dirs if d != "/")
        got_d = collections.Counter(depth(d) for d in dirs if d != "/")
        if want_d != got_d:
            self.fail(view, "folders per depth %s, expected %s" % (dict(got_d), dict(want_d)))


# The folder Rock Ridge images keep relocated folders in, and the levels ISO 9660 holds.
MOVED = "/rr_moved"
ISO_LEVELS = 8


def strip_version(name):
    return re.sub(r";\d+$", "", name)


# ---- Readers -----------------------------------------------------------------------------

def check_pycdlib(c):
    import pycdlib
    iso = pycdlib.PyCdlib()
    iso.open(c.iso)
    try:
        trees = [("iso_path", False)] + ([("joliet_path", True)] if c.joliet else [])
        for key, named in trees:
            files, dirs = {}, set()
            for d, _, fl in iso.walk(**{key: "/"}):
                dirs.add(d)
                for name in fl:
                    path = join(d, name)
                    rr = iso.get_record(**{key: path}).rock_ridge
                    if rr and rr.is_symlink():  # an empty file to a reader of plain ISO 9660
                        files[strip_version(path)] = (0, 0)
                        continue
                    w = HashWriter()
                    iso.get_file_from_iso_fp(w, **{key: path})
                    files[strip_version(path)] = w.result()
            view = "pycdlib " + ("Joliet" if named else "ISO 9660")
            if named:
                c.compare_named(view, files, dirs, c.joliet_shown())
            else:
                c.compare_shape(view, files, dirs)
        if c.rock:
            files, dirs, links = {}, set(), {}
            for d, _, fl in iso.walk(rr_path="/"):
                dirs.add(d)
                for name in fl:
                    path = join(d, name)
                    rec = iso.get_record(rr_path=path)
                    rr = rec.rock_ridge
                    if rr.is_symlink():
                        links[path] = rr.symlink_path().decode("utf-8", "surrogateescape")
                        continue
                    # pycdlib's Rock Ridge lookup lands on the last section of a multi-extent
                    # file (the same on other makers' images); its ISO 9660 path reads them all.
                    w = HashWriter()
                    iso.get_file_from_iso_fp(w, iso_path=iso.full_path_from_dirrecord(rec))
                    files[path] = w.result()
            # pycdlib does not follow relocated folders.
            c.compare_named("pycdlib Rock Ridge", files, dirs, links=links, shallow=MOVED in dirs)
        if c.joliet is False:
            try:
                iso.get_record(joliet_path="/")
                c.fail("pycdlib", "a Joliet tree is present although it was switched off")
            except pycdlib.pycdlibexception.PyCdlibInvalidInput:
                pass
    finally:
        iso.close()


# isoinfo prints the flags of a multi-extent part as "FFFF" without the closing bracket.
ISOINFO_LINE = re.compile(
    r"^([d-])\S*\s+\d+\s+\d+\s+\d+\s+(\d+)\s+\w+\s+\d+\s+\d+\s+\[\s*(\d+)\s+([0-9a-fA-F]+)(?:\]\s\s|\s)(.*) $")


def isoinfo_listing(iso, joliet):
    """disc path -> ([(lba, size), ...], the name as listed): several extents for a
    multi-extent file; and the folders."""
    cmd = ["isoinfo", "-l", "-i", iso] + (["-J", "-j", "iso8859-1"] if joliet else [])
    out = subprocess.run(cmd, check=True, capture_output=True).stdout.decode("latin-1")
    files, dirs, cur = collections.OrderedDict(), set(), None
    for line in out.splitlines():
        if line.startswith("Directory listing of "):
            cur = line[len("Directory listing of "):].rstrip("/") or "/"
            dirs.add(cur)
            continue
        m = ISOINFO_LINE.match(line)
        if not m or cur is None:
            continue
        kind, size, lba, _, name = m.groups()
        if kind == "d" or name in (".", ".."):
            continue
        entry = files.setdefault(join(cur, strip_version(name)), ([], join(cur, name)))
        entry[0].append((int(lba), int(size)))
    return files, dirs


def latin1_view(path):
    """How isoinfo -j iso8859-1 shows a name: characters outside Latin-1 become "_"."""
    out = []
    for ch in path:
        if ord(ch) < 256:
            out.append(ch)
        else:
            out.append("_" * (2 if ord(ch) > 0xFFFF else 1))
    return "".join(out)


def check_isoinfo(c):
    # Only names that Latin-1 can show can be handed back to isoinfo -J -x.
    nameable = {p for p in c.exp.files if latin1_view(p) == p}
    for joliet in ([False, True] if c.joliet else [False]):
        view = "isoinfo " + ("-J -l" if joliet else "-l")
        files, dirs = isoinfo_listing(c.iso, joliet)
        lazy = {p: (lambda e=e: digest_extents(c.iso, e)) for p, (e, _) in files.items()}
        if joliet:
            shown_as = c.joliet_shown()
            c.compare_named(view, lazy, dirs, lambda p: latin1_view(shown_as(p)))
        else:
            c.compare_shape(view, lazy, dirs)
        # isoinfo's own extraction, streamed, for every file it can name.
        xview = "isoinfo " + ("-J -x" if joliet else "-x")
        for path, (extents, listed) in files.items():
            if joliet and path not in nameable:
                continue
            cmd = ["isoinfo", "-i", c.iso, "-x", listed.encode("latin-1")]
            if joliet:
                cmd[1:1] = ["-J", "-j", "iso8859-1"]
            got = digest_command(cmd)
            # isoinfo extracts only the last extent of a multi-extent file.
            if got != digest_extents(c.iso, extents[-1:]):
                c.fail(xview, "%r extracts as %d bytes that differ from its extents" % (path, got[0]))


def tree_of(root, links=None):
    """Files and folders of an extracted tree; symbolic links (path -> target) into `links`."""
    files, dirs = {}, {"/"}
    for d, dns, fns in os.walk(root):
        rel = "/" + os.path.relpath(d, root).replace(os.sep, "/")
        rel = "/" if rel == "/." else rel
        dirs.add(rel)
        for n in fns + dns:
            p = os.path.join(d, n)
            if os.path.islink(p):
                if links is not None:
                    links[join(rel, n)] = os.readlink(p)
            elif n in fns:
                files[join(rel, strip_version(n))] = (lambda p=p: digest_file(p))
    return files, dirs


def run_quiet(cmd):
    r = subprocess.run(cmd, capture_output=True)
    if r.returncode != 0:
        raise IOError("%s failed (%d): %s" % (" ".join(map(str, cmd[:4])), r.returncode,
                                              r.stderr.decode("utf-8", "replace").strip()[-500:]))
    return r.stdout.decode("utf-8", "replace")


def memory_scratch(work, room):
    """A folder for a large extracted file: in memory (/dev/shm) when it has the room."""
    shm = "/dev/shm"
    if os.path.isdir(shm):
        st = os.statvfs(shm)
        if st.f_bavail * st.f_frsize > room + (1 << 30):
            return tempfile.mkdtemp(prefix="verify-iso-", dir=shm)
    return tempfile.mkdtemp(prefix="big-", dir=work)


def digest_extracted(cmd_for_target, work, size):
    """Digest of a file a reader extracts to a path (xorriso cannot write to a pipe); the
    copy is removed at once."""
    folder = memory_scratch(work, size)
    target = os.path.join(folder, "file")
    try:
        run_quiet(cmd_for_target(target))
        return digest_file(target)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def xorriso_extents(base, sizes):
    """path -> [(lba, bytes), ...] of the files in `sizes` as xorriso reports them."""
    out = run_quiet(base + ["-find", "/", "-type", "f", "-exec", "report_lba"])
    blocks = collections.defaultdict(list)
    for line in out.splitlines():
        m = re.match(r"^File data lba:\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*\d+\s*,\s*'(.*)'$", line)
        if m and m.group(4) in sizes:
            blocks[m.group(4)].append((int(m.group(1)), int(m.group(2)), int(m.group(3))))
    extents = {}
    for path, parts in blocks.items():
        left, ext = sizes[path], []
        for _, lba, n in sorted(parts):
            ext.append((lba, min(n * SECTOR, left)))
            left -= ext[-1][1]
        extents[path] = ext
    return extents


def check_xorriso(c, work, extract_limit):
    loads = [("ecma119", False)] + ([("any", True)] if c.joliet else [])
    for fs, named in loads:
        view = "xorriso " + ("Joliet" if named else "ISO 9660")
        # Names exactly as recorded: no stripping of ";1" or of a trailing dot.
        base = ["xorriso", "-abort_on", "FAILURE", "-return_with", "SORRY", "0", "-read_fs", fs,
                "-ecma119_map", "unmapped", "-joliet_map", "unmapped", "-indev", "stdio:" + c.iso]
        listing = run_quiet(base + ["-find", "/", "-type", "f", "-exec", "lsdl"])
        sizes = {}
        for line in listing.splitlines():
            m = re.match(r"^-\S+\s+\d+\s+\S+\s+\S+\s+(\d+)\s+.*? '(.*)'$", line)
            if m:
                sizes[m.group(2).replace("'\"'\"'", "'")] = int(m.group(1))
        big = {p: n for p, n in sizes.items() if n > extract_limit}
        out = os.path.join(work, "xorriso-" + fs)
        if big:
            small = [p for p in sizes if p not in big]
            os.makedirs(out)
            if small:
                run_quiet(base + ["-osirrox", "on", "-extract_l", "/", out] + small + ["--"])
        else:
            run_quiet(base + ["-osirrox", "on", "-extract", "/", out])
        rr = named and c.rock  # "any" reads the Rock Ridge names when there are some
        links = {} if rr else None
        files, dirs = tree_of(out, links)
        lbas = xorriso_extents(base, big) if big and not named else {}
        for p, n in big.items():
            if p in lbas:
                # One tree reads a large file back through xorriso; the other is checked
                # through the extents xorriso reports for it.
                files[strip_version(p)] = (lambda e=lbas[p]: digest_extents(c.iso, e))
            else:
                files[strip_version(p)] = (lambda p=p, n=n: digest_extracted(
                    lambda target: base + ["-osirrox", "on", "-extract", p, target], work, n))
            dirs.add(parent(strip_version(p)))
        if {strip_version(p) for p in sizes} != set(files):
            c.fail(view, "-find lists %d files, extraction gave %d" % (len(sizes), len(files)))
        if rr:
            c.compare_named("xorriso Rock Ridge", files, dirs, links=links)
        elif named:
            c.compare_named(view, files, dirs, c.joliet_shown())
        else:
            c.compare_shape(view, files, dirs)
        shutil.rmtree(out, ignore_errors=True)


def tar_unescape(text):
    """A name as bsdtar -t prints it: a backslash doubled, other bytes it will not print as
    octal escapes."""
    def one(m):
        e = m.group(1)
        return "\\" if e == "\\" else chr(int(e, 8))
    return re.sub(r"\\(\\|[0-7]{3})", one, text)


def check_bsdtar(c, work, extract_limit):
    loads = [(["--options", "iso9660:!joliet"], False)] + ([([], True)] if c.joliet else [])
    for opts, named in loads:
        view = "bsdtar " + ("Joliet" if named else "ISO 9660")
        listing = run_quiet(["bsdtar"] + opts + ["-tvf", c.iso])
        listed, big = set(), {}
        for line in listing.splitlines():
            m = re.match(r"^(\S)\S*\s+\d+\s+\S+\s+\S+\s+(\d+)\s+\w+\s+\d+\s+[\d:]+\s(.*)$", line)
            if not m or m.group(3) == ".":
                continue
            # A link's line goes on with its target, a hard link's with its first name.
            listed.add("/" + tar_unescape(re.sub(r" (->|link to) .*$", "", m.group(3))).rstrip("/"))
            if m.group(1) == "-" and int(m.group(2)) > extract_limit:
                big[m.group(3)] = int(m.group(2))
        out = os.path.join(work, "bsdtar-%d" % named)
        os.makedirs(out)
        excludes = []
        for p in big:
            excludes += ["--exclude", re.sub(r"([][*?\\])", r"\\\1", p)]
        run_quiet(["bsdtar"] + opts + excludes + ["-xf", c.iso, "-C", out])
        links = {} if c.rock else None  # libarchive takes Rock Ridge over Joliet
        files, dirs = tree_of(out, links)
        for p in big:
            files["/" + p] = (lambda p=p: digest_command(["bsdtar"] + opts + ["-xOf", c.iso, p]))
            dirs.add(parent("/" + p))
        if not set(files) <= listed:
            c.fail(view, "-t does not list %s" % sorted(set(files) - listed)[:5])
        if c.rock:
            c.compare_named(view + " (Rock Ridge)", files, dirs, links=libarchive_links(links, c.exp.links))
        elif named:
            shown_as = c.joliet_shown()
            c.compare_named(view, files, dirs, lambda p: libarchive_view(shown_as(p)))
        else:
            c.compare_shape(view, files, dirs)
        shutil.rmtree(out, ignore_errors=True)


JOLIET_UNITS = 110  # UTF-16 units of a name a Joliet record holds


JOLIET_FORBIDDEN = re.compile(r'[\x00-\x1f*/:;?\\]')


def joliet_shown(files, dirs):
    """Expected disc path -> the path the Joliet tree shows. A longer name (only Rock Ridge
    images keep one) is cut, keeping a short extension; a file's cut name loses its ";1".
    Characters Joliet forbids (controls and * / : ; ? \\) become "_". A name so made that
    would read like another of its folder (case aside) gets "~N" before the extension:
    whole names keep theirs, the others are numbered in the order they were added
    (folders, then files, each by upper-cased name)."""
    def units(name):
        return len(name.encode("utf-16-be")) // 2

    def head(name, n):
        b = name.encode("utf-16-be")[:2 * n]
        if len(b) >= 2 and 0xD8 <= b[-2] <= 0xDB:  # never half of a surrogate pair
            b = b[:-2]
        return b.decode("utf-16-be")

    def extension(name, is_file):
        dot = name.rfind(".") if is_file else -1
        ext = name[dot:] if dot > 0 else ""
        return ext if 2 <= units(ext) <= 16 else ""

    children = collections.defaultdict(list)
    for d in dirs:
        if d != "/":
            children[parent(d)].append((d.rsplit("/", 1)[1], False))
    for f in files:
        children[parent(f)].append((f.rsplit("/", 1)[1], True))
    cut_names = {}
    for folder, entries in children.items():
        def is_cut(entry):
            return units(entry[0]) + (2 if entry[1] else 0) > JOLIET_UNITS

        def own(entry):
            return is_cut(entry) or JOLIET_FORBIDDEN.search(entry[0]) is not None
        shown = {n.upper() for n, f in entries if not own((n, f))}
        for name, is_file in sorted(filter(own, entries), key=lambda e: (e[1], e[0].upper().encode())):
            safe = JOLIET_FORBIDDEN.sub("_", name)
            ext = extension(safe, is_file)
            base = safe[:len(safe) - len(ext)]
            limit = JOLIET_UNITS - (2 if is_file and not is_cut((name, is_file)) else 0)
            cut, k = head(base, limit - units(ext)) + ext, 0
            while cut.upper() in shown:
                k += 1
                tail = "~%d" % k
                cut = head(base, limit - units(ext) - len(tail)) + tail + ext
            shown.add(cut.upper())
            cut_names[(folder, name)] = cut

    # Cut names map component by component, each looked up under its folder's disc path.
    mapping = {}
    for p in list(files) + list(dirs):
        disc, out = "", ""
        for name in ([] if p == "/" else p.strip("/").split("/")):
            out += "/" + cut_names.get((disc or "/", name), name)
            disc += "/" + name
        mapping[p] = out or "/"
    return lambda p: mapping.get(p, p)


def libarchive_links(got, want):
    """Some libarchive versions drop the "/" between the components that end one SL entry
    and begin the next (targets longer than an entry holds); such a target counts as read
    when it differs from the expected one by those slashes only."""
    fixed = dict(got)
    for path, target in got.items():
        expected = want.get(path)
        if expected and len(expected) > 240 and target != expected and \
                target.replace("/", "") == expected.replace("/", ""):
            fixed[path] = expected
    return fixed


def libarchive_view(path):
    """libarchive reads at most 103 UTF-16 units of a Joliet name (206 bytes)."""
    def cut(name):
        units = name.encode("utf-16-be")
        return units[:206].decode("utf-16-be", "ignore") if len(units) > 206 else name
    return "/".join(cut(part) for part in path.split("/"))


READERS = ["pycdlib", "isoinfo", "xorriso", "bsdtar"]


def require_readers(skip=(), check=needs.require):
    """The readers not skipped must be installed (see needs)."""
    tools = [r for r in READERS if r != "pycdlib" and r not in skip]
    check(*tools, modules=() if "pycdlib" in skip else ("pycdlib",))


def verify(iso, exp, joliet=True, skip=(), work=None, extract_limit=256 << 20):
    """Answers the list of failures (empty when every reader agrees with the sources).
    Files above `extract_limit` bytes are streamed from the extracting readers instead
    of being written to disk."""
    require_readers(skip)
    # The image may have changed since an earlier call (a disc recorded on again).
    _extent_digests.clear()
    c = Checker(iso, exp, joliet)
    own = work is None
    work = work or tempfile.mkdtemp(prefix="verify-iso-")
    try:
        for name in READERS:
            if name in skip:
                continue
            before = len(c.failures)
            try:
                if name == "pycdlib":
                    check_pycdlib(c)
                elif name == "isoinfo":
                    check_isoinfo(c)
                elif name == "xorriso":
                    check_xorriso(c, work, extract_limit)
                else:
                    check_bsdtar(c, work, extract_limit)
            except Exception as e:  # a reader that cannot read the image is a finding
                c.fail(name, "could not read the image: %s: %s" % (type(e).__name__, e))
            if len(c.failures) == before:
                print("ok   %-8s %d files, %d folders" % (name, len(exp.files), len(exp.dirs)))
    finally:
        if own:
            shutil.rmtree(work, ignore_errors=True)
    return c.failures


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("image")
    ap.add_argument("paths", nargs="+")
    ap.add_argument("--no-joliet", action="store_true")
    ap.add_argument("--dest", default="/")
    ap.add_argument("--prune-empty", action="store_true", help="empty folders are left out")
    ap.add_argument("--skip", action="append", default=[], choices=READERS)
    a = ap.parse_args()
    require_readers(a.skip, lambda *tools, modules: needs.exit_unless_present(tools, modules))
    failures = verify(a.image, expected_from_args(a.paths, a.dest, a.prune_empty), not a.no_joliet, a.skip)
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
