"""What every `scrivo` command shares: --version, bad usage in one line with exit status 2 and
one wording, "--option=value" as "--option value", and the exit statuses listed in --help."""
import subprocess
import unittest

from write_it import VRECORDER, WriteTestCase, make_tree, scrivo

COMMANDS = ["image", "drives", "info", "ls", "write", "erase", "eject", "load"]
VERSION = r"\d+\.\d+\.\d+\n"


class Conventions(WriteTestCase):
    def test_version(self):
        for args in (["--version"], ["write", "--version"]):
            r = scrivo(*args)
            self.assertEqual((r.returncode, r.stderr), (0, ""), args)
            self.assertRegex(r.stdout, "^scrivo " + VERSION + "$")
        r = subprocess.run([VRECORDER, "--version"], capture_output=True, text=True, timeout=60)
        self.assertEqual(r.returncode, 0)
        self.assertRegex(r.stdout, "^vrecorder " + VERSION + "$")

    def test_bad_usage_is_one_line_with_one_wording(self):
        for command in COMMANDS:
            r = scrivo(command, "--frob")
            self.assertEqual(r.returncode, 2, command)
            self.assertEqual(r.stderr, 'scrivo: unknown option "--frob"; see `scrivo %s --help`\n' % command)
        for command in ("drives", "info", "erase", "eject"):
            r = scrivo(command, "extra")
            self.assertEqual(r.stderr, 'scrivo: unexpected argument "extra"; see `scrivo %s --help`\n' % command)
        r = scrivo("frob")
        self.assertEqual((r.returncode, r.stderr), (2, 'scrivo: unknown command "frob"; see `scrivo --help`\n'))
        self.assertEqual(scrivo().stderr, "scrivo: no command given; see `scrivo --help`\n")

    def test_option_equals_value(self):
        disc, src = self.path("eq.disc"), self.path("src", "s")
        make_tree(src, {"a.txt": b"a"})
        self.write(disc, "--speed=8", "--volume=EQ", src, media="cd-r")
        drive = "--drive=virtual:" + disc
        self.assertIn("/s/a.txt", scrivo("ls", drive, "--session=1").stdout)
        r = scrivo("info", drive, "--json=yes")
        self.assertEqual((r.returncode, r.stderr), (2, "scrivo: --json takes no value; see `scrivo info --help`\n"))
        # After "--" an operand may hold "=".
        self.assertIn('no "--x=1" in session 1', scrivo("ls", drive, "--", "--x=1").stderr)

    def test_help_lists_the_exit_statuses(self):
        r = scrivo("--help")
        self.assertIn("exit status: 0 done, 1 failed, 2 bad usage, 130 interrupted (Ctrl-C)\n", r.stdout)


if __name__ == "__main__":
    unittest.main()
