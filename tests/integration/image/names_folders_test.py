"""Names and folders as `scrivo image` and `scrivo write` record them: names that differ only
in case, characters Joliet cannot hold (in new and in imported names), every image read
back by every reader."""
import os
import unittest

from write_it import WriteTestCase, disc_state, make_tree, pattern, scrivo


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


if __name__ == "__main__":
    unittest.main()
