"""Recording with `scrivo write` on virtual recorders: discs made on first use, the state the
recorder reports, and the image of one session read back by every reader."""
import json
import os
import subprocess

from scrivo_it import ImageTestCase, SCRIVO, make_tree, pattern, scrivo  # noqa: F401

VRECORDER = os.path.join(os.path.dirname(SCRIVO), "vrecorder")
SECTOR = 2048
# The recorder answers at once and the engine's own waits are skipped.
os.environ["SCRIVO_TIME_SCALE"] = "0"


def disc_state(disc):
    r = subprocess.run([VRECORDER, "show", disc], capture_output=True, text=True, timeout=60)
    if r.returncode != 0:
        raise AssertionError("vrecorder show failed: " + r.stderr)
    return json.loads(r.stdout)


def session_view(disc, start, out):
    """A copy of the disc in which the volume descriptors of the session at `start` stand at
    sector 16, as a multi-session reader sees that session: the rest of the disc is left
    where it is, since the session's records point at absolute sectors. The disc itself for
    the session at 0."""
    if not start:
        return disc
    with open(disc, "rb") as f:
        data = bytearray(f.read())
    need = (start + 16 + 32) * SECTOR
    if len(data) < need:
        data.extend(bytes(need - len(data)))
    data[16 * SECTOR:48 * SECTOR] = data[(start + 16) * SECTOR:(start + 48) * SECTOR]
    with open(out, "wb") as f:
        f.write(data)
    return out


class WriteTestCase(ImageTestCase):
    def write(self, disc, *args, media=None, options="", expect=0):
        drive = "virtual:" + disc + ("," + "media=" + media if media else "") + options
        r = scrivo("write", "-d", drive, *args)
        self.assertEqual(r.returncode, expect, "scrivo write:\n" + r.stdout + r.stderr)
        return r

    def tree(self, name, seed, files=4):
        root = self.path(name)
        content = {"top.bin": pattern(70000 + seed, seed), "empty.txt": b"", "deep/er/x.dat": pattern(5000, seed + 1)}
        for i in range(files):
            content["many/f%d.bin" % i] = pattern(1000 * i + seed, seed + i)
        make_tree(root, content)
        return root

    def assertSession(self, disc, start, paths):
        self.assertVerified(session_view(disc, start, self.path("view.iso")), paths)
