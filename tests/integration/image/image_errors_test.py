"""Exit status and leftovers of `scrivo image` when it cannot do its job."""
import os
import unittest

from scrivo_it import ImageTestCase, make_tree, pattern, scrivo


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
            self.assertIn("usage", r.stderr)
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


if __name__ == "__main__":
    unittest.main()
