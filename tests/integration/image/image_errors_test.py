"""Exit status and leftovers of `scrivo image` when it cannot do its job."""
import os
import resource
import shutil
import subprocess

from scrivo_it import SCRIVO, ImageTestCase, make_tree, pattern, scrivo
import needs  # noqa: E402 (found beside verify_iso)


def without_privileges(args):
    """args run so that file permissions hold (root drops its right to pass them)."""
    if os.geteuid() != 0:
        return args
    needs.require("setpriv")
    return ["setpriv", "--bounding-set=-dac_override,-dac_read_search"] + args


class ImageErrors(ImageTestCase):
    def test_bad_usage_exits_with_2(self):
        make_tree(self.work, {"f.txt": b"x"})
        f = self.path("f.txt")
        for args in ([], ["image"], ["image", f], ["image", "-o"], ["image", "-o", self.path("o.iso")],
                     ["image", "--bogus", "-o", self.path("o.iso"), f],
                     ["image", "-o", self.path("o.iso"), "--dest", "no-slash", f],
                     ["no-such-command"]):
            r = scrivo(*args)
            self.assertEqual(r.returncode, 2, "%s: %s" % (args, r.stderr))
            # One line naming the problem and where to read more.
            self.assertRegex(r.stderr, r"^scrivo: [^\n]+; see `scrivo (image )?--help`\n$")
        self.assertNoOutput(self.work, "o.iso")
        self.assertEqual(scrivo("image", "--help").returncode, 0)
        self.assertEqual(scrivo("--help").returncode, 0)

    def test_missing_source_exits_with_1_and_writes_nothing(self):
        make_tree(self.work, {"here.txt": pattern(10, 1)})
        out = self.path("out.iso")
        r = scrivo("image", "-o", out, self.path("here.txt"), self.path("not-here.txt"))
        self.assertEqual(r.returncode, 1)
        self.assertIn("not-here.txt", r.stderr)
        self.assertNoOutput(self.work, "out.iso")

    def test_unwritable_output_exits_with_1(self):
        make_tree(self.work, {"src.txt": b"data", "a-file": b"", "folder": None})
        src = self.path("src.txt")
        for out in (self.path("no-such-folder", "out.iso"), self.path("a-file", "out.iso"), self.path("folder")):
            r = scrivo("image", "-o", out, src)
            self.assertEqual(r.returncode, 1, out)
            self.assertIn("cannot write", r.stderr)
        self.assertEqual(sorted(os.listdir(self.work)), ["a-file", "folder", "src.txt"])

    def test_failed_run_keeps_an_existing_output_untouched(self):
        out = self.path("keep.iso")
        make_tree(self.work, {"keep.iso": b"previous image"})
        r = scrivo("image", "-o", out, self.path("missing"))
        self.assertEqual(r.returncode, 1)
        with open(out, "rb") as f:
            self.assertEqual(f.read(), b"previous image")

    def test_a_trailing_slash_on_a_file_is_refused(self):
        make_tree(self.work, {"f.txt": b"x"})
        r = scrivo("image", "-o", self.path("o.iso"), self.path("f.txt") + "/")
        self.assertEqual(r.returncode, 1)
        self.assertNoOutput(self.work, "o.iso")

    def test_items_that_cannot_be_added_are_named_and_fail_the_run_unless_skipped(self):
        src = self.path("src")
        long_name = "n" * 106 + ".txt"  # 110 characters: too many for Joliet without Rock Ridge
        make_tree(src, {"ok/a.txt": pattern(3000, 1), "ok/" + long_name: b"x", "locked/in.txt": b"y",
                        "no-entry/in.txt": b"z"})
        out = self.path("o.iso")
        named = ["\"%s\": the folder cannot be read (Permission denied)" % os.path.join(src, "locked"),
                 "\"%s\": the folder cannot be read (Permission denied)" % os.path.join(src, "no-entry"),
                 "\"%s\": its name has 110 characters" % os.path.join(src, "ok", long_name)]
        os.chmod(os.path.join(src, "locked"), 0)
        os.chmod(os.path.join(src, "no-entry"), 0o644)  # names readable, entries not
        try:
            for skip in (False, True):
                r = subprocess.run(without_privileges([SCRIVO, "image", "--no-rock", "-o", out] + ["--skip-unreadable"] * skip
                                                      + [src]), capture_output=True, text=True, timeout=60)
                self.assertEqual(r.returncode, 0 if skip else 1, r.stderr)
                for line in named:
                    self.assertIn(line, r.stderr)
                self.assertEqual(os.path.exists(out), skip)
        finally:
            os.chmod(os.path.join(src, "locked"), 0o755)
            os.chmod(os.path.join(src, "no-entry"), 0o755)
        # The image holds the rest.
        for gone in ("locked", "no-entry"):
            shutil.rmtree(os.path.join(src, gone))
        os.remove(os.path.join(src, "ok", long_name))
        self.assertVerified(out, [src])

    def test_part_files_of_killed_runs_are_cleaned_up(self):
        make_tree(self.work, {"f.txt": pattern(5000, 2)})
        gone = subprocess.Popen(["true"])
        gone.wait()
        left = {".o.iso.part-%d" % gone.pid: False, ".o.iso.part-%d" % os.getpid(): True,
                ".other.iso.part-%d" % gone.pid: True, ".o.iso.part-x1": True}
        for name in left:
            make_tree(self.work, {name: b"partial"})
        self.build(self.path("o.iso"), self.path("f.txt"))
        for name, kept in left.items():
            self.assertEqual(os.path.exists(self.path(name)), kept, name)

    def test_the_file_size_limit_fails_the_run_without_leftovers(self):
        make_tree(self.work, {"big.bin": pattern(400000, 3)})
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (100000, 100000))  # noqa: E731
        r = subprocess.run([SCRIVO, "image", "-o", self.path("o.iso"), self.path("big.bin")], capture_output=True,
                           text=True, timeout=60, preexec_fn=limit)
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertIn("cannot write", r.stderr)
        self.assertNoOutput(self.work, "o.iso")


if __name__ == "__main__":
    needs.main()
