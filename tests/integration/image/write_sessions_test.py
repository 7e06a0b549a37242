"""Several sessions on one disc with `scrivo write`: each new session imports the last one,
so its tree lists every file recorded so far, the old entries pointing at the old data."""
import os

from write_it import WriteTestCase, disc_state, make_tree, pattern
import needs  # noqa: E402 (found beside verify_iso)


class WriteSessions(WriteTestCase):
    def three_sessions(self, media):
        disc = self.path(media + ".disc")
        roots = []
        for n, name in enumerate(["one", "two", "three"]):
            root = self.path("src%d" % n, name)
            make_tree(root, {"a%d.bin" % n: pattern(30000 + n * 7000, n + 1), "sub/b.txt": pattern(100 + n, n + 5)})
            roots.append(root)
            self.write(disc, root, media=media if n == 0 else None)
            state = disc_state(disc)
            self.assertEqual(len(state["sessions"]), n + 1)
            start = state["sessions"][-1]["start"]
            # Every session so far is visible from the last one.
            self.assertSession(disc, start, list(roots))
        starts = [s["start"] for s in disc_state(disc)["sessions"]]
        self.assertEqual(starts, sorted(starts))
        self.assertEqual(len(set(starts)), 3)

    def test_cd_r(self):
        self.three_sessions("cd-r")

    def test_dvd_plus_r(self):
        self.three_sessions("dvd+r")

    def test_without_import_only_the_new_files_show(self):
        disc = self.path("d.disc")
        first = self.path("a", "first")
        second = self.path("b", "second")
        make_tree(first, {"x.bin": pattern(5000, 1)})
        make_tree(second, {"y.bin": pattern(6000, 2)})
        self.write(disc, first, media="cd-r")
        self.write(disc, "--no-import", second)
        start = disc_state(disc)["sessions"][-1]["start"]
        self.assertSession(disc, start, [second])

    def test_a_new_version_replaces_the_imported_file(self):
        disc = self.path("u.disc")
        src = self.path("u", "t")
        make_tree(src, {"r.txt": b"v1", "keep.txt": b"k"})
        self.write(disc, src + "/", media="cd-r")
        make_tree(src, {"r.txt": b"v2"})
        r = self.write(disc, os.path.join(src, "r.txt"))
        self.assertIn("2 earlier files imported, 1 replaced by new versions", r.stdout)
        start = disc_state(disc)["sessions"][-1]["start"]
        self.assertSession(disc, start, [src + "/"])

    def test_two_sources_of_one_disc_name_are_a_usage_error(self):
        a, b = self.path("a", "x.txt"), self.path("b", "x.txt")
        make_tree(self.path("a"), {"x.txt": b"a"})
        make_tree(self.path("b"), {"x.txt": b"b"})
        r = self.write(self.path("c.disc"), a, b, media="cd-r", expect=2)
        self.assertIn(a, r.stderr)
        self.assertIn(b, r.stderr)
        self.assertEqual(disc_state(self.path("c.disc"))["sessions"], [])


if __name__ == "__main__":
    needs.main()
