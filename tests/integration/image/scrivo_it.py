"""Shared pieces of the integration tests: the scrivo binary, a scratch folder, tree
building and the image check with every reader."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import verify_iso  # noqa: E402

SCRIVO = os.environ.get("SCRIVO_BIN") or os.path.join(HERE, "..", "..", "..", "build", "native", "bin", "scrivo")


def scrivo(*args):
    return subprocess.run([SCRIVO] + [str(a) for a in args], capture_output=True, text=True, timeout=600)


def make_tree(root, entries):
    """entries: relative path -> bytes (a file) or None (a folder)."""
    for rel, content in entries.items():
        p = os.path.join(root, rel)
        if content is None:
            os.makedirs(p, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(p), exist_ok=True)
            with open(p, "wb") as f:
                f.write(content)


def pattern(n, seed):
    """n bytes that differ per seed and position, so a misplaced sector shows."""
    block = bytes((seed * 31 + i * 7 + (i >> 11)) & 0xFF for i in range(min(n, 1 << 16)))
    return (block * (n // len(block) + 1))[:n] if n else b""


def sweep_stale_images(shm):
    """Images of runs that were killed before they cleaned up: gigabytes of memory each."""
    for name in os.listdir(shm):
        m = re.match(r"scrivo-it-(\d+)-", name)
        if not m or int(m.group(1)) == os.getpid():
            continue
        try:
            os.kill(int(m.group(1)), 0)
        except ProcessLookupError:
            try:
                os.remove(os.path.join(shm, name))
            except OSError:
                pass
        except OSError:
            pass  # alive, under another user


class ImageTestCase(unittest.TestCase):
    def setUp(self):
        base = os.environ.get("SCRIVO_WORK")
        if base:
            os.makedirs(base, exist_ok=True)
        self.work = tempfile.mkdtemp(prefix=self._testMethodName + "-", dir=base)

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def scratch_image(self, name, room):
        """Where a large image is written: in memory (/dev/shm) when it has the room, so
        the test does not wait for the disk, else in the work folder."""
        shm = "/dev/shm"
        if os.path.isdir(shm):
            sweep_stale_images(shm)
            st = os.statvfs(shm)
            if st.f_bavail * st.f_frsize > room:
                return os.path.join(shm, "scrivo-it-%d-%s" % (os.getpid(), name))
        return self.path(name)

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def build(self, out, *args):
        r = scrivo("image", "-o", out, *args)
        self.assertEqual(r.returncode, 0, "scrivo image failed:\n" + r.stdout + r.stderr)
        return r

    def assertVerified(self, iso, paths, dest="/", joliet=True, **kw):
        failures = verify_iso.verify(iso, verify_iso.expected_from_args(paths, dest), joliet,
                                     work=self.path(), **kw)
        self.assertEqual(failures, [], "\n" + "\n".join(failures))

    def assertNoOutput(self, folder, name):
        left = [n for n in os.listdir(folder) if name in n]
        self.assertEqual(left, [], "a failed run left files behind")
