"""Shared pieces of the `scrivo wizard` tests: each test runs its own link of the scrivo
binary, so the log the wizard writes beside it and the settings under XDG_CONFIG_HOME
belong to that test alone."""
import os
import subprocess

from scrivo_it import make_tree, pattern
from write_it import WriteTestCase, SCRIVO

BIN = os.path.dirname(os.path.abspath(SCRIVO))


def ini_values(path):
    """name -> value of a settings file, in file order."""
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if "=" in line and not line.startswith("["):
                name, value = line.split("=", 1)
                values[name] = value
    return values


class WizardTestCase(WriteTestCase):
    def setUp(self):
        super().setUp()
        os.makedirs(self.path("bin"))
        self.exe = self.path("bin", "scrivo")
        try:
            os.link(SCRIVO, self.exe)
        except OSError:
            import shutil
            shutil.copy2(SCRIVO, self.exe)
        self.env = dict(os.environ,
                        SCRIVO_ASPI_LIBRARY=os.path.join(BIN, "libvrecorder_aspi.so"),
                        PATH=BIN + os.pathsep + os.environ.get("PATH", ""),
                        XDG_CONFIG_HOME=self.path("config"),
                        SCRIVO_TIME_SCALE="0")

    def flat_tree(self, name, seed):
        """A folder of files only: the wizard adds the files lying directly in a folder
        item ending in a separator, into the disc's root."""
        root = self.path(name)
        make_tree(root, {"top.bin": pattern(70000 + seed, seed), "empty.txt": b"",
                         "Long file name %d.dat" % seed: pattern(5000, seed + 1),
                         "f%d.bin" % seed: pattern(2048 * 3, seed + 2)})
        return root + "/"

    def drive(self, disc, media=None, options=""):
        return "virtual:" + disc + (",media=" + media if media else "") + options

    def wizard(self, answers, *args, expect=None):
        """Runs the wizard with `answers` (lines) as its answers file."""
        path = self.path("answers.txt")
        with open(path, "w") as f:
            f.write("\n".join(answers) + "\n")
        r = subprocess.run([self.exe, "wizard", "--answers", path] + [str(a) for a in args],
                           capture_output=True, text=True, timeout=300, env=self.env)
        if expect is not None:
            self.assertEqual(r.returncode, expect, "scrivo wizard:\n" + r.stdout + r.stderr)
        return r

    def settings(self, key="Software\\Ombrel\\Scrivo\\"):
        parts = [p for p in key.split("\\") if p]
        return ini_values(os.path.join(self.path("config"), *parts[:-1], parts[-1] + ".ini"))

    def log_path(self):
        return self.path("bin", "ScrivoLog.txt")
